#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>
#include <UT/UT_WorkBuffer.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_RGB, 3, PRM_Name("color"), {PRM_Default(0.5)}),
    PRM_Template(PRM_STRING, 1, PRM_Name("label")),
    PRM_Template(),
};

// Runs lines on the command manager with a fresh network as the current one.
class CommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OP_Director *director = OPgetDirector();
        OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
        if (!root->getOperator("cmdtestnet"))
        {
            auto *net = new OP_Operator("cmdtestnet", "Net", OP_GenericNetwork::myConstructor,
                                        nullptr, 0, 0, nullptr, OP_FLAG_NETWORK);
            net->setChildTableName("CmdTest");
            root->addOperator(net);
            director->getOperatorTable("CmdTest")->addOperator(new OP_Operator(
                "thing", "Thing", OP_GenericNode::myConstructor, theTemplates, 0, 1));
        }
        myNet = static_cast<OP_Network *>(director->getRoot()->createNode("cmdtestnet"));
        director->setCwd(myNet);
    }
    void TearDown() override
    {
        OPgetDirector()->setCwd(nullptr);
        OPgetDirector()->getRoot()->destroyNode(myNet);
    }

    bool run(const std::string &line)
    {
        myOut.str("");
        myErr.str("");
        myError.clear();
        return CMDgetManager()->execute(line, myOut, myErr, myError);
    }

    OP_Network *myNet = nullptr;
    std::ostringstream myOut, myErr;
    std::string myError;
};
} // namespace

TEST_F(CommandTest, ProtectedTextReadsBackAsOneWordThroughTheManager)
{
    const std::string awkward[] = {
        "",
        "plain",
        "two words",
        "'single'",
        "\"double\"",
        "back\\slash",
        "`1+1`",
        "#not a comment",
        "$T",
        "line\nbreak",
        "tab\there",
        "cr\rlf",
        "trailing\\",
        "mixed '\" `\\ \n",
        "caf\xc3\xa9",
        "-e",
    };
    for (const std::string &text : awkward)
    {
        UT_WorkBuffer line("set thing1 label ");
        if (!myNet->getChild("thing1"))
        {
            ASSERT_TRUE(run("add thing"));
        }
        line.protectedStrcat(text.c_str());
        ASSERT_TRUE(run(line.toStdString())) << myError;
        ASSERT_TRUE(run("eval thing1 label"));
        EXPECT_EQ(myOut.str(), text + "\n") << "for " << line.toStdString();
    }
}

TEST_F(CommandTest, OptionsComeFirstAndNumbersAreNotOptions)
{
    ASSERT_TRUE(run("add thing t"));
    ASSERT_TRUE(run("set t color -1 -2 -3"));
    ASSERT_TRUE(run("eval t color"));
    EXPECT_EQ(myOut.str(), "-1 -2 -3\n");
    ASSERT_TRUE(run("set -e t colorg '1 + 1'"));
    ASSERT_TRUE(run("eval t color 1"));
    EXPECT_EQ(myOut.str(), "2\n");
    ASSERT_TRUE(run("set -- t label -e"));
    ASSERT_TRUE(run("eval t label"));
    EXPECT_EQ(myOut.str(), "-e\n");

    // Long names stand for their letter; their own letters are no options.
    CMDgetManager()->installCommand("t_opts", "v:x(explain)n(name):",
                                    [](CMD_Args &args)
                                    {
                                        for (char c : std::string("vxnpe"))
                                            if (args.found(c))
                                                args.out() << c << "=" << args.argp(c) << " ";
                                        for (int i = 1; i < args.argc(); ++i)
                                            args.out() << "[" << args(i) << "]";
                                    });
    ASSERT_TRUE(run("t_opts a --explain --name N -e '--explain' -- --name"));
    EXPECT_EQ(myOut.str(), "x= n=N [a][-e][--explain][--name]");
    EXPECT_FALSE(run("t_opts --name"));
    EXPECT_NE(myError.find("needs a value"), std::string::npos) << myError;
}

TEST_F(CommandTest, AFailingSetChangesNothing)
{
    ASSERT_TRUE(run("add thing t"));
    ASSERT_TRUE(run("set t color 0.25 0.5 0.75"));
    EXPECT_FALSE(run("set t color 1 oops 1"));
    EXPECT_EQ(myError, "Bad value 'oops' for parameter 'color'");
    EXPECT_FALSE(run("set -e t color 1 '2 +' 3"));
    EXPECT_FALSE(run("set t color 1 1 1 1"));
    EXPECT_FALSE(run("set t colorb 1 1"));
    ASSERT_TRUE(run("eval t color"));
    EXPECT_EQ(myOut.str(), "0.25 0.5 0.75\n");
}

