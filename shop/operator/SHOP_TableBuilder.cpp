#include <shop/operator/SHOP_TableBuilder.h>

#include <shop/operator/SHOP_BundleFilter.h>
#include <shop/operator/SHOP_Generic.h>
#include <shop/operator/SHOP_Operator.h>

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
} // namespace

void SHOP_TableBuilder::installClerks()
{
    static bool theInstalled = false;
    if (theInstalled)
        return;
    theInstalled = true;
    UT_DSO::run("newShopClerk", nullptr, 1);
}

void SHOP_TableBuilder::buildShaderTable(OP_OperatorTable &table)
{
    installClerks();
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        if (SHOPgetType(v) != SHOP_UNDEFINED)
            if (OP_Operator *op = SHOP_Generic::buildOperator(static_cast<SHOP_TYPE>(v)))
                table.addOperator(op);
    table.setDefaultType("gen_surface");
    SHOP_BundleFilter::createFilters();
}

OP_Operator *SHOP_TableBuilder::getManagementOperator()
{
    auto *op = new SHOP_Operator("shopnet", "SHOP Network", shop_Network::myConstructor, nullptr,
                                 0, 0, SHOP_Node::getVariables(),
                                 OP_FLAG_NETWORK | OP_FLAG_MANAGER, 0);
    op->setChildTableName(SHOP_Node::theOpTypeName);
    op->getShopInfo().setShaderType(SHOP_ANY);
    op->getShopInfo().setRenderMask("*");
    op->setIconName("NETWORKS_shop");
    return op;
}
