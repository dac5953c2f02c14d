// The operator of material assets, declared with the material and defined here, with the
// other operator types of the table: a material is an asset-defined shader operator whose
// nodes are materials.
#include <shop/network/SHOP_Material.h>
#include <shop/operator/SHOP_ScriptOperator.h>

#include <OP/OP_OTLDefinition.h>

OP_ScriptOperator *SHOP_Material::createScriptOperator(const OP_OTLDefinition &definition)
{
    auto *op = new SHOP_ScriptOperator(definition.getSourcePath().c_str(),
                                       definition.getName().c_str(), definition.getLabel().c_str(),
                                       SHOP_Material::myConstructor, SHOP_MATERIAL);
    op->setIconName("SHOP_material");
    op->setFlags(op->getFlags() | OP_FLAG_NETWORK);
    // Materials hold shader nodes, as every shader node may.
    op->setChildTableName(SHOP_Node::theOpTypeName);
    op->getShopInfo().setNumOutputs(SHOP_MATERIAL_OUTPUTS);
    return op;
}
