// The viewport clerks on the real OpenGL path: the material cache and each input that
// invalidates it, the fixed-function settings, GLSL programs with their uniforms and failures,
// and texture layers.
#include "ViewportTestNodes.h"

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_StringData.h>
#include <shop/viewport/SHOP_OGLData.h>
#include <shop/viewport/SHOP_ReMaterial.h>

#include <IMG/IMG_Raster.h>
#include <PRM/PRM_Parm.h>
#include <RE/RE_MaterialPreview.h>
#include <UT/UT_String.h>

#include <filesystem>

using namespace vptest;

namespace
{
const char *const theVertex = "#version 120\nvoid main() { gl_Position = ftransform(); }\n";
const char *const theFragment =
    "#version 120\nuniform float kf;\nvoid main() { gl_FragColor = vec4(kf); }\n";

// One parameter of each kind a program takes, a text that is no picture, and one the program
// lacks (last, so that the sources are shown after its warning).
const char *const theUniformScript = R"({ name vt_uniforms rendermask OGL2
    parm { name kf type float default { 0.5 } }
    parm { name kc type color default { 1 0 0 } }
    parm { name kuv type float size 2 default { 0 0 } }
    parm { name kq type float size 4 default { 1 1 1 1 } }
    parm { name ki type int default { 2 } }
    parm { name kt type toggle default { 1 } }
    parm { name pic type image default { "" } }
    parm { name note type string default { "text" } }
    parm { name extra type float default { 1 } }
})";
const char *const theUniformFragment = R"(#version 120
uniform float kf;
uniform vec3 kc;
uniform vec2 kuv;
uniform vec4 kq;
uniform float ki;
uniform int kt;
uniform sampler2D pic;
void main()
{
    gl_FragColor = vec4(kc * kf * ki, 1.0) * kq + texture2D(pic, kuv) * float(kt);
}
)";

const char *const theLayerScript = R"({ name vt_layers rendermask OGL2
    parm { name ogl_numtex type int default { 3 } }
    parm { name ogl_tex1 type image default { "" } }
    parm { name ogl_tex2 type image default { "" } }
    parm { name ogl_tex3 type image default { "" } }
    parm { name ogl_tex_min_filter1 type string default { "GL_NEAREST_MIPMAP_LINEAR" } }
    parm { name ogl_tex_mag_filter1 type string default { "GL_NEAREST" } }
    parm { name ogl_clamping_mode3 type int default { 1 } }
})";

std::filesystem::path vt_picture()
{
    static const std::filesystem::path thePath = []
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vt_XXXXXX").string();
        const std::filesystem::path dir = mkdtemp(pattern.data());
        IMG_Raster stripes(4, 4);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y)
                stripes.getPixel(x, y)[0] = stripes.getPixel(x, y)[3] = x % 2 ? 255 : 40;
        std::string error;
        EXPECT_TRUE(stripes.writePNG((dir / "stripes.png").string().c_str(), error)) << error;
        return dir / "stripes.png";
    }();
    return thePath;
}

void vt_set(OP_Node *node, const char *parm, double value)
{
    PRM_Parm *p = node->getParmPtr(parm);
    ASSERT_NE(p, nullptr) << parm;
    for (int i = 0; i < p->getVectorSize(); ++i)
        ASSERT_TRUE(p->setValue(i, value)) << parm;
}

void vt_setText(OP_Node *node, const char *parm, const std::string &text)
{
    std::string error;
    ASSERT_TRUE(node->getParmPtr(parm)->setValueFromText(0, text.c_str(), error)) << error;
}

void vt_expectRgb(const float *rgb, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(rgb[0], r);
    EXPECT_FLOAT_EQ(rgb[1], g);
    EXPECT_FLOAT_EQ(rgb[2], b);
}
} // namespace

