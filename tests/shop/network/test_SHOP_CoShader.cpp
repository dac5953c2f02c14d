#include "ChoosingTestNodes.h"

using namespace choosetest;

namespace
{

using ShopCoShader = ChoosingTest;

TEST_F(ShopCoShader, CollectsEveryCoShaderInInputOrderAndFindsTheFirst)
{
    auto *merge = add<SHOP_CoShader>("mergecoshader", "merge");
    ProbeNode *c0 = add("t_probe_coshader", "c0");
    ProbeNode *c1 = add("t_probe_coshader", "c1");
    ProbeNode *c2 = add("t_probe_coshader", "c2");
    wire(merge, 0, c0);
    wire(merge, 2, c1); // input 1 stays empty
    wire(merge, 3, c2);

    UT_PtrArray<SHOP_Node *> list;
    list.append(merge); // what the caller collected before stays first
    EXPECT_EQ(merge->collectShaders(list, SHOP_COSHADER, 0, nullptr), 4);
    EXPECT_EQ(list[1], c0);
    EXPECT_EQ(list[2], c1);
    EXPECT_EQ(list[3], c2);
    EXPECT_EQ(merge->collectShaders(list, SHOP_SURFACE, 0, nullptr), 4);

    EXPECT_EQ(merge->findShader(SHOP_COSHADER, 0, nullptr), c0);
    EXPECT_EQ(merge->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    EXPECT_EQ(c0->asked, 1);
    EXPECT_EQ(c1->asked, 0);

    // Merges nest, keeping the order.
    auto *outer = add<SHOP_CoShader>("mergecoshader", "outer");
    ProbeNode *c3 = add("t_probe_coshader", "c3");
    wire(outer, 0, merge);
    wire(outer, 1, c3);
    UT_PtrArray<SHOP_Node *> all;
    EXPECT_EQ(outer->collectShaders(all, SHOP_COSHADER, 0, nullptr), 4);
    EXPECT_EQ(all[0], c0);
    EXPECT_EQ(all[3], c3);
}

TEST_F(ShopCoShader, AnInputOfAnotherTypeStopsTheCook)
{
    auto *merge = add<SHOP_CoShader>("mergecoshader", "merge");
    ProbeNode *c0 = add("t_probe_coshader", "c0");
    ProbeNode *surface = add("t_probe_surface", "surface");
    ProbeNode *c2 = add("t_probe_coshader", "c2");
    c2->animated = true;
    wire(merge, 0, c0);
    wire(merge, 1, surface);
    wire(merge, 2, c2);

    EXPECT_EQ(cookAt(merge), UT_ERROR_ABORT);
    EXPECT_EQ(reports(merge), std::vector<std::string>{theTypeError});
    EXPECT_EQ(c0->cooks, 1);
    EXPECT_EQ(surface->cooks, 0);
    EXPECT_EQ(c2->cooks, 0);

    // Collection still passes the co-shader type on to every input; the surface adds nothing.
    UT_PtrArray<SHOP_Node *> list;
    EXPECT_EQ(merge->collectShaders(list, SHOP_COSHADER, 0, nullptr), 2);
    EXPECT_EQ(list[1], c2);

    wire(merge, 1, nullptr);
    EXPECT_EQ(cookAt(merge), UT_ERROR_NONE);
    EXPECT_EQ(c2->cooks, 1);
    EXPECT_TRUE(merge->isTimeDependent());
}

} // namespace
