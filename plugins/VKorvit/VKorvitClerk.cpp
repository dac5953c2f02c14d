// The default renderer of shader strings and procedural bounds. Its shaders are VEX programs
// called by name with their non-default parameters, exactly as the generic translator writes
// them.

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>

#include <PRM/PRM_Parm.h>
#include <UT/UT_BoundingBox.h>

namespace
{
// The shader types a VEX renderer runs: the VEX contexts, and procedural geometry.
constexpr SHOP_TYPE theTypes[] = {
    SHOP_SURFACE,    SHOP_DISPLACEMENT, SHOP_INTERIOR, SHOP_LIGHT,    SHOP_LIGHT_SHADOW,
    SHOP_ATMOSPHERE, SHOP_PHOTON,       SHOP_CVEX,     SHOP_GEOMETRY,
};

// Not added to render masks by itself: a shader serves the renderers its mask names.
class VKorvitClerk : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "VKorvit"; }
    const char *getRenderLabel() const override { return "VKorvit"; }
    const char *getDefaultKeywords() const override { return "VKorvit, VEX"; }
    bool generatesString() const override { return true; }
    bool getIsVexClerk() const override { return true; }

    // A procedural's bounds come from its parameters: an explicit box ("bbox_min" and
    // "bbox_max"), or the bounds of the geometry node its "geometry" parameter names.
    bool getBoundingBox(UT_BoundingBox &box, SHOP_Node &node, OP_Context &context) override
    {
        if (node.getShaderType() != SHOP_GEOMETRY)
            return false;
        const float now = context.getTime();
        PRM_Parm *lo = node.getParmPtr("bbox_min");
        PRM_Parm *hi = node.getParmPtr("bbox_max");
        if (lo && hi && lo->getVectorSize() == 3 && hi->getVectorSize() == 3)
        {
            float corners[6];
            for (int i = 0; i < 3; ++i)
            {
                corners[i] = node.evalFloat("bbox_min", i, now);
                corners[3 + i] = node.evalFloat("bbox_max", i, now);
            }
            return setBounds(box, node, corners);
        }
        return node.getParmPtr("geometry") && evalSopBoundingBox(box, node, "geometry", now);
    }
};
} // namespace

extern "C" void newShopClerk(void *)
{
    static VKorvitClerk theClerk;
    for (SHOP_TYPE type : theTypes)
        SHOP_Node::addShaderClerk(type, &theClerk);
}