TEST_F(CommandTest, MalformedLinesFailWithAReason)
{
    EXPECT_FALSE(run("echo 'unterminated"));
    EXPECT_FALSE(myError.empty());
    EXPECT_FALSE(run("echo `1 +`"));
    EXPECT_NE(myError.find("Syntax error"), std::string::npos) << myError;
    EXPECT_FALSE(run("nosuchcommand"));
    EXPECT_EQ(myError, "Unknown command 'nosuchcommand'");
    EXPECT_FALSE(run("wire"));
    EXPECT_EQ(myError, "Usage: wire SRC DST INPUT [OUTPUT]");
    EXPECT_FALSE(run("wire a b -1"));
    EXPECT_TRUE(run("   # only a comment"));
    EXPECT_TRUE(run(""));
}

TEST_F(CommandTest, WiringThroughCommands)
{
    ASSERT_TRUE(run("add thing a"));
    ASSERT_TRUE(run("add thing b"));
    ASSERT_TRUE(run("wire a b 0"));
    EXPECT_EQ(myNet->getChild("b")->getInput(0), myNet->getChild("a"));
    EXPECT_FALSE(run("wire b a 0"));
    EXPECT_NE(myError.find("loop"), std::string::npos) << myError;
    EXPECT_FALSE(run("wire a b 1"));
    ASSERT_TRUE(run("unwire b 0"));
    EXPECT_EQ(myNet->getChild("b")->getInput(0), nullptr);
    ASSERT_TRUE(run("rm a b"));
    EXPECT_EQ(myNet->getNchildren(), 0);
}

TEST_F(CommandTest, AScriptThatSourcesItselfStops)
{
    const std::string path = ::testing::TempDir() + "self.cmd";
    std::ofstream(path) << "source " << path << "\n";
    std::ostringstream out, err;
    EXPECT_FALSE(CMDgetManager()->runFile(path, out, err));
    EXPECT_NE(err.str().find("nested too deeply"), std::string::npos) << err.str();
}

