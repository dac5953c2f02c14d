#include <shop/viewport/SHOP_OGL.h>

#include <shop/clerk/SHOP_ClerkCacheEntry.h>
#include <shop/clerk/SHOP_StringData.h>
#include <shop/node/SHOP_Node.h>
#include <shop/viewport/SHOP_GLSLProgram.h>
#include <shop/viewport/SHOP_OGL2.h>
#include <shop/viewport/SHOP_OGLData.h>
#include <shop/viewport/SHOP_ReData.h>
#include <shop/viewport/SHOP_ReMaterial.h>
#include <shop/viewport/SHOP_ReTextureCallback.h>

#include <FS/FS_IndexFile.h>
#include <OP/OP_ScriptOperator.h>
#include <UT/UT_MD5.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <string>

namespace
{
/// The material a viewport clerk built for a node, with what it was built from: the
/// overrides' digest, the render mask, and the times of the node's GLSL asset sections.
class shop_OGLCacheEntry : public SHOP_ClerkCacheEntry
{
public:
    shop_OGLCacheEntry(RE_Material *material, std::string key, std::string mask, long vertexTime,
                       long fragmentTime)
        : myMaterial(material), myKey(std::move(key)), myMask(std::move(mask)),
          myVertexTime(vertexTime), myFragmentTime(fragmentTime)
    {
        myMaterial->upRef();
    }
    ~shop_OGLCacheEntry() override { myMaterial->downRef(); }
    shop_OGLCacheEntry(const shop_OGLCacheEntry &) = delete;
    shop_OGLCacheEntry &operator=(const shop_OGLCacheEntry &) = delete;

    RE_Material *getMaterial() const { return myMaterial; }
    bool sameSections(long vertexTime, long fragmentTime) const
    {
        return myVertexTime == vertexTime && myFragmentTime == fragmentTime;
    }
    bool sameRequest(const std::string &key, const char *mask) const
    {
        return myKey == key && myMask == mask;
    }

private:
    RE_Material *myMaterial;
    std::string myKey;
    std::string myMask;
    long myVertexTime;
    long myFragmentTime;
};

// The digest of the overrides, as the dictionary they write; empty without overrides.
std::string shop_overridesKey(const UT_Options *overrides)
{
    if (!overrides)
        return {};
    UT_WorkBuffer text;
    overrides->appendPyDictionary(text);
    return UT_md5_base64(text.buffer(), static_cast<std::size_t>(text.length()));
}

void shop_sectionTimes(const SHOP_Node &node, long &vertexTime, long &fragmentTime)
{
    vertexTime = fragmentTime = -1;
    const auto *op = dynamic_cast<const OP_ScriptOperator *>(node.getOperator());
    if (const FS_IndexFile *file = op ? op->getOTLIndexFile() : nullptr)
    {
        vertexTime = file->getSectionModTime("GlslVertex");
        fragmentTime = file->getSectionModTime("GlslFragment");
    }
}

int shop_int(SHOP_Node &node, const char *name, float now, const UT_Options *overrides,
             int fallback)
{
    int value = fallback;
    node.evalShopParameter(name, 0, now, value, overrides, true);
    return value;
}

float shop_float(SHOP_Node &node, const char *name, int component, float now,
                 const UT_Options *overrides, float fallback)
{
    float value = fallback;
    node.evalShopParameter(name, component, now, value, overrides, true);
    return value;
}

// Each component is looked up on its own, so a missing one keeps its own fallback.
void shop_colour(SHOP_Node &node, const char *name, float now, const UT_Options *overrides,
                 float fallback, float rgb[3])
{
    for (int c = 0; c < 3; ++c)
        rgb[c] = shop_float(node, name, c, now, overrides, fallback);
}

void shop_fixedFunction(SHOP_Node &node, RE_Material &material, float now,
                        const UT_Options *overrides)
{
    const bool lighting = shop_int(node, "ogl_light", now, overrides, 1) != 0;
    material.setLighting(lighting);
    material.setTransparentTexture(shop_int(node, "ogl_cutout", now, overrides, 1) != 0);
    float rgb[3];
    if (lighting)
    {
        shop_colour(node, "ogl_amb", now, overrides, 1, rgb);
        material.setAmb(rgb[0], rgb[1], rgb[2]);
        shop_colour(node, "ogl_diff", now, overrides, 1, rgb);
        material.setDiff(rgb[0], rgb[1], rgb[2]);
        shop_colour(node, "ogl_spec", now, overrides, 1, rgb);
        material.setSpec(rgb[0], rgb[1], rgb[2]);
        shop_colour(node, "ogl_emit", now, overrides, 0, rgb);
        material.setEmit(rgb[0], rgb[1], rgb[2]);
        material.setRoughness(shop_float(node, "ogl_rough", 0, now, overrides, 0.05f));
    }
    else
    {
        // Unlit, the surface shows its diffuse colour flat.
        material.setAmb(0, 0, 0);
        material.setDiff(0, 0, 0);
        material.setSpec(0, 0, 0);
        shop_colour(node, "ogl_diff", now, overrides, 1, rgb);
        material.setEmit(rgb[0], rgb[1], rgb[2]);
    }
    material.setAlpha(shop_float(node, "ogl_alpha", 0, now, overrides, 1));
}
} // namespace

