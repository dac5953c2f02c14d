// The expression function shopstring: the shader string of a node inside any parameter.

#include "../ShopTestNodes.h"

#include <CH/CH_Manager.h>

#include <gtest/gtest.h>

#include <string>

using namespace shoptest;

namespace
{
class ShopStringTest : public ShopTest
{
protected:
    void SetUp() override
    {
        ShopTest::SetUp();
        static const bool theInstalled = []
        {
            SHOP_Node::initializeExpressions();
            return true;
        }();
        (void)theInstalled;
    }

    // A node holding `expression` in its string spare parameter "shown".
    TestShopNode *holder(const char *expression)
    {
        TestShopNode *node = make("t_pi", mgr, "holder");
        std::string error;
        EXPECT_TRUE(node->addSpareParm(PRM_Template(PRM_STRING, 1, PRM_Name("shown")), error));
        setExpr(node, "shown", expression);
        return node;
    }
    static std::string shown(OP_Node *node, float time = 0)
    {
        UT_String value;
        node->evalString(value, "shown", 0, time);
        return value.toStdString();
    }
};
} // namespace

TEST_F(ShopStringTest, ShowsTheStringWithQuotesEscapedAndEmptyForNoShader)
{
    TestShopNode *shader = make("t_parms", mgr, "parms");
    setText(shader, "s", "say \"hi\"");
    UT_Options rib;
    rib.setOptionS("rendertype", "RIB");
    std::string expected = build(shader, &rib);
    ASSERT_NE(expected.find('"'), std::string::npos);
    for (size_t at = 0; (at = expected.find('"', at)) != std::string::npos; at += 2)
        expected.insert(at, 1, '\\');

    TestShopNode *node = holder("shopstring(\"../parms\", \"RIB\")");
    EXPECT_EQ(shown(node), expected);
    EXPECT_FALSE(node->getParmPtr("shown")->isTimeDependent());

    // A path to a node that is no shader, to nothing, or a renderer without a clerk: empty.
    setExpr(node, "shown",
            "shopstring(\"..\", \"RIB\") + shopstring(\"../none\", \"RIB\") + "
            "shopstring(\"../parms\", \"NoSuchRenderer\")");
    EXPECT_EQ(shown(node), "");
    EXPECT_FALSE(node->getParmPtr("shown")->isTimeDependent());
}

TEST_F(ShopStringTest, HolderCooksAgainWhenTheShaderChangesAndFollowsItsRename)
{
    TestShopNode *shader = make("plastic", mgr, "p");
    TestShopNode *node = holder("shopstring(\"../p\", \"VKorvit\")");
    EXPECT_EQ(shown(node), "plastic");
    OP_Context context(0);
    node->cook(context);
    ASSERT_FALSE(node->isCookNeeded(context));
    set(shader, "Kd", {0.25});
    EXPECT_TRUE(node->isCookNeeded(context));
    EXPECT_EQ(shown(node), "plastic Kd 0.25");

    std::string error;
    ASSERT_TRUE(mgr->renameNode(shader, "renamed", error)) << error;
    EXPECT_EQ(node->getParmPtr("shown")->getValueText(0),
              "shopstring(\"../renamed\", \"VKorvit\")");
    EXPECT_EQ(shown(node), "plastic Kd 0.25");

    // A shader that changes with time makes the holder's value change with it.
    setExpr(shader, "Kd", "$T");
    EXPECT_EQ(shown(node, 0.5f), "plastic Kd 0.5");
    EXPECT_TRUE(node->getParmPtr("shown")->isTimeDependent());
}
