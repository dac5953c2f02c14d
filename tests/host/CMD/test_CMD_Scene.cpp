// Scenes written as command scripts and read back: quoting, byte-identical round trips, the
// previous scene kept when a file fails, and files of older versions.

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneWriter.h>
#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_XYZ, 3, PRM_Name("t"), {PRM_Default(0)}),
    PRM_Template(PRM_STRING, 1, PRM_Name("note"), {PRM_Default(0, "hello")}),
    PRM_Template(PRM_INT, 1, PRM_Name("count"), {PRM_Default(2)}),
    PRM_Template(PRM_FLT, 1, PRM_Name("scale"), {PRM_Default(0, "1+1", PRM_DEFAULT_EXPRESSION)}),
    PRM_Template(),
};
const PRM_Template theObsolete[] = {
    PRM_Template(PRM_STRING, 2, PRM_Name("oldpair")),
    PRM_Template(),
};

// Takes the components of an obsolete pair, joined, as its note.
class OldPairNode : public OP_GenericNode
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new OldPairNode(parent, name, op);
    }
    void resolveObsoleteParms(PRM_ParmList *obsolete) override
    {
        PRM_Parm *pair = obsolete->getParmPtr("oldpair");
        std::string error;
        if (pair && getParmPtr("note")->setValueFromText(
                        0, (pair->getValueText(0) + "+" + pair->getValueText(1)).c_str(), error))
            obsolete->removeParm("oldpair");
    }

private:
    OldPairNode(OP_Network *parent, const char *name, OP_Operator *op)
        : OP_GenericNode(parent, name, op)
    {
    }
};

int theScriptsRun = 0;
bool countScript(OP_Node &)
{
    ++theScriptsRun;
    return true;
}

class SceneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OP_Director *director = OPgetDirector();
        OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
        if (!root->getOperator("scenenet"))
        {
            for (OP_OperatorTable *table : {root, director->getOperatorTable("SceneTest")})
            {
                auto *net = new OP_Operator("scenenet", "Net", OP_GenericNetwork::myConstructor,
                                            nullptr, 0, 0, nullptr, OP_FLAG_NETWORK);
                net->setChildTableName("SceneTest");
                table->addOperator(net);
            }
            auto *thing = new OP_Operator("thing", "Thing", OP_GenericNode::myConstructor,
                                          theTemplates, 0, 2, nullptr, 0, nullptr, 2);
            thing->setObsoleteTemplates(theObsolete);
            director->getOperatorTable("SceneTest")->addOperator(thing);
            auto *pairs = new OP_Operator("pairs", "Pairs", OldPairNode::myConstructor,
                                          theTemplates, 0, 0, nullptr, 0);
            pairs->setObsoleteTemplates(theObsolete);
            director->getOperatorTable("SceneTest")->addOperator(pairs);
        }
        director->clearNetwork();
        myDir =
            std::filesystem::path(::testing::TempDir()) / ("scene_" + std::to_string(::getpid()));
        std::filesystem::create_directories(myDir);
        OP_Node::setCreateScriptRunner(countScript);
        theScriptsRun = 0;
    }
    void TearDown() override
    {
        OP_Node::setCreateScriptRunner(nullptr);
        OPgetDirector()->clearNetwork();
        std::filesystem::remove_all(myDir);
    }

    bool run(const std::string &lines)
    {
        myOut.str("");
        myErr.str("");
        std::istringstream in(lines);
        return CMDgetManager()->runScript(in, "test", myOut, myErr);
    }
    static std::string sceneText()
    {
        std::ostringstream text;
        CMD_SceneWriter(text).write(*OPgetDirector()->getRoot());
        return text.str();
    }
    std::string file(const char *name, const std::string &text = "")
    {
        const std::string path = (myDir / name).string();
        if (!text.empty())
            std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string contents(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::string eval(const char *path, const char *parm)
    {
        std::ostringstream out, err;
        std::string error;
        CMDgetManager()->execute(std::string("eval ") + path + " " + parm, out, err, error);
        return out.str() + error;
    }

    std::filesystem::path myDir;
    std::ostringstream myOut, myErr;
};

// Words that a scene holds in names, values and expressions, and that the command language
// gives meaning to.
const std::vector<std::string> theAwkward = {
    "",      "plain", "two words",   "'single'",    "\"double\"", "back\\slash", "`1+1`",
    "#hash", "$T",    "line\nbreak", "tab\there",   "cr\r",       "trailing\\",  "''' \"\"\"",
    "-e",    "--",    "-1.5",        "caf\xc3\xa9", "a;b|c&d>e",  "\\n literal",
};
} // namespace

