#include <CMD/CMD_Tokenizer.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace
{

using Words = std::vector<std::string>;

Words split(const std::string &line, const CMD_Tokenizer::Expander &expander = nullptr)
{
    Words words;
    std::string error;
    EXPECT_TRUE(CMD_Tokenizer::split(line, words, error, expander)) << error;
    return words;
}

std::string splitError(const std::string &line, const CMD_Tokenizer::Expander &expander = nullptr)
{
    Words words = {"stale"};
    std::string error;
    EXPECT_FALSE(CMD_Tokenizer::split(line, words, error, expander)) << line;
    EXPECT_TRUE(words.empty());
    return error;
}

bool upperCase(const std::string &expr, std::string &value, std::string &)
{
    value = "<";
    for (char c : expr)
        value += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    value += ">";
    return true;
}

} // namespace

TEST(CMD_Tokenizer, SplitsOnBlanksAndStopsAtComments)
{
    EXPECT_EQ(split(""), Words{});
    EXPECT_EQ(split(" \t "), Words{});
    EXPECT_EQ(split("opcf /obj"), (Words{"opcf", "/obj"}));
    EXPECT_EQ(split("  a\t\tb  c  "), (Words{"a", "b", "c"}));
    EXPECT_EQ(split("a b\n"), (Words{"a", "b"}));
    EXPECT_EQ(split("a b\r\n"), (Words{"a", "b"}));
    EXPECT_EQ(split("# all comment"), Words{});
    EXPECT_EQ(split("a #rest 'unterminated"), Words{"a"});
    EXPECT_EQ(split("a#b c"), (Words{"a#b", "c"}));
    EXPECT_EQ(split("\"#\" '#x' \\#y"), (Words{"#", "#x", "#y"}));
}

TEST(CMD_Tokenizer, QuotesGroupAndJoinText)
{
    EXPECT_EQ(split("'' \"\""), (Words{"", ""}));
    EXPECT_EQ(split("a'b c'\"d e\"f"), Words{"ab cd ef"});
    EXPECT_EQ(split("'it\"s' \"it's\""), (Words{"it\"s", "it's"}));
    EXPECT_EQ(split("'\\n\\' x"), (Words{"\\n\\", "x"}));
    EXPECT_EQ(split("\"\\n\\t\\r\\\\\\\"\\`\\q\""), Words{"\n\t\r\\\"`q"});
    EXPECT_EQ(split("a\\ b \\n\\'"), (Words{"a b", "\n'"}));
    EXPECT_EQ(split("\"a\tb\""), Words{"a\tb"});
}

TEST(CMD_Tokenizer, BackquotesExpandOnceOutsideSingleQuotes)
{
    std::vector<std::string> seen;
    auto expander = [&seen](const std::string &expr, std::string &value, std::string &error)
    {
        seen.push_back(expr);
        return upperCase(expr, value, error);
    };
    EXPECT_EQ(split("x`a b`y '`q`' \"p`c`\"", expander), (Words{"x<A B>y", "`q`", "p<C>"}));
    EXPECT_EQ(seen, (Words{"a b", "c"}));

    // The value is final: no splitting, quoting, comments or further expansion in it.
    auto tricky = [](const std::string &, std::string &value, std::string &)
    {
        value = " '#` \" \\n ";
        return true;
    };
    EXPECT_EQ(split("`x` `y`z", tricky), (Words{" '#` \" \\n ", " '#` \" \\n z"}));

    auto empty = [](const std::string &, std::string &value, std::string &)
    {
        value.clear();
        return true;
    };
    EXPECT_EQ(split("a `x` b", empty), (Words{"a", "", "b"}));

    // Quotes inside the expression belong to the expression.
    EXPECT_EQ(split("\"v=`ch(\"t x\")`\"", expander), Words{"v=<CH(\"T X\")>"});

    EXPECT_EQ(split("keep `this` as is"), (Words{"keep", "`this`", "as", "is"}));
}

TEST(CMD_Tokenizer, ReportsMalformedLines)
{
    EXPECT_NE(splitError("a 'b").find("single"), std::string::npos);
    EXPECT_NE(splitError("a \"b").find("double"), std::string::npos);
    EXPECT_NE(splitError("a \"b\\\"").find("double"), std::string::npos);
    EXPECT_NE(splitError("a `b").find("backquote"), std::string::npos);
    EXPECT_NE(splitError("a \"`b\"").find("backquote"), std::string::npos);
    EXPECT_NE(splitError("a b\\").find("backslash"), std::string::npos);

    auto failing = [](const std::string &expr, std::string &, std::string &error)
    {
        error = "bad expression " + expr;
        return false;
    };
    EXPECT_EQ(splitError("a `1+` b", failing), "bad expression 1+");
    auto silent = [](const std::string &, std::string &, std::string &) { return false; };
    EXPECT_FALSE(splitError("`oops`", silent).empty());

    // The value of an expression may bring a NUL byte that the line itself does not hold.
    auto nul = [](const std::string &, std::string &value, std::string &)
    {
        value.assign("a\0b", 3);
        return true;
    };
    EXPECT_EQ(splitError("x `n` y", nul),
              "A NUL byte in the word '" + std::string("a\0b", 3) + "'");
    EXPECT_NE(splitError("\"q`n`\"", nul).find("NUL"), std::string::npos);
}
