#include "OP_TestNodes.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

using namespace optest;

using OP_Network_Test = OPTest;

TEST_F(OP_Network_Test, PathsResolveAbsoluteRelativeAndRoot)
{
    OP_Network *root = OPgetDirector()->getRoot();
    OP_Network *a = net("a");
    TestNode *b = leaf("b", a);
    TestNode *c = leaf("c");
    const std::string m = mgr->getFullPath();

    EXPECT_EQ(root->getFullPath(), "/");
    EXPECT_EQ(b->getFullPath(), m + "/a/b");
    EXPECT_EQ(b->findNode(".."), a);
    EXPECT_EQ(b->findNode("."), b);
    EXPECT_EQ(b->findNode("../../c"), c);
    EXPECT_EQ(b->findNode("./../b"), b);
    EXPECT_EQ(c->findNode("../a/b"), b);
    EXPECT_EQ(mgr->findNode("a/b"), b);
    EXPECT_EQ(c->findNode((m + "/a/b").c_str()), b);
    EXPECT_EQ(c->findNode("/"), root);
    EXPECT_EQ(root->findNode(".."), nullptr);
    EXPECT_EQ(c->findNode("../../../.."), nullptr);
    EXPECT_EQ(c->findNode("c/x"), nullptr); // a leaf has no children
    EXPECT_EQ(c->findNode(""), nullptr);
    EXPECT_EQ(OPgetDirector()->findNode((m + "/a/b").c_str()), b);
    EXPECT_EQ(OPgetDirector()->findNode("a/b"), nullptr);

    EXPECT_EQ(c->getRelativePathTo(b), "../a/b");
    EXPECT_EQ(b->getRelativePathTo(c), "../../c");
    EXPECT_EQ(b->getRelativePathTo(b), ".");
}

