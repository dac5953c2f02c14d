#include "OP_TestNodes.h"

#include <CH/CH_Manager.h>
#include <OP/OP_Parameters.h>

#include <string>
#include <vector>

using namespace optest;

using OP_Node_Test = OPTest;

TEST_F(OP_Node_Test, CookRunsOnlyWhenSomethingChanged)
{
    TestNode *up = leaf("up");
    TestNode *down = leaf("down");
    ASSERT_TRUE(down->setInput(0, up));
    OP_Context context(0);

    down->cook(context);
    EXPECT_EQ(down->cookMeCount, 1);
    EXPECT_EQ(up->cookMeCount, 1);
    down->cook(context);
    EXPECT_EQ(down->cookMeCount, 1);

    down->getParmPtr("val")->setValue(0, 4);
    down->cook(context);
    EXPECT_EQ(down->cookMeCount, 2);
    EXPECT_FLOAT_EQ(down->lastValue, 4.0f);
    EXPECT_EQ(up->cookMeCount, 1);

    up->getParmPtr("val")->setValue(0, 2);
    down->cook(context);
    EXPECT_EQ(down->cookMeCount, 3);
    EXPECT_EQ(up->cookMeCount, 2);
    EXPECT_FALSE(down->isTimeDependent());
    OP_Context later(1);
    down->cook(later);
    EXPECT_EQ(down->cookMeCount, 3);

    // A parameter that leaves the result valid changes nothing that must cook.
    int events = 0;
    int handle = down->addEventHandler([&](OP_Node &, OP_EventType type, void *)
                                       { events += type == OP_PARM_CHANGED; });
    down->getParmPtr("ui")->setValue(0, 3);
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(down->isCookNeeded(later));
    down->removeEventHandler(handle);
}

TEST_F(OP_Node_Test, TimeDependenceComesFromWhatTheCookEvaluated)
{
    TestNode *node = leaf();
    setExpr(node, "val", "$F * 2");
    setExpr(node, "t", "$T"); // never read by the cook
    OP_Context frame1(0);
    node->cook(frame1);
    EXPECT_TRUE(node->isTimeDependent());
    EXPECT_FLOAT_EQ(node->lastValue, 2.0f);
    node->cook(frame1);
    EXPECT_EQ(node->cookMeCount, 1);
    OP_Context frame2(1.0f / CH_Manager::theFPS);
    node->cook(frame2);
    EXPECT_EQ(node->cookMeCount, 2);
    EXPECT_FLOAT_EQ(node->lastValue, 4.0f);

    node->getParmPtr("val")->setValue(0, 1);
    node->cook(frame2);
    EXPECT_FALSE(node->isTimeDependent());
    node->cook(frame1);
    EXPECT_EQ(node->cookMeCount, 3);

    // Time reached through a reference counts as well.
    TestNode *clock = leaf("clock");
    setExpr(clock, "t", "$T * 10", 1);
    setExpr(node, "val", "ch(\"../clock/ty\")");
    node->cook(frame1);
    EXPECT_TRUE(node->isTimeDependent());
    node->cook(frame2);
    EXPECT_FLOAT_EQ(node->lastValue, 10.0f / CH_Manager::theFPS);
}

TEST_F(OP_Node_Test, ChannelReferenceMakesTheReaderCookAgain)
{
    TestNode *src = leaf("src");
    TestNode *reader = leaf("reader");
    setExpr(reader, "val", "ch(\"../src/t\" + \"y\") + ch(\"../src/val\")");
    OP_Context context(0);
    reader->cook(context);
    EXPECT_FLOAT_EQ(reader->lastValue, 1.0f);
    reader->cook(context);
    EXPECT_EQ(reader->cookMeCount, 1);
    src->getParmPtr("t")->setValue(1, 3);
    EXPECT_TRUE(reader->isCookNeeded(context));
    reader->cook(context);
    EXPECT_FLOAT_EQ(reader->lastValue, 4.0f);

    // Deleting what a reader depends on leaves it to cook again, and its reference broken.
    mgr->destroyNode(src);
    EXPECT_TRUE(reader->isCookNeeded(context));
    EXPECT_GE(reader->cook(context), UT_ERROR_ABORT);
}