TEST_F(ViewportTest, TheCacheBuildsOnceAndRebuildsOnEachChangedInput)
{
    ScopedEnv glsl("SHOP_GLSL", "1");
    OP_OTLDefinition &def = addShader(
        "vt_cache", "{ name vt_cache rendermask OGL2 parm { name kf type float default { 0.5 } } }",
        theVertex, theFragment);
    MaskNode *node = make("vt_cache");
    ASSERT_NE(node, nullptr);
    // Every material stays held, so that a rebuilt one can never reuse an old address.
    SHOP_ReData first, later, withOverrides, again, plain, masked, resectioned, cooked;
    RE_Material *built = material(node, first);
    ASSERT_NE(built, nullptr);
    ASSERT_NE(built->getShader(), nullptr);
    EXPECT_TRUE(built->getShader()->isLinked()) << built->getShader()->getLog();
    EXPECT_EQ(material(node, later, nullptr, 7.5f), built) << "a hit whatever the time";

    UT_Options options;
    options.setOptionF("kf", 0.25);
    RE_Material *overridden = material(node, withOverrides, &options);
    EXPECT_NE(overridden, built);
    EXPECT_EQ(material(node, again, &options), overridden) << "the same overrides hit";
    RE_Material *unOverridden = material(node, plain);
    EXPECT_NE(unOverridden, built);
    EXPECT_NE(unOverridden, overridden);
    EXPECT_EQ(node->getClerkCacheSize(), 1);

    // A new mask rebuilds, but the sources read before stay: the changed text (same time) is
    // not read.
    def.indexFile().addSection({"GlslFragment", 100, "changed, same time"});
    node->setRenderMask("OGL OGL2 RIB");
    RE_Material *remasked = material(node, masked);
    EXPECT_NE(remasked, unOverridden);
    EXPECT_STREQ(node->getOGLFragSource(), theFragment);
    // A new section time rebuilds and reads the sources again.
    def.indexFile().addSection({"GlslFragment", 101, theFragment + std::string("// new\n")});
    RE_Material *reread = material(node, resectioned);
    EXPECT_NE(reread, remasked);
    EXPECT_NE(std::string(node->getOGLFragSource()).find("// new"), std::string::npos);
    EXPECT_EQ(material(node, resectioned), reread);

    // A parameter change cooks the node, which empties its cache.
    vt_set(node, "kf", 0.75);
    EXPECT_NE(material(node, cooked), reread);
    EXPECT_EQ(built->getRefCount(), 2) << "held by two holders, no longer by the cache";
}

TEST_F(ViewportTest, FixedFunctionSettingsFollowTheViewportParametersOrTheirFallbacks)
{
    // No viewport parameters at all: made as a scene file makes it, without creation scripts.
    addShader("vt_plain", "{ name vt_plain rendermask OGL2 }");
    OPgetDirector()->beginLoading();
    MaskNode *plainNode = make("vt_plain");
    OPgetDirector()->endLoading();
    ASSERT_EQ(plainNode->getParmPtr("ogl_rough"), nullptr);
    UT_Options viaOgl2;
    viaOgl2.setOptionS("rendertype", "OGL2");
    SHOP_ReData data;
    RE_Material *plain = material(plainNode, data, &viaOgl2);
    ASSERT_NE(plain, nullptr);
    vt_expectRgb(plain->getAmb(), 1, 1, 1);
    vt_expectRgb(plain->getDiff(), 1, 1, 1);
    vt_expectRgb(plain->getSpec(), 1, 1, 1);
    vt_expectRgb(plain->getEmit(), 0, 0, 0);
    EXPECT_FLOAT_EQ(plain->getRoughness(), 0.05f);
    EXPECT_FLOAT_EQ(plain->getAlpha(), 1);
    EXPECT_TRUE(plain->getLighting());
    EXPECT_TRUE(plain->getTransparentTexture());
    EXPECT_FALSE(plain->isTextured());
    EXPECT_EQ(plain->getShader(), nullptr) << "SHOP_GLSL is not set";
    EXPECT_EQ(plain->getMaterialName(), "_shop_vt_plain");

    // Served by OGL: its creation script adds the viewport parameters, at their defaults.
    addShader("vt_lit", "{ name vt_lit rendermask VKorvit }");
    MaskNode *lit = make("vt_lit");
    ASSERT_NE(lit->getParmPtr("ogl_rough"), nullptr) << "shop_oglsurface.py did not run";
    SHOP_ReData litData;
    EXPECT_FLOAT_EQ(material(lit, litData)->getRoughness(), 0.1f);
    vt_set(lit, "ogl_light", 0);
    vt_set(lit, "ogl_cutout", 0);
    ASSERT_TRUE(lit->getParmPtr("ogl_diff")->setValue(0, 0.2));
    ASSERT_TRUE(lit->getParmPtr("ogl_diff")->setValue(1, 0.4));
    ASSERT_TRUE(lit->getParmPtr("ogl_diff")->setValue(2, 0.6));
    vt_set(lit, "ogl_alpha", 0.5);
    RE_Material *unlit = material(lit, litData);
    vt_expectRgb(unlit->getAmb(), 0, 0, 0);
    vt_expectRgb(unlit->getDiff(), 0, 0, 0);
    vt_expectRgb(unlit->getSpec(), 0, 0, 0);
    vt_expectRgb(unlit->getEmit(), 0.2f, 0.4f, 0.6f);
    EXPECT_FALSE(unlit->getLighting());
    EXPECT_FALSE(unlit->getTransparentTexture());
    EXPECT_FLOAT_EQ(unlit->getAlpha(), 0.5f);
}

