#include "OP_TestNodes.h"

#include <OP/OP_OTLLibrary.h>
#include <OP/OP_OperatorTable.h>
#include <PI/PI_ScriptOperator.h>
#include <PRM/PRM_DialogScripts.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_WorkBuffer.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

// Points the search path at a fresh folder for the test's life and restores it afterwards.
class ScopedHostPath
{
public:
    ScopedHostPath()
        : myRoot(fs::temp_directory_path() / ("test_op_assets_" + std::to_string(getpid())))
    {
        const char *old = std::getenv("SHOP_HOST_PATH");
        myHadOld = old != nullptr;
        myOld = old ? old : "";
        fs::remove_all(myRoot);
        fs::create_directories(myRoot / "assets");
        setenv("SHOP_HOST_PATH", myRoot.c_str(), 1);
        UT_PathSearch::getInstance()->rehash();
    }
    ~ScopedHostPath()
    {
        if (myHadOld)
            setenv("SHOP_HOST_PATH", myOld.c_str(), 1);
        else
            unsetenv("SHOP_HOST_PATH");
        UT_PathSearch::getInstance()->rehash();
        fs::remove_all(myRoot);
    }
    std::string asset(const char *name) const { return (myRoot / "assets" / name).string(); }
    const fs::path &root() const { return myRoot; }

private:
    fs::path myRoot;
    bool myHadOld = false;
    std::string myOld;
};

OP_OTLDefinition definition(const char *name, const char *type, bool subnet,
                            const char *script = nullptr)
{
    OP_OTLDefinition def;
    def.setName(name);
    def.setLabel(std::string("Label ") + name);
    def.setOpType(type);
    def.setIsSubnet(subnet);
    if (script)
        def.indexFile().addSection({"DialogScript", 0, script});
    return def;
}

void writeAssets(const std::string &path, const std::vector<OP_OTLDefinition> &defs)
{
    std::ofstream out(path, std::ios::binary);
    OP_OTLLibrary::write(out, defs);
}

OP_ScriptOperator *makeOperator(const OP_OTLDefinition &def, std::string &why)
{
    if (def.getName() == "refused")
        return nullptr;
    if (def.getName() == "explained")
    {
        why = "no reason";
        return nullptr;
    }
    auto *op = new PI_ScriptOperator(def.getName().c_str(), def.getLabel().c_str(), nullptr,
                                     nullptr, 0, 0, nullptr, 0);
    op->setDefinition(def.getSourcePath().c_str());
    return op;
}

// Only what concerns the test's folder: the built runtime folder is on the path too.
std::string linesAbout(const std::string &text, const std::string &folder)
{
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line))
        if (line.find(folder) != std::string::npos)
            out += line + "\n";
    return out;
}
} // namespace