TEST(CMD_Tokenizer, QuotedWordsSplitBackToThemselvesAndAreNeverOptions)
{
    std::vector<std::string> words = theAwkward;
    std::mt19937 random(7);
    const std::string alphabet = "ab -_'\"`\\#$\n\r\t;()*?{}/.0123456789\xc3\xa9";
    for (int i = 0; i < 2000; ++i)
    {
        std::string word;
        for (int n = random() % 12; n > 0; --n)
            word += alphabet[random() % alphabet.size()];
        words.push_back(word);
    }
    for (const std::string &word : words)
    {
        const std::string quoted = CMD_Tokenizer::quote(word);
        std::vector<std::string> split;
        std::vector<bool> plain;
        std::string error;
        // An expander that fails proves no backquote is left to expand.
        auto refuse = [](const std::string &, std::string &, std::string &e)
        {
            e = "expanded";
            return false;
        };
        ASSERT_TRUE(CMD_Tokenizer::split("set " + quoted + " x", split, error, refuse, &plain))
            << quoted << ": " << error;
        ASSERT_EQ(split.size(), 3u) << quoted;
        EXPECT_EQ(split[1], word) << quoted;
        if (plain[1] && word.size() == 2 && word[0] == '-' && std::isalpha(word[1]))
            ADD_FAILURE() << "'" << word << "' could read as an option";
    }
    // What needs no quotes is written bare, numbers with a sign among them.
    for (const char *bare : {"/obj/geo1", "0.25", "-1.5", "1e-05", "a.b_c"})
        EXPECT_EQ(CMD_Tokenizer::quote(bare), bare);
}

TEST_F(SceneTest, ASavedSceneReadsBackToTheSameBytesAndValues)
{
    std::string script = "add scenenet top\n"
                         "cd top\n"
                         "add thing a\n"
                         "add thing b\n"
                         "add scenenet inner\n"
                         "cd inner\n"
                         "add thing deep\n"
                         "cd /top\n"
                         "spare -l 'Odd \"label\"' a extra color 3 0.5 0.25 1\n"
                         "spare a words string 1 \"default 'text'\"\n"
                         "set a t 1 -2.5 0.1\n"
                         "set -e b ty 'ch(\"../a/tx\") * 2'\n"
                         "set b tz 7\n"
                         "set b count 5\n"
                         "set -e b scale '$T + 1'\n"
                         "set -e inner/deep note 'chs(\"../../a/note\")'\n"
                         "wire a b 1 1\n"
                         "wire a b 0\n";
    std::string values;
    for (size_t i = 0; i < theAwkward.size(); ++i)
        values += "spare a s" + std::to_string(i) + " string 1\nset a s" + std::to_string(i) + " " +
                  CMD_Tokenizer::quote(theAwkward[i]) + "\n";
    ASSERT_TRUE(run(script + values)) << myErr.str();
    // Numbers a single-precision value cannot hold would be saved as "inf", which nothing
    // reads back: they are refused where they come in.
    EXPECT_FALSE(run("set /top/a t 1e104 0 0"));
    EXPECT_FALSE(run("spare /top/a big float 1 -1e39"));
    const std::string first = sceneText();
    const std::string path = file("scene.cmd");
    ASSERT_TRUE(run("save " + path)) << myErr.str();

    ASSERT_TRUE(run("rm /top\nload " + path)) << myErr.str();
    EXPECT_EQ(myErr.str(), "");
    EXPECT_EQ(sceneText(), first);
    EXPECT_EQ(eval("/top/b", "t"), "0 2 7\n");
    EXPECT_EQ(eval("/top/b", "scale"), "1\n");
    EXPECT_EQ(eval("/top/inner/deep", "note"), "hello\n");
    EXPECT_EQ(eval("/top/a", "extra"), "0.5 0.25 1\n");
    const PRM_Parm *extra = OPgetDirector()->findNode("/top/a")->getParmPtr("extra");
    EXPECT_STREQ(extra->getLabel(), "Odd \"label\"");
    OP_Node *b = OPgetDirector()->findNode("/top/b");
    EXPECT_EQ(b->getInput(1), OPgetDirector()->findNode("/top/a"));
    EXPECT_EQ(b->getInputOutputIndex(1), 1);
    for (size_t i = 0; i < theAwkward.size(); ++i)
    {
        UT_String value;
        OPgetDirector()->findNode("/top/a")->evalString(value, ("s" + std::to_string(i)).c_str(), 0,
                                                        0);
        EXPECT_EQ(value.toStdString(), theAwkward[i]);
    }
    // Nodes come back as they were saved: creation scripts ran for the first scene only.
    EXPECT_EQ(theScriptsRun, 5);
    EXPECT_TRUE(run("cd /top\nadd thing late"));
    EXPECT_EQ(theScriptsRun, 6);
}

