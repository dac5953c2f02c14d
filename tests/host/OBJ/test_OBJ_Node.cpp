#include <EV/EV_Expression.h>
#include <OBJ/OBJ_Node.h>
#include <OP/OP_Director.h>
#include <SOP/SOP_Node.h>
#include <UT/UT_BoundingBox.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// The object and geometry contexts as a host sets them up, under a fresh object network.
class ObjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool theTables = []
        {
            OP_Director *director = OPgetDirector();
            OBJ_Node::buildOperatorTable(
                *director->getOperatorTable(OBJ_Node::theTableName),
                *director->getOperatorTable(OP_Director::theRootTableName));
            SOP_Node::buildOperatorTable(*director->getOperatorTable(SOP_Node::theTableName));
            return true;
        }();
        (void)theTables;
        myObj = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("objnet"));
        ASSERT_NE(myObj, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(myObj); }

    static void set(OP_Node *node, const char *parm, double x, double y, double z)
    {
        PRM_Parm *p = node->getParmPtr(parm);
        p->setValue(0, x);
        p->setValue(1, y);
        p->setValue(2, z);
    }

    OP_Network *myObj = nullptr;
};

void expectPoint(const UT_DMatrix4 &m, double x, double y, double z, double ex, double ey,
                 double ez)
{
    // Row vectors: p' = p * M.
    const double p[4] = {x, y, z, 1};
    double out[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r)
            out[c] += p[r] * m(r, c);
    EXPECT_NEAR(out[0], ex, 1e-6);
    EXPECT_NEAR(out[1], ey, 1e-6);
    EXPECT_NEAR(out[2], ez, 1e-6);
}
} // namespace

TEST_F(ObjectTest, WorldTransformScalesRotatesTranslatesAndNests)
{
    OP_Network *outer = static_cast<OP_Network *>(myObj->createNode("subnet", "outer"));
    OP_Node *inner = outer->createNode("null", "inner");
    ASSERT_NE(inner, nullptr);
    set(outer, "t", 10, 0, 0);
    set(inner, "s", 2, 2, 2);
    set(inner, "r", 0, 0, 90);
    set(inner, "t", 0, 1, 0);

    UT_DMatrix4 world;
    OP_Context context(0);
    ASSERT_TRUE(inner->getWorldTransform(world, context));
    // (1,0,0) scaled to (2,0,0), turned a quarter about z to (0,2,0), moved up by 1 and then
    // along x by the enclosing object.
    expectPoint(world, 1, 0, 0, 10, 3, 0);
    // The last row holds the translation.
    EXPECT_NEAR(world(3, 0), 10, 1e-9);
    EXPECT_NEAR(world(3, 1), 1, 1e-9);

    inner->getParmPtr("scale")->setValue(0, 0.5);
    ASSERT_TRUE(inner->getWorldTransform(world, context));
    expectPoint(world, 1, 0, 0, 10, 2, 0);
}

TEST_F(ObjectTest, BoxBoundsFollowSizeAndCentreOverTime)
{
    OP_Network *geo = static_cast<OP_Network *>(myObj->createNode("geo", "geo1"));
    OP_Node *box = geo->createNode("box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getName(), "box1");
    set(box, "size", 2, 4, 6);
    set(box, "t", 1, 0, -1);
    UT_BoundingBox bounds;
    OP_Context context(0);
    ASSERT_TRUE(box->getBoundingBox(bounds, context));
    EXPECT_FLOAT_EQ(bounds.xmin(), 0);
    EXPECT_FLOAT_EQ(bounds.ymax(), 2);
    EXPECT_FLOAT_EQ(bounds.zmin(), -4);

    std::string error;
    ASSERT_TRUE(box->getParmPtr("size")->setExpression(0, "$T * 4", error)) << error;
    OP_Context later(2);
    ASSERT_TRUE(box->getBoundingBox(bounds, later));
    EXPECT_FLOAT_EQ(bounds.xmin(), -3);
    EXPECT_FLOAT_EQ(bounds.xmax(), 5);

    // A failing parameter gives no bounds rather than wrong ones.
    ASSERT_TRUE(box->getParmPtr("size")->setExpression(1, "ch(\"nothere\")", error)) << error;
    EXPECT_FALSE(box->getBoundingBox(bounds, later));
}

TEST_F(ObjectTest, MovingANodeKeepsReferencesAndRefusesImpossibleMoves)
{
    OP_Network *a = static_cast<OP_Network *>(myObj->createNode("subnet", "a"));
    OP_Network *b = static_cast<OP_Network *>(myObj->createNode("subnet", "b"));
    OP_Node *target = a->createNode("null", "target");
    OP_Node *reader = myObj->createNode("null", "reader");
    std::string error;
    ASSERT_TRUE(reader->getParmPtr("t")->setExpression(0, "ch(\"../a/target/tx\")", error));
    target->getParmPtr("t")->setValue(0, 7);

    ASSERT_TRUE(a->moveNode(target, b, error)) << error;
    EXPECT_EQ(target->getFullPath(), myObj->getFullPath() + "/b/target");
    EXPECT_EQ(reader->getParmPtr("t")->getExpression(0)->getText(), "ch(\"../b/target/tx\")");
    EXPECT_FLOAT_EQ(reader->evalFloat("t", 0, 0), 7);

    EXPECT_FALSE(myObj->moveNode(b, b, error)); // into itself
    OP_Network *geo = static_cast<OP_Network *>(myObj->createNode("geo"));
    EXPECT_FALSE(b->moveNode(target, geo, error)); // objects do not go into geometry
    EXPECT_NE(error.find("cannot be placed"), std::string::npos) << error;
}
