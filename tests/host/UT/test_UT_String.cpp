#include <UT/UT_String.h>

#include <gtest/gtest.h>

#include <string>

TEST(UT_String, MultiMatchAppliesPatternsInOrder)
{
    UT_String name("VKorvit");
    EXPECT_TRUE(name.multiMatch("*"));
    EXPECT_TRUE(name.multiMatch("VK*"));
    EXPECT_TRUE(name.multiMatch("RIB,VKorvit"));
    EXPECT_TRUE(name.multiMatch("RIB VK?rvit"));
    EXPECT_FALSE(name.multiMatch("RIB VK?orvit"));
    EXPECT_FALSE(name.multiMatch("* ^VKorvit"));
    EXPECT_TRUE(name.multiMatch("^VKorvit *"));
    EXPECT_FALSE(name.multiMatch("^VKorvit"));
    EXPECT_TRUE(name.multiMatch("* ^RIB"));
    EXPECT_FALSE(name.multiMatch("vkorvit"));
    EXPECT_TRUE(name.multiMatch("vkorvit", false));
    EXPECT_TRUE(name.multiMatch("* ^vk*", true));
    EXPECT_FALSE(name.multiMatch("* ^vk*", false));
}

TEST(UT_String, MultiMatchSkipsEmptyPatternsAndHonoursSeparators)
{
    UT_String name("VKorvit");
    EXPECT_FALSE(name.multiMatch(""));
    EXPECT_FALSE(name.multiMatch(nullptr));
    EXPECT_FALSE(name.multiMatch(" ,, "));
    EXPECT_TRUE(name.multiMatch(",,RIB,, ,VKorvit,"));
    EXPECT_FALSE(name.multiMatch("RIB VKorvit", true, ","));
    EXPECT_TRUE(name.multiMatch("RIB;VKorvit", true, ";"));
    EXPECT_FALSE(UT_String("").multiMatch("a b"));
    EXPECT_TRUE(UT_String("").multiMatch("*"));
}

TEST(UT_String, MatchPatternCoversWholeText)
{
    EXPECT_TRUE(UTmatchPattern("", "*"));
    EXPECT_TRUE(UTmatchPattern("", ""));
    EXPECT_FALSE(UTmatchPattern("a", ""));
    EXPECT_FALSE(UTmatchPattern("", "?"));
    EXPECT_TRUE(UTmatchPattern("abc", "a?c"));
    EXPECT_FALSE(UTmatchPattern("abcd", "a?c"));
    EXPECT_FALSE(UTmatchPattern("xabc", "abc"));
    EXPECT_TRUE(UTmatchPattern("abXbXc", "a*b*c"));
    EXPECT_TRUE(UTmatchPattern("mississippi", "*iss*ipp?"));
    EXPECT_FALSE(UTmatchPattern("mississippi", "*iss*ipp"));
    EXPECT_TRUE(UTmatchPattern("ABC", "a*", false));
    EXPECT_FALSE(UTmatchPattern("ABC", "a*", true));
    EXPECT_TRUE(UT_String("Light1").matchPattern("light?", false));

    // Many stars against a long near-miss must not explode.
    std::string text(2000, 'a');
    EXPECT_FALSE(UTmatchPattern(text.c_str(), "*a*a*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(UTmatchPattern((text + "b").c_str(), "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(UT_String, SubstituteReplacesNonOverlappingOccurrences)
{
    UT_String s("aaaa");
    EXPECT_EQ(s.substitute("aa", "b"), 2);
    EXPECT_EQ(s, "bb");

    UT_String grow("a.a");
    EXPECT_EQ(grow.substitute("a", "aa"), 2);
    EXPECT_EQ(grow, "aa.aa");

    UT_String gone("x-y-z");
    EXPECT_EQ(gone.substitute("-", nullptr), 2);
    EXPECT_EQ(gone, "xyz");

    UT_String same("abc");
    EXPECT_EQ(same.substitute("", "q"), 0);
    EXPECT_EQ(same.substitute(nullptr, "q"), 0);
    EXPECT_EQ(same.substitute("zz", "q"), 0);
    EXPECT_EQ(same, "abc");
}

TEST(UT_String, IsNumberNeedsTheWholeText)
{
    for (const char *yes : {"0", "-12", "+3.5", ".5", "1e10", "-2.5E-3", "0x10", "inf"})
        EXPECT_TRUE(UT_String::isNumber(yes)) << yes;
    for (const char *no : {"", " 1", "1 ", "1e", "abc", "1.2.3", "--1", "1x"})
        EXPECT_FALSE(UT_String::isNumber(no)) << no;
    EXPECT_FALSE(UT_String::isNumber(nullptr));
}