TEST_F(SceneTest, FortyThousandNestedNetworksChangeSaveLoadAndGo)
{
    // Far deeper than calls could nest: every walk over the tree has to be a loop.
    constexpr int theDepth = 40000;
    std::string script;
    for (int i = 0; i < theDepth; ++i)
        script += "add scenenet s\ncd s\n";
    script += "add thing t\nadd thing u\nset t count 5\nwire t u 0\n"
              "set -e u scale 'ch(\"../t/count\") * 2'\n";
    ASSERT_TRUE(run(script)) << myErr.str();
    // Asked afresh each time: a load puts a new root in place of the old one.
    auto root = [] { return OPgetDirector()->getRoot(); };
    auto bottom = [root](const char *name)
    {
        OP_Node *node = root()->getChild(0);
        for (int i = 1; i < theDepth && node; ++i)
            node = static_cast<OP_Network *>(node)->getChild(0);
        return node ? static_cast<OP_Network *>(node)->getChild(name) : nullptr;
    };
    ASSERT_NE(bottom("u"), nullptr);
    EXPECT_FLOAT_EQ(bottom("u")->evalFloat("scale", 0, 0), 10.0f);

    // A change at the bottom reaches the top; renaming the top rewrites every path below.
    OP_Context context(0);
    root()->getChild(0)->cook(context);
    ASSERT_TRUE(run("set t count 6\nrename /s top"));
    EXPECT_TRUE(root()->getChild(0)->isCookNeeded(context));
    EXPECT_EQ(bottom("t")->getFullPath().substr(0, 7), "/top/s/");

    // The file grows with the number of nodes, not with their depth times their number.
    const std::string path = file("deep.cmd");
    ASSERT_TRUE(run("save " + path)) << myErr.str();
    EXPECT_LT(std::filesystem::file_size(path), 64u * theDepth);
    const std::string first = sceneText();
    ASSERT_TRUE(run("load " + path)) << myErr.str();
    EXPECT_EQ(myErr.str(), "");
    EXPECT_EQ(sceneText(), first);
    ASSERT_NE(bottom("u"), nullptr);
    EXPECT_EQ(bottom("u")->getInput(0), bottom("t"));
    EXPECT_FLOAT_EQ(bottom("u")->evalFloat("scale", 0, 0), 12.0f);

    ASSERT_TRUE(run("rm /top")) << myErr.str();
    EXPECT_EQ(root()->getNchildren(), 0);
}

