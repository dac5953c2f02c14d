#include <FS/DS_Stream.h>
#include <PI/PI_ScriptOperator.h>
#include <PRM/PRM_DialogScripts.h>
#include <PRM/PRM_Parm.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Takes "extra <value>" at the top level; "quiet" fails without saying why.
class TestScriptOperator : public PI_ScriptOperator
{
public:
    TestScriptOperator()
        : PI_ScriptOperator("plastic", "Plastic", nullptr, nullptr, 0, 0, nullptr, 0)
    {
    }

    std::vector<std::string> extras;

protected:
    int handleUnknownToken(DS_Stream &stream, UT_String &token) override
    {
        if (token == "extra")
        {
            UT_String value;
            if (!stream.getToken(value))
            {
                stream.error("extra needs a value");
                return 0;
            }
            extras.push_back(value.toStdString());
            return 1;
        }
        if (token == "quiet")
            return 0;
        return PI_ScriptOperator::handleUnknownToken(stream, token);
    }
};

bool load(OP_ScriptOperator &op, const std::string &script, std::string &error)
{
    DS_Stream stream(script, "lib.asset", "plastic");
    const bool ok = op.loadParmTemplates(stream);
    error = stream.getErrorText();
    EXPECT_EQ(ok, error.empty()) << script;
    return ok;
}

const PRM_Template &parm(const OP_Operator &op, const char *name)
{
    for (const PRM_Template *t = op.getParmTemplates(); !t->isTerminator(); ++t)
        if (std::string(t->getToken()) == name)
            return *t;
    static const PRM_Template theNone;
    ADD_FAILURE() << "no parameter " << name;
    return theNone;
}

std::string folders(const PRM_Template &t)
{
    std::string out;
    for (const PRM_Default &d : t.getDefaults())
        out += std::string(out.empty() ? "" : " ") + d.getString() + "=" +
               std::to_string(d.getOrdinal());
    return out;
}
} // namespace

TEST(PI_ScriptOperator, EveryKindOfParameter)
{
    const std::string script = R"(# a shader
{
    name    plastic
    script  plastic_shader
    label   "Plastic"
    help    "A plastic surface"
    parm { name i  type int  default { 3 }  range! { 0 10 } }
    parm {
        name f label "Diffuse" type float
        default { "$F * 2" } range { -1 1 } help "How much"
    }
    parm { name t type toggle default { 1 } }
    parm { name c type color default { 1 0.5 } }
    parm { name v type vector size 4 default { 1 2 3 4 } }
    parm { name d type direction }
    parm { name s type string default { "hello world" } menu { a A b "B b" } }
    parm { name file type file default { 12 } }
    parm { name img type image }
    parm {
        name op type oppath
        parmtag { opfilter "!!SHOP/CVEX!!" rmantype string }
        parmtag { opexpand 1 }
    }
    parm { name sep type separator }
    parm { name lab type label default { "Note" } }
    parm { name btn type button }
    parm { name m type menu menu { lo Low hi High } default { hi } }
    parm { name im type int menu { x X } default { x } }
    parm { name plain }
    extra "a b"
}
)";
    TestScriptOperator op;
    std::string error;
    ASSERT_TRUE(load(op, script, error)) << error;
    EXPECT_EQ(op.extras, std::vector<std::string>{"a b"});
    UT_String scriptName;
    op.getScriptName(scriptName);
    EXPECT_EQ(scriptName, "plastic_shader");
    EXPECT_EQ(op.getHelp(), "A plastic surface");
    EXPECT_EQ(op.getLabel(), "Plastic");
    ASSERT_EQ(op.getNumParmTemplates(), 16);

    // Sizes: the type's own, unless the script gives one.
    EXPECT_EQ(parm(op, "c").getVectorSize(), 3);
    EXPECT_EQ(parm(op, "v").getVectorSize(), 4);
    EXPECT_TRUE(parm(op, "m").getType() == PRM_ORD);
    EXPECT_TRUE(parm(op, "plain").getType() == PRM_FLT);

    const PRM_Template &i = parm(op, "i");
    EXPECT_STREQ(i.getLabel(), "i");
    EXPECT_EQ(i.getDefault(0)->getFloat(), 3);
    EXPECT_EQ(i.getDefault(0)->getString(), nullptr);
    EXPECT_TRUE(i.getRange().isMinRestricted() && i.getRange().isMaxRestricted());
    EXPECT_EQ(i.getRange().getMax(), 10);

    const PRM_Template &f = parm(op, "f");
    EXPECT_STREQ(f.getLabel(), "Diffuse");
    EXPECT_EQ(f.getHelpText(), "How much");
    ASSERT_TRUE(f.getDefault(0)->isExpression());
    EXPECT_STREQ(f.getDefault(0)->getString(), "$F * 2");
    EXPECT_EQ(f.getRange().getMin(), -1);
    EXPECT_FALSE(f.getRange().isMinRestricted());

    // Fewer defaults than components: the last one repeats.
    const PRM_Template &c = parm(op, "c");
    EXPECT_EQ(c.getDefaults().size(), 2u);
    EXPECT_EQ(c.getDefault(2)->getFloat(), 0.5);

    const PRM_Template &s = parm(op, "s");
    EXPECT_STREQ(s.getDefault(0)->getString(), "hello world");
    EXPECT_FALSE(s.getDefault(0)->isExpression());
    ASSERT_NE(s.getChoiceList(), nullptr);
    EXPECT_EQ(s.getChoiceList()->getItems()[1].label, "B b");
    EXPECT_STREQ(parm(op, "file").getDefault(0)->getString(), "12");

    const PRM_SpareData *spare = parm(op, "op").getSparePtr();
    ASSERT_NE(spare, nullptr);
    EXPECT_STREQ(spare->getOpFilter(), "!!SHOP/CVEX!!");
    EXPECT_STREQ(spare->getRenderManType(), "string");
    EXPECT_STREQ(spare->getValue("opexpand"), "1");
    EXPECT_EQ(parm(op, "f").getSparePtr(), nullptr);

    // A menu token as an ordinal default stands for its index.
    EXPECT_EQ(parm(op, "m").getDefault(0)->getOrdinal(), 1);
    EXPECT_FALSE(parm(op, "m").getDefault(0)->isExpression());
    EXPECT_EQ(parm(op, "im").getDefault(0)->getOrdinal(), 0);
    EXPECT_FALSE(parm(op, "plain").hasDefaults());
}