TEST_F(ViewportTest, ABrokenFragmentShaderIsReportedAndTheMaterialStaysFixedFunction)
{
    ScopedEnv glsl("SHOP_GLSL", "1");
    addShader("vt_broken", "{ name vt_broken rendermask OGL2 }", theVertex,
              "#version 120\nvoid main() { gl_FragColor = nonsense; }\n");
    MaskNode *node = make("vt_broken");
    testing::internal::CaptureStderr();
    SHOP_ReData data;
    RE_Material *built = material(node, data);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR: Shader 'vt_broken' failed to compile!\n"), std::string::npos) << err;
    ASSERT_NE(built, nullptr);
    ASSERT_NE(built->getShader(), nullptr);
    EXPECT_FALSE(built->getShader()->isLinked());
    EXPECT_NE(built->getShader()->getLog().find("nonsense"), std::string::npos)
        << built->getShader()->getLog();
    EXPECT_TRUE(built->getLighting());
    vt_expectRgb(built->getDiff(), 1, 1, 1);

    // Masks that do not name OGL2 itself never get a program.
    node->setRenderMask("OGL");
    EXPECT_EQ(material(node, data)->getShader(), nullptr);
    node->setRenderMask("*");
    EXPECT_EQ(material(node, data)->getShader(), nullptr);
}