TEST_F(SceneTest, UndoingTheDeletionOfADeepNodeRewiresItsReaders)
{
    // A path this long is written relative to a `cd`, which has a line of its own.
    std::string script;
    for (int i = 0; i < 12; ++i)
        script += "add scenenet a_network_with_a_long_name\ncd a_network_with_a_long_name\n";
    script += "add thing u\nadd thing t\nwire t u 0\n";
    ASSERT_TRUE(run(script)) << myErr.str();
    ASSERT_GT(OPgetDirector()->getCwd()->getFullPath().size(), CMD_SceneWriter::theLongPath);
    const std::string before = sceneText();
    ASSERT_TRUE(run("rm t\nundo")) << myErr.str();
    EXPECT_EQ(myErr.str(), "");
    EXPECT_EQ(sceneText(), before);
}

TEST_F(SceneTest, AScenePastAMegabyteReachesFilesAndStreamsWhole)
{
    // A stream is handed the text in pieces; a file gets it at once.
    const std::string note(400, 'n');
    std::string script = "add scenenet wide\ncd wide\n";
    for (int i = 0; i < 3000; ++i)
        script += "add thing t" + std::to_string(i) + "\nset t" + std::to_string(i) + " note " +
                  note + std::to_string(i) + "\n";
    ASSERT_TRUE(run(script)) << myErr.str();
    const std::string path = file("wide.cmd");
    ASSERT_TRUE(run("save " + path)) << myErr.str();
    const std::string text = sceneText();
    EXPECT_GT(text.size(), 1u << 20);
    EXPECT_EQ(contents(path), text);
    ASSERT_TRUE(run("load " + path)) << myErr.str();
    EXPECT_EQ(sceneText(), text);
    EXPECT_EQ(eval("/wide/t2999", "note"), note + "2999\n");
}

TEST_F(SceneTest, AFileThatFailsLeavesThePreviousScene)
{
    ASSERT_TRUE(run("add scenenet keep\ncd keep\nadd thing x\nset x note kept\n"));
    const std::string before = sceneText();
    const std::string bad = file("bad.cmd", "add scenenet other\ncd other\nset nothing note 1\n");
    EXPECT_FALSE(run("load " + bad));
    EXPECT_NE(myErr.str().find("No node 'nothing' (" + bad + ":3)"), std::string::npos)
        << myErr.str();
    EXPECT_NE(myErr.str().find("previous scene is kept"), std::string::npos) << myErr.str();
    EXPECT_EQ(sceneText(), before);

    // A scene file cannot pull in another in the middle of itself.
    EXPECT_FALSE(run("load " + file("nested.cmd", "load " + bad + "\n")));
    EXPECT_EQ(sceneText(), before);
}

TEST_F(SceneTest, OlderFilesLoadWhatTheyCanAndSayWhatTheyCannot)
{
    const std::string old = file("old.cmd", "add scenenet net\n"
                                            "cd net\n"
                                            "add thing x\n"
                                            "set x gone 3\n"
                                            "set -e x lost '$F * 2'\n"
                                            "set x oldpair a b\n"
                                            "set x oldpair2 c\n"
                                            "set x later 4\n"
                                            "spare x later float 1\n"
                                            "set x note kept\n"
                                            "add pairs y\n"
                                            "set y oldpair a\n"
                                            "set -e y oldpair2 '$F'\n"
                                            "add pairs z\n");
    ASSERT_TRUE(run("load " + old)) << myErr.str();
    // The unknown value is named, and so is the obsolete pair that x has no use for; the
    // expression keeps a float parameter of its own; a value set before its spare parameter
    // still arrives. y takes its pair, set by name and by channel, as written.
    EXPECT_EQ(myErr.str(),
              "Warning: /net/x: No parameter 'gone'; its saved value is not loaded\n"
              "Warning: /net/x: Obsolete parameter 'oldpair' is not used; its saved value is not "
              "loaded\n");
    EXPECT_EQ(eval("/net/y", "note"), "a+$F\n");
    EXPECT_EQ(eval("/net/z", "note"), "hello\n");
    EXPECT_EQ(eval("/net/x", "note"), "kept\n");
    EXPECT_EQ(eval("/net/x", "later"), "4\n");
    const PRM_Parm *lost = OPgetDirector()->findNode("/net/x")->getParmPtr("lost");
    ASSERT_NE(lost, nullptr);
    EXPECT_TRUE(lost->isSpareParm());
    EXPECT_EQ(lost->getValueText(0), "$F * 2");
}