TEST_F(OP_Node_Test, ExpressionErrorsLandOnTheCookingNodeUntilTheNextCook)
{
    TestNode *node = leaf();
    TestNode *other = leaf();
    setExpr(node, "val", "ch(\"../nowhere/val\")");
    OP_Context context(0);
    EXPECT_GE(node->cook(context), UT_ERROR_ABORT);
    EXPECT_GE(node->error(), UT_ERROR_ABORT);
    ASSERT_GE(node->getErrorManager().getNumErrors(), 1);
    EXPECT_NE(node->getErrorManager().getError(0).getMessage().find("nowhere"), std::string::npos);
    EXPECT_EQ(other->error(), UT_ERROR_NONE);
    EXPECT_EQ(UTgetErrorManager().getNumErrors(), 0);
    // Nothing changed, so the failure stands without another cook.
    EXPECT_GE(node->cook(context), UT_ERROR_ABORT);
    EXPECT_EQ(node->cookMeCount, 1);

    setExpr(node, "val", "$NOSUCHVARIABLE");
    EXPECT_GE(node->cook(context), UT_ERROR_ABORT);
    EXPECT_EQ(node->getErrorManager().getNumErrors(), 1);
    node->getParmPtr("val")->setValue(0, 2);
    EXPECT_EQ(node->cook(context), UT_ERROR_NONE);
    EXPECT_EQ(node->getErrorManager().getNumErrors(), 0);
}

TEST_F(OP_Node_Test, ReferenceLoopsFailInsteadOfRecursing)
{
    TestNode *a = leaf("a");
    TestNode *b = leaf("b");
    setExpr(a, "val", "ch(\"val\") + 1");
    OP_Context context(0);
    EXPECT_GE(a->cook(context), UT_ERROR_ABORT);
    EXPECT_EQ(a->evalFloat("val", 0, 0), 0.0f);

    // A loop through another node fails for whoever starts it, however deep it goes.
    setExpr(a, "val", "ch(\"../b/val\") + 1");
    setExpr(b, "val", "ch(\"../a/tz\") + 1");
    setExpr(a, "t", "ch(\"../a/val\")", 2);
    EXPECT_GE(a->cook(context), UT_ERROR_ABORT);
    EXPECT_EQ(a->evalFloat("val", 0, 0), 0.0f);
    EXPECT_GE(a->cook(context), UT_ERROR_ABORT);
    EXPECT_GE(b->cook(context), UT_ERROR_ABORT);
    std::string error;
    EV_Value value;
    EXPECT_FALSE(a->evaluateExpression("ch(\"val\")", 0, value, error));

    // Breaking the loop makes both good again.
    b->getParmPtr("val")->setValue(0, 5);
    EXPECT_EQ(a->cook(context), UT_ERROR_NONE);
    EXPECT_FLOAT_EQ(a->lastValue, 6.0f);
    EXPECT_FLOAT_EQ(a->evalFloat("t", 2, 0), 6.0f);
}

TEST_F(OP_Node_Test, FollowChannelReferencesEndsAtTheValue)
{
    TestNode *a = leaf("a");
    TestNode *b = leaf("b");
    TestNode *c = leaf("c");
    setExpr(a, "val", "ch(\"../b/ty\")");
    setExpr(b, "t", "chs('../c/label')", 1);
    setExpr(c, "t", "ch(\"val\") * 2"); // not plain: the chain stops here

    OP_Node *node = a;
    PRM_Parm *parm = a->getParmPtr("val");
    int component = 0;
    OP_Parameters::followChannelReferences(node, parm, component);
    EXPECT_EQ(node, c);
    EXPECT_EQ(parm, c->getParmPtr("label"));
    EXPECT_EQ(component, 0);

    node = c;
    parm = c->getParmPtr("t");
    OP_Parameters::followChannelReferences(node, parm, component);
    EXPECT_EQ(node, c);
    EXPECT_EQ(parm, c->getParmPtr("t"));

    setExpr(c, "label", "chs(\"../nowhere/label\")");
    node = a;
    parm = a->getParmPtr("val");
    OP_Parameters::followChannelReferences(node, parm, component);
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(parm, nullptr);

    setExpr(c, "label", "chs(\"../a/val\")");
    node = a;
    parm = a->getParmPtr("val");
    OP_Parameters::followChannelReferences(node, parm, component);
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(parm, nullptr);
}

