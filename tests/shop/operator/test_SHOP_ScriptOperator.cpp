// Shaders defined as assets: the script operator made from a definition, its render mask from
// the dialog script, its info texts, and the shader strings of its nodes.

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/operator/SHOP_ScriptNode.h>
#include <shop/operator/SHOP_ScriptOperator.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <FS/DS_Stream.h>
#include <OP/OP_Director.h>
#include <OP/OP_OTLDefinition.h>
#include <UT/UT_InfoTree.h>
#include <UT/UT_WorkBuffer.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
class ScriptClerk : public SHOP_Clerk
{
public:
    ScriptClerk(const char *name, bool strings, bool autoAdd)
        : myName(name), myStrings(strings), myAutoAdd(autoAdd)
    {
    }
    const char *getRenderName() const override { return myName; }
    bool generatesString() const override { return myStrings; }
    bool requireAutoAdd(SHOP_TYPE) const override { return myAutoAdd; }

private:
    const char *myName;
    bool myStrings, myAutoAdd;
};

ScriptClerk theVex("VKorvit", true, false);
ScriptClerk theViewport("OGL", false, true);

OP_OTLDefinition definition(const char *name, const char *type)
{
    OP_OTLDefinition def;
    def.setName(name);
    def.setLabel(name);
    def.setOpType(type);
    def.setSourcePath(std::string("lib.asset?") + name);
    def.setAssetPath("lib.asset", 1);
    return def;
}

// A script operator of `type` with `script` read as its dialog script; null when it fails,
// with the error in `error`.
std::unique_ptr<SHOP_ScriptOperator> makeOperator(const char *name, const char *type,
                                                  const std::string &script,
                                                  std::string *error = nullptr)
{
    std::unique_ptr<SHOP_ScriptOperator> op(static_cast<SHOP_ScriptOperator *>(
        SHOP_ScriptOperator::createScriptOperator(definition(name, type))));
    if (!op)
        return nullptr;
    DS_Stream stream(script, "lib.asset", name);
    if (!op->loadParmTemplates(stream))
    {
        if (error)
            *error = stream.getErrorText();
        return nullptr;
    }
    return op;
}

class ScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool theSetup = []
        {
            SHOP_Node::addShaderClerk(SHOP_SURFACE, &theVex);
            SHOP_Node::addShaderClerk(SHOP_SURFACE, &theViewport);
            OP_Director *director = OPgetDirector();
            director->getOperatorTable(OP_Director::theRootTableName)
                ->addOperator(SHOP_TableBuilder::getManagementOperator());
            return true;
        }();
        (void)theSetup;
        myNet = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet"));
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(myNet); }

    // Adds the operator to the shader table and makes a node of it.
    SHOP_ScriptNode *makeNode(std::unique_ptr<SHOP_ScriptOperator> op)
    {
        const std::string name = op->getName();
        OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(op.release());
        return static_cast<SHOP_ScriptNode *>(myNet->createNode(name.c_str()));
    }

    OP_Network *myNet = nullptr;
};
} // namespace

TEST_F(ScriptTest, DefinitionMakesAnOperatorOnlyForShaderTypes)
{
    for (const char *type : {"undefined", "any", "subnet", "Surface", ""})
        EXPECT_EQ(SHOP_ScriptOperator::createScriptOperator(definition("x", type)), nullptr)
            << type;

    // From the type alone: the VEX context, the outputs, the parameters of older versions.
    std::unique_ptr<OP_ScriptOperator> surface(
        SHOP_ScriptOperator::createScriptOperator(definition("mine", "surface")));
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->getVexContext(), 1);
    EXPECT_EQ(surface->maxOutputs(), 1u);
    ASSERT_NE(surface->getObsoleteTemplates(), nullptr);
    EXPECT_EQ(PRM_Template::countTemplates(surface->getObsoleteTemplates()),
              PRM_Template::countTemplates(SHOP_Node::getObsolete(SHOP_SURFACE)));
    std::unique_ptr<OP_ScriptOperator> material(
        SHOP_ScriptOperator::createScriptOperator(definition("mat", "material")));
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->maxOutputs(), static_cast<unsigned>(SHOP_MATERIAL_OUTPUTS));
}

TEST_F(ScriptTest, RenderMaskComesFromTheScriptPlusAutoAddedClerks)
{
    auto masked = makeOperator("m1", "surface", "{ rendermask VKorvit }");
    ASSERT_NE(masked, nullptr);
    EXPECT_STREQ(masked->getShopInfo().getRenderMask(), "VKorvit OGL");
    auto renderers = makeOperator("m2", "surface", "{ renderers \"VKorvit RIB\" }");
    ASSERT_NE(renderers, nullptr);
    EXPECT_STREQ(renderers->getShopInfo().getRenderMask(), "VKorvit RIB OGL");
    auto none = makeOperator("m3", "surface", "{ }");
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none->getShopInfo().getRenderMask(), "*");

    std::string error;
    EXPECT_EQ(makeOperator("m4", "surface", "{\n  rendermask\n}", &error), nullptr);
    EXPECT_EQ(error, "lib.asset: m4: line 3: Expected token for render mask specification");
    EXPECT_EQ(makeOperator("m5", "surface", "{\n  rendermask", &error), nullptr);
    EXPECT_NE(error.find("Expected token for render mask specification"), std::string::npos);
    EXPECT_EQ(makeOperator("m6", "surface", "{\n\n  colour red\n}", &error), nullptr);
    EXPECT_NE(error.find("lib.asset: m6: line 3:"), std::string::npos) << error;
}

