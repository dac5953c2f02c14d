#include <PRM/PRM_ParmList.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(PRM_ParmList, ListsBetweenTheScanAndTheIndexFindEveryNameAfterEachAppend)
{
    // Between a handful and a few dozen parameters, a list with no index answers misses by a
    // walk: every lookup right after an append (which drops the index) must still find names,
    // channels and names that begin like others, and miss only what is not there.
    std::vector<PRM_Template> made;
    made.reserve(40);
    for (int i = 0; i < 30; ++i)
        made.emplace_back(PRM_FLT, 1, PRM_Name(("p" + std::to_string(i)).c_str()));
    made.emplace_back(PRM_XYZ, 3, PRM_Name("t"));
    made.emplace_back(PRM_RGB, 3, PRM_Name("tint"));
    made.emplace_back(PRM_FLT, 1, PRM_Name("ti"));
    PRM_ParmList list;
    for (int i = 0; i < 30; ++i)
        list.appendParm(&made[static_cast<size_t>(i)], nullptr, true);
    int component = -1;
    for (size_t i = 30; i < made.size(); ++i)
    {
        list.appendParm(&made[i], nullptr, true);
        EXPECT_EQ(list.findParmOrChannel("p17"), list.getParmPtr(17));
        list.appendParm(&made[i], nullptr, true); // the same once more: the index drops again
        EXPECT_EQ(list.getParmIndex("p3"), 3);
    }
    PRM_ParmList fresh;
    for (auto &tmpl : made)
        fresh.appendParm(&tmpl, nullptr, true);
    EXPECT_EQ(fresh.findParmOrChannel("ty", &component), fresh.getParmPtr(30));
    EXPECT_EQ(component, 1);
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.getParmPtrFromChannel("tintg", &component), fresh.getParmPtr(31));
    EXPECT_EQ(component, 1);
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.getParmPtr("ti"), fresh.getParmPtr(32));
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.findParmOrChannel("tin"), nullptr);
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.findParmOrChannel("p"), nullptr);
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.getParmPtrFromChannel("tw"), nullptr);
    fresh.appendParm(&made[0], nullptr, true);
    EXPECT_EQ(fresh.getParmIndex("p29"), 29);
}

