#include "../ShopTestNodes.h"

#include <CMD/CMD_Manager.h>
#include <OP/OP_GalleryEntry.h>
#include <UT/UT_PathSearch.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace shoptest;

namespace
{

// The scripts the clerks name. Each leaves a trace on the node it is given, so that the test
// sees which ran, with which arguments and from which network.
struct CreationScripts : ::testing::Environment
{
    void SetUp() override
    {
        char pattern[] = "/tmp/shop_gallery_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        myRoot = pattern;
        const std::filesystem::path folder = myRoot / "scripts" / "shop";
        std::filesystem::create_directories(folder);
        auto write = [&](const char *name, const char *text)
        { std::ofstream(folder / name, std::ios::binary) << text; };
        write("gal_set.py", "import sys, host\n"
                            "where = host.cmd('pwd').strip()\n"
                            "host.cmd('set %s val 7' % sys.argv[1])\n"
                            "host.cmd('set %s note \"%s %s\"' % (sys.argv[1], where, "
                            "' '.join(sys.argv[1:])))\n");
        write("gal_fail.py", "raise RuntimeError('creation script fails on purpose')\n");
        write("gal_masked.py", "import sys, host\nhost.cmd('set %s val 99' % sys.argv[1])\n");
        setenv("SHOP_HOST_PATH", myRoot.c_str(), 1);
        UT_PathSearch::getInstance()->rehash();
    }
    void TearDown() override { std::filesystem::remove_all(myRoot); }

    std::filesystem::path myRoot;
};

const auto *const theScripts = ::testing::AddGlobalTestEnvironment(new CreationScripts);

/// A clerk with given keywords and a creation script for one type. When asked for the script
/// it records the state the node's creation bracket is in.
class GalleryClerk : public SHOP_Clerk
{
public:
    GalleryClerk(const char *name, const char *keywords, const char *script = nullptr,
                 SHOP_TYPE scriptType = SHOP_UNDEFINED)
        : myName(name), myKeywords(keywords), myScript(script), myScriptType(scriptType)
    {
    }
    const char *getRenderName() const override { return myName; }
    const char *getDefaultKeywords() const override { return myKeywords; }
    const char *getCreationScript(SHOP_TYPE type) const override
    {
        ++asked;
        OP_Network *cwd = OPgetDirector()->getCwd();
        seenCwd = cwd->getFullPath();
        seenEcho = CMDgetManager()->getEcho();
        // The node being made is the newest child of the network it runs in.
        OP_Node *node = cwd->getChild(cwd->getNchildren() - 1);
        seenRunning = node && node->isRunningCreateScript();
        seenLoading = node && node->getParmList()->isLoading();
        return type == myScriptType ? myScript : nullptr;
    }

    const char *myName;
    const char *myKeywords;
    const char *myScript;
    SHOP_TYPE myScriptType;
    mutable int asked = 0;
    mutable std::string seenCwd;
    mutable bool seenEcho = true;
    mutable bool seenRunning = false;
    mutable bool seenLoading = false;
};

/// A shader node whose two outputs have different types.
class TwoOutputNode : public TestShopNode
{
public:
    using TestShopNode::TestShopNode;
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new TwoOutputNode(parent, name, op);
    }
    unsigned maxOutputs() const override { return 3; }
    SHOP_TYPE getOutputType(int index) const override
    {
        static constexpr SHOP_TYPE theTypes[] = {SHOP_ATMOSPHERE, SHOP_UNDEFINED, SHOP_LIGHT};
        return theTypes[index];
    }
};

struct GalleryClerks
{
    GalleryClerk atmA{"GalA", "alpha, beta\tgamma"};
    GalleryClerk atmB{"GalB", "beta\n alpha,,delta "};
    GalleryClerk atmMasked{"GalMasked", "masked"};
    GalleryClerk lightFail{"GalFail", "zeta", "gal_fail.py", SHOP_LIGHT};
    GalleryClerk lightSet{"GalSet", "alpha", "gal_set.py", SHOP_LIGHT};
    GalleryClerk lightMasked{"GalMasked", "hidden", "gal_masked.py", SHOP_LIGHT};
    GalleryClerk lightNoScript{"GalNone", "", nullptr, SHOP_LIGHT};
};

GalleryClerks &galleryClerks()
{
    static GalleryClerks *theClerks = []
    {
        auto *c = new GalleryClerks;
        SHOP_Node::addShaderClerk(SHOP_ATMOSPHERE, &c->atmA);
        SHOP_Node::addShaderClerk(SHOP_ATMOSPHERE, &c->atmB);
        SHOP_Node::addShaderClerk(SHOP_ATMOSPHERE, &c->atmMasked);
        SHOP_Node::addShaderClerk(SHOP_LIGHT, &c->lightFail);
        SHOP_Node::addShaderClerk(SHOP_LIGHT, &c->lightSet);
        SHOP_Node::addShaderClerk(SHOP_LIGHT, &c->lightMasked);
        SHOP_Node::addShaderClerk(SHOP_LIGHT, &c->lightNoScript);

        const char *mask = "GalA GalB GalFail GalSet GalNone";
        auto *two = new SHOP_Operator("t_galtwo", "Two", TwoOutputNode::myConstructor,
                                      std::vector<PRM_Template>{PRM_Template()}.data(), 0, 0,
                                      SHOP_Node::getVariables(), 0, 0);
        two->getShopInfo().setShaderType(SHOP_ATMOSPHERE);
        two->getShopInfo().setRenderMask(mask);
        OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(two);
        addShop("t_gallight", SHOP_LIGHT, mask,
                {PRM_Template(PRM_FLT, 1, PRM_Name("val"), {PRM_Default(0)}),
                 PRM_Template(PRM_STRING, 1, PRM_Name("note"), {PRM_Default(0, "")})});
        addShop("t_galphoton", SHOP_PHOTON, "*");
        addShop("t_galundef", SHOP_UNDEFINED, "*");
        return c;
    }();
    return *theClerks;
}