TEST_F(OP_Node_Test, SpareParametersKeepTheirTemplates)
{
    TestNode *node = leaf();
    std::string error;
    ASSERT_TRUE(
        node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("extra"), {PRM_Default(2)}), error));
    PRM_Parm *extra = node->getParmPtr("extra");
    ASSERT_NE(extra, nullptr);
    EXPECT_TRUE(extra->isSpareParm());
    const PRM_Template *extraTemplate = extra->getTemplatePtr();
    EXPECT_FLOAT_EQ(node->evalFloat("extra", 0, 0), 2.0f);

    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(node->addSpareParm(
            PRM_Template(PRM_RGB, 3, PRM_Name(("s" + std::to_string(i)).c_str())), error));
    EXPECT_EQ(extra->getTemplatePtr(), extraTemplate);
    EXPECT_STREQ(extraTemplate->getToken(), "extra");
    EXPECT_EQ(node->getNumSpareParms(), 41);
    EXPECT_EQ(PRM_Template::countTemplates(node->getSpareParmTemplates()), 41);
    EXPECT_STREQ(node->getSpareParmTemplates()[40].getToken(), "s39");

    // Taken names and channel names, and names no expression could read, are refused.
    for (const char *bad : {"extra", "val", "tx", "s3g", "", "a b", "$x"})
    {
        error.clear();
        EXPECT_FALSE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name(bad)), error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(node->addSpareParm(PRM_Template(PRM_XYZ, 3, PRM_Name("s1")), error));
    ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_XYZ, 2, PRM_Name("v")), error));
    EXPECT_FALSE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("vy")), error));

    setExpr(node, "val", "ch(\"s5b\") + ch(\"extra\")");
    node->getParmPtr("s5")->setValue(2, 3);
    EXPECT_FLOAT_EQ(node->evalFloat("val", 0, 0), 5.0f);

    EXPECT_FALSE(node->removeSpareParm("val"));
    EXPECT_TRUE(node->removeSpareParm(node->getParmPtr("s5")->getToken()));
    EXPECT_EQ(node->getParmPtr("s5"), nullptr);
    EXPECT_EQ(node->getNumSpareParms(), 41);
    EXPECT_TRUE(node->getSpareParmTemplates()[41].isTerminator());
    EXPECT_EQ(extra->getTemplatePtr(), extraTemplate);
    EXPECT_EQ(node->evalFloat("val", 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(node->evalFloat("s6", 1, 0), 0.0f);

    // Parameters added one after another, nothing looked up between: the same refusals, and
    // a name that only begins like a taken one is free.
    TestNode *fresh = leaf();
    ASSERT_TRUE(fresh->addSpareParm(PRM_Template(PRM_RGB, 3, PRM_Name("c")), error));
    ASSERT_TRUE(fresh->addSpareParm(PRM_Template(PRM_XYZ, 3, PRM_Name("cx")), error)) << error;
    EXPECT_FALSE(fresh->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("cg")), error));
    EXPECT_EQ(error, "Channel 'cg' already exists");
    EXPECT_FALSE(fresh->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("cx")), error));
    EXPECT_EQ(error, "Parameter 'cx' already exists");
    EXPECT_FALSE(fresh->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("cxz")), error));
    EXPECT_EQ(error, "Channel 'cxz' already exists");
    EXPECT_TRUE(fresh->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("cgg")), error));
    // A shorter name whose channel is a longer parameter's.
    EXPECT_FALSE(fresh->addSpareParm(PRM_Template(PRM_RGB, 3, PRM_Name("cg")), error));
    EXPECT_EQ(error, "Channel 'cgg' already exists");
    // Names an expression can spell, in ASCII: no blank, sign or letter beyond it.
    for (const char *bad : {"a b", "x-y", "caf\xc3\xa9", "\xe9t\xe9", "k#"})
    {
        EXPECT_FALSE(fresh->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name(bad)), error)) << bad;
        EXPECT_EQ(error, "Bad parameter name '" + std::string(bad) + "'");
    }
    EXPECT_EQ(fresh->getNumSpareParms(), 3);
}

