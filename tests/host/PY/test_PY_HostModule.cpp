// The Python module `host` and the `python` command, driven against a small scene of our own.

#include <CH/CH_Manager.h>
#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>
#include <PRM/PRM_ChoiceList.h>
#include <PY/PY_HostModule.h>
#include <PY/PY_Python.h>
#include <UT/UT_PathSearch.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{

constexpr const char *theTable = "PYHostTestNodes";
constexpr const char *theManagerType = "pyhostmgr";
constexpr int theDataClass = 7;

class PyTestNode : public OP_GenericNode
{
public:
    PyTestNode(OP_Network *parent, const char *name, OP_Operator *op)
        : OP_GenericNode(parent, name, op)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new PyTestNode(parent, name, op);
    }
    int getDataClass() const override { return theDataClass; }
};

void installTypes()
{
    static bool done = []
    {
        OP_Director *director = OPgetDirector();
        auto menu = std::make_shared<PRM_ChoiceList>(
            std::vector<PRM_ChoiceList::Item>{{"low", "Low"}, {"high", "High"}});
        PRM_Template templates[] = {
            PRM_Template(PRM_INT, 1, PRM_Name("count"), {PRM_Default(3)}),
            PRM_Template(PRM_FLT, 1, PRM_Name("amount"), {PRM_Default(0.5)}),
            PRM_Template(PRM_XYZ, 3, PRM_Name("pos"),
                         {PRM_Default(1), PRM_Default(2), PRM_Default(3)}),
            PRM_Template(PRM_STRING, 1, PRM_Name("label"), {PRM_Default(0, "hello")}),
            PRM_Template(PRM_ORD, 1, PRM_Name("mode"), {}, menu),
            PRM_Template(PRM_FLT, 1, PRM_Name("unit"), {}, nullptr, PRM_Range(0, 1, true, true)),
            PRM_Template(),
        };
        auto *manager =
            new OP_Operator(theManagerType, "PY Test Manager", OP_GenericNetwork::myConstructor,
                            nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER);
        manager->setChildTableName(theTable);
        director->getOperatorTable(OP_Director::theRootTableName)->addOperator(manager);
        director->getOperatorTable(theTable)->addOperator(
            new OP_Operator("pyleaf", "Leaf", PyTestNode::myConstructor, templates, 0, 1));
        return true;
    }();
    (void)done;
}

struct CommandRun
{
    bool ok = false;
    std::string out;
    std::string err;
    std::string error;
};

