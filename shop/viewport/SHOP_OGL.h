#pragma once

#include <shop/clerk/SHOP_Clerk.h>

class RE_Material;

/// The viewport clerk of surface shaders ("OGL"): turns a surface node into an OpenGL material
/// (colours, roughness, alpha, switches, texture layers, and a GLSL program when the node's
/// render mask names OGL2 and SHOP_GLSL is set), cached on the node until its overrides,
/// render mask or GLSL asset sections change, or it cooks.
class SHOP_OGL : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "OGL"; }
    const char *getRenderLabel() const override { return "OpenGL"; }
    const char *getDefaultKeywords() const override { return ""; }
    bool generatesString() const override { return false; }
    bool requireAutoAdd(SHOP_TYPE type) const override { return type == SHOP_SURFACE; }
    /// The cached material without overrides, in data of this clerk.
    SHOP_Data *buildRenderData(SHOP_Node *node, float now, int precision) override;
    /// The node's full path, as text data.
    SHOP_Data *buildGeometryData(SHOP_Node *node, float now, int precision) override;
    /// The cached material for the request, into the holder; false (the holder untouched)
    /// when none can be built.
    bool buildShaderData(SHOP_Node *node, SHOP_ReData &data, float now,
                         const UT_Options *overrides) override;
    /// The node's full path: what the viewport names a material by. False, the result
    /// untouched, for a node of a type the clerk does not serve.
    bool buildShaderString(SHOP_Node *node, UT_String &result, float now,
                           const UT_Options *overrides) override;
    bool differentGeometryData() const override { return true; }
    const char *getGeometryAttribute(SHOP_TYPE type) const override;
    const char *getGeometryIndirect(SHOP_TYPE type) const override;
    bool getIsVexClerk() const override { return false; }
    /// "shop_oglsurface.py" for surfaces on the "OGL" clerk only.
    const char *getCreationScript(SHOP_TYPE type) const override;

    /// Makes and registers the two viewport clerks for surfaces, "OGL" first; once.
    static void installShaders();
    static void handleNodeDeleted(SHOP_Node *) {}

protected:
    /// The material of node, time and overrides from the node's cache, built when the cache
    /// holds none that fits; held by the cache (a caller that keeps it takes a reference).
    /// Null when nothing could be built.
    RE_Material *getCachedMaterial(SHOP_Node *node, float now, const UT_Options *overrides);
    /// A new material for node, time and overrides; the caller gets one reference.
    RE_Material *buildMaterial(SHOP_Node *node, float now, const UT_Options *overrides);

    void buildShaderStart(UT_String &, const char *, SHOP_Node *) override {}
    int buildParmCommand(UT_WorkBuffer &, SHOP_Node *, PRM_Template *, float, int) override
    {
        return 0;
    }
};
