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

    SHOP_OperatorInfo defaults;
    EXPECT_EQ(defaults.getShaderType(), SHOP_UNDEFINED);
    EXPECT_STREQ(defaults.getRenderMask(), "*");
    EXPECT_EQ(defaults.getAutoAddMode(), 2);
    EXPECT_EQ(defaults.getNumOutputs(), 1);
    EXPECT_FALSE(defaults.skipInputEditor());

    // Setting the type or the mask runs the step again with the stored mode.
    SHOP_OperatorInfo info(1, "VKorvit", SHOP_UNDEFINED);
    EXPECT_STREQ(info.getRenderMask(), "VKorvit");
    info.setShaderType(SHOP_LENS);
    EXPECT_STREQ(info.getRenderMask(), "VKorvit LensA");
    info.setRenderMask("I3D");
    EXPECT_STREQ(info.getRenderMask(), "I3D LensA");
}

TEST(OperatorInfo, ContextsOfTheCodeGenerators)
{
    clerks();
    // Surface: VKorvit is a VEX clerk, RIB and OGL are not.
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit", SHOP_SURFACE).getVexContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_SURFACE).getVexContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "RIB OGL", SHOP_SURFACE).getVexContextType(), 0);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_CVEX).getVexContextType(), 0x20000);
    // A type with no clerks at all.
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_PHOTON).getVexContextType(), 0);
    // A VEX clerk on a type without a VEX context.
    static TestClerk vexLens("VexMaterial", true, false, true);
    SHOP_Node::addShaderClerk(SHOP_MATERIAL, &vexLens);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_MATERIAL).getVexContextType(), 0);

    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit", SHOP_SURFACE).getRslContextType(), 0);
    EXPECT_EQ(SHOP_OperatorInfo(0, "*", SHOP_SURFACE).getRslContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit RIB", SHOP_SURFACE).getRslContextType(), 1);
    EXPECT_EQ(SHOP_OperatorInfo(0, "VKorvit,RIB", SHOP_DISPLACEMENT).getRslContextType(), 2);
    EXPECT_EQ(SHOP_OperatorInfo(0, "RIB", SHOP_LIGHT).getRslContextType(), 4);
    EXPECT_EQ(SHOP_OperatorInfo(0, "RIB", SHOP_ATMOSPHERE).getRslContextType(), 8);
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

TEST(Operator, OutputsInputEditorAndIcon)
{
    SHOP_Operator op("t_outputs", "Outputs", TestShopNode::myConstructor, nullptr, 0, 3, nullptr,
                     0);
    EXPECT_EQ(op.getShopInfo().getAutoAddMode(), 2);
    EXPECT_STREQ(op.getShopInfo().getRenderMask(), "*");
    EXPECT_EQ(op.getOpSpecificData(), &op.getShopInfo());
    EXPECT_EQ(static_cast<const SHOP_Operator &>(op).getOpSpecificData(), &op.getShopInfo());
    EXPECT_EQ(op.maxOutputs(), 1u);
    op.getShopInfo().setNumOutputs(4);
    EXPECT_EQ(op.maxOutputs(), 4u);
    EXPECT_TRUE(op.wantsInputEditor());
    op.getShopInfo().setSkipInputEditor(true);
    EXPECT_FALSE(op.wantsInputEditor());

    SHOP_Operator noInputs("t_noinputs", "No Inputs", TestShopNode::myConstructor, nullptr, 0, 0,
                           nullptr, 0);
    EXPECT_FALSE(noInputs.wantsInputEditor());

    op.getShopInfo().setShaderType(SHOP_LIGHT);
    op.useShaderIconName();
    EXPECT_EQ(op.getIconName(), "SHOP_light");
}

} // namespace