CommandRun command(const std::string &line)
{
    CommandRun run;
    std::ostringstream out, err;
    run.ok = CMDgetManager()->execute(line, out, err, run.error);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The module spelled so that it works inside a single expression.
const std::string theHost = "__import__('host')";

class PYHostModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installTypes();
        myDir = std::filesystem::temp_directory_path() /
                ("test_PY_HostModule_" + std::to_string(::getpid()));
        std::filesystem::create_directories(myDir);
        mgr = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode(theManagerType));
        ASSERT_NE(mgr, nullptr);
        leaf = mgr->createNode("pyleaf", "leaf");
        ASSERT_NE(leaf, nullptr);
        leafPath = leaf->getFullPath();
    }
    void TearDown() override
    {
        OPgetDirector()->setCwd(nullptr);
        OPgetDirector()->getRoot()->destroyNode(mgr);
        std::filesystem::remove_all(myDir);
    }

    PY_Result py(const std::string &expression)
    {
        return PYrunPythonExpression(expression.c_str(), PY_Result::NONE);
    }
    std::string node() const { return theHost + ".node('" + leafPath + "')"; }

    std::string script(const std::string &name, const std::string &text)
    {
        const std::string path = (myDir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Runs a script with the leaf's path as its first argument.
    CommandRun python(const std::string &text, const std::string &extra = "")
    {
        return command("python " + script("s.py", "import host, sys\n" + text) + " " + leafPath +
                       extra);
    }

    std::filesystem::path myDir;
    OP_Network *mgr = nullptr;
    OP_Node *leaf = nullptr;
    std::string leafPath;
};

TEST_F(PYHostModule, NodesAndParametersReadAsTheirKinds)
{
    PY_Result r = py("[" + node() + ".path(), " + node() + ".name(), " + node() + ".type()]");
    ASSERT_EQ(r.myResultType, PY_Result::STRING_ARRAY) << r.myErrValue;
    EXPECT_EQ(r.myStringArray, (std::vector<std::string>{leafPath, "leaf", "pyleaf"}));
    EXPECT_EQ(py(node() + ".shaderType()").myIntValue, theDataClass);
    EXPECT_EQ(py(theHost + ".node('/no/such')").myResultType, PY_Result::NONE);
    EXPECT_EQ(py(node() + ".parm('nosuch')").myResultType, PY_Result::NONE);

    // Relative paths start at the calling thread's current network.
    OPgetDirector()->setCwd(mgr);
    EXPECT_EQ(py(theHost + ".node('leaf').path()").myStringValue, leafPath);
    EXPECT_EQ(py(theHost + ".node('..').path()").myStringValue, "/");

    r = py("[p.name() for p in " + node() + ".parms()]");
    EXPECT_EQ(r.myStringArray,
              (std::vector<std::string>{"count", "amount", "pos", "label", "mode", "unit"}));

    r = py(node() + ".parm('count').eval()");
    EXPECT_EQ(r.myResultType, PY_Result::INT);
    EXPECT_EQ(r.myIntValue, 3);
    r = py(node() + ".parm('amount').eval()");
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE);
    EXPECT_EQ(r.myDoubleValue, 0.5);
    EXPECT_EQ(py(node() + ".parm('label').eval()").myStringValue, "hello");
    r = py(node() + ".parm('pos').evalAll()");
    ASSERT_EQ(r.myResultType, PY_Result::DOUBLE_ARRAY) << r.myErrValue;
    EXPECT_EQ(r.myDoubleArray, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(py(node() + ".parm('pos').eval(2)").myDoubleValue, 3);

    // A channel name stands for its one component.
    EXPECT_EQ(py(node() + ".parm('posy').name()").myStringValue, "posy");
    EXPECT_EQ(py(node() + ".parm('posy').eval()").myDoubleValue, 2);
    EXPECT_EQ(py(node() + ".parm('posy').evalAll()").myDoubleArray, std::vector<double>{2});
    EXPECT_EQ(py(node() + ".parm('posy').eval(1)").myErrValue,
              "ValueError: Parameter 'posy' has no component 1");
    EXPECT_EQ(py(node() + ".parm('pos').eval(3)").myErrValue,
              "ValueError: Parameter 'pos' has no component 3");

    // Time: None is the host's time, an explicit time is used as given.
    std::string error;
    ASSERT_TRUE(leaf->getParmPtr("amount")->setExpression(0, "$T * 2", error)) << error;
    CHgetManager()->setTime(1.5f);
    EXPECT_EQ(py(theHost + ".time()").myDoubleValue, 1.5);
    EXPECT_EQ(py(node() + ".parm('amount').eval()").myDoubleValue, 3);
    EXPECT_EQ(py(node() + ".parm('amount').eval(time=0.25)").myDoubleValue, 0.5);
    EXPECT_EQ(py(node() + ".parm('amount').evalAll(2)").myDoubleArray, std::vector<double>{4});
    CHgetManager()->setTime(0);

    // A failing expression raises rather than reading as 0.
    ASSERT_TRUE(leaf->getParmPtr("count")->setExpression(0, "ch(\"nosuch\")", error)) << error;
    r = py(node() + ".parm('count').eval()");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_NE(r.myErrValue.find("RuntimeError: "), std::string::npos) << r.myErrValue;
    EXPECT_NE(r.myErrValue.find("Unknown channel 'nosuch'"), std::string::npos) << r.myErrValue;
}

TEST_F(PYHostModule, SettingReachesTheNodeAndDefaultsAreTracked)
{
    const std::string parm = node() + ".parm";
    auto set = [&](const std::string &call) { return py(parm + call).myErrValue; };
    EXPECT_EQ(py(parm + "('pos').isAtDefault()").myIntValue, 1);

    EXPECT_EQ(set("('count').set(12)"), "");
    EXPECT_EQ(set("('amount').set(0.1)"), "");
    EXPECT_EQ(set("('label').set('caf\\u00e9')"), "");
    EXPECT_EQ(set("('posz').set(9)"), "");
    EXPECT_EQ(set("('pos').set('-4', 1)"), "");
    EXPECT_EQ(set("('mode').set('high')"), "");
    EXPECT_EQ(set("('unit').set(5)"), "");
    EXPECT_EQ(leaf->evalInt("count", 0, 0), 12);
    EXPECT_EQ(leaf->evalFloat("amount", 0, 0), 0.1f);
    UT_String label;
    leaf->evalString(label, "label", 0, 0);
    EXPECT_STREQ(label.c_str(), "caf\xc3\xa9");
    EXPECT_EQ(leaf->evalFloat("pos", 2, 0), 9);
    EXPECT_EQ(leaf->evalFloat("pos", 1, 0), -4);
    EXPECT_EQ(leaf->evalInt("mode", 0, 0), 1);
    EXPECT_EQ(leaf->evalFloat("unit", 0, 0), 1); // the range is restricted

    // Single precision reads back as what was typed; text round-trips.
    EXPECT_EQ(py(parm + "('amount').eval()").myDoubleValue, 0.1);
    EXPECT_EQ(py(parm + "('label').eval()").myStringValue, "caf\xc3\xa9");
    EXPECT_EQ(py(parm + "('mode').eval()").myIntValue, 1);

    // Defaults, per parameter and per channel.
    EXPECT_EQ(py(parm + "('pos').isAtDefault()").myIntValue, 0);
    EXPECT_EQ(py(parm + "('posx').isAtDefault()").myIntValue, 1);
    EXPECT_EQ(py(parm + "('posz').isAtDefault()").myIntValue, 0);
    EXPECT_EQ(set("('posz').set(3)"), "");
    EXPECT_EQ(py(parm + "('posz').isAtDefault()").myIntValue, 1);
    EXPECT_EQ(py(parm + "('pos').isAtDefault()").myIntValue, 0); // posy still differs

    // Refusals carry the host's message and change nothing.
    EXPECT_EQ(set("('count').set('abc')"), "ValueError: Bad value 'abc' for parameter 'count'");
    EXPECT_EQ(set("('amount').set(float('nan'))"),
              "ValueError: Bad value 'nan' for parameter 'amount'");
    EXPECT_EQ(set("('unit').set(1e309)"), "ValueError: Bad value 'inf' for parameter 'unit'");
    EXPECT_EQ(set("('pos').set(1, 3)"), "ValueError: Parameter 'pos' has no component 3");
    EXPECT_EQ(set("('label').set('a\\x00b')").rfind("ValueError: ", 0), 0u);
    EXPECT_EQ(set("('count').set([1])"), "TypeError: set() takes a number or a str, not list");
    EXPECT_EQ(leaf->evalInt("count", 0, 0), 12);
    EXPECT_EQ(leaf->evalFloat("pos", 0, 0), 1);
}

TEST_F(PYHostModule, ObjectsOutlivingTheirNodeRaise)
{
    std::string error;
    ASSERT_TRUE(leaf->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("extra")), error)) << error;
    // Kept on the module between runs, as a script clerk might keep them.
    CommandRun run =
        python("host.kept = (host.node(sys.argv[1]), host.node(sys.argv[1]).parm('extra'),"
               " host.node(sys.argv[1]).parm('amount'))\n");
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(py(theHost + ".kept[1].eval()").myDoubleValue, 0);
    EXPECT_EQ(py(theHost + ".kept[0] == " + node()).myIntValue, 1);
    EXPECT_EQ(py(node() + " != " + theHost + ".node('" + mgr->getFullPath() + "')").myIntValue, 1);

    ASSERT_TRUE(leaf->removeSpareParm("extra"));
    EXPECT_EQ(py(theHost + ".kept[1].eval()").myErrValue,
              "RuntimeError: parameter no longer exists");
    EXPECT_EQ(py(theHost + ".kept[2].eval()").myDoubleValue, 0.5);

    ASSERT_TRUE(command("rm " + leafPath).ok);
    for (const char *use :
         {".kept[0].path()", ".kept[0].parms()", ".kept[2].set(1)", ".kept[2].isAtDefault()"})
        EXPECT_EQ(py(theHost + use).myErrValue, "RuntimeError: node no longer exists") << use;
    EXPECT_EQ(py("repr(" + theHost + ".kept[0])").myStringValue, "<host.Node (deleted)>");

    // A new node of the same name is another node.
    ASSERT_NE(mgr->createNode("pyleaf", "leaf"), nullptr);
    EXPECT_EQ(py(theHost + ".kept[0].name()").myErrValue, "RuntimeError: node no longer exists");
    EXPECT_EQ(py("delattr(" + theHost + ", 'kept')").myResultType, PY_Result::NONE);
}

