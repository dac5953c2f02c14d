#include "../ShopTestNodes.h"

using namespace shoptest;

namespace
{

OP_Operator *shopOp(const char *name, SHOP_TYPE type, unsigned flags = 0)
{
    auto *op = new SHOP_Operator(name, name, TestShopNode::myConstructor, nullptr, 0, 0, nullptr,
                                 flags, 0);
    op->getShopInfo().setShaderType(type);
    return op;
}

TEST(Operator, ListsManagersFirstThenByTypeThenByName)
{
    OP_OperatorTable *table = OPgetDirector()->getOperatorTable("t_ordering");
    table->addOperator(shopOp("a_light", SHOP_LIGHT));
    table->addOperator(shopOp("z_surface", SHOP_SURFACE));
    table->addOperator(shopOp("b_surface", SHOP_SURFACE));
    table->addOperator(shopOp("zz_net", SHOP_MATERIAL, OP_FLAG_MANAGER | OP_FLAG_NETWORK));
    table->addOperator(shopOp("c_undefined", SHOP_UNDEFINED));
    table->addOperator(shopOp("y_material", SHOP_MATERIAL, OP_FLAG_NETWORK));
    std::vector<std::string> names;
    for (OP_Operator *op : table->getOperators())
        names.push_back(op->getName());
    EXPECT_EQ(names, (std::vector<std::string>{"zz_net", "c_undefined", "b_surface", "z_surface",
                                               "a_light", "y_material"}));

    // An operator of another context counts as SHOP_ANY.
    OP_Operator plain("m_plain", "Plain", nullptr, nullptr, 0, 0);
    SHOP_Operator *surface = static_cast<SHOP_Operator *>(table->getOperator("b_surface"));
    SHOP_Operator *material = static_cast<SHOP_Operator *>(table->getOperator("y_material"));
    SHOP_Operator *net = static_cast<SHOP_Operator *>(table->getOperator("zz_net"));
    EXPECT_EQ(surface->compareOperator(&plain, 0), -1);
    EXPECT_EQ(material->compareOperator(&plain, 0), 1);
    EXPECT_EQ(net->compareOperator(surface, 0), -1);
    EXPECT_EQ(surface->compareOperator(net, 0), 1);
    EXPECT_EQ(surface->compareOperator(surface, 0), 0);
}

TEST(Operator, OutputsFollowTheShaderFactsAndANegativeCountIsNone)
{
    SHOP_Operator op("t_outputs", "Outputs", TestShopNode::myConstructor, nullptr, 0, 3, nullptr,
                     0);
    op.getShopInfo().setNumOutputs(4);
    EXPECT_EQ(op.maxOutputs(), 4u);
    op.getShopInfo().setNumOutputs(-1);
    EXPECT_EQ(op.maxOutputs(), 0u);
}

} // namespace