SHOP_Data *SHOP_OGL::buildRenderData(SHOP_Node *node, float now, int)
{
    auto *data = new SHOP_OGLData(this);
    data->adoptMaterial(node ? getCachedMaterial(node, now, nullptr) : nullptr);
    return data;
}

SHOP_Data *SHOP_OGL::buildGeometryData(SHOP_Node *node, float, int)
{
    auto *data = new SHOP_StringData(this);
    if (node)
        data->setString(node->getFullPath().c_str());
    return data;
}

bool SHOP_OGL::buildShaderData(SHOP_Node *node, SHOP_ReData &data, float now,
                               const UT_Options *overrides)
{
    if (!node || !serves(*node))
        return false;
    RE_Material *material = getCachedMaterial(node, now, overrides);
    if (!material)
        return false;
    data.setMaterial(material);
    return true;
}

bool SHOP_OGL::buildShaderString(SHOP_Node *node, UT_String &result, float, const UT_Options *)
{
    if (!node || !serves(*node))
        return false;
    result = node->getFullPath();
    return true;
}

const char *SHOP_OGL::getGeometryAttribute(SHOP_TYPE type) const
{
    return type == SHOP_SURFACE ? "ogl_shop" : nullptr;
}

const char *SHOP_OGL::getGeometryIndirect(SHOP_TYPE type) const
{
    return type == SHOP_SURFACE ? "ogl_shop" : nullptr;
}

const char *SHOP_OGL::getCreationScript(SHOP_TYPE type) const
{
    return type == SHOP_SURFACE && std::string(getRenderName()) == "OGL" ? "shop_oglsurface.py"
                                                                         : nullptr;
}

void SHOP_OGL::installShaders()
{
    // Live for the process, as every clerk does, and are registered once.
    static SHOP_OGL theOGL;
    static SHOP_OGL2 theOGL2;
    static bool theInstalled = false;
    if (theInstalled)
        return;
    theInstalled = true;
    SHOP_Node::addShaderClerk(SHOP_SURFACE, &theOGL);
    SHOP_Node::addShaderClerk(SHOP_SURFACE, &theOGL2);
}

RE_Material *SHOP_OGL::getCachedMaterial(SHOP_Node *node, float now, const UT_Options *overrides)
{
    const std::string key = shop_overridesKey(overrides);
    long vertexTime, fragmentTime;
    shop_sectionTimes(*node, vertexTime, fragmentTime);
    auto *entry = static_cast<shop_OGLCacheEntry *>(node->getClerkData(this));
    if (entry && entry->sameSections(vertexTime, fragmentTime))
    {
        if (entry->sameRequest(key, node->getRenderMask()))
            return entry->getMaterial();
    }
    else
    {
        // New GLSL sections (or none cached yet): read the sources again.
        node->setOGLScriptCache(-1, nullptr, nullptr);
    }
    if (entry)
        node->destroyClerkData(this);
    RE_Material *material = buildMaterial(node, now, overrides);
    if (!material)
        return nullptr;
    // One entry per node and clerk: a request with other overrides (or none) replaces it.
    node->addClerkData(this, new shop_OGLCacheEntry(material, key, node->getRenderMask(),
                                                    vertexTime, fragmentTime));
    material->downRef();
    return material;
}

RE_Material *SHOP_OGL::buildMaterial(SHOP_Node *node, float now, const UT_Options *overrides)
{
    const bool glsl = SHOP_GLSLProgram::isWanted(*node);
    if (glsl)
        SHOP_GLSLProgram::readSources(*node);
    const char *name = node->getShaderName(false);
    auto *material = new SHOP_ReMaterial(("_shop_" + std::string(name)).c_str(), node);
    material->upRef();
    if (glsl && node->getOGLScriptCacheState() == 1)
        SHOP_GLSLProgram::attach(*node, *material, now);
    shop_fixedFunction(*node, *material, now, overrides);
    material->setCallback(SHOP_ReTextureCallback::create(*node, now, overrides));
    return material;
}