TEST_F(OP_Node_Test, LocalVariablesAndEvents)
{
    TestNode *node = leaf("n1");
    node->getParmPtr("val")->setValue(0, 1.5);
    setExpr(node, "label", "$NAME + \"/\" + $OS");
    setExpr(node, "t", "$TWICE");
    UT_String text;
    node->evalString(text, "label", 0, 0);
    EXPECT_EQ(text.toStdString(), "var_n1/n1");
    EXPECT_FLOAT_EQ(node->evalFloat("t", 0, 0), 3.0f);
    // A variable the table names but the node does not supply is an error, not a 0.
    setExpr(node, "t", "$MISSING", 1);
    EXPECT_EQ(node->evalFloat("t", 1, 0), 0.0f);
    EXPECT_GE(node->error(), UT_ERROR_ABORT);

    std::vector<std::pair<OP_EventType, intptr_t>> events;
    int handle =
        node->addEventHandler([&](OP_Node &, OP_EventType type, void *data)
                              { events.emplace_back(type, reinterpret_cast<intptr_t>(data)); });
    node->getParmPtr("t")->setValue(2, 1);
    std::string error;
    ASSERT_TRUE(mgr->renameNode(node, "n2", error));
    node->evalString(text, "label", 0, 0);
    EXPECT_EQ(text.toStdString(), "var_n2/n2");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].first, OP_PARM_CHANGED);
    EXPECT_EQ(events[0].second, node->getParmList()->getParmIndex("t"));
    EXPECT_EQ(events[1].first, OP_NAME_CHANGED);
    node->removeEventHandler(handle);
    node->getParmPtr("t")->setValue(2, 2);
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(OP_Node_Test, InputsGiveTimeDependenceAndLockWhileInUse)
{
    TestNode *clock = leaf("clock");
    TestNode *reader = leaf("reader");
    ASSERT_TRUE(reader->setInput(1, clock));
    setExpr(clock, "val", "$F");
    OP_Context context(0);
    reader->cook(context);
    // The reader evaluated nothing animated, but what it reads is.
    EXPECT_TRUE(clock->isTimeDependent());
    EXPECT_TRUE(reader->isTimeDependent());
    EXPECT_EQ(clock->nOutputs(), 1u);
    EXPECT_EQ(clock->getOutput(0), reader);
    EXPECT_EQ(clock->getOutput(1), nullptr);

    EXPECT_EQ(reader->lockInput(0, context), UT_ERROR_ABORT); // nothing there
    EXPECT_EQ(reader->lockInput(1, context), UT_ERROR_NONE);
    EXPECT_TRUE(reader->isInputLocked(1));
    reader->unlockInput(1);
    EXPECT_FALSE(reader->isInputLocked(1));
}

TEST_F(OP_Node_Test, ChangesReachEveryDependantOnceHoweverLongTheChain)
{
    // Far longer than calls could nest on the stack.
    constexpr int theLength = 20000;
    std::vector<TestNode *> chain{leaf()};
    for (int i = 1; i < theLength; ++i)
    {
        chain.push_back(leaf());
        ASSERT_TRUE(chain[i]->setInput(0, chain[i - 1]));
    }
    // A second route from the head to the middle: still told once.
    ASSERT_TRUE(chain[theLength / 2]->setInput(1, chain[0]));
    std::vector<int> told(theLength, 0);
    for (int i = 0; i < theLength; ++i)
        chain[i]->addEventHandler([&told, i](OP_Node &, OP_EventType type, void *)
                                  { told[i] += type == OP_INPUT_CHANGED; });
    OP_Context context(0);
    for (TestNode *node : chain) // in order, so that each cook finds its input done
        node->cook(context);
    ASSERT_FALSE(chain.back()->isCookNeeded(context));

    chain[0]->getParmPtr("val")->setValue(0, 3);
    for (int i = 1; i < theLength; ++i)
    {
        ASSERT_TRUE(chain[i]->isCookNeeded(context)) << i;
        ASSERT_EQ(told[i], 1) << i;
    }
}

