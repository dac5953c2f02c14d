#include <UT/UT_Options.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

TEST(UT_Options, NumbersConvertIntoEachOther)
{
    UT_Options o;
    o.setOptionI("i", 7);
    o.setOptionB("b", true);
    o.setOptionF("f", -2.75);
    o.setOptionF("big", 1e30);
    o.setOptionF("nan", std::nan(""));
    o.setOptionI("huge", int64_t(1) << 40);
    o.setOptionS("s", "12");

    int i = 99;
    EXPECT_TRUE(o.importOption("f", i));
    EXPECT_EQ(i, -2);
    EXPECT_TRUE(o.importOption("b", i));
    EXPECT_EQ(i, 1);
    i = 99;
    EXPECT_FALSE(o.importOption("big", i));
    EXPECT_FALSE(o.importOption("nan", i));
    EXPECT_FALSE(o.importOption("huge", i));
    EXPECT_FALSE(o.importOption("s", i));
    EXPECT_FALSE(o.importOption("missing", i));
    EXPECT_EQ(i, 99);

    int64_t wide = 0;
    EXPECT_TRUE(o.importOption("huge", wide));
    EXPECT_EQ(wide, int64_t(1) << 40);

    bool flag = false;
    EXPECT_TRUE(o.importOption("i", flag));
    EXPECT_TRUE(flag);
    double d = 0;
    EXPECT_TRUE(o.importOption("i", d));
    EXPECT_EQ(d, 7.0);
    float f = 0;
    EXPECT_TRUE(o.importOption("f", f));
    EXPECT_EQ(f, -2.75f);
}

TEST(UT_Options, TextAndVectorsOnlyConvertToTheirOwnKind)
{
    UT_Options o;
    o.setOptionS("s", "hello");
    o.setOptionI("i", 3);
    o.setOptionV3("v", 1, 2, 3);
    o.setOptionIArray("ia", {4, 5});

    std::string s = "keep";
    UT_String us("keep");
    EXPECT_FALSE(o.importOption("i", s));
    EXPECT_FALSE(o.importOption("v", us));
    EXPECT_EQ(s, "keep");
    EXPECT_TRUE(o.importOption("s", us));
    EXPECT_EQ(us, "hello");

    std::vector<double> v;
    EXPECT_TRUE(o.importOption("v", v));
    EXPECT_EQ(v, (std::vector<double>{1, 2, 3}));
    EXPECT_TRUE(o.importOption("ia", v));
    EXPECT_EQ(v, (std::vector<double>{4, 5}));
    EXPECT_FALSE(o.importOption("i", v));
    EXPECT_FALSE(o.importOption("s", v));
    double d = 0;
    EXPECT_FALSE(o.importOption("v", d));
    EXPECT_FALSE(o.importOption("s", d));
}

TEST(UT_Options, EqualityComparesTypedValues)
{
    UT_Options a;
    a.setOptionF("x", std::nan(""));
    a.setOptionS("s", "t");
    UT_Options b = a;
    EXPECT_TRUE(a == b);
    b.setOptionI("x", 0);
    EXPECT_FALSE(a == b);
    b = a;
    EXPECT_TRUE(b.removeOption("s"));
    EXPECT_FALSE(b.removeOption("s"));
    EXPECT_FALSE(a == b);
    EXPECT_EQ(b.getOptionType("s"), UT_OPTION_INVALID);
    EXPECT_EQ(a.getOptionType("s"), UT_OPTION_STRING);
}
