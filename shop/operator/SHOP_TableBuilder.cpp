#include <shop/operator/SHOP_TableBuilder.h>

#include <shop/clerk/SHOP_PyClerk.h>
#include <shop/operator/SHOP_BundleFilter.h>
#include <shop/operator/SHOP_Generic.h>
#include <shop/operator/SHOP_Operator.h>

#include <shop/operator/SHOP_ScriptOperator.h>

#include <OP/OP_OTLDefinition.h>
#include <OP/OP_OperatorTable.h>
#include <UT/UT_DSO.h>

namespace
{
// The shader network container. Materials and subnets later share its class; for now it is a
// shader node that only holds children.
class shop_Network : public SHOP_Node
{
public:
    shop_Network(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op, SHOP_ANY)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new shop_Network(parent, name, op);
    }
};

// Asset definitions: shader assets make script operators. Material assets (the subnet mark)
// make no operator yet.
OP_ScriptOperator *shop_scriptCreator(const OP_OTLDefinition &definition)
{
    if (definition.getIsSubnet())
        return nullptr;
    return SHOP_ScriptOperator::createScriptOperator(definition);
}
} // namespace

void SHOP_TableBuilder::installClerks()
{
    static bool theInstalled = false;
    if (theInstalled)
        return;
    theInstalled = true;
    UT_DSO::run("newShopClerk", nullptr, 1);
    SHOP_PyClerk::installClerks();
}

void SHOP_TableBuilder::buildShaderTable(OP_OperatorTable &table)
{
    installClerks();
    table.setScriptCreator(shop_scriptCreator);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        if (SHOPgetType(v) == SHOP_UNDEFINED || type == SHOP_PROPERTIES)
            continue;
        const std::string name = SHOP_Node::getShaderType(type);
        table.addScriptIndexFile("shop", ("SHOP" + name).c_str(), "SHOP_ScriptNode", name.c_str(),
                                 0, 0, false, false);
    }
    table.addScriptIndexFile("shop", "SHOPmaterial", "SHOP_ScriptNode", "subnet", 0, 0, true,
                             false);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        if (SHOPgetType(v) != SHOP_UNDEFINED)
            if (OP_Operator *op = SHOP_Generic::buildOperator(static_cast<SHOP_TYPE>(v)))
                table.addOperator(op);
    table.setDefaultType("gen_surface");
    SHOP_BundleFilter::createFilters();
}

OP_Operator *SHOP_TableBuilder::getManagementOperator()
{
    auto *op =
        new SHOP_Operator("shopnet", "SHOP Network", shop_Network::myConstructor, nullptr, 0, 0,
                          SHOP_Node::getVariables(), OP_FLAG_NETWORK | OP_FLAG_MANAGER, 0);
    op->setChildTableName(SHOP_Node::theOpTypeName);
    op->getShopInfo().setShaderType(SHOP_ANY);
    op->getShopInfo().setRenderMask("*");
    op->setIconName("NETWORKS_shop");
    return op;
}