TEST(PI_ScriptOperator, GroupsBecomeSwitchers)
{
    const std::string script = R"({
    name plastic
    parm { name top }
    group { name surf label "Surface" parm { name a } parm { name b } }
    group {
        parm { name c }
        group { name inner label "In" parm { name d } }
        parm { name e }
        name light
    }
    parm { name after }
    group { name last }
})";
    TestScriptOperator op;
    std::string error;
    ASSERT_TRUE(load(op, script, error)) << error;
    std::vector<std::string> order;
    for (const PRM_Template *t = op.getParmTemplates(); !t->isTerminator(); ++t)
        order.push_back(t->getToken());
    EXPECT_EQ(order, (std::vector<std::string>{"top", "surf", "a", "b", "c", "inner", "d", "e",
                                               "after", "last"}));

    // Consecutive groups share one switcher; a folder counts the switcher inside it as one.
    const PRM_Template &surf = parm(op, "surf");
    EXPECT_TRUE(surf.getType() == PRM_SWITCHER);
    EXPECT_EQ(surf.getVectorSize(), 2);
    EXPECT_STREQ(surf.getLabel(), "Surface");
    EXPECT_EQ(folders(surf), "Surface=2 light=3");
    EXPECT_EQ(parm(op, "inner").getVectorSize(), 1);
    EXPECT_EQ(folders(parm(op, "inner")), "In=1");
    EXPECT_EQ(folders(parm(op, "last")), "last=0");
}

