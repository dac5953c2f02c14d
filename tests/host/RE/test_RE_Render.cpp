#include <IMG/IMG_Raster.h>
#include <RE/RE_Material.h>
#include <RE/RE_MaterialPreview.h>
#include <RE/RE_Render.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace
{
const char *const theVertex = R"(#version 120
varying vec3 n;
void main() { n = gl_NormalMatrix * gl_Normal; gl_Position = ftransform(); }
)";
const char *const theFragment = R"(#version 120
uniform vec3 tint;
uniform vec2 offset;
uniform vec4 quad;
uniform float gain;
uniform int mode;
uniform sampler2D pic;
varying vec3 n;
void main()
{
    vec4 t = texture2D(pic, offset);
    float lit = max(normalize(n).z, 0.0) * gain;
    gl_FragColor = vec4(tint * lit, 1.0) * quad + t * float(mode);
}
)";

RE_Render &re_render()
{
    RE_Render *render = REgetRender();
    if (!render)
        ADD_FAILURE() << "no OpenGL context (Mesa's EGL and llvmpipe are needed)";
    return *render;
}

std::filesystem::path re_tempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "re_XXXXXX").string();
    const char *made = mkdtemp(pattern.data());
    return made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}

class re_Layers : public RE_TextureCallback
{
public:
    explicit re_Layers(std::string file) { myMap.setMap(file.c_str(), "/shop/t", nullptr); }
    int getLayerCount() const override { return 1; }
    RE_Texture2DMap *getTextureMap(int layer) override { return layer == 0 ? &myMap : nullptr; }
    RE_Texture2DMap myMap;
};
} // namespace

TEST(RE_Render, TheContextOffersGlslAndIsOneForTheProcess)
{
    RE_Render &render = re_render();
    EXPECT_TRUE(render.hasGLExtension(RE_EXT_GLSL_SHADERS));
    EXPECT_EQ(REgetRender(), &render);
    EXPECT_FALSE(render.hasGLExtensionName("GL_NO_such_extension"));
    EXPECT_FALSE(render.getDescription().empty());
}

TEST(RE_Shader, CompilesLinksAndBindsUniformsOfEveryKindByName)
{
    re_render();
    const std::filesystem::path dir = re_tempDir();
    IMG_Raster texels(2, 2);
    std::string error;
    const std::string file = (dir / "t.png").string();
    ASSERT_TRUE(texels.writePNG(file.c_str(), error));

    RE_Shader shader;
    ASSERT_TRUE(shader.loadShader("probe", theVertex, theFragment, nullptr)) << shader.getLog();
    const float v2[2] = {0.5f, 0.5f}, v3[3] = {1, 0, 0}, v4[4] = {1, 1, 1, 1};
    EXPECT_TRUE(shader.bindVector("offset", v2, 2));
    EXPECT_TRUE(shader.bindVector("tint", v3, 3));
    EXPECT_TRUE(shader.bindVector("quad", v4, 4));
    EXPECT_TRUE(shader.bindFloat("gain", 0.5f));
    EXPECT_TRUE(shader.bindInt("mode", 1));
    const int unit = shader.bindTexture("pic", file.c_str(), "/shop/probe");
    EXPECT_GE(unit, 1);
    EXPECT_TRUE(shader.bindInt("pic", unit));
    // A missing uniform, a size the uniform is not, an unreadable picture: all fail.
    EXPECT_FALSE(shader.bindFloat("nosuch", 1));
    EXPECT_FALSE(shader.bindVector("tint", v2, 2));
    EXPECT_FALSE(shader.bindInt("gain", 1));
    EXPECT_LT(shader.bindTexture("pic", (dir / "none.png").string().c_str(), "/shop/probe"), 0);
    EXPECT_LT(shader.bindTexture("nosampler", file.c_str(), "/shop/probe"), 0);

    RE_Shader broken;
    EXPECT_FALSE(
        broken.loadShader("broken", theVertex, "#version 120\nvoid main() { oops; }\n", nullptr));
    EXPECT_FALSE(broken.isLinked());
    EXPECT_NE(broken.getLog().find("fragment shader"), std::string::npos) << broken.getLog();
    RE_Shader fragmentOnly;
    EXPECT_TRUE(
        fragmentOnly.loadShader("f", "", "void main() { gl_FragColor = vec4(1); }\n", nullptr))
        << fragmentOnly.getLog();
    std::filesystem::remove_all(dir);
}

TEST(RE_Material, ReferencesAndTheCopyWithoutTextures)
{
    auto *material = new RE_Material("m");
    material->upRef();
    material->setDiff(0.2f, 0.4f, 0.6f);
    material->setCallback(new re_Layers("unused.png"));
    material->createShader();
    ASSERT_TRUE(material->isTextured());
    RE_Material *plain = material->cloneWithoutTexture();
    EXPECT_EQ(plain->getRefCount(), 1);
    EXPECT_FALSE(plain->isTextured());
    EXPECT_EQ(plain->getDiff()[1], 0.4f);
    EXPECT_EQ(plain->getShader(), material->getShader());
    EXPECT_EQ(plain->getMaterialName(), "m");
    material->downRef(); // ASan holds that these free each exactly once
    plain->downRef();
}

TEST(RE_MaterialPreview, DrawsALitTexturedSphereAndReadsTheFileOnce)
{
    re_render();
    const std::filesystem::path dir = re_tempDir();
    IMG_Raster stripes(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
        {
            std::uint8_t *p = stripes.getPixel(x, y);
            p[0] = x % 2 ? 255 : 0;
            p[1] = p[2] = 128;
            p[3] = 255;
        }
    std::string error;
    const std::string file = (dir / "stripes.png").string();
    ASSERT_TRUE(stripes.writePNG(file.c_str(), error));

    RE_Material material("m");
    auto *layers = new re_Layers(file);
    material.setCallback(layers);
    IMG_Raster picture;
    ASSERT_TRUE(RE_MaterialPreview::render(material, 64, picture, error)) << error;
    ASSERT_TRUE(RE_MaterialPreview::render(material, 32, picture, error)) << error;
    EXPECT_EQ(layers->myMap.getLoadCount(), 1);
    ASSERT_EQ(picture.getXres(), 32);
    std::set<int> colours;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
        {
            const std::uint8_t *p = picture.getPixel(x, y);
            colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
        }
    EXPECT_GT(colours.size(), 20u); // shading, stripes and background, not one flat colour
    EXPECT_FALSE(RE_MaterialPreview::render(material, 0, picture, error));
    EXPECT_FALSE(RE_MaterialPreview::render(material, IMG_Raster::theMaxSide + 1, picture, error));
    std::filesystem::remove_all(dir);

    // A material that only reflects the light shows where it does: a highlight on the sphere,
    // which the viewer sees from in front of it.
    RE_Material shiny("shiny");
    shiny.setAmb(0, 0, 0);
    shiny.setDiff(0, 0, 0);
    shiny.setEmit(0, 0, 0);
    shiny.setSpec(1, 1, 1);
    shiny.setRoughness(0.1f);
    ASSERT_TRUE(RE_MaterialPreview::render(shiny, 64, picture, error)) << error;
    int brightest = 0;
    for (int y = 8; y < 56; ++y) // the sphere, inside the checkerboard around it
        for (int x = 8; x < 56; ++x)
            brightest = std::max(brightest, int(picture.getPixel(x, y)[1]));
    EXPECT_GT(brightest, 200);
}
