// RenderMan-style shader calls for RIB streams: the shader kind's request, the shader name,
// then every non-default parameter declared with its type, for example
//   Surface "plastic" "float Kd" [ 0.5] "color Cs" [ 1 0 0]

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>

#include <PRM/PRM_Template.h>
#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <memory>
#include <string>

namespace
{
struct rib_Kind
{
    SHOP_TYPE type;
    const char *request;
};

// The shader types of the RenderMan shading language and the request that calls each.
constexpr rib_Kind theKinds[] = {
    {SHOP_SURFACE, "Surface"},   {SHOP_DISPLACEMENT, "Displacement"},
    {SHOP_LIGHT, "LightSource"}, {SHOP_ATMOSPHERE, "Atmosphere"},
    {SHOP_INTERIOR, "Interior"}, {SHOP_COSHADER, "Shader"},
};

const char *rib_request(SHOP_TYPE type)
{
    for (const rib_Kind &kind : theKinds)
        if (kind.type == type)
            return kind.request;
    return "Surface";
}

// The declared type of a parameter that does not name one itself.
std::string rib_declaredType(const PRM_Template &tmpl)
{
    const int n = tmpl.getVectorSize();
    switch (tmpl.getBasicType())
    {
    case PRM_BASIC_STRING:
        return n == 1 ? "string" : "string[" + std::to_string(n) + "]";
    case PRM_BASIC_FLOAT:
        if (n == 3 && tmpl.getType().hasFlag(PRM_TYPE_NAMERGB))
            return "color";
        if (n == 3 && tmpl.getType().hasFlag(PRM_TYPE_VECTOR))
            return "vector";
        if (n == 3)
            return "point";
        if (n == 16)
            return "matrix";
        return n == 1 ? "float" : "float[" + std::to_string(n) + "]";
    default:
        // The shading language has no integers: toggles and counts are floats.
        return n == 1 ? "float" : "float[" + std::to_string(n) + "]";
    }
}

class RIBClerk : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "RIB"; }
    const char *getRenderLabel() const override { return "RenderMan RIB"; }
    const char *getDefaultKeywords() const override { return "RIB, RenderMan"; }
    bool generatesString() const override { return true; }

protected:
    void buildShaderStart(UT_String &start, const char *shaderName, SHOP_Node *node) override
    {
        UT_WorkBuffer text;
        text.sprintf("%s \"%s\"", rib_request(node->getShaderType()), shaderName);
        // A co-shader is called by a handle as well, which other shaders use to find it.
        if (node->getShaderType() == SHOP_COSHADER)
            text.appendSprintf(" \"%s\"", node->getName().c_str());
        start.harden(text.buffer());
    }

    int buildParmCommand(UT_WorkBuffer &buffer, SHOP_Node *node, PRM_Template *tmpl, float now,
                         int precision) override
    {
        const PRM_SpareData *spare = tmpl->getSparePtr();
        if (spare && spare->getRenderManType())
            return buildRenderManParm(buffer, node, tmpl, now, precision);
        // Declare the type the parameter's kind implies, on a copy so that the node's own
        // template is left as it is.
        PRM_Template typed(*tmpl);
        auto withType =
            spare ? std::make_shared<PRM_SpareData>(*spare) : std::make_shared<PRM_SpareData>();
        withType->addTokenValue(PRM_SpareData::theRenderManTypeKey,
                                rib_declaredType(*tmpl).c_str());
        typed.setSpareData(withType);
        return buildRenderManParm(buffer, node, &typed, now, precision);
    }
};
} // namespace

extern "C" void newShopClerk(void *)
{
    static RIBClerk theClerk;
    for (const rib_Kind &kind : theKinds)
        SHOP_Node::addShaderClerk(kind.type, &theClerk);
}