TEST_F(OP_Node_Test, ChangingEveryNodeOfAChainTellsEachDependantOnceUntilSomethingCooks)
{
    constexpr int theLength = 3000;
    std::vector<TestNode *> chain{leaf()};
    for (int i = 1; i < theLength; ++i)
    {
        chain.push_back(leaf());
        ASSERT_TRUE(chain[i]->setInput(0, chain[i - 1]));
    }
    long told = 0;
    for (TestNode *node : chain)
        node->addEventHandler([&told](OP_Node &, OP_EventType type, void *)
                              { told += type == OP_INPUT_CHANGED; });
    OP_Context context(0);
    auto cookAll = [&]
    {
        for (TestNode *node : chain)
            node->cook(context);
    };
    cookAll();

    // Each node once, not once for every node changed above it.
    for (int i = 0; i < theLength; ++i)
        chain[i]->getParmPtr("val")->setValue(0, i + 1);
    EXPECT_EQ(told, theLength - 1);
    for (TestNode *node : chain)
        ASSERT_TRUE(node->isCookNeeded(context));
    cookAll();
    EXPECT_FLOAT_EQ(chain.back()->lastValue, float(theLength));

    // A cook anywhere, or a change of what reads what, means the nodes hear of values again.
    told = 0;
    chain[0]->getParmPtr("val")->setValue(0, 7);
    chain[1]->cook(context);
    chain[0]->getParmPtr("val")->setValue(0, 8);
    EXPECT_EQ(told, 2 * (theLength - 1));
    TestNode *reader = leaf("reader");
    reader->addEventHandler([&told](OP_Node &, OP_EventType type, void *)
                            { told += type == OP_INPUT_CHANGED; });
    ASSERT_TRUE(reader->setInput(0, chain[theLength / 2]));
    told = 0;
    chain[0]->getParmPtr("val")->setValue(0, 9);
    EXPECT_EQ(told, theLength);
    EXPECT_TRUE(reader->isCookNeeded(context));
}

TEST_F(OP_Node_Test, ChangesDeepInsideReachEveryEnclosingNetwork)
{
    constexpr int theDepth = 20000;
    std::vector<OP_Network *> nets{net("d")};
    for (int i = 1; i < theDepth; ++i)
        nets.push_back(net("d", nets.back()));
    TestNode *bottom = leaf("bottom", nets.back());
    std::string path = mgr->getFullPath();
    for (int i = 0; i < theDepth; ++i)
        path += "/d";
    EXPECT_EQ(bottom->getFullPath(), path + "/bottom");
    EXPECT_EQ(mgr->findNode((path + "/bottom").c_str()), bottom);
    std::string up;
    for (int i = 0; i <= theDepth; ++i)
        up += "../";
    EXPECT_EQ(bottom->findNode(up.c_str()), mgr);
    EXPECT_EQ(bottom->findNode((up + "../../..").c_str()), nullptr);

    OP_Context context(0);
    auto cookAll = [&]
    {
        for (OP_Network *n : nets)
            n->cook(context);
    };
    cookAll();
    bottom->getParmPtr("val")->setValue(0, 2);
    for (OP_Network *n : nets)
        ASSERT_TRUE(n->isCookNeeded(context));

    // Networks told already are not told again while nothing cooks, but any cook in between
    // means they must be: here the outermost is clean again while those below it are not.
    nets[0]->cook(context);
    bottom->getParmPtr("val")->setValue(0, 3);
    EXPECT_TRUE(nets[0]->isCookNeeded(context));
    cookAll();
    nets[theDepth / 2]->getParmPtr("val")->setValue(0, 4);
    bottom->getParmPtr("val")->setValue(0, 5);
    for (int i = 0; i <= theDepth / 2; ++i)
        ASSERT_TRUE(nets[i]->isCookNeeded(context)) << i;
    for (int i = theDepth / 2 + 1; i < theDepth; ++i)
        ASSERT_TRUE(nets[i]->isCookNeeded(context)) << i;

    // The whole tree goes at once, deepest first.
    const int bottomId = bottom->getUniqueId();
    ASSERT_TRUE(mgr->destroyNode(nets[0]));
    EXPECT_EQ(OPgetDirector()->lookupNode(bottomId), nullptr);
    EXPECT_EQ(mgr->getNchildren(), 0);
}

