#include <PRM/PRM_ParmList.h>

#include <gtest/gtest.h>

TEST(PRM_ParmList, LookupsFollowAppendsAndRemovals)
{
    PRM_Template t(PRM_XYZ, 3, PRM_Name("t"));
    PRM_Template scale(PRM_FLT, 1, PRM_Name("scale"), {PRM_Default(1)});
    PRM_Template colour(PRM_RGB, 3, PRM_Name("cd"));
    PRM_Template label(PRM_STRING, 1, PRM_Name("label"));

    PRM_ParmList list;
    list.appendParm(&t, nullptr, false);
    list.appendParm(&scale, nullptr, false);
    int component = -1;
    EXPECT_EQ(list.getParmPtrFromChannel("ty", &component), list.getParmPtr(0));
    EXPECT_EQ(component, 1);
    EXPECT_EQ(list.getParmPtrFromChannel("scale", &component), list.getParmPtr(1));
    EXPECT_EQ(component, 0);
    EXPECT_EQ(list.getParmPtrFromChannel("t"), nullptr); // a vector's name is no channel
    EXPECT_EQ(list.findParmOrChannel("t", &component), list.getParmPtr(0));
    EXPECT_EQ(component, -1);
    EXPECT_EQ(list.findParmOrChannel("tz", &component), list.getParmPtr(0));
    EXPECT_EQ(component, 2);
    EXPECT_EQ(list.findParmOrChannel("tw", &component), nullptr);
    EXPECT_EQ(component, -1);

    // Lookups made before a change must not answer from what the list used to be.
    list.appendParm(&colour, nullptr, true);
    list.appendParm(&label, nullptr, true);
    EXPECT_EQ(list.getParmIndex("cd"), 2);
    EXPECT_EQ(list.getParmPtrFromChannel("cdb", &component), list.getParmPtr(2));
    EXPECT_EQ(component, 2);
    EXPECT_TRUE(list.getParmPtr("label")->isSpareParm());

    EXPECT_TRUE(list.removeParm("cd"));
    EXPECT_FALSE(list.removeParm("cd"));
    EXPECT_EQ(list.getEntries(), 3);
    EXPECT_EQ(list.getParmPtr("cd"), nullptr);
    EXPECT_EQ(list.getParmPtrFromChannel("cdr"), nullptr);
    EXPECT_EQ(list.getParmIndex("label"), 2);
    EXPECT_EQ(list.getParmPtrFromChannel("label"), list.getParmPtr(2));
    EXPECT_EQ(list.getParmPtr(3), nullptr);
    EXPECT_EQ(list.getParmPtr(-1), nullptr);
    EXPECT_EQ(list.getParmPtr(static_cast<const char *>(nullptr)), nullptr);
    EXPECT_EQ(list.getParmPtrFromChannel(nullptr), nullptr);
    EXPECT_EQ(list.findParmOrChannel(nullptr), nullptr);

    // A parameter's own name comes before another's channel of that name.
    PRM_Template tx(PRM_FLT, 1, PRM_Name("tx"));
    list.appendParm(&tx, nullptr, true);
    EXPECT_EQ(list.findParmOrChannel("tx", &component), list.getParmPtr(3));
    EXPECT_EQ(component, -1);
}