TEST(OP_ScriptOperators, LoadsTakenDefinitionsAndReportsTheRest)
{
    ScopedHostPath path;
    const std::string a = path.asset("a.asset");
    const std::string b = path.asset("b.asset");
    const std::string c = path.asset("c.asset");
    writeAssets(a, {
                       definition("it's \"two\"", "optest_shader", false),
                       definition("good", "optest_shader", false,
                                  "{ name good script good_s parm { name k default { 0.5 } } }"),
                       definition("noscript", "optest_shader", false),
                       definition("othertype", "optest_other", false, "{ broken"),
                       definition("subnetdef", "optest_shader", true, "{ broken"),
                       definition("netdef", "optest_net", true, "{ }"),
                       definition("netwrong", "optest_net", false, "{ broken"),
                       definition("broken", "optest_shader", false, "{\n parm { name }\n}"),
                       definition("refused", "optest_shader", false),
                       definition("explained", "optest_shader", false),
                       definition("exists", "optest_shader", false, "{ }"),
                   });
    {
        std::ofstream(b) << "assetfile 1\nbogus\n";
        std::ofstream(path.asset("notes.txt")) << "garbage";
        std::ofstream(path.asset(".hidden.asset")) << "garbage";
        fs::create_directories(path.asset("folder.asset"));
    }
    // Read after a.asset: the operator it made first stays.
    writeAssets(c, {definition("good", "optest_shader", false, "{ parm { name other } }")});

    OP_OperatorTable table("ScriptTest");
    table.addOperator(new OP_Operator("exists", "Exists", nullptr, nullptr, 0, 0));
    table.addScriptIndexFile("dir", "Shaders", "node", "optest_shader", 0, 0, false, false);
    table.addScriptIndexFile("dir", "Nets", "node", "optest_net", 0, 0, true, false);
    ASSERT_EQ(table.getScriptIndexFiles().size(), 2u);
    EXPECT_EQ(table.getScriptIndexFiles()[1].indexName, "Nets");

    std::ostringstream quiet;
    EXPECT_EQ(table.loadScriptOperators(quiet), 0) << "no creator makes nothing";
    EXPECT_EQ(table.entries(), 1);

    table.setScriptCreator(makeOperator);
    std::ostringstream err;
    EXPECT_EQ(table.loadScriptOperators(err), 3);
    // Malformed files are reported as they are read, before any operator is made.
    EXPECT_EQ(linesAbout(err.str(), path.root().string()),
              "Error: " + b + ":2: unknown keyword 'bogus'\n" + "Error: " + a +
                  ": it's \"two\": line 2: Bad definition name 'it's \"two\"': "
                  "no blanks, quotes, backslashes or control characters\n" +
                  "Warning: " + a +
                  ": othertype: makes no node type: ScriptTest makes none of type "
                  "'optest_other'\n" +
                  "Warning: " + a +
                  ": subnetdef: makes no node type: ScriptTest makes none of type "
                  "'optest_shader' marked as a subnet\n" +
                  "Warning: " + a +
                  ": netwrong: makes no node type: ScriptTest makes none of type 'optest_net'\n" +
                  "Error: " + a + ": broken: line 2: Expected a value after 'name'\n" +
                  "Warning: " + a +
                  ": refused: makes no node type: the ScriptTest creator made "
                  "none\n" +
                  "Warning: " + a + ": explained: makes no node type: no reason\n" +
                  "Warning: " + a + ": exists: an operator named exists exists already\n" +
                  "Warning: " + c + ": good: an operator named good exists already\n");

    std::vector<std::string> names;
    for (OP_Operator *op : table.getOperators())
        names.push_back(op->getName());
    EXPECT_EQ(names, (std::vector<std::string>{"exists", "good", "netdef", "noscript"}));

    auto *good = dynamic_cast<OP_ScriptOperator *>(table.getOperator("good"));
    ASSERT_NE(good, nullptr);
    EXPECT_TRUE(good->hasFlag(OP_FLAG_SCRIPTDEF));
    EXPECT_EQ(good->getDefinition(), a + "?good");
    ASSERT_EQ(good->getNumParmTemplates(), 1);
    EXPECT_STREQ(good->getParmTemplates()[0].getToken(), "k");
    UT_String script;
    good->getScriptName(script);
    EXPECT_EQ(script, "good_s");
    EXPECT_EQ(table.getOperator("noscript")->getNumParmTemplates(), 0);
    // The dialog scripts read are known by definition name; the first of a name stays.
    EXPECT_STREQ(PRMlookupDialogScript(PRMfindDialogScript("good")),
                 "{ name good script good_s parm { name k default { 0.5 } } }");
    EXPECT_STREQ(table.getOperator("exists")->getLabel().c_str(), "Exists");
}

using OP_NodeInfo_Test = optest::OPTest;

TEST_F(OP_NodeInfo_Test, NodeInfoTextListsErrorsBySeverity)
{
    optest::TestNode *node = leaf("info");
    OP_Context context(0);
    UT_WorkBuffer text;
    node->getNodeSpecificInfoText(context, 0, text);
    EXPECT_EQ(text.toStdString(), "Node: " + node->getFullPath() + "\nType: leaf (Leaf)");

    const UT_Error errors[] = {
        UT_Error("Common", UT_CE_BAD_VALUE, UT_ERROR_MESSAGE, "m"),
        UT_Error("Common", UT_CE_BAD_VALUE, UT_ERROR_WARNING, "w"),
        UT_Error("Common", UT_CE_BAD_VALUE, UT_ERROR_ABORT, "e"),
        UT_Error("Common", UT_CE_BAD_VALUE, UT_ERROR_FATAL, "f"),
    };
    for (const UT_Error &e : errors)
        node->getErrorManager().addError(e);
    text.clear();
    node->getNodeSpecificInfoText(context, 0, text);
    EXPECT_EQ(text.toStdString(),
              "Node: " + node->getFullPath() + "\nType: leaf (Leaf)" +
                  "\nMessage: " + errors[0].getText() + "\nWarning: " + errors[1].getText() +
                  "\nError: " + errors[2].getText() + "\nFatal: " + errors[3].getText());
}