TEST(PI_ScriptOperator, MalformedScriptsNameFileDefinitionAndLine)
{
    const struct
    {
        std::string script;
        std::string error;
    } cases[] = {
        {"", "line 1: Expected '{' at the start of the dialog script"},
        {"\"{\" }", "line 1: Expected '{' at the start of the dialog script"},
        {"{", "line 1: Unexpected end of dialog script"},
        {"{\n parm {\n  name a\n", "line 4: Unexpected end of dialog script"},
        {"{ help \"open }", "line 1: Unterminated string"},
        {"{ } trailing", "line 1: Unexpected token 'trailing' after the dialog script"},
        {"{ name other }",
         "line 1: Dialog script name 'other' does not match the operator name 'plastic'"},
        {"{ script }", "line 1: Expected a value after 'script'"},
        {"{ bogus }", "line 1: Unknown token 'bogus'"},
        {"{ quiet }", "line 1: Unknown token 'quiet'"},
        {"{ extra", "line 1: extra needs a value"},
        {"{ parm name a }", "line 1: Expected '{' after 'parm'"},
        {"{ parm { type float } }", "line 1: Parameter without a name"},
        {"{ parm { name } }", "line 1: Expected a value after 'name'"},
        {"{ parm { name a }\n parm { name a } }", "line 2: Duplicate parameter name 'a'"},
        {"{\n\n parm {\n  name a\n  type matrix\n }\n}", "line 5: Unknown parameter type 'matrix'"},
        {"{ parm { name a size 0 } }", "line 1: Bad size '0'"},
        {"{ parm { name a size 65 } }", "line 1: Bad size '65'"},
        {"{ parm { name a size 1.5 } }", "line 1: Bad size '1.5'"},
        {"{ parm { name a size x } }", "line 1: Bad size 'x'"},
        {"{ parm {\n name a\n default { 1 2 }\n }\n}",
         "line 4: Too many defaults for parameter 'a'"},
        {"{ parm { name a type color default { 1 2 3 4 } } }",
         "line 1: Too many defaults for parameter 'a'"},
        {"{ parm { name a default 1 } }", "line 1: Expected '{' after 'default'"},
        {"{ parm { name a default { { } } }", "line 1: Unexpected '{' in 'default'"},
        {"{ parm { name a range { 1 } } }", "line 1: Bad range: expected '{ <min> <max> }'"},
        {"{ parm { name a range! { a 1 } } }", "line 1: Bad range: expected '{ <min> <max> }'"},
        {"{ parm { name a range { 2 1 } } }",
         "line 1: Bad range: minimum '2' is above maximum '1'"},
        {"{ parm { name a type string range { 0 1 } } }",
         "line 1: Parameter 'a' of type 'string' cannot have a range"},
        {"{ parm { name a menu { x X } } }",
         "line 1: Parameter 'a' of type 'float' cannot have a menu"},
        {"{ parm { name a type menu menu { x } } }", "line 1: Menu needs token/label pairs"},
        {"{ parm { name a parmtag { k } } }", "line 1: Parmtag needs key/value pairs"},
        {"{ parm { name a name b } }", "line 1: Duplicate 'name' in parameter"},
        {"{ parm { name a range { 0 1 } range! { 0 1 } } }",
         "line 1: Duplicate 'range!' in parameter"},
        {"{ parm { name a export all } }", "line 1: Unknown token 'export' in parameter"},
        {"{ group { parm { name a } } }", "line 1: Group without a name"},
        {"{ group { name a parm { name a } } }", "line 1: Duplicate parameter name 'a'"},
        {"{ group { name g bogus } }", "line 1: Unknown token 'bogus' in group"},
    };
    for (const auto &c : cases)
    {
        TestScriptOperator op;
        std::string error;
        EXPECT_FALSE(load(op, c.script, error));
        EXPECT_EQ(error, "lib.asset: plastic: " + c.error) << c.script;
    }

    std::string deep = "{ name plastic";
    for (int i = 0; i < 100; ++i)
        deep += " group { name g" + std::to_string(i);
    TestScriptOperator op;
    std::string error;
    EXPECT_FALSE(load(op, deep, error));
    EXPECT_EQ(error, "lib.asset: plastic: line 1: Groups nested too deeply");
}