TEST_F(SceneTest, SavingNeverLeavesAHalfWrittenFile)
{
    ASSERT_TRUE(run("add scenenet s"));
    const std::string path = file("kept.cmd", "previous contents\n");
    EXPECT_FALSE(run("save " + (myDir / "no" / "such" / "dir.cmd").string()));
    EXPECT_NE(myErr.str().find("Cannot write scene"), std::string::npos);
    EXPECT_NE(myErr.str().find("No such file or directory"), std::string::npos) << myErr.str();

    // A scene larger than the disk takes fails as it is written, piece by piece: the file
    // keeps what it held. (A size limit stands for a full disk.)
    std::string wide = "cd s\n";
    for (int i = 0; i < 600; ++i)
        wide += "add thing t" + std::to_string(i) + "\nset t" + std::to_string(i) + " note " +
                std::string(4000, 'w') + "\n";
    ASSERT_TRUE(run(wide)) << myErr.str();
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = run("save " + path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(saved);
    EXPECT_NE(myErr.str().find("File too large"), std::string::npos) << myErr.str();
    EXPECT_EQ(contents(path), "previous contents\n");

    ASSERT_TRUE(run("save " + path));
    EXPECT_EQ(std::filesystem::directory_iterator(myDir)->path().filename(), "kept.cmd");
    EXPECT_EQ(++std::filesystem::directory_iterator(myDir), std::filesystem::directory_iterator());
    EXPECT_EQ(contents(path), sceneText());
}

TEST_F(SceneTest, SaveWritesThroughLinksAndRefusesWhatIsNoFile)
{
    namespace fs = std::filesystem;
    ASSERT_TRUE(run("add scenenet s"));
    fs::create_directories(myDir / "real");
    const std::string target = file("real/scene.cmd", "old\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A chain: an absolute link to a relative one, to the file.
    fs::create_symlink("real/scene.cmd", myDir / "near");
    fs::create_symlink(myDir / "near", myDir / "far");
    // A file of the user's that happens to have the name an earlier version wrote to.
    const std::string own = file("real/scene.cmd.saving", "mine\n");
    ASSERT_TRUE(run("save " + (myDir / "far").string())) << myErr.str();
    EXPECT_EQ(contents(target), sceneText());
    EXPECT_TRUE(fs::is_symlink(myDir / "far"));
    EXPECT_TRUE(fs::is_symlink(myDir / "near"));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(contents(own), "mine\n");
    // A link to nowhere makes the file it names.
    fs::create_symlink("real/new.cmd", myDir / "dangling");
    ASSERT_TRUE(run("save " + (myDir / "dangling").string())) << myErr.str();
    EXPECT_EQ(contents((myDir / "real" / "new.cmd").string()), sceneText());

    // Anything else is refused before a byte is written.
    const std::string fifo = (myDir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("loop2", myDir / "real" / "loop1");
    fs::create_symlink("loop1", myDir / "real" / "loop2");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {fifo, "it is a FIFO, not a regular file"},
        {(myDir / "real").string(), "it is a folder, not a regular file"},
        {(myDir / "real" / "loop1").string(), "Too many levels of symbolic links"},
        {"", "No such file or directory"},
    };
    for (const auto &[path, why] : refused)
    {
        EXPECT_FALSE(run("save " + CMD_Tokenizer::quote(path)));
        EXPECT_EQ(myErr.str(), "Error: Cannot write scene '" + path + "': " + why + " (test:1)\n");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    // And no temporary file is left behind by any of it.
    std::set<std::string> names;
    for (const fs::path &folder : {myDir, myDir / "real"})
        for (const auto &entry : fs::directory_iterator(folder))
            names.insert(entry.path().lexically_relative(myDir).string());
    EXPECT_EQ(names, (std::set<std::string>{"real", "real/scene.cmd", "real/scene.cmd.saving",
                                            "real/new.cmd", "real/loop1", "real/loop2", "near",
                                            "far", "dangling", "fifo"}));
}

TEST_F(SceneTest, OnlyARegularFileLoadsAndAFailureChangesNothing)
{
    ASSERT_TRUE(run("add scenenet keep\ncd keep\nadd thing x\nset x note kept"));
    OP_Node *x = OPgetDirector()->findNode("/keep/x");
    const std::string before = sceneText();
    const std::string fifo = (myDir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bad = file("bad.cmd", "add scenenet other\nset /nothing note 1\n");
    for (const std::string &path : {myDir.string(), fifo, bad, file("missing.cmd")})
    {
        EXPECT_FALSE(run("load " + path)) << path;
        // The very nodes, and the current network, are still there.
        EXPECT_EQ(OPgetDirector()->findNode("/keep/x"), x) << path;
        EXPECT_EQ(OPgetDirector()->getCwd()->getFullPath(), "/keep") << path;
        EXPECT_EQ(sceneText(), before) << path;
    }
    EXPECT_FALSE(run("load " + myDir.string()));
    EXPECT_EQ(myErr.str(), "Error: Cannot open scene '" + myDir.string() +
                               "': it is a folder, not a regular file (test:1)\n");
    EXPECT_FALSE(run("source " + fifo));
    EXPECT_EQ(myErr.str(), "Error: Cannot open script '" + fifo +
                               "': it is a FIFO, not a regular file (test:1)\n");

    // An empty file loads, but not without a word.
    const std::string empty = file("empty.cmd");
    std::ofstream(empty).close();
    EXPECT_TRUE(run("load " + empty));
    EXPECT_EQ(myErr.str(),
              "Warning: scene '" + empty + "' holds no nodes; the scene is now empty\n");
    EXPECT_EQ(OPgetDirector()->getRoot()->getNchildren(), 0);
}

// Many nodes given the same multi-parameter keep one template of it; a node whose group grows
// on gets a template of its own and leaves the others as they were.
TEST_F(SceneTest, MultiParametersMadeAlikeShareATemplateAndGrowApart)
{
    ASSERT_TRUE(run("add scenenet top\ncd top\nadd thing a\nadd thing b\nadd thing c\n"));
    for (const char *node : {"a", "b", "c"})
        ASSERT_TRUE(run(std::string("spare ") + node + " layers multi 1\n" + "spare -m layers " +
                        node + " 'file#' string 1 none\n"))
            << myErr.str();
    auto templateOf = [](const char *path)
    { return OPgetDirector()->findNode(path)->getSpareTemplate("layers"); };
    EXPECT_EQ(templateOf("/top/a"), templateOf("/top/b"));
    EXPECT_EQ(templateOf("/top/a"), templateOf("/top/c"));

    ASSERT_TRUE(run("spare -m layers b 'weight#' float 1 0.5\nset a layers 2\nset b layers 1\n"))
        << myErr.str();
    EXPECT_NE(templateOf("/top/a"), templateOf("/top/b"));
    EXPECT_EQ(templateOf("/top/a"), templateOf("/top/c"));
    EXPECT_EQ(eval("/top/a", "file2"), "none\n");
    EXPECT_NE(eval("/top/a", "weight1"), "0.5\n");
    EXPECT_EQ(eval("/top/b", "weight1"), "0.5\n");
    EXPECT_EQ(templateOf("/top/c")->getMultiParmTemplates().size(), 2u); // file#, terminator

    // The same growth on another node meets b's template again, and a saved scene loads back
    // to the same text with the templates shared as before.
    ASSERT_TRUE(run("spare -m layers c 'weight#' float 1 0.5\n"));
    EXPECT_EQ(templateOf("/top/b"), templateOf("/top/c"));
    const std::string saved = sceneText();
    const std::string path = file("multi.cmd");
    ASSERT_TRUE(run("save " + path + "\nload " + path + "\n")) << myErr.str();
    EXPECT_EQ(sceneText(), saved);
    EXPECT_EQ(templateOf("/top/b"), templateOf("/top/c"));
    EXPECT_EQ(eval("/top/b", "weight1"), "0.5\n");
}
