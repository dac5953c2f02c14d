#include "OP_TestNodes.h"

#include <OP/OP_NodePin.h>
#include <PRM/PRM_Parm.h>

using namespace optest;

using OP_NodePin_Test = OPTest;

namespace
{
// optest_rm("path") deletes a node from inside an expression, as a script reached from one
// could; it gives 1 when the node went, and keeps the refusal.
std::string theRefusal;

void op_rm(EV_FunctionCall &call)
{
    OP_Node *node = OPgetDirector()->findNode(call.args[0].str.c_str());
    theRefusal.clear();
    call.result = EV_Value::number(node && node->getParent()->destroyNode(node, theRefusal));
}

const EV_Type theText[] = {EV_TYPE_STRING};
EV_FUNCTION theRm(0, "optest_rm", 1, EV_TYPE_FLOAT, theText, op_rm);

void setExpression(OP_Node *node, const char *parm, const std::string &text)
{
    std::string error;
    ASSERT_TRUE(node->getParmPtr(parm)->setExpression(0, text.c_str(), error)) << error;
}
} // namespace

TEST_F(OP_NodePin_Test, PinnedNodesAndTheNetworksAroundThemStay)
{
    OP_Network *a = net("a");
    TestNode *b = leaf("b", a);
    OP_Network *other = net("other");
    std::string error;
    EXPECT_EQ(OP_NodePin::describeUse(*a), "");
    {
        OP_NodePin pin(b, OP_USE_BUILD);
        EXPECT_FALSE(a->destroyNode(b, error));
        EXPECT_EQ(error, "Cannot delete " + b->getFullPath() + ": it is being built");
        EXPECT_FALSE(mgr->destroyNode(a, error));
        EXPECT_EQ(error, "Cannot delete " + a->getFullPath() + ": " + b->getFullPath() +
                             " is being built");
        EXPECT_FALSE(OPgetDirector()->clearNetwork());
        EXPECT_EQ(a->getNchildren(), 1);

        // A move keeps the node, only its path changes; the network it left may go.
        ASSERT_TRUE(a->moveNode(b, other, error)) << error;
        EXPECT_TRUE(mgr->destroyNode(a, error)) << error;
        {
            OP_NodePin again(b, OP_USE_REQUEST);
            EXPECT_EQ(OP_NodePin::describeUse(*other), b->getFullPath() + " is being built");
        }
        EXPECT_FALSE(mgr->destroyNode(other, error));
    }
    EXPECT_EQ(OP_NodePin::describeUse(*other), "");
    EXPECT_TRUE(other->destroyNode(b, error)) << error;
}

TEST_F(OP_NodePin_Test, CooksAndEvaluationsHoldTheirNode)
{
    ev_AddFunction(&theRm);
    TestNode *n = leaf("n");
    const std::string path = n->getFullPath();

    // An expression that deletes its own node gets the refusal, and the node stays whole.
    setExpression(n, "val", "optest_rm(\"" + path + "\")");
    EXPECT_EQ(n->evalFloat("val", 0, 0), 0);
    EXPECT_EQ(theRefusal, "Cannot delete " + path + ": it is being evaluated");
    OP_Context context(0);
    n->cook(context);
    EXPECT_EQ(theRefusal, "Cannot delete " + path + ": it is cooking");
    EXPECT_EQ(n->getCookCount(), 1);

    // The node reading another through an expression holds only itself.
    TestNode *victim = leaf("victim");
    setExpression(n, "val", "optest_rm(\"" + victim->getFullPath() + "\")");
    EXPECT_EQ(n->evalFloat("val", 0, 0), 1);
    EXPECT_EQ(mgr->getChild("victim"), nullptr);
}
