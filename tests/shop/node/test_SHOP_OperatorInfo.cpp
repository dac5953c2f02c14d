#include "../ShopTestNodes.h"

#include <CMD/CMD_Tokenizer.h>

#include <sstream>

using namespace shoptest;

namespace
{

// Lens clerks, registered once: A asks to be added and writes strings, B asks but writes
// none, C never asks.
struct LensClerks
{
    TestClerk a{"LensA", true, true};
    TestClerk b{"LensB", false, true};
    TestClerk c{"LensC", true, false};
};

void installLens()
{
    static LensClerks *theLens = []
    {
        auto *lens = new LensClerks;
        SHOP_Node::addShaderClerk(SHOP_LENS, &lens->a);
        SHOP_Node::addShaderClerk(SHOP_LENS, &lens->b);
        SHOP_Node::addShaderClerk(SHOP_LENS, &lens->c);
        return lens;
    }();
    (void)theLens;
}

TEST(OperatorInfo, AutoAddAppendsAskingClerksThatTheMaskMisses)
{
    installLens();
    EXPECT_STREQ(SHOP_OperatorInfo(2, "RIB", SHOP_LENS).getRenderMask(), "RIB LensB LensA");
    EXPECT_STREQ(SHOP_OperatorInfo(1, "RIB", SHOP_LENS).getRenderMask(), "RIB LensA");
    EXPECT_STREQ(SHOP_OperatorInfo(0, "RIB", SHOP_LENS).getRenderMask(), "RIB");
    EXPECT_STREQ(SHOP_OperatorInfo(7, "RIB", SHOP_LENS).getRenderMask(), "RIB");
    EXPECT_STREQ(SHOP_OperatorInfo(2, "*", SHOP_LENS).getRenderMask(), "*");
    EXPECT_STREQ(SHOP_OperatorInfo(1, "", SHOP_LENS).getRenderMask(), " LensA");
    EXPECT_STREQ(SHOP_OperatorInfo(2, "Lens?", SHOP_LENS).getRenderMask(), "Lens?");
    EXPECT_STREQ(SHOP_OperatorInfo(2, "LensA,RIB", SHOP_LENS).getRenderMask(), "LensA,RIB LensB");

    // Setting the type or the mask runs the step again with the stored mode.
    SHOP_OperatorInfo info(1, "VKorvit", SHOP_UNDEFINED);
    EXPECT_STREQ(info.getRenderMask(), "VKorvit");
    info.setShaderType(SHOP_LENS);
    EXPECT_STREQ(info.getRenderMask(), "VKorvit LensA");
    info.setRenderMask("I3D");
    EXPECT_STREQ(info.getRenderMask(), "I3D LensA");
}

TEST(OperatorInfo, CodeGeneratorContextsNeedAServingClerkOrRenderer)
{
    clerks();
    // VEX: only while a VEX clerk (surface: VKorvit, not RIB or OGL) is in the mask.
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit", SHOP_SURFACE).getVexContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_SURFACE).getVexContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "RIB OGL", SHOP_SURFACE).getVexContextType(), 0);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_PHOTON).getVexContextType(), 0); // no clerks
    // A VEX clerk on a type that no VEX context runs.
    static TestClerk vexMaterial("VexMaterial", true, false, true);
    SHOP_Node::addShaderClerk(SHOP_MATERIAL, &vexMaterial);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_MATERIAL).getVexContextType(), 0);

    // RSL: only while the mask takes "RIB", and fog runs in the volume context.
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit", SHOP_SURFACE).getRslContextType(), 0);
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit,RIB", SHOP_DISPLACEMENT).getRslContextType(), 2);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_ATMOSPHERE).getRslContextType(), 8);
    EXPECT_EQ(SHOP_OperatorInfo(0, "RIB", SHOP_LIGHT_SHADOW).getRslContextType(), 0);
    EXPECT_EQ(SHOP_OperatorInfo(0, "rib", SHOP_SURFACE).getRslContextType(), 0);
}

TEST(OperatorInfo, DialogScriptMaskReadsBackAsOneToken)
{
    for (const char *mask : {"*", "VKorvit RIB", "VKorvit, RIB I3D", "", "a\"b"})
    {
        std::ostringstream out;
        SHOP_OperatorInfo(0, mask, SHOP_SURFACE).saveToDialogScript(out);
        const std::string line = out.str();
        ASSERT_EQ(line.rfind("    rendermask\t", 0), 0u) << line;
        ASSERT_EQ(line.back(), '\n');
        std::vector<std::string> words;
        std::string error;
        ASSERT_TRUE(CMD_Tokenizer::split(line.substr(0, line.size() - 1), words, error)) << error;
        ASSERT_EQ(words.size(), 2u) << line;
        EXPECT_EQ(words[0], "rendermask");
        EXPECT_EQ(words[1], mask);
    }
    std::ostringstream plain;
    SHOP_OperatorInfo().saveToDialogScript(plain);
    EXPECT_EQ(plain.str(), "    rendermask\t*\n");
}

} // namespace
