#include <FS/CPP_TokenStream.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Token
{
    std::string text;
    bool quoted;
    int line;
};

std::vector<Token> tokens(CPP_TokenStream &stream)
{
    std::vector<Token> out;
    std::string text;
    while (stream.getToken(text))
        out.push_back({text, stream.wasQuoted(), stream.getLine()});
    return out;
}
} // namespace

TEST(CPP_TokenStream, WordsStringsBracesCommentsAndLines)
{
    CPP_TokenStream stream("parm{name \"a b\"}# gone { \"\n"
                           "  x#y \"{\" \"q\\\"\\\\\\n\\t\\z\"\n"
                           "\n"
                           "\"two\nlines\" last");
    const std::vector<Token> got = tokens(stream);
    const std::vector<Token> want = {
        {"parm", false, 1},      {"{", false, 1},    {"name", false, 1}, {"a b", true, 1},
        {"}", false, 1},         {"x#y", false, 2},  {"{", true, 2},     {"q\"\\\n\tz", true, 2},
        {"two\nlines", true, 4}, {"last", false, 5},
    };
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
    {
        EXPECT_EQ(got[i].text, want[i].text) << i;
        EXPECT_EQ(got[i].quoted, want[i].quoted) << i;
        EXPECT_EQ(got[i].line, want[i].line) << i;
    }
    EXPECT_FALSE(stream.hasTokenError());
    EXPECT_EQ(stream.getLine(), 5);
}

TEST(CPP_TokenStream, PeekLeavesTheTokenAndUnterminatedStringsAreErrors)
{
    CPP_TokenStream stream("a\n\"open\nstring");
    std::string token;
    ASSERT_TRUE(stream.peekToken(token));
    EXPECT_EQ(token, "a");
    ASSERT_TRUE(stream.getToken(token));
    EXPECT_EQ(token, "a");
    EXPECT_EQ(stream.getLine(), 1);

    // Looking at the broken string does not yet fail the stream; taking it does, for good.
    EXPECT_FALSE(stream.peekToken(token));
    EXPECT_FALSE(stream.hasTokenError());
    UT_String ut;
    EXPECT_FALSE(stream.getToken(ut));
    EXPECT_TRUE(stream.hasTokenError());
    EXPECT_EQ(stream.getLine(), 2);
    EXPECT_FALSE(stream.getToken(token));

    CPP_TokenStream trailing("\"ends in a backslash\\");
    EXPECT_FALSE(trailing.getToken(token));
    EXPECT_TRUE(trailing.hasTokenError());

    CPP_TokenStream empty("  # nothing but a comment\n\n");
    EXPECT_FALSE(empty.getToken(token));
    EXPECT_FALSE(empty.hasTokenError());
    EXPECT_EQ(empty.getLine(), 3);
}

TEST(CPP_TokenStream, NulBytesAreOrdinaryCharacters)
{
    CPP_TokenStream stream(std::string("a\0b \"c\0d\"", 9));
    std::string token;
    ASSERT_TRUE(stream.getToken(token));
    EXPECT_EQ(token, std::string("a\0b", 3));
    ASSERT_TRUE(stream.getToken(token));
    EXPECT_EQ(token, std::string("c\0d", 3));
}