TEST_F(PYHostModule, CmdRunsLinesAndRaisesOnTheFailingOne)
{
    const std::string mgrPath = mgr->getFullPath();
    PY_Result r =
        py(theHost + ".cmd('cd " + mgrPath + "\\nadd pyleaf second\\r\\necho  one  two\\n\\nls')");
    ASSERT_EQ(r.myResultType, PY_Result::STRING) << r.myErrValue;
    EXPECT_EQ(r.myStringValue, "one two\nleaf\nsecond\n");

    // The current network stays where the commands left it.
    r = py(theHost + ".cmd('add pyleaf third\\nadd nosuchtype\\nadd pyleaf fourth')");
    EXPECT_EQ(r.myErrValue, "RuntimeError: Error: Unknown node type 'nosuchtype' in " + mgrPath);
    EXPECT_NE(mgr->getChild("third"), nullptr);
    EXPECT_EQ(mgr->getChild("fourth"), nullptr);
    OPgetDirector()->setCwd(nullptr);

    // Nested: a script run by host.cmd prints into the result, its warnings reach sys.stderr.
    const std::string inner = script("inner.py", "import sys\nprint('inner', sys.argv[1:])\n"
                                                 "print('careful', file=sys.stderr)\n");
    CommandRun run = python("out = host.cmd('python " + inner +
                            " a \"b c\"')\nprint(repr(out))\nprint(sys.argv[1:])\n");
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(run.out, "\"inner ['a', 'b c']\\n\"\n['" + leafPath + "']\n");
    EXPECT_EQ(run.err, "careful\n");

    // The lines go to what the command language registered; with nothing there, cmd raises.
    const PY_HostModule::CommandRunner commands = PY_HostModule::setCommandRunner(nullptr);
    EXPECT_NE(commands, nullptr);
    EXPECT_EQ(py(theHost + ".cmd('echo x')").myErrValue,
              "RuntimeError: Error: no command language to run commands with");
    PY_HostModule::setCommandRunner(commands);
}