TEST(PRM_ParmList, MultiParameterInstancesFollowTheirCount)
{
    PRM_Template layers(PRM_MULTIPARM, 1, PRM_Name("layers"));
    layers.setMultiParmTemplates({
        PRM_Template(PRM_STRING, 1, PRM_Name("file#", "File #"), {PRM_Default(0, "none")}),
        PRM_Template(PRM_RGB, 3, PRM_Name("tint#_c"), {PRM_Default(0.5)}),
    });
    layers.setMultiStartOffset(0);
    PRM_Template taken(PRM_FLT, 1, PRM_Name("file1"));

    PRM_ParmList list;
    PRM_Parm &count = list.appendParm(&layers, nullptr, true);
    PRM_Parm &other = list.appendParm(&taken, nullptr, true);
    std::string error;
    ASSERT_TRUE(count.setValueFromText(0, "3", error)) << error;
    EXPECT_TRUE(list.syncMultiInstances(count, nullptr));
    EXPECT_FALSE(list.syncMultiInstances(count, nullptr)) << "nothing left to make";
    // Numbered from the template's start, '#' replaced in names and labels, with defaults; a
    // name already taken stays the other parameter's.
    EXPECT_EQ(list.getEntries(), 2 + 5);
    ASSERT_NE(list.getParmPtr("file0"), nullptr);
    EXPECT_STREQ(list.getParmPtr("file0")->getLabel(), "File 0");
    EXPECT_EQ(list.getParmPtr("file0")->evalString(0, 0, 0), "none");
    EXPECT_TRUE(list.getParmPtr("file2")->isMultiInstance());
    EXPECT_FALSE(list.getParmPtr("file2")->isSpareParm());
    EXPECT_EQ(list.getParmPtr("file1"), &other);
    EXPECT_EQ(list.getParmPtrFromChannel("tint2_cg")->evalFloat(1, 0, 0), 0.5f);
    EXPECT_EQ(list.getMultiCount(*list.getParmPtr("tint1_c")), &count);
    EXPECT_EQ(list.getMultiCount(other), nullptr);
    std::vector<std::string> order;
    for (const PRM_Parm *parm : list.getMultiInstanceParms(count))
        order.emplace_back(parm->getToken());
    EXPECT_EQ(order, (std::vector<std::string>{"file0", "tint0_c", "tint1_c", "file2", "tint2_c"}));

    // Lowering removes the last instances; the others keep what they hold, and raising again
    // brings defaults back.
    ASSERT_TRUE(list.getParmPtr("file0")->setValueFromText(0, "wood.png", error));
    ASSERT_TRUE(list.getParmPtr("file2")->setValueFromText(0, "gone.png", error));
    ASSERT_TRUE(count.setValue(0, 1));
    EXPECT_TRUE(list.syncMultiInstances(count, nullptr));
    EXPECT_EQ(list.getParmPtr("file2"), nullptr);
    EXPECT_EQ(list.getParmPtrFromChannel("tint1_cr"), nullptr);
    EXPECT_EQ(list.getParmPtr("file0")->evalString(0, 0, 0), "wood.png");
    ASSERT_TRUE(count.setValue(0, 3));
    list.syncMultiInstances(count, nullptr);
    EXPECT_EQ(list.getParmPtr("file2")->evalString(0, 0, 0), "none");

    // A count past the most there may be, or an expression, is refused and changes nothing.
    EXPECT_FALSE(count.setValueFromText(0, "1001", error));
    EXPECT_EQ(error, "Parameter 'layers' holds 0 to 1000 instances, not 1001");
    EXPECT_FALSE(count.setValue(0, -1));
    EXPECT_FALSE(count.setExpression(0, "$F", error));
    EXPECT_EQ(count.evalInt(0, 0, 0), 3);
    ASSERT_TRUE(count.setValue(0, 1000));
    list.syncMultiInstances(count, nullptr);
    EXPECT_EQ(list.getEntries(), 2 + 2 * 1000 - 1);
    EXPECT_NE(list.getParmPtr("tint999_c"), nullptr);

    // Removing the count removes its instances.
    EXPECT_TRUE(list.removeParm("layers"));
    EXPECT_EQ(list.getEntries(), 1);
    EXPECT_EQ(list.getParmPtr(0), &other);
}

// Lists of the same names share one index; lists whose names spell different channels (the
// letters of colours and vectors, numbers otherwise, or another size) must not.
TEST(PRM_ParmList, ListsShareAnIndexOnlyWhenTheirChannelsAreTheSame)
{
    const PRM_Template kinds[] = {
        PRM_Template(PRM_RGB, 3, PRM_Name("c")), PRM_Template(PRM_XYZ, 3, PRM_Name("c")),
        PRM_Template(PRM_FLT, 3, PRM_Name("c")), PRM_Template(PRM_FLT, 2, PRM_Name("c")),
        PRM_Template(PRM_FLT, 1, PRM_Name("c")),
    };
    const char *const channels[] = {"cg", "cy", "c3", "c2", "c"};
    PRM_ParmList lists[2][5];
    for (auto &row : lists) // twice over, so that the second row finds the first's indices
        for (int i = 0; i < 5; ++i)
            row[i].appendParm(const_cast<PRM_Template *>(&kinds[i]), nullptr, false);
    for (auto &row : lists)
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j)
            {
                const bool own = row[i].getParmPtrFromChannel(channels[j]) != nullptr;
                EXPECT_EQ(own, i == j || (i == 2 && j == 3)) << i << " " << channels[j];
            }
}