// A whole-expression reference to a channel that holds a value is read without the general
// evaluation; it must give what the general evaluation gives, failures included.
TEST_F(OP_Node_Test, PlainReferencesReadAsTheGeneralEvaluationDoes)
{
    TestNode *src = leaf("src");
    TestNode *plain = leaf("plain");
    TestNode *general = leaf("general");
    std::string error;
    for (TestNode *node : {plain, general})
        for (const char *name : {"n", "m"})
            ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_INT, 1, PRM_Name(name)), error))
                << error;
    ASSERT_TRUE(src->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("big")), error)) << error;
    ASSERT_TRUE(src->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("frac")), error)) << error;
    src->getParmPtr("t")->setValue(1, 5);
    src->getParmPtr("big")->setValue(0, 3e9);
    src->getParmPtr("frac")->setValue(0, -2.6);
    auto both = [&](const char *parm, const std::string &reference)
    {
        setExpr(plain, parm, reference.c_str());
        setExpr(general, parm, ("(" + reference + ")").c_str());
    };
    both("val", "ch(\"../src/ty\")");
    both("label", "chs(\"../src/label\")");
    both("t", "ch(\"../src/label\")");
    both("n", "ch(\"../src/big\")");
    both("m", "ch(\"../src/frac\")");
    const int thread = 0;
    for (TestNode *node : {plain, general})
    {
        SCOPED_TRACE(node->getName());
        EXPECT_FLOAT_EQ(node->getParmPtr("val")->evalFloat(0, 0, thread), 5.0f);
        EXPECT_FALSE(node->getParmPtr("val")->isTimeDependent());
        EXPECT_EQ(node->getParmPtr("label")->evalString(0, 0, thread), "x");
        EXPECT_FLOAT_EQ(node->getParmPtr("t")->evalFloat(0, 0, thread), 0.0f);
        EXPECT_EQ(node->getParmPtr("n")->evalInt(0, 0, thread), 0);
        // An integer parameter holds the referenced number as it holds any: rounded.
        EXPECT_EQ(node->getParmPtr("m")->evalInt(0, 0, thread),
                  general->getParmPtr("m")->evalInt(0, 0, thread));
        EXPECT_EQ(node->getParmPtr("m")->evalFloat(0, 0, thread),
                  general->getParmPtr("m")->evalFloat(0, 0, thread));
        EXPECT_EQ(node->getParmPtr("m")->evalInt(0, 0, thread), -3);
        const UT_ErrorManager &errors = node->getErrorManager();
        ASSERT_GE(errors.getNumErrors(), 1);
        const std::string last = errors.getError(errors.getNumErrors() - 1).getMessage();
        EXPECT_NE(last.find("n: the expression gives 3000000000, beyond the range of an integer"),
                  std::string::npos)
            << last;
    }

    // A channel that becomes an expression is read through it, time and all.
    setExpr(src, "t", "$T * 10", 1);
    EXPECT_FLOAT_EQ(plain->getParmPtr("val")->evalFloat(0, 1.0f, thread), 10.0f);
    EXPECT_TRUE(plain->getParmPtr("val")->isTimeDependent());
    src->getParmPtr("t")->setValue(1, 2);
    EXPECT_FLOAT_EQ(plain->getParmPtr("val")->evalFloat(0, 1.0f, thread), 2.0f);
    EXPECT_FALSE(plain->getParmPtr("val")->isTimeDependent());
}

// Nodes given the same spare parameters in the same order share their list; a change to one
// node's spare parameters leaves the others' as they were.
TEST_F(OP_Node_Test, NodesGivenTheSameSpareParametersChangeThemApart)
{
    TestNode *a = leaf("a");
    TestNode *b = leaf("b");
    auto x = std::make_shared<PRM_Template>(PRM_FLT, 1, PRM_Name("x"), std::vector{PRM_Default(2)});
    auto y = std::make_shared<PRM_Template>(PRM_STRING, 1, PRM_Name("y"));
    auto z = std::make_shared<PRM_Template>(PRM_INT, 1, PRM_Name("z"));
    std::string error;
    for (TestNode *node : {a, b})
        for (const auto &t : {x, y})
            ASSERT_TRUE(node->addSpareParm(t, error)) << error;
    auto names = [](TestNode *node)
    {
        std::string text;
        for (const PRM_Template *t = node->getSpareParmTemplates(); !t->isTerminator(); ++t)
            text += std::string(t->getToken()) + " ";
        return text + std::to_string(node->getNumSpareParms());
    };
    EXPECT_EQ(names(a), "x y 2");
    EXPECT_EQ(a->getSpareTemplate("y"), b->getSpareTemplate("y"));

    EXPECT_TRUE(b->removeSpareParm("x"));
    ASSERT_TRUE(a->addSpareParm(z, error)) << error;
    ASSERT_TRUE(b->addSpareParm(x, error)) << error;
    EXPECT_EQ(names(a), "x y z 3");
    EXPECT_EQ(names(b), "y x 2");
    EXPECT_FLOAT_EQ(a->evalFloat("x", 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(b->evalFloat("x", 0, 0), 2.0f);
    EXPECT_EQ(b->getSpareTemplate("z"), nullptr);
    EXPECT_TRUE(b->removeSpareParm("y"));
    EXPECT_TRUE(b->removeSpareParm("x"));
    EXPECT_EQ(names(b), "0");
    EXPECT_EQ(names(a), "x y z 3");
}
