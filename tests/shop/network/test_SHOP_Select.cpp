#include "ChoosingTestNodes.h"

using namespace choosetest;

namespace
{

using ShopSelect = ChoosingTest;

TEST_F(ShopSelect, TheFirstEnabledInputThatAnswersWins)
{
    auto *sel = add<SHOP_Select>("select", "sel");
    ProbeNode *a = add("t_probe_surface", "a");
    ProbeNode *b = add("t_probe_surface", "b");
    wire(sel, 0, a);
    wire(sel, 1, b);

    EXPECT_EQ(build(sel), "a");
    a->failBuild = true;
    EXPECT_EQ(build(sel), "b");
    a->failBuild = false;

    set(sel, "activate1", {0});
    EXPECT_EQ(sel->findShader(SHOP_SURFACE, 0, nullptr), b);
    const int askedWhileDisabled = a->asked;
    EXPECT_EQ(build(sel), "b");
    EXPECT_EQ(a->asked, askedWhileDisabled);

    // A disabled input is never asked, even when it alone could answer.
    b->failBuild = true;
    EXPECT_EQ(build(sel), "<failed:<untouched>>");
    EXPECT_EQ(a->asked, askedWhileDisabled);

    set(sel, "activate2", {0});
    EXPECT_EQ(sel->findShader(SHOP_SURFACE, 0, nullptr), nullptr);

    // Bounds too fall through to the first input that has any.
    set(sel, "activate1", {1});
    set(sel, "activate2", {1});
    b->boxSize = 2;
    UT_BoundingBox box;
    OP_Context context(0);
    ASSERT_TRUE(sel->getBoundingBox(box, context, "RIB"));
    EXPECT_FLOAT_EQ(box.xmax(), 2);
}

TEST_F(ShopSelect, TheFirstInputSetsTheTypeAndLoopsAnswerNothing)
{
    auto *sel = add<SHOP_Select>("select", "sel");
    ProbeNode *undecided = add("t_probe_undef", "undecided");
    ProbeNode *surface = add("t_probe_surface", "surface");
    wire(sel, 1, surface);
    EXPECT_EQ(sel->getShaderType(), SHOP_SURFACE);
    EXPECT_EQ(sel->getInputType(3), SHOP_SURFACE);
    EXPECT_EQ(cookAt(sel), UT_ERROR_NONE);

    // Unlike the switch, an input of undecided type comes first and disagrees.
    wire(sel, 0, undecided);
    EXPECT_EQ(sel->getShaderType(), SHOP_UNDEFINED);
    EXPECT_EQ(sel->getInputType(3), SHOP_ANY);
    EXPECT_EQ(cookAt(sel), UT_ERROR_ABORT);
    EXPECT_EQ(reports(sel), std::vector<std::string>{theTypeError});
    EXPECT_EQ(sel->findShader(SHOP_SURFACE, 0, nullptr), nullptr);

    wire(sel, 0, nullptr);
    surface->forward = sel;
    SHOP_TYPE seen = SHOP_ANY;
    surface->onAsk = [&] { seen = sel->getInputType(0); };
    EXPECT_EQ(sel->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    EXPECT_EQ(build(sel), "<failed:<untouched>>");
    EXPECT_EQ(seen, SHOP_UNDEFINED);
    EXPECT_FALSE(sel->isBusy());
    EXPECT_EQ(sel->getInputType(0), SHOP_SURFACE);
}

} // namespace