class Gallery : public ShopTest
{
protected:
    void SetUp() override
    {
        galleryClerks();
        ShopTest::SetUp();
    }
    static OP_GalleryEntry entryOf(OP_Node *node)
    {
        OP_GalleryEntry entry;
        node->createGalleryEntry(entry);
        return entry;
    }
};

bool failingHostScript(OP_Node &)
{
    return false;
}

TEST_F(Gallery, KeywordsComeOnceFromTheServingClerksOfEveryOutput)
{
    OP_GalleryEntry entry = entryOf(make("t_galtwo"));
    EXPECT_EQ(entry.getOperatorName(), "t_galtwo");
    EXPECT_EQ(entry.getLabel(), "Two");
    // Undefined outputs are skipped, masked-out clerks add nothing, words shared by clerks of
    // one or of different outputs come once.
    EXPECT_EQ(entry.getKeywords(), "t_galtwo alpha beta delta gamma zeta");
    EXPECT_EQ(entry.getCategories(), SHOP_Node::getShaderLabel(SHOP_ATMOSPHERE));

    entry = entryOf(make("t_surface"));
    EXPECT_EQ(entry.getCategories(), "Surface Shader");

    // No clerks: the host's entry alone; an undefined type has no category.
    entry = entryOf(make("t_galphoton"));
    EXPECT_EQ(entry.getKeywords(), "t_galphoton");
    EXPECT_EQ(entry.getCategories(), SHOP_Node::getShaderLabel(SHOP_PHOTON));
    entry = entryOf(make("t_galundef"));
    EXPECT_EQ(entry.getKeywords(), "t_galundef");
    EXPECT_EQ(entry.getCategories(), "");
}

TEST_F(Gallery, CreationScriptsOfServingClerksRunInsideARestoredBracket)
{
    GalleryClerks &c = galleryClerks();
    TestShopNode *sub = make("t_net");
    OPgetDirector()->setCwd(mgr);
    CMD_Manager *commands = CMDgetManager();
    commands->setEcho(true);
    const int maskedAsked = c.lightMasked.asked;

    TestShopNode *light = make("t_gallight", sub, "lamp");
    ASSERT_NE(light, nullptr);
    const std::string path = light->getFullPath();

    // The failing script stops neither the node nor the scripts after it; the masked clerk's
    // script would have set 99.
    EXPECT_EQ(light->evalFloat("val", 0, 0), 7.0f);
    UT_String note;
    light->evalString(note, "note", 0, 0);
    EXPECT_EQ(note.toStdString(), sub->getFullPath() + " " + path);
    EXPECT_EQ(light->error(), UT_ERROR_NONE);
    EXPECT_EQ(c.lightMasked.asked, maskedAsked);
    for (const GalleryClerk *clerk : {&c.lightFail, &c.lightSet, &c.lightNoScript})
    {
        EXPECT_EQ(clerk->seenCwd, sub->getFullPath()) << clerk->myName;
        EXPECT_FALSE(clerk->seenEcho) << clerk->myName;
        EXPECT_TRUE(clerk->seenRunning) << clerk->myName;
        EXPECT_TRUE(clerk->seenLoading) << clerk->myName;
    }
    EXPECT_EQ(OPgetDirector()->getCwd(), mgr);
    EXPECT_TRUE(commands->getEcho());
    EXPECT_FALSE(light->isRunningCreateScript());
    EXPECT_FALSE(light->getParmList()->isLoading());
    commands->setEcho(false);
    OPgetDirector()->setCwd(nullptr);
}

TEST_F(Gallery, AFailingHostScriptSkipsTheClerksAndLeavesAWarnedNode)
{
    GalleryClerks &c = galleryClerks();
    const int asked = c.lightSet.asked;
    OP_CreateScriptRunner old = OP_Node::setCreateScriptRunner(failingHostScript);
    TestShopNode *light = make("t_gallight");
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->error(), UT_ERROR_WARNING);
    EXPECT_FALSE(light->runCreateScript());
    OP_Node::setCreateScriptRunner(old);

    EXPECT_EQ(c.lightSet.asked, asked);
    EXPECT_EQ(light->evalFloat("val", 0, 0), 0.0f);
    EXPECT_TRUE(light->runCreateScript());
    EXPECT_EQ(light->evalFloat("val", 0, 0), 7.0f);
}

} // namespace
