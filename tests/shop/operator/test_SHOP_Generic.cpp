// Generic shader operators, in a program of their own: the clerks registered here must be the
// only ones their shader types have.

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Generic.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNode.h>
#include <PRM/PRM_ParmList.h>
#include <UT/UT_Options.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace
{
class GenericClerk : public SHOP_Clerk
{
public:
    GenericClerk(const char *name, bool strings, int script = -1)
        : myName(name), myStrings(strings), myScript(script)
    {
    }
    const char *getRenderName() const override { return myName; }
    const char *getRenderLabel() const override { return myLabel.c_str(); }
    bool generatesString() const override { return myStrings; }
    int getDialogScriptEnum(SHOP_TYPE) const override { return myScript; }

private:
    const char *myName;
    std::string myLabel = std::string(myName) + " Renderer";
    bool myStrings;
    int myScript;
};

GenericClerk theFirst("First", true);
GenericClerk theSecond("Second", true, 2);
GenericClerk theViewport("View", false);
GenericClerk theI3D("I3D", true);

const SHOP_OperatorInfo &infoOf(OP_Operator *op)
{
    return *dynamic_cast<const SHOP_OperatorInfo *>(op->getOpSpecificData());
}

// The shader table made once for this program, with a shader network to build nodes in.
class GenericTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool theTable = []
        {
            SHOP_Node::addShaderClerk(SHOP_LENS, &theFirst);
            SHOP_Node::addShaderClerk(SHOP_LENS, &theViewport);
            SHOP_Node::addShaderClerk(SHOP_LENS, &theSecond);
            SHOP_Node::addShaderClerk(SHOP_IMAGE3D, &theI3D);
            OP_Director *director = OPgetDirector();
            SHOP_TableBuilder::buildShaderTable(
                *director->getOperatorTable(SHOP_Node::theOpTypeName));
            director->getOperatorTable(OP_Director::theRootTableName)
                ->addOperator(SHOP_TableBuilder::getManagementOperator());
            return true;
        }();
        (void)theTable;
        myNet = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet"));
        ASSERT_NE(myNet, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(myNet); }

    OP_Network *myNet = nullptr;
};
} // namespace

TEST_F(GenericTest, OperatorHasOneParameterPerStringClerkAndIsMadeOnce)
{
    OP_Operator *op = SHOP_Generic::buildOperator(SHOP_LENS);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op, SHOP_Generic::buildOperator(SHOP_LENS));
    EXPECT_EQ(op->getName(), "gen_lens");
    EXPECT_STREQ(infoOf(op).getRenderMask(), "First Second");
    EXPECT_EQ(infoOf(op).getShaderType(), SHOP_LENS);

    ASSERT_EQ(op->getNumParmTemplates(), 2);
    const PRM_Template &first = op->getParmTemplates()[0];
    const PRM_Template &second = op->getParmTemplates()[1];
    EXPECT_STREQ(first.getToken(), "First");
    EXPECT_STREQ(first.getLabel(), "First Renderer");
    EXPECT_TRUE(first.getType() == PRM_STRING);
    EXPECT_FALSE(first.hasDefaults());
    EXPECT_TRUE(second.getType() == PRM_COMMAND);
    ASSERT_NE(second.getDefault(0), nullptr);
    EXPECT_EQ(second.getDefault(0)->getFloat(), 2);
    EXPECT_EQ(second.getDefault(0)->getString(), nullptr);
    EXPECT_EQ(second.getDefault(0)->getStringMeaning(), PRM_DEFAULT_DIALOG_SCRIPT);

    // A type without string clerks has none, and is asked again later.
    EXPECT_EQ(SHOP_Generic::buildOperator(SHOP_TEXTURE), nullptr);
    static GenericClerk lateClerk("Late", true);
    SHOP_Node::addShaderClerk(SHOP_TEXTURE, &lateClerk);
    OP_Operator *late = SHOP_Generic::buildOperator(SHOP_TEXTURE);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->getName(), "gen_texture");
    OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(late);
}

TEST_F(GenericTest, NodeReadsTheParameterOfTheRendererAskedFor)
{
    OP_Node *node = myNet->createNode("gen_lens", "lens1");
    ASSERT_NE(node, nullptr);
    SHOP_Node *shop = node->castToSHOPNode();
    ASSERT_NE(shop, nullptr);
    std::string error;
    node->getParmPtr("First")->setValueFromText(0, "fisheye fov 180", error);
    node->getParmPtr("Second")->setValueFromText(0, "Projection \"fisheye\"", error);

    UT_String result("untouched");
    // No override: the default renderer, which serves no lens shaders here.
    EXPECT_FALSE(shop->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_STREQ(result.c_str(), "untouched");

    UT_Options options;
    options.setOptionS("rendertype", "Second");
    ASSERT_TRUE(shop->buildShaderString(result, 0, &options, nullptr, nullptr));
    EXPECT_STREQ(result.c_str(), "Projection \"fisheye\"");
    options.setOptionS("rendertype", "*");
    ASSERT_TRUE(shop->buildShaderString(result, 0, &options, nullptr, nullptr));
    EXPECT_STREQ(result.c_str(), "fisheye fov 180");

    // An empty renderer parameter is no string.
    node->getParmPtr("First")->setValueFromText(0, "", error);
    EXPECT_FALSE(shop->buildShaderString(result, 0, &options, nullptr, nullptr));
}

TEST_F(GenericTest, OldFileWithAnImage3dStringLoadsItIntoItsCurrentParameter)
{
    OP_Operator *op = SHOP_Generic::buildOperator(SHOP_IMAGE3D);
    ASSERT_NE(op, nullptr);
    ASSERT_NE(op->getObsoleteTemplates(), nullptr);
    EXPECT_STREQ(op->getObsoleteTemplates()[0].getToken(), "VKorvit");
    EXPECT_EQ(SHOP_Generic::buildOperator(SHOP_LENS)->getObsoleteTemplates(), nullptr);

    // Older versions kept image3d shader strings under the renderer that used to serve them.
    const std::string path =
        ::testing::TempDir() + "old_image3d_" + std::to_string(::getpid()) + ".cmd";
    std::ofstream(path) << "add shopnet shop\n"
                           "cd /shop\n"
                           "add gen_image3d cloud\n"
                           "set cloud VKorvit 'cloud density 2'\n"
                           "add gen_image3d smoke\n"
                           "set -e smoke VKorvit '\"smoke \" + $F'\n"
                           "add gen_image3d untouched\n"
                           "set untouched VKorvit ''\n";
    std::ostringstream out, err;
    std::string error;
    ASSERT_TRUE(CMDgetManager()->execute("load " + path, out, err, error)) << error;
    std::remove(path.c_str());
    EXPECT_EQ(err.str(), "");
    UT_String value;
    const auto i3d = [&value](const char *node)
    {
        OPgetDirector()->findNode(node)->evalString(value, "I3D", 0, 0);
        return value.toStdString();
    };
    EXPECT_EQ(i3d("/shop/cloud"), "cloud density 2");
    EXPECT_EQ(i3d("/shop/smoke"), "smoke 1");
    EXPECT_EQ(i3d("/shop/untouched"), "");
    OPgetDirector()->clearNetwork();
}
