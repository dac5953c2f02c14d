// What shader nodes make for the saved parameters and channels of older files.

#include "../ShopTestNodes.h"

#include <CH/CH_Channel.h>
#include <PRM/PRM_ParmNameMap.h>

using namespace shoptest;

namespace
{
class SpareLoad : public ShopTest
{
protected:
    void SetUp() override
    {
        ShopTest::SetUp();
        static SHOP_Operator *geometry = addShop("t_spare_geo", SHOP_GEOMETRY, "*");
        (void)geometry;
    }

    static std::vector<std::string> spareNames(OP_Node *node)
    {
        std::vector<std::string> names;
        for (const PRM_Template *t = node->getSpareParmTemplates(); !t->isTerminator(); ++t)
            names.emplace_back(t->getToken());
        return names;
    }

    // Asks the node for channels of those names, all selected; returns the bits left set.
    static std::vector<bool> fromChannels(OP_Node *node, const std::vector<std::string> &names,
                                          bool &ok)
    {
        std::vector<std::unique_ptr<CH_Channel>> owned;
        UT_PtrArray<CH_Channel *> channels;
        for (const std::string &name : names)
        {
            owned.push_back(std::make_unique<CH_Channel>(name, "$T"));
            channels.append(owned.back().get());
        }
        UT_BitArray selected(static_cast<int>(names.size()), true);
        ok = node->createSpareParametersFromChannels(selected, channels);
        std::vector<bool> left;
        for (int i = 0; i < selected.size(); ++i)
            left.push_back(selected.getBit(i));
        return left;
    }
};
} // namespace

TEST_F(SpareLoad, SurfaceChannelsOfOneColourMakeOneParameterAndLeaveTheList)
{
    TestShopNode *node = make("plastic");
    UT_StringArray names = {"bogus", "ogl_diffr", "", "ogl_diffg", "ogl_alpha"};
    PRM_ParmNameMap nameMap;
    UT_String errors;
    EXPECT_TRUE(node->createSpareParametersForLoad(names, nameMap, errors)) << errors.c_str();
    EXPECT_EQ(names, (UT_StringArray{"bogus", ""}));
    // The names are walked from the last, so the parameters come in that order.
    EXPECT_EQ(spareNames(node), (std::vector<std::string>{"ogl_alpha", "ogl_diff"}));
    const PRM_Parm *diff = node->getParmPtr("ogl_diff");
    ASSERT_NE(diff, nullptr);
    EXPECT_STREQ(diff->getLabel(), "OGL Diffuse");
    EXPECT_EQ(diff->getVectorSize(), 3);
    EXPECT_FLOAT_EQ(node->evalFloat("ogl_alpha", 0, 0), 1.0f);

    // Asked again (another load into the same node), nothing is made twice.
    UT_StringArray again = {"ogl_diffb", "ogl_rough"};
    EXPECT_TRUE(node->createSpareParametersForLoad(again, nameMap, errors));
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(spareNames(node), (std::vector<std::string>{"ogl_alpha", "ogl_diff", "ogl_rough"}));

    // A renamed parameter is found by its old name.
    TestShopNode *renamed = make("plastic");
    UT_StringArray old = {"old_opacity"};
    nameMap.addMapping("old_opacity", "ogl_alpha");
    EXPECT_TRUE(renamed->createSpareParametersForLoad(old, nameMap, errors));
    EXPECT_TRUE(old.empty());
    EXPECT_EQ(spareNames(renamed), (std::vector<std::string>{"ogl_alpha"}));
}

TEST_F(SpareLoad, GeometryChannelsMakeBoundsAndTheRestGoesToTheHost)
{
    TestShopNode *node = make("t_spare_geo");
    bool ok = false;
    std::vector<bool> left =
        fromChannels(node, {"vmproc_minbound", "riproc_soppath", "Kd_old", "ogl_diffr"}, ok);
    EXPECT_TRUE(ok);
    // Every channel got a parameter: two from the map, two kept by the host as floats (a
    // geometry shader has no viewport colour).
    EXPECT_EQ(left, (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(spareNames(node), (std::vector<std::string>{"vmproc_minbound", "riproc_soppath",
                                                          "Kd_old", "ogl_diffr"}));
    EXPECT_EQ(node->getParmPtr("vmproc_minbound")->getVectorSize(), 3);
    EXPECT_EQ(node->getParmPtr("Kd_old")->getTemplatePtr()->getBasicType(), PRM_BASIC_FLOAT);

    // A channel that already belongs to a parameter of the node needs nothing more.
    std::vector<bool> existing = fromChannels(node, {"vmproc_minboundy"}, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(existing, std::vector<bool>{false});
    EXPECT_EQ(spareNames(node).size(), 4u);
}

TEST_F(SpareLoad, OtherShaderTypesMakeNothing)
{
    TestShopNode *node = make("t_displace");
    UT_StringArray names = {"ogl_diffr", "vmproc_soppath"};
    PRM_ParmNameMap nameMap;
    UT_String errors;
    EXPECT_TRUE(node->createSpareParametersForLoad(names, nameMap, errors));
    EXPECT_EQ(names.size(), 2u);
    bool ok = false;
    EXPECT_EQ(fromChannels(node, {"ogl_diffr"}, ok), std::vector<bool>{true});
    EXPECT_TRUE(ok);
    EXPECT_TRUE(spareNames(node).empty());
    EXPECT_EQ(SHOP_Node::getObsolete(SHOP_DISPLACEMENT), nullptr);
}