TEST_F(ViewportTest, UniformsOfEachKindBindAndAMissingOneWarnsWithTheSources)
{
    ScopedEnv glsl("SHOP_GLSL", "1");
    addShader("vt_uniforms", theUniformScript, theVertex, theUniformFragment);
    MaskNode *node = make("vt_uniforms");
    vt_setText(node, "pic", vt_picture().string());
    testing::internal::CaptureStderr();
    SHOP_ReData data;
    RE_Material *built = material(node, data);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_NE(built, nullptr);
    ASSERT_TRUE(built->getShader() && built->getShader()->isLinked());
    EXPECT_EQ(err.find("WARNING[vt_uniforms]: Failed to bind variable 'k"), std::string::npos)
        << err;
    EXPECT_EQ(err.find("'pic'"), std::string::npos) << err;
    EXPECT_EQ(err.find("'note'"), std::string::npos) << "a text is no uniform: " << err;
    EXPECT_NE(err.find("WARNING[vt_uniforms]: Failed to bind variable 'extra'\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("vt_uniforms VERTEX:\n"), std::string::npos) << err;
    EXPECT_NE(err.find("vt_uniforms FRAGMENT:\n" + std::string(theUniformFragment)),
              std::string::npos)
        << err;

    // A picture that cannot be read is a failed binding too.
    vt_setText(node, "pic", (vt_picture().parent_path() / "none.png").string());
    testing::internal::CaptureStderr();
    material(node, data);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to bind variable 'pic'"),
              std::string::npos);
}

TEST_F(ViewportTest, TextureLayersAreMadeOnDemandAndReadOnce)
{
    addShader("vt_layers", theLayerScript);
    MaskNode *node = make("vt_layers");
    const std::string file = vt_picture().string();
    vt_setText(node, "ogl_tex1", file);
    vt_setText(node, "ogl_tex3", file);
    UT_Options viaOgl2;
    viaOgl2.setOptionS("rendertype", "OGL2");
    SHOP_ReData data;
    RE_Material *built = material(node, data, &viaOgl2);
    ASSERT_NE(built, nullptr);
    RE_TextureCallback *layers = built->getCallback();
    ASSERT_NE(layers, nullptr);
    RE_Texture2DMap *first = layers->getTextureMap(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(layers->getTextureMap(0), first);
    EXPECT_EQ(layers->getTextureMap(1), nullptr);
    ASSERT_NE(layers->getTextureMap(2), nullptr);
    EXPECT_EQ(layers->getTextureMap(3), nullptr);
    EXPECT_EQ(layers->getTextureMap(-1), nullptr);
    EXPECT_EQ(first->getMapName(), file);
    EXPECT_EQ(first->getNodePath(), node->getFullPath());
    EXPECT_EQ(first->getMinFilter(), 3) << "GL_NEAREST_MIPMAP_LINEAR is 3";
    EXPECT_EQ(first->getMagFilter(), 0);
    EXPECT_EQ(first->getClampMode(), 0);
    EXPECT_EQ(layers->getTextureMap(2)->getClampMode(), 1);
    EXPECT_EQ(first->getLoadCount(), 0) << "nothing is read before it is drawn";
    IMG_Raster picture;
    std::string why;
    ASSERT_TRUE(RE_MaterialPreview::render(*built, 16, picture, why)) << why;
    ASSERT_TRUE(RE_MaterialPreview::render(*built, 16, picture, why)) << why;
    EXPECT_EQ(first->getLoadCount(), 1);

    // Two layers, only the second with a file: it alone is held.
    vt_set(node, "ogl_numtex", 2);
    vt_setText(node, "ogl_tex1", "");
    vt_setText(node, "ogl_tex2", file);
    layers = material(node, data, &viaOgl2)->getCallback();
    ASSERT_NE(layers, nullptr);
    EXPECT_EQ(layers->getTextureMap(0), nullptr);
    EXPECT_NE(layers->getTextureMap(1), nullptr);
    // No layer with a file: no callback. A count no one could mean costs nothing.
    vt_setText(node, "ogl_tex2", "");
    EXPECT_FALSE(material(node, data, &viaOgl2)->isTextured());
    vt_set(node, "ogl_numtex", 2147483647);
    vt_setText(node, "ogl_tex3", file);
    layers = material(node, data, &viaOgl2)->getCallback();
    ASSERT_NE(layers, nullptr);
    EXPECT_NE(layers->getTextureMap(2), nullptr);

    // Layers added one by one need not be consecutive: a missing second layer is an empty
    // slot, and the third is still drawn.
    addShader("vt_gaps", R"({ name vt_gaps rendermask OGL2
        parm { name ogl_numtex type int default { 3 } }
        parm { name ogl_tex1 type image default { "" } }
        parm { name ogl_tex3 type image default { "" } }
    })");
    MaskNode *gaps = make("vt_gaps");
    vt_setText(gaps, "ogl_tex3", file);
    layers = material(gaps, data, &viaOgl2)->getCallback();
    ASSERT_NE(layers, nullptr);
    EXPECT_EQ(layers->getLayerCount(), 3);
    EXPECT_EQ(layers->getTextureMap(1), nullptr);
    EXPECT_NE(layers->getTextureMap(2), nullptr);
}

TEST_F(ViewportTest, TheClerksAnswersAndTheirRenderData)
{
    addShader("vt_lit", "{ name vt_lit rendermask VKorvit }");
    MaskNode *node = make("vt_lit");
    SHOP_Clerk *ogl = node->getClerk("OGL");
    ASSERT_NE(ogl, nullptr);
    node->setRenderMask("VKorvit OGL OGL2");
    SHOP_Clerk *ogl2 = node->getClerk("OGL2");
    ASSERT_NE(ogl2, nullptr);
    EXPECT_STREQ(ogl->getCreationScript(SHOP_SURFACE), "shop_oglsurface.py");
    EXPECT_EQ(ogl2->getCreationScript(SHOP_SURFACE), nullptr);
    EXPECT_EQ(ogl->getCreationScript(SHOP_DISPLACEMENT), nullptr);
    EXPECT_TRUE(ogl->requireAutoAdd(SHOP_SURFACE));
    EXPECT_FALSE(ogl2->requireAutoAdd(SHOP_SURFACE));
    for (SHOP_Clerk *clerk : {ogl, ogl2})
    {
        UT_String path;
        EXPECT_TRUE(clerk->buildShaderString(node, path, 0, nullptr));
        EXPECT_EQ(path.toStdString(), node->getFullPath());
    }

    SHOP_ReData cached;
    RE_Material *material = ViewportTest::material(node, cached);
    std::unique_ptr<SHOP_Data> data(ogl->buildRenderData(node, 0, 6));
    auto *oglData = dynamic_cast<SHOP_OGLData *>(data.get());
    ASSERT_NE(oglData, nullptr);
    EXPECT_EQ(oglData->getMaterial(), material);
    EXPECT_EQ(data->getStringData(), nullptr);
    EXPECT_EQ(material->getRefCount(), 3) << "the cache, the holder and the render data";
    std::unique_ptr<SHOP_Data> geometry(ogl->buildGeometryData(node, 0, 6));
    EXPECT_STREQ(geometry->getStringData(), node->getFullPath().c_str());

    // The material answers with the node's shader string while the node lives, and as a plain
    // material once it is gone (holders may keep it longer than the node).
    UT_String vex;
    material->getVexShader(vex, 0);
    EXPECT_EQ(vex.toStdString(), "vt_lit");
    myNet->destroyNode(node);
    material->getVexShader(vex, 0);
    EXPECT_EQ(vex.toStdString(), "");
    EXPECT_EQ(material->getRefCount(), 2);
}