TEST(PI_ScriptOperator, NamesThatReachRendererOrPythonTextArePlain)
{
    // Parameter names are written into renderer text and script-clerk calls; shader names
    // stand in renderer text on their own. Either could otherwise carry directives or code.
    const struct
    {
        std::string script;
        std::string error;
    } cases[] = {
        {"{ parm { name \"x'+__import__('os').system('true')+'\" } }",
         "line 1: Bad parameter name 'x'+__import__('os').system('true')+''"},
        {"{\n parm {\n  name \"a b\" } }", "line 3: Bad parameter name 'a b'"},
        {"{ parm { name 1st } }", "line 1: Bad parameter name '1st'"},
        {"{ parm { name \"K\\\"d\" } }", "line 1: Bad parameter name 'K\"d'"},
        {"{ group { name \"g-1\" } }", "line 1: Bad parameter name 'g-1'"},
        {"{\n script \"ev\\\"il\\nSurface \\\"x\\\"\" }",
         "line 2: Bad shader name 'ev\"il\nSurface \"x\"'"},
        {"{ script \"a b\" }", "line 1: Bad shader name 'a b'"},
        {"{ script \"it's\" }", "line 1: Bad shader name 'it's'"},
        {"{ script \"back\\\\slash\" }", "line 1: Bad shader name 'back\\slash'"},
        {"{ script \"tab\\there\" }", "line 1: Bad shader name 'tab\there'"},
        {"{ parm { name a parmtag { rmantype \"float\\\" ] Surface \\\"x\" } } }",
         "line 1: Bad RenderMan type 'float\" ] Surface \"x'"},
    };
    for (const auto &c : cases)
    {
        TestScriptOperator op;
        std::string error;
        EXPECT_FALSE(load(op, c.script, error));
        EXPECT_EQ(error.substr(0, 20), "lib.asset: plastic: ") << c.script;
        EXPECT_EQ(error.substr(20, c.error.size()), c.error) << c.script;
    }

    // Identifiers, shader names that are paths or carry dots, and RenderMan types of several
    // words are fine.
    TestScriptOperator op;
    std::string error;
    EXPECT_TRUE(load(op,
                     "{ script shaders/plastic.v2:1 parm { name _Kd2 parmtag { rmantype "
                     "\"uniform float[2]\" } } group { name g_1 } }",
                     error))
        << error;
}

TEST(PI_ScriptOperator, AFailedScriptLeavesTheOperatorAsItWas)
{
    TestScriptOperator op;
    std::string error;
    ASSERT_TRUE(load(op, "{ script one help h parm { name a } }", error)) << error;
    EXPECT_FALSE(load(op, "{ script two help x parm { name b } parm { name b } }", error));
    ASSERT_EQ(op.getNumParmTemplates(), 1);
    EXPECT_STREQ(op.getParmTemplates()[0].getToken(), "a");
    UT_String name;
    op.getScriptName(name);
    EXPECT_EQ(name, "one");
    EXPECT_EQ(op.getHelp(), "h");

    // The first error is the one reported: later ones follow from it.
    DS_Stream stream("{\n}", "x.asset", "def");
    std::string token;
    stream.getToken(token);
    stream.getToken(token);
    stream.error("first");
    stream.error("second");
    EXPECT_EQ(stream.getErrorText(), "x.asset: def: line 2: first");
}

TEST(PRM_DialogScripts, CommandDefaultsNameADialogScript)
{
    const int index = PRMaddDialogScript("dsx", "{ name x }");
    EXPECT_STREQ(PRMlookupDialogScript(index), "{ name x }");
    EXPECT_EQ(PRMlookupDialogScript(index + 1000), nullptr);
    EXPECT_EQ(PRMlookupDialogScript(-1), nullptr);
    // Found by name; the first of a name stays.
    EXPECT_EQ(PRMfindDialogScript("dsx"), index);
    EXPECT_NE(PRMaddDialogScript("dsx", "{ name later }"), index);
    EXPECT_EQ(PRMfindDialogScript("dsx"), index);
    EXPECT_EQ(PRMfindDialogScript("{ name x }"), -1);
    EXPECT_EQ(PRMfindDialogScript(nullptr), -1);

    PRM_Template tmpl(PRM_COMMAND, 1, PRM_Name("cmd"),
                      {PRM_Default(index, nullptr, PRM_DEFAULT_DIALOG_SCRIPT)});
    PRM_Parm parm(&tmpl, nullptr);
    EXPECT_EQ(parm.evalString(0, 0, 0), "{ name x }");
    EXPECT_TRUE(parm.isFactoryDefault());
    std::string error;
    ASSERT_TRUE(parm.setValueFromText(0, "", error));
    EXPECT_FALSE(parm.isFactoryDefault());
    parm.revertToDefaults();
    EXPECT_EQ(parm.evalString(0, 0, 0), "{ name x }");

    for (double missing : {index + 1000.0, -1.0, 1e300})
    {
        PRM_Template none(PRM_COMMAND, 1, PRM_Name("cmd"),
                          {PRM_Default(missing, "ignored", PRM_DEFAULT_DIALOG_SCRIPT)});
        PRM_Parm empty(&none, nullptr);
        EXPECT_EQ(empty.evalString(0, 0, 0), "");
        EXPECT_TRUE(empty.isFactoryDefault());
    }
}
