#include <shop/viewport/SHOP_ReMaterial.h>

#include <shop/node/SHOP_Node.h>

#include <OP/OP_Director.h>
#include <UT/UT_String.h>

SHOP_ReMaterial::SHOP_ReMaterial(const char *name, SHOP_Node *node)
    : RE_Material(name), myNodeId(node ? node->getUniqueId() : -1)
{
}

SHOP_Node *SHOP_ReMaterial::getNode() const
{
    OP_Node *node = myNodeId >= 0 ? OPgetDirector()->lookupNode(myNodeId) : nullptr;
    return node ? node->castToSHOPNode() : nullptr;
}

void SHOP_ReMaterial::getVexShader(UT_String &result, float now) const
{
    result.clear();
    if (SHOP_Node *node = getNode())
        node->buildShaderString(result, now, nullptr, nullptr, nullptr);
    if (!result.isstring())
        RE_Material::getVexShader(result, now);
}