TEST_F(PYHostModule, PythonCommandCapturesOutputAndReportsFailures)
{
    CommandRun run = python("print('out', __name__, sys.argv[1:])\n"
                            "sys.stderr.write('err\\n')\n"
                            "print(host.node(sys.argv[1]).parm('count').eval() + 1)\n",
                            " -x --y");
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(run.out, "out __main__ ['" + leafPath + "', '-x', '--y']\n4\n");
    EXPECT_EQ(run.err, "err\n");
    // Everything the run replaced is back.
    EXPECT_EQ(py("__import__('sys').stdout is __import__('sys').__stdout__").myIntValue, 1);
    EXPECT_EQ(py("__import__('sys').stderr is __import__('sys').__stderr__").myIntValue, 1);
    EXPECT_EQ(py("len([a for a in __import__('sys').argv if a == '-x'])").myIntValue, 0);

    // A stream kept past its run is closed, not dangling.
    run = python("host.stream = sys.stdout\n");
    ASSERT_TRUE(run.ok) << run.error;
    EXPECT_EQ(py(theHost + ".stream.write('late')").myErrValue,
              "ValueError: I/O operation on closed file.");
    py("delattr(" + theHost + ", 'stream')");

    run = python("print('before')\n1 / 0\n");
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, "ZeroDivisionError: division by zero");
    EXPECT_EQ(run.out, "before\n");
    EXPECT_EQ(run.err.rfind("Traceback (most recent call last):\n", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("ZeroDivisionError"), std::string::npos) << run.err;

    run = python("class Oops(Exception): pass\nraise Oops('no')\n");
    EXPECT_EQ(run.error, "Oops: no");
    run = python("def f(:\n");
    EXPECT_EQ(run.error.rfind("SyntaxError: ", 0), 0u) << run.error;
    run = python("host.cmd('add nosuchtype')\n");
    EXPECT_EQ(run.error, "RuntimeError: Error: Unknown node type 'nosuchtype' in /");

    for (const char *exit : {"sys.exit()", "sys.exit(0)", "raise SystemExit(None)"})
        EXPECT_TRUE(python(std::string(exit) + "\nprint('never')\n").ok) << exit;
    run = python("sys.exit(3)\n");
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, "Python script '" + (myDir / "s.py").string() + "' exited with code 3");
    run = python("sys.exit('giving up')\n");
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.error, "giving up");

    run = command("python " + (myDir / "missing.py").string());
    EXPECT_EQ(run.error, "Cannot open Python script '" + (myDir / "missing.py").string() +
                             "': No such file or directory");
    run = command("python " + myDir.string());
    EXPECT_EQ(run.error, "Cannot open Python script '" + myDir.string() +
                             "': it is a folder, not a regular file");
    const std::string fifo = (myDir / "fifo.py").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    run = command("python " + fifo);
    EXPECT_EQ(run.error,
              "Cannot open Python script '" + fifo + "': it is a FIFO, not a regular file");
    EXPECT_EQ(command("python").error, "Usage: python FILE [ARGS...]");

    // A script that runs itself stops at a depth limit instead of exhausting the stack.
    const std::string self = (myDir / "self.py").string();
    script("self.py", "import host, sys\nhost.cmd('python ' + sys.argv[0])\n");
    run = command("python " + self);
    EXPECT_FALSE(run.ok);
    EXPECT_NE(run.error.find("nested too deeply"), std::string::npos) << run.error;

    // In a script, the failure is reported like any command's.
    std::istringstream lines("echo ok\npython " + script("bad.py", "1/0\n") + "\necho never\n");
    std::ostringstream out, err;
    EXPECT_FALSE(CMDgetManager()->runScript(lines, "job.cmd", out, err));
    EXPECT_EQ(out.str(), "ok\n");
    const std::string text = err.str();
    EXPECT_NE(text.find("Error: ZeroDivisionError: division by zero (job.cmd:2)\n"),
              std::string::npos)
        << text;
}