TEST_F(ScriptTest, InfoTextsNameTheShaderTypeAndMask)
{
    auto op = makeOperator("info1", "surface", "{ script info_shader }");
    ASSERT_NE(op, nullptr);
    UT_WorkBuffer text;
    op->getOperatorSpecificInfoText(0, text);
    const std::string info = text.toStdString();
    const std::string tail = "\nShader type: surface\nRender mask: *";
    ASSERT_GE(info.size(), tail.size());
    EXPECT_EQ(info.substr(info.size() - tail.size()), tail);

    UT_InfoTree tree;
    op->fillInfoTreeOperatorSpecific(tree);
    bool typeRow = false;
    for (const auto &row : tree.getRows())
        typeRow = typeRow || (row.size() == 2 && row[0] == "Shader Type" && row[1] == "surface");
    EXPECT_TRUE(typeRow);
}

TEST_F(ScriptTest, NodeInfoListsAtMostTwentyFourParameters)
{
    std::string many = "{ script many\n";
    for (int i = 0; i < 30; ++i)
        many += "parm { name p" + std::to_string(i) + " type float }\n";
    many += "}";
    SHOP_ScriptNode *node = makeNode(makeOperator("many", "surface", many));
    ASSERT_NE(node, nullptr);
    OP_Context context(0);
    UT_WorkBuffer text;
    node->getNodeSpecificInfoText(context, 1, text);
    const std::string info = text.toStdString();
    EXPECT_NE(info.find("\nParameters\n  float p0\n"), std::string::npos) << info;
    EXPECT_NE(info.find("  float p23\n  ..."), std::string::npos) << info;
    EXPECT_EQ(info.find("p24"), std::string::npos);
    EXPECT_EQ(info.substr(info.size() - 5), "  ...");

    SHOP_ScriptNode *few = makeNode(makeOperator(
        "few", "surface",
        "{ parm { name c type color } parm { name s type string } parm { name n type int } }"));
    ASSERT_NE(few, nullptr);
    UT_WorkBuffer short_;
    few->getNodeSpecificInfoText(context, 1, short_);
    const std::string fewInfo = short_.toStdString();
    EXPECT_NE(fewInfo.find("\nParameters\n  color c[3]\n  string s\n  int n\n"), std::string::npos)
        << fewInfo;
    EXPECT_EQ(fewInfo.find("..."), std::string::npos);
    // No script name: the shader is called by the operator's name.
    EXPECT_STREQ(few->getShaderName(true), "few");
    EXPECT_STREQ(few->inputLabel(0), "Input 0");
}

TEST_F(ScriptTest, ShaderStringOfEveryParameterKind)
{
    SHOP_ScriptNode *node = makeNode(makeOperator("kinds", "surface", R"({
        script  plastic_shader
        rendermask VKorvit
        group {
            name "main" label "Main"
            parm { name Kd type float default { 1 } }
            parm { name Cs type color default { 1 1 1 } }
            parm { name sep type separator }
            parm { name lab type label default { "Label" } }
        }
        parm { name uv type float size 2 default { 0 0 } }
        parm { name five type float size 5 default { 0 0 0 0 0 } }
        parm { name ints type int size 3 default { 0 0 0 } }
        parm { name enable type toggle default { 0 } }
        parm { name map type file default { "" } }
        parm { name Ks type float default { 0.5 } }
    })"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getLastParameter(), 11);
    auto set = [node](const char *parm, std::initializer_list<double> values)
    {
        int i = 0;
        for (double v : values)
            node->getParmPtr(parm)->setValue(i++, v);
    };
    std::string error;
    UT_String result;
    ASSERT_TRUE(node->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_STREQ(result.c_str(), "plastic_shader");

    set("Kd", {0.5});
    set("Cs", {1, 0, 0});
    set("uv", {0.25, 0.75});
    set("enable", {1});
    set("five", {1, 2, 3, 4, 5});
    set("ints", {1, 2, 3});
    node->getParmPtr("map")->setValueFromText(0, "tex/brick map.png", error);
    ASSERT_TRUE(node->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    // The 5-float and the 3-int write nothing but their blanks; switchers, separators and
    // labels never show; defaults are left out.
    EXPECT_STREQ(result.c_str(), "plastic_shader Kd 0.5 Cs 1 0 0 uv 0.25 0.75 0   enable 1 "
                                 "map \"tex/brick map.png\"");
}