TEST_F(OP_Network_Test, CreateMakesNamesUniqueAndRefusesBadOnes)
{
    EXPECT_EQ(leaf()->getName(), "leaf1");
    EXPECT_EQ(leaf()->getName(), "leaf2");
    EXPECT_EQ(leaf("geo")->getName(), "geo");
    EXPECT_EQ(leaf("geo")->getName(), "geo1");
    EXPECT_EQ(leaf("geo1")->getName(), "geo2");
    EXPECT_EQ(leaf("x7")->getName(), "x7");
    EXPECT_EQ(leaf("x7")->getName(), "x1");

    std::string error;
    for (const char *bad : {".", "..", "a b", "a/b", "ü"})
    {
        error.clear();
        EXPECT_EQ(mgr->createNode("leaf", bad, error), nullptr) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(mgr->createNode("nosuchtype", "n", error), nullptr);
    EXPECT_NE(error.find("nosuchtype"), std::string::npos);
    EXPECT_EQ(mgr->getNchildren(), 7);
    EXPECT_NE(mgr->createNode("leaf", "a.b-c_1", error), nullptr);
}

TEST_F(OP_Network_Test, IdsAreUniqueAndNeverReused)
{
    TestNode *a = leaf();
    TestNode *b = leaf();
    const int idA = a->getUniqueId();
    const int idB = b->getUniqueId();
    EXPECT_NE(idA, idB);
    EXPECT_EQ(OPgetDirector()->lookupNode(idA), a);
    ASSERT_TRUE(mgr->destroyNode(a));
    EXPECT_FALSE(mgr->destroyNode(a));
    EXPECT_EQ(OPgetDirector()->lookupNode(idA), nullptr);
    EXPECT_EQ(OPgetDirector()->lookupNode(idB), b);
    TestNode *c = leaf();
    EXPECT_NE(c->getUniqueId(), idA);
    EXPECT_EQ(OPgetDirector()->lookupNode(idA), nullptr);

    OP_Network *n = net();
    const int inner = leaf(nullptr, n)->getUniqueId();
    mgr->destroyNode(n);
    EXPECT_EQ(OPgetDirector()->lookupNode(inner), nullptr);
}

TEST_F(OP_Network_Test, InputsRefuseBadWiringAndTrackOutputs)
{
    TestNode *a = leaf("a");
    TestNode *b = leaf("b");
    TestNode *c = leaf("c");
    OP_Network *other = net("other");
    TestNode *far = leaf("far", other);
    std::string error;

    EXPECT_FALSE(b->setInput(2, a, 0, error)); // two inputs only
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(b->setInput(0, a, 1, error)); // one output only
    EXPECT_FALSE(b->setInput(0, far, 0, error));
    EXPECT_FALSE(b->setInput(0, b, 0, error));
    EXPECT_EQ(b->nInputs(), 0u);

    ASSERT_TRUE(b->setInput(1, a));
    EXPECT_EQ(b->nInputs(), 2u);
    EXPECT_EQ(b->getInput(0), nullptr);
    ASSERT_TRUE(b->setInput(0, a));
    ASSERT_TRUE(c->setInput(0, b));
    EXPECT_EQ(a->getOutputNodes(), std::vector<OP_Node *>{b});
    EXPECT_FALSE(a->setInput(0, c, 0, error)); // c reads b reads a
    EXPECT_NE(error.find("loop"), std::string::npos);
    EXPECT_FALSE(b->setInput(0, c, 0, error));

    ASSERT_TRUE(b->setInput(1, nullptr));
    EXPECT_EQ(b->nInputs(), 1u);
    EXPECT_EQ(a->getOutputNodes(), std::vector<OP_Node *>{b});
    ASSERT_TRUE(b->setInput(0, nullptr));
    EXPECT_TRUE(a->getOutputNodes().empty());

    // Deleting a source leaves its readers unwired and due to cook again.
    ASSERT_TRUE(c->setInput(1, a));
    OP_Context context(0);
    c->cook(context);
    EXPECT_FALSE(c->isCookNeeded(context));
    mgr->destroyNode(b);
    EXPECT_EQ(c->getInput(0), nullptr);
    EXPECT_EQ(c->nInputs(), 2u);
    EXPECT_TRUE(c->isCookNeeded(context));
    c->cook(context);
    mgr->destroyNode(a);
    EXPECT_EQ(c->nInputs(), 0u);
    EXPECT_TRUE(c->isCookNeeded(context));
}

TEST_F(OP_Network_Test, InputsBeyondALowerLimitAreCutOnBothEnds)
{
    TestNode *a = leaf("a");
    TestNode *b = leaf("b");
    TestNode *c = leaf("c");
    ASSERT_TRUE(c->setInput(0, a));
    ASSERT_TRUE(c->setInput(1, b));
    int events = 0;
    c->addEventHandler([&](OP_Node &, OP_EventType, void *) { ++events; });

    // Cut directly, inside what may be a change notification itself: no event of its own.
    c->inputLimit = 1;
    c->ensureInputsAndOutputsAreValid();
    EXPECT_EQ(events, 0);
    EXPECT_EQ(c->nInputs(), 1u);
    EXPECT_EQ(c->getInput(0), a);
    EXPECT_EQ(a->getOutputNodes(), std::vector<OP_Node *>{c});
    EXPECT_TRUE(b->getOutputNodes().empty());
    // Nothing is left to reach a deleted node through.
    ASSERT_TRUE(mgr->destroyNode(c));
    EXPECT_TRUE(a->getOutputNodes().empty());
    ASSERT_TRUE(mgr->destroyNode(b));
}

TEST_F(OP_Network_Test, RenameRewritesReferencesToTheNodeAndBelow)
{
    OP_Network *geo = net("geo");
    TestNode *inner = leaf("inner", geo);
    TestNode *src = leaf("src");
    TestNode *reader = leaf("reader");
    TestNode *deep = leaf("deep", geo);
    const std::string m = mgr->getFullPath();
    src->getParmPtr("val")->setValue(0, 5);
    inner->getParmPtr("t")->setValue(1, 7);

    setExpr(reader, "val", ("ch(\"" + m + "/src/val\") + 1").c_str());
    setExpr(reader, "t", "ch(\"../src/val\")", 0);
    setExpr(reader, "t", "ch('../geo/inner/ty')", 1);
    setExpr(reader, "t", ("ch(\"" + m + "/geo/inner/ty\")").c_str(), 2);
    setExpr(deep, "val", "ch(\"../inner/ty\") + ch(\"../../src/val\")");
    setExpr(src, "t", "ch(\"val\")"); // its own channel: nothing to rewrite
    setExpr(deep, "t", ("ch(\"" + m + "/geo/inner/ty\")").c_str());

    std::string error;
    ASSERT_TRUE(mgr->renameNode(src, "source", error)) << error;
    EXPECT_EQ(exprText(reader, "val"), "ch(\"" + m + "/source/val\") + 1");
    EXPECT_EQ(exprText(reader, "t"), "ch(\"../source/val\")");
    EXPECT_EQ(exprText(deep, "val"), "ch(\"../inner/ty\") + ch(\"../../source/val\")");
    EXPECT_EQ(exprText(src, "t"), "ch(\"val\")");

    ASSERT_TRUE(mgr->renameNode(geo, "geo2", error)) << error;
    EXPECT_EQ(exprText(reader, "t", 1), "ch(\"../geo2/inner/ty\")");
    EXPECT_EQ(exprText(reader, "t", 2), "ch(\"" + m + "/geo2/inner/ty\")");
    // Relative references inside the renamed network still lead where they did.
    EXPECT_EQ(exprText(deep, "val"), "ch(\"../inner/ty\") + ch(\"../../source/val\")");
    EXPECT_EQ(exprText(deep, "t"), "ch(\"" + m + "/geo2/inner/ty\")");
    EXPECT_FLOAT_EQ(deep->evalFloat("t", 0, 0), 7.0f);

    EXPECT_FLOAT_EQ(reader->evalFloat("val", 0, 0), 6.0f);
    EXPECT_FLOAT_EQ(reader->evalFloat("t", 0, 0), 5.0f);
    EXPECT_FLOAT_EQ(reader->evalFloat("t", 1, 0), 7.0f);
    EXPECT_FLOAT_EQ(reader->evalFloat("t", 2, 0), 7.0f);
    EXPECT_FLOAT_EQ(deep->evalFloat("val", 0, 0), 12.0f);

    EXPECT_FALSE(mgr->renameNode(reader, "geo2", error));
    EXPECT_FALSE(mgr->renameNode(reader, "a b", error));
    EXPECT_FALSE(mgr->renameNode(inner, "x", error)); // not a child of mgr
    EXPECT_TRUE(mgr->renameNode(reader, "reader", error));
}

TEST_F(OP_Network_Test, CurrentNetworkIsPerThreadAndFallsBackToTheRoot)
{
    OP_Director *director = OPgetDirector();
    OP_Network *inner = net("inner");
    director->setCwd(inner);
    OP_Network *seenByOther = nullptr;
    std::thread other(
        [&]
        {
            seenByOther = director->getCwd();
            director->setCwd(mgr);
        });
    other.join();
    EXPECT_EQ(seenByOther, director->getRoot());
    EXPECT_EQ(director->getCwd(), inner);

    // Deleting the current network leaves the thread at the root, never at a dangling node.
    mgr->destroyNode(inner);
    EXPECT_EQ(director->getCwd(), director->getRoot());
    director->setCwd(nullptr);
}

TEST_F(OP_Network_Test, NamesFindTheirNodesThroughRenameDeleteAndMove)
{
    // Enough children that no short-list shortcut hides a stale index.
    std::vector<OP_Node *> made;
    for (int i = 0; i < 300; ++i)
        made.push_back(leaf(("n" + std::to_string(i)).c_str()));
    OP_Network *other = net("other");
    std::string error;
    ASSERT_TRUE(mgr->renameNode(made[10], "renamed", error)) << error;
    ASSERT_TRUE(mgr->renameNode(made[11], "n10", error)) << error; // the name just freed
    ASSERT_TRUE(mgr->destroyNode(made[20]));
    ASSERT_TRUE(mgr->moveNode(made[30], other, error)) << error;
    ASSERT_TRUE(mgr->moveNode(made[31], other, error)) << error;
    ASSERT_TRUE(other->renameNode(made[31], "n31b", error)) << error;

    EXPECT_EQ(mgr->getChild("renamed"), made[10]);
    EXPECT_EQ(mgr->getChild("n10"), made[11]);
    EXPECT_EQ(mgr->getChild("n11"), nullptr);
    EXPECT_EQ(mgr->getChild("n20"), nullptr);
    EXPECT_EQ(mgr->getChild("n30"), nullptr);
    EXPECT_EQ(other->getChild("n30"), made[30]);
    EXPECT_EQ(other->getChild("n31b"), made[31]);
    EXPECT_EQ(other->getChild("n31"), nullptr);
    EXPECT_EQ(mgr->findNode("other/n31b"), made[31]);
    // A freed name takes a new node; a moved one comes back under its name.
    EXPECT_EQ(mgr->getChild(leaf("n20")->getName().c_str())->getName(), "n20");
    ASSERT_TRUE(other->moveNode(made[30], mgr, error)) << error;
    EXPECT_EQ(mgr->getChild("n30"), made[30]);

    // Order is still the order of making, moved nodes last.
    std::vector<std::string> names;
    for (int i = 0; i < mgr->getNchildren(); ++i)
        names.push_back(mgr->getChild(i)->getName());
    ASSERT_EQ(names.size(), 300u);
    EXPECT_EQ(names[0], "n0");
    EXPECT_EQ(names[10], "renamed");
    EXPECT_EQ(names[11], "n10");
    EXPECT_EQ(names[20], "n21"); // n20 went; the later ones moved up
    EXPECT_EQ(names[296], "n299");
    EXPECT_EQ(names[297], "other");
    EXPECT_EQ(names[298], "n20");
    EXPECT_EQ(names[299], "n30");
    for (int i = 0; i < mgr->getNchildren(); ++i)
        EXPECT_EQ(mgr->getChild(mgr->getChild(i)->getName().c_str()), mgr->getChild(i));
}

TEST_F(OP_Network_Test, ANodeFoundJustBeforeItChangesIsNotFoundUnderItsOldName)
{
    // Runs of commands name one node again and again; each change below follows a lookup of
    // the very node it changes.
    std::vector<OP_Node *> made;
    for (int i = 0; i < 4; ++i)
        made.push_back(leaf(("n" + std::to_string(i)).c_str()));
    OP_Network *other = net("other");
    std::string error;
    ASSERT_EQ(mgr->getChild("n0"), made[0]);
    ASSERT_TRUE(mgr->renameNode(made[0], "m0", error)) << error;
    EXPECT_EQ(mgr->getChild("n0"), nullptr);
    EXPECT_EQ(mgr->getChild("m0"), made[0]);

    ASSERT_EQ(mgr->getChild("n1"), made[1]);
    ASSERT_TRUE(mgr->destroyNode(made[1]));
    EXPECT_EQ(mgr->getChild("n1"), nullptr); // under ASan, a stale pointer is a fault here

    ASSERT_EQ(mgr->getChild("n2"), made[2]);
    ASSERT_TRUE(mgr->moveNode(made[2], other, error)) << error;
    EXPECT_EQ(mgr->getChild("n2"), nullptr);
    EXPECT_EQ(other->getChild("n2"), made[2]);

    // A new node may take the name of the one found last.
    ASSERT_EQ(mgr->getChild("n3"), made[3]);
    ASSERT_TRUE(mgr->destroyNode(made[3]));
    OP_Node *again = leaf("n3");
    EXPECT_EQ(mgr->getChild("n3"), again);
}

TEST_F(OP_Network_Test, NamesFindTheirNodesThroughLongChurn)
{
    // Nodes come and go and change names at random, against a plain map of what should be:
    // the index must never lose a node nor find one gone, however its slots were reused.
    std::mt19937 random(7);
    std::map<std::string, OP_Node *> expected;
    std::string error;
    int made = 0;
    for (int step = 0; step < 6000; ++step)
    {
        const unsigned choice = random() % 10;
        if (expected.empty() || choice < 5)
        {
            const std::string name = "c" + std::to_string(made++);
            expected[name] = leaf(name.c_str());
            continue;
        }
        auto it = std::next(expected.begin(), static_cast<long>(random() % expected.size()));
        if (choice < 8)
        {
            ASSERT_TRUE(mgr->destroyNode(it->second));
        }
        else
        {
            const std::string name = "r" + std::to_string(made++);
            ASSERT_TRUE(mgr->renameNode(it->second, name.c_str(), error)) << error;
            expected[name] = it->second;
        }
        const std::string gone = it->first;
        expected.erase(it);
        EXPECT_EQ(mgr->getChild(gone.c_str()), nullptr) << gone;
    }
    ASSERT_EQ(mgr->getNchildren(), static_cast<int>(expected.size()));
    for (const auto &[name, node] : expected)
        EXPECT_EQ(mgr->getChild(name.c_str()), node) << name;
    for (int i = 0; i < made; ++i)
        for (const char *stem : {"c", "r"})
        {
            const std::string name = stem + std::to_string(i);
            if (!expected.count(name))
            {
                EXPECT_EQ(mgr->getChild(name.c_str()), nullptr) << name;
            }
        }
}

TEST_F(OP_Network_Test, GeneratedNamesTakeTheLowestFreeNumber)
{
    std::vector<OP_Node *> made;
    for (int i = 0; i < 2000; ++i)
        made.push_back(leaf());
    EXPECT_EQ(made.back()->getName(), "leaf2000");
    std::set<std::string> unique;
    for (OP_Node *node : made)
        unique.insert(node->getName());
    EXPECT_EQ(unique.size(), made.size());

    // Numbers freed by deleting, renaming and moving are taken again, lowest first.
    std::string error;
    OP_Network *other = net("other");
    ASSERT_TRUE(mgr->destroyNode(made[1499])); // leaf1500
    ASSERT_TRUE(mgr->renameNode(made[6], "seven", error)) << error;
    ASSERT_TRUE(mgr->moveNode(made[41], other, error)) << error; // leaf42
    ASSERT_TRUE(mgr->destroyNode(made[1999]));                   // leaf2000
    EXPECT_EQ(leaf()->getName(), "leaf7");
    EXPECT_EQ(leaf()->getName(), "leaf42");
    EXPECT_EQ(leaf()->getName(), "leaf1500");
    EXPECT_EQ(leaf()->getName(), "leaf2000");
    EXPECT_EQ(leaf()->getName(), "leaf2001");
    // Taken names, whatever made them, are skipped; a number written another way is a name
    // of its own.
    leaf("leaf2003");
    leaf("leaf02");
    EXPECT_EQ(leaf()->getName(), "leaf2002");
    EXPECT_EQ(leaf()->getName(), "leaf2004");
    ASSERT_TRUE(mgr->renameNode(mgr->getChild("leaf02"), "leaf3x", error)) << error;
    EXPECT_EQ(leaf()->getName(), "leaf2005");
    // A name asked for is made unique the same way.
    EXPECT_EQ(leaf("leaf5")->getName(), "leaf2006");
    EXPECT_EQ(other->getUniqueName("leaf42"), "leaf1");
    EXPECT_EQ(mgr->getUniqueName("fresh"), "fresh");
}

namespace
{
// Whether `node` reads `target` through wires: the plain definition.
bool readsThroughWires(const OP_Node *node, const OP_Node *target)
{
    for (unsigned i = 0; i < node->nInputs(); ++i)
        if (const OP_Node *in = node->getInput(i);
            in && (in == target || readsThroughWires(in, target)))
            return true;
    return false;
}
} // namespace

TEST_F(OP_Network_Test, WiringRefusesEveryLoopAndOnlyLoops)
{
    // Long chains wired either way round, then closed.
    std::vector<OP_Node *> forward, backward;
    for (int i = 0; i < 400; ++i)
    {
        forward.push_back(leaf());
        backward.push_back(leaf());
    }
    for (int i = 1; i < 400; ++i)
    {
        ASSERT_TRUE(forward[i]->setInput(0, forward[i - 1]));
        ASSERT_TRUE(backward[400 - i]->setInput(0, backward[399 - i]));
    }
    std::string error;
    EXPECT_FALSE(forward[0]->setInput(1, forward[399], 0, error));
    EXPECT_NE(error.find("loop"), std::string::npos);
    EXPECT_FALSE(backward[0]->setInput(1, backward[399], 0, error));
    EXPECT_FALSE(forward[200]->setInput(1, forward[201], 0, error));
    EXPECT_TRUE(forward[201]->setInput(1, forward[0], 0, error)) << error; // a shortcut
    EXPECT_TRUE(forward[0]->setInput(1, backward[399], 0, error)) << error;
    EXPECT_FALSE(backward[0]->setInput(1, forward[399], 0, error));

    // Random wiring against the plain definition: refused exactly when the source already
    // reads the destination.
    std::vector<OP_Node *> nodes;
    for (int i = 0; i < 24; ++i)
        nodes.push_back(leaf());
    std::mt19937 random(7);
    for (int step = 0; step < 3000; ++step)
    {
        OP_Node *src = nodes[random() % nodes.size()];
        OP_Node *dst = nodes[random() % nodes.size()];
        const unsigned input = random() % 2;
        if (random() % 5 == 0)
        {
            ASSERT_TRUE(dst->setInput(input, nullptr));
            continue;
        }
        const bool loops = src == dst || readsThroughWires(src, dst);
        EXPECT_EQ(dst->setInput(input, src, 0, error), !loops) << step;
    }
    for (OP_Node *node : nodes)
        EXPECT_FALSE(readsThroughWires(node, node));
}