TEST_F(PYHostModule, AScriptRunAgainStartsAfreshAndFollowsItsFile)
{
    // Run as creation scripts are, once per node: each run has globals of its own, and a
    // change to the file, even one keeping its length, is what the next run does.
    const std::string path = script("again.py", "seen = globals().get('seen', 0) + 1\n"
                                                "print(seen, 'a')\n");
    for (int i = 0; i < 3; ++i)
    {
        CommandRun run = command("python " + path);
        ASSERT_TRUE(run.ok) << run.error;
        EXPECT_EQ(run.out, "1 a\n");
    }
    script("again.py", "seen = globals().get('seen', 0) + 1\n"
                       "print(seen, 'b')\n");
    EXPECT_EQ(command("python " + path).out, "1 b\n");
    script("again.py", "1 / 0\n");
    EXPECT_EQ(command("python " + path).error, "ZeroDivisionError: division by zero");
}

TEST_F(PYHostModule, SearchPathGivesFilesAndPythonFolders)
{
    const char *saved = std::getenv("SHOP_HOST_PATH");
    const std::string old = saved ? saved : "";
    const std::string first = (myDir / "first").string();
    const std::string second = (myDir / "second").string();
    std::filesystem::create_directories(first + "/python");
    std::filesystem::create_directories(second + "/python");
    std::ofstream(second + "/probe.txt") << "x";
    std::ofstream(first + "/python/py_host_probe.py") << "WHERE = 'first'\n";
    std::ofstream(second + "/python/py_host_probe.py") << "WHERE = 'second'\n";
    std::ofstream(first + "/both.txt") << "x";
    std::ofstream(second + "/both.txt") << "x";
    ASSERT_EQ(setenv("SHOP_HOST_PATH", (first + ":" + second).c_str(), 1), 0);
    UT_PathSearch::getInstance()->rehash();

    auto findfile = [&](const std::string &name)
    {
        EV_Value value;
        std::string error;
        EXPECT_TRUE(leaf->evaluateExpression("findfile(\"" + name + "\")", 0, value, error))
            << error;
        return value.str;
    };
    EXPECT_EQ(findfile("probe.txt"), second + "/probe.txt");
    EXPECT_EQ(findfile("both.txt"), first + "/both.txt");
    EXPECT_EQ(findfile("nowhere.txt"), "");
    EXPECT_EQ(findfile(""), "");

    // The interpreter starts here (each test runs in a process of its own), so it sees the
    // path just set: every folder's python/ in path order, the runtime's last.
    const std::string runtimePython =
        UT_PathSearch::getInstance()->getDirectories().back() + "/python";
    PY_Result r = py("[p for p in __import__('sys').path if p.endswith('/python')]");
    ASSERT_EQ(r.myResultType, PY_Result::STRING_ARRAY) << r.myErrValue;
    if (r.myStringArray.empty() || r.myStringArray.front() != first + "/python")
    {
        setenv("SHOP_HOST_PATH", old.c_str(), 1);
        UT_PathSearch::getInstance()->rehash();
        GTEST_SKIP() << "Python was started earlier in this process";
    }
    EXPECT_EQ(r.myStringArray,
              (std::vector<std::string>{first + "/python", second + "/python", runtimePython}));
    EXPECT_EQ(py("__import__('py_host_probe').WHERE").myStringValue, "first");

    if (saved)
        setenv("SHOP_HOST_PATH", old.c_str(), 1);
    else
        unsetenv("SHOP_HOST_PATH");
    UT_PathSearch::getInstance()->rehash();
}

TEST_F(PYHostModule, SentInputIsNeverEchoed)
{
    CMD_Manager &manager = *CMDgetManager();
    manager.setEcho(true);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(manager.sendInput("echo sent"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "sent\n");
    EXPECT_TRUE(manager.getEcho());
    manager.setEcho(false);
}

} // namespace