TEST_F(CommandTest, SpareParametersKeepTheirValuesAsMoreAreAdded)
{
    ASSERT_TRUE(run("add thing t"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(run("spare t s" + std::to_string(i) + " float 1 " + std::to_string(i)));
    ASSERT_TRUE(run("eval t s0"));
    EXPECT_EQ(myOut.str(), "0\n");
    ASSERT_TRUE(run("eval t s19"));
    EXPECT_EQ(myOut.str(), "19\n");
    EXPECT_FALSE(run("spare t s3 int 1"));
    EXPECT_FALSE(run("spare t bad nosuchtype 1"));
    EXPECT_FALSE(run("spare t big float 17"));

    // Nodes given the same parameter share its template, and nothing else: each keeps its own
    // value, and one losing the parameter leaves the others theirs.
    ASSERT_TRUE(run("add thing u"));
    ASSERT_TRUE(run("add thing w"));
    for (const char *node : {"t", "u", "w"})
        ASSERT_TRUE(run(std::string("spare -l Tint -t k=v ") + node + " tint color 3 1 0.5 0"));
    ASSERT_TRUE(run("spare -l Tint -t k=other t other color 3 1 0.5 0"));
    ASSERT_TRUE(run("spare -l Tint u other color 3 1 0.5 0"));
    OP_Node *t = myNet->getChild("t"), *u = myNet->getChild("u"), *w = myNet->getChild("w");
    EXPECT_EQ(t->getParmPtr("tint")->getTemplatePtr(), u->getParmPtr("tint")->getTemplatePtr());
    EXPECT_NE(t->getParmPtr("other")->getTemplatePtr(), u->getParmPtr("other")->getTemplatePtr());
    ASSERT_TRUE(run("set u tint 0 0 1"));
    ASSERT_TRUE(run("eval t tint 2"));
    EXPECT_EQ(myOut.str(), "0\n");
    ASSERT_TRUE(run("eval u tint 2"));
    EXPECT_EQ(myOut.str(), "1\n");
    ASSERT_TRUE(run("rm u"));
    EXPECT_STREQ(w->getParmPtr("tint")->getTemplatePtr()->getLabel(), "Tint");
    EXPECT_STREQ(w->getParmPtr("tint")->getTemplatePtr()->getSparePtr()->getValue("k"), "v");
}

TEST_F(CommandTest, ACommandWithABadTargetOrWordChangesNothing)
{
    ASSERT_TRUE(run("add thing a"));
    ASSERT_TRUE(run("add thing b"));
    ASSERT_TRUE(run("wire a b 0"));
    EXPECT_FALSE(run("rm a missing"));
    EXPECT_EQ(myError, "No node 'missing'");
    EXPECT_FALSE(run("rm a /"));
    EXPECT_EQ(myNet->getNchildren(), 2);
    // Input numbers are digits and nothing else.
    for (const char *input : {" 1", "1 ", "+0", "0x0", ""})
    {
        EXPECT_FALSE(run(std::string("wire a b '") + input + "'")) << input;
        EXPECT_EQ(myError, std::string("Bad input '") + input + "'") << input;
    }
    // A NUL byte would have cut the word short: "keep<NUL>x" would have meant "keep".
    const std::string nul("\0", 1);
    EXPECT_FALSE(run("rm \"a" + nul + "ignored\""));
    EXPECT_EQ(myError, "A NUL byte in the word 'a" + nul + "ignored'");
    EXPECT_FALSE(run("set a label 'x" + nul + "y'"));
    EXPECT_FALSE(run("add thing \"n" + nul + "\""));
    EXPECT_EQ(myNet->getNchildren(), 2);
    ASSERT_TRUE(run("eval a label"));
    EXPECT_EQ(myOut.str(), "\n");
    // Named twice, a node is deleted once.
    ASSERT_TRUE(run("rm a b a"));
    EXPECT_EQ(myNet->getNchildren(), 0);
}

TEST_F(CommandTest, EvalFailsOnlyForWhatItsOwnValueReports)
{
    ASSERT_TRUE(run("add thing t"));
    ASSERT_TRUE(run("set -e t colorr 'ch(\"nowhere\")'"));
    EXPECT_FALSE(run("eval t colorr"));
    EXPECT_EQ(myError, myNet->getFullPath() + "/t color: Unknown channel 'nowhere'");
    // The error above stays on the node; a warning of another value is no failure of that one.
    ASSERT_TRUE(run("set -e t colorg '1/0'"));
    ASSERT_TRUE(run("eval t colorg")) << myError;
    EXPECT_EQ(myOut.str(), "0\n");
}

TEST_F(CommandTest, ErrorsShowControlBytesEscaped)
{
    EXPECT_EQ(CMD_Manager::printable("plain caf\xc3\xa9 \\ ok"), "plain caf\xc3\xa9 \\ ok");
    EXPECT_EQ(CMD_Manager::printable(std::string("a\nb\tc\rd\0e\x1b[2J\x7f", 14)),
              "a\\nb\\tc\\rd\\x00e\\x1b[2J\\x7f");
    // C1 controls and bytes that are no UTF-8 (a lone lead, an overlong form, a surrogate).
    EXPECT_EQ(
        CMD_Manager::printable("\xc2\x9b\xc2\xa0|\xc3|\xc0\xaf|\xed\xa0\x80|\xf0\x9f\x99\x82"),
        "\\xc2\\x9b\xc2\xa0|\\xc3|\\xc0\\xaf|\\xed\\xa0\\x80|\xf0\x9f\x99\x82");
    std::istringstream script("rm 'gone\x1b[2J\x07'\n");
    std::ostringstream out, err;
    EXPECT_FALSE(CMDgetManager()->runScript(script, "in\x1b", out, err));
    EXPECT_EQ(err.str(), "Error: No node 'gone\\x1b[2J\\x07' (in\\x1b:1)\n");
}

TEST_F(CommandTest, ScriptFilesCountTheirLinesAndDropCarriageReturns)
{
    const std::string path =
        ::testing::TempDir() + "/cmdtest_" + std::to_string(::getpid()) + "_lines.cmd";
    std::ofstream(path, std::ios::binary) << "echo a\r\n\r\n# note\necho 'b c'\r\nnosuch x";
    EXPECT_FALSE(run("source " + path));
    std::remove(path.c_str());
    EXPECT_EQ(myOut.str(), "a\nb c\n");
    EXPECT_EQ(myErr.str(), "Error: Unknown command 'nosuch' (" + path + ":5)\n");
}
