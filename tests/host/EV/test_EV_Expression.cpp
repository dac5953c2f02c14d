#include <EV/EV_Expression.h>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace
{

class TestContext : public EV_Context
{
public:
    bool getVariable(const std::string &name, EV_Value &value) override
    {
        ++myLookups;
        if (name == "T")
        {
            timeDependent = true;
            value = EV_Value::number(time);
            return true;
        }
        auto it = myVars.find(name);
        if (it == myVars.end())
            return false;
        value = it->second;
        return true;
    }

    std::map<std::string, EV_Value> myVars;
    int myLookups = 0;
};

std::unique_ptr<EV_Expression> parseOk(const std::string &text)
{
    std::string error;
    auto expr = EV_Expression::parse(text, error);
    EXPECT_TRUE(expr) << text << ": " << error;
    return expr;
}

EV_Value eval(const std::string &text, EV_Context &context)
{
    EV_Value value;
    auto expr = parseOk(text);
    if (expr)
    {
        EXPECT_TRUE(expr->evaluate(context, value)) << text << ": " << context.error;
    }
    return value;
}

double num(const std::string &text)
{
    EV_Context context;
    EV_Value value = eval(text, context);
    EXPECT_FALSE(value.isString()) << text;
    return value.num;
}

std::string str(const std::string &text)
{
    EV_Context context;
    EV_Value value = eval(text, context);
    EXPECT_TRUE(value.isString()) << text;
    return value.str;
}

std::string parseError(const std::string &text)
{
    std::string error;
    auto expr = EV_Expression::parse(text, error);
    EXPECT_FALSE(expr) << text;
    return error;
}

} // namespace

TEST(EV_Expression, PrecedenceAndAssociativity)
{
    const std::pair<const char *, double> cases[] = {
        {"1 + 2 * 3", 7},
        {"(1 + 2) * 3", 9},
        {"10 - 4 - 3", 3},
        {"64 / 4 / 2", 8},
        {"2 ^ 3 ^ 2", 512},
        {"-2 ^ 2", -4},
        {"2 ^ -1", 0.5},
        {"-(2) ^ 2", -4},
        {"2 * 3 ^ 2", 18},
        {"--3", 3},
        {"!0 + 1", 2},
        {"!2 * 5", 0},
        {"7 % 4 * 2", 6},
        {"-7 % 4", -3},
        {"1 + 2 < 4", 1},
        {"0 || 1 && 0", 0},
        {"1 || 0 && 0", 1},
        {"1 ? 2 : 3 ? 4 : 5", 2},
        {"0 ? 2 : 0 ? 4 : 5", 5},
        {"0 ? 1 : 2 + 3", 5},
        {"1 - 1 ? 10 : 20", 20},
        {".5 + 1.", 1.5},
        {"2.5e-3 * 1E3", 2.5},
        {"3 >= 3 && 3 <= 3 && 2 != 3 && 4 > 3", 1},
        {"1 / 0", 0},
        {"5 % 0", 0},
        {"+'7' + 1", 8},
        {"-'2.5'", -2.5},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_DOUBLE_EQ(num(text), expected) << text;
}

TEST(EV_Expression, TextAndNumberRules)
{
    EXPECT_EQ(str("'a' + \"b\""), "ab");
    EXPECT_EQ(str("'frame' + 1 + 2"), "frame12");
    EXPECT_EQ(str("1 + 2 + 'x'"), "3x");
    EXPECT_EQ(str("0.5 + 'x' + 1e20"), "0.5x1e+20");
    EXPECT_EQ(str("'a\\tb\\n\\r\\\\\\'\\\"\\q'"), "a\tb\n\r\\'\"q");
    EXPECT_EQ(str("0 ? 'yes' : 'no'"), "no");

    // Arithmetic other than + reads text as a number.
    EXPECT_DOUBLE_EQ(num("'3' * '4'"), 12);
    EXPECT_DOUBLE_EQ(num("'abc' - 1"), -1);
    EXPECT_DOUBLE_EQ(num("' 2 ' ^ 2"), 4);

    // Text comparisons only when both sides are text.
    EXPECT_EQ(num("'10' < '9'"), 1);
    EXPECT_EQ(num("'10' < 9"), 0);
    EXPECT_EQ(num("'abc' == 'abc'"), 1);
    EXPECT_EQ(num("'abc' != 'abd'"), 1);
    EXPECT_EQ(num("'2.0' == 2"), 1);
    EXPECT_EQ(num("'2.0' == '2'"), 0);

    // Empty text is false, any other text true, even "0".
    EXPECT_EQ(num("!''"), 1);
    EXPECT_EQ(num("'0' && 1"), 1);
    EXPECT_EQ(num("'' || 0"), 0);
}

TEST(EV_Expression, ValueConversions)
{
    EXPECT_EQ(EV_Value::number(1).asString(), "1");
    EXPECT_EQ(EV_Value::number(0.5).asString(), "0.5");
    EXPECT_EQ(EV_Value::number(-0.0).asString(), "0");
    EXPECT_EQ(EV_Value::number(1.0 / 3).asString(), "0.333333333333333");
    EXPECT_EQ(EV_Value::number(123456789012345678.0).asString(), "1.23456789012346e+17");
    EXPECT_EQ(EV_Value::string("x").asString(), "x");

    EXPECT_DOUBLE_EQ(EV_Value::string(" 2.5\n").asNumber(), 2.5);
    EXPECT_DOUBLE_EQ(EV_Value::string("+4").asNumber(), 4);
    EXPECT_DOUBLE_EQ(EV_Value::string("-1e3").asNumber(), -1000);
    EXPECT_DOUBLE_EQ(EV_Value::string("12abc").asNumber(), 0);
    EXPECT_DOUBLE_EQ(EV_Value::string("").asNumber(), 0);
    EXPECT_DOUBLE_EQ(EV_Value::string("+").asNumber(), 0);
    EXPECT_DOUBLE_EQ(EV_Value::number(7).asNumber(), 7);
}

TEST(EV_Expression, Variables)
{
    TestContext context;
    context.myVars["F"] = EV_Value::number(12);
    context.myVars["NAME"] = EV_Value::string("geo");
    context.time = 2.5f;

    EXPECT_DOUBLE_EQ(eval("$F * 2 + ${F}", context).num, 36);
    EXPECT_EQ(eval("${NAME} + $F", context).str, "geo12");
    EXPECT_FALSE(context.timeDependent);
    EXPECT_DOUBLE_EQ(eval("$T * 2", context).num, 5);
    EXPECT_TRUE(context.timeDependent);

    auto expr = parseOk("$F + $MISSING");
    EV_Value value;
    EXPECT_FALSE(expr->evaluate(context, value));
    EXPECT_EQ(context.error, "Unknown variable '$MISSING'");

    // The base context knows no variables.
    EV_Context plain;
    EXPECT_FALSE(parseOk("$F")->evaluate(plain, value));
    EXPECT_EQ(plain.error, "Unknown variable '$F'");

    // Short-circuiting skips the right side entirely.
    context.myLookups = 0;
    EXPECT_DOUBLE_EQ(eval("0 && $MISSING", context).num, 0);
    EXPECT_DOUBLE_EQ(eval("1 || $MISSING", context).num, 1);
    EXPECT_DOUBLE_EQ(eval("1 ? 3 : $MISSING", context).num, 3);
    EXPECT_EQ(context.myLookups, 0);

    // One expression evaluates again with new values.
    auto twice = parseOk("$F + 1");
    EXPECT_TRUE(twice->evaluate(context, value));
    EXPECT_DOUBLE_EQ(value.num, 13);
    context.myVars["F"] = EV_Value::string("x");
    EXPECT_TRUE(twice->evaluate(context, value));
    EXPECT_EQ(value.str, "x1");
}

TEST(EV_Expression, IsConstant)
{
    EXPECT_TRUE(parseOk("1 + 2 * -3")->isConstant());
    EXPECT_TRUE(parseOk("'a' + 'b' == 'ab' ? 1 : 0")->isConstant());
    EXPECT_FALSE(parseOk("1 + $F")->isConstant());
    EXPECT_FALSE(parseOk("abs(1)")->isConstant());
    EXPECT_FALSE(parseOk("nosuchfunction()")->isConstant());
}

TEST(EV_Expression, SyntaxErrorsNameTheColumn)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", "Syntax error at column 1: expected an expression"},
        {"   ", "Syntax error at column 4: expected an expression"},
        {"(1+2", "Syntax error at column 5: expected ')'"},
        {"1 +", "Syntax error at column 4: expected an expression"},
        {"1 2", "Syntax error at column 3: expected an operator or the end of the expression"},
        {"(1+2))", "Syntax error at column 6: expected an operator or the end of the expression"},
        {"1 # 2", "Syntax error at column 3: expected an operator or the end of the expression"},
        {"1 & 2", "Syntax error at column 3: expected an operator or the end of the expression"},
        {"a = 1", "Syntax error at column 3: expected '(' after 'a'"},
        {"abs", "Syntax error at column 4: expected '(' after 'abs'"},
        {"abs(1", "Syntax error at column 6: expected ',' or ')'"},
        {"abs(1 2)", "Syntax error at column 7: expected ',' or ')'"},
        {"max(1,)", "Syntax error at column 7: expected an expression"},
        {"1 ? 2", "Syntax error at column 6: expected ':'"},
        {"1 ? 2 ; 3", "Syntax error at column 7: expected ':'"},
        {"'abc", "Syntax error at column 5: expected ' to close the text started at column 1"},
        {"1 + \"a\\\"", "Syntax error at column 9: expected \" to close the text started at "
                        "column 5"},
        {"1e+", "Syntax error at column 4: expected digits in the exponent"},
        {"2 * $", "Syntax error at column 6: expected a variable name"},
        {"$1", "Syntax error at column 2: expected a variable name"},
        {"${F", "Syntax error at column 4: expected '}'"},
        {"${F G}", "Syntax error at column 4: expected '}'"},
        {"*3", "Syntax error at column 1: expected an expression"},
        // Comparisons do not chain.
        {"1 < 2 == 1", "Syntax error at column 7: expected an operator or the end of the "
                       "expression"},
        {"pow(1, 2, 3)", "Syntax error at column 1: function 'pow' takes 2 arguments, not 3"},
        {" abs()", "Syntax error at column 2: function 'abs' takes 1 argument, not 0"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(parseError(text), expected) << text;

    // Nesting is bounded rather than left to the stack.
    EXPECT_NE(parseError(std::string(100000, '(') + "1").find("nested too deeply"),
              std::string::npos);
    EXPECT_NE(parseError(std::string(100000, '-') + "1").find("nested too deeply"),
              std::string::npos);
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_NE(parseError(chain).find("nested too deeply"), std::string::npos);
    std::string moderate = "1";
    for (int i = 0; i < 500; ++i)
        moderate += "+1";
    EXPECT_DOUBLE_EQ(num(moderate), 501);
}

TEST(EV_Expression, MalformedInputNeverCrashes)
{
    const char *pieces[] = {
        "1", "2.5", ".", "e",  "e-", "'a'", "\"b", "'",   "\\", "$", "${", "}",   "$X", "abs",
        "(", ")",   ",", "+",  "-",  "*",   "/",   "%",   "^",  "!", "&",  "&&",  "|",  "||",
        "=", "==",  "<", ">=", "?",  ":",   " ",   "max", "f",  "#", "\t", "\x80"};
    std::mt19937 random(1234);
    TestContext context;
    context.myVars["X"] = EV_Value::number(3);
    int parsed = 0;
    for (int round = 0; round < 20000; ++round)
    {
        std::string text;
        size_t count = random() % 12;
        for (size_t i = 0; i < count; ++i)
            text += pieces[random() % std::size(pieces)];
        if (round % 4 == 0)
        {
            // Raw bytes too, including NUL.
            text.clear();
            for (size_t i = 0; i < count; ++i)
                text += static_cast<char>(random() % 256);
        }
        std::string error;
        auto expr = EV_Expression::parse(text, error);
        if (!expr)
        {
            EXPECT_EQ(error.rfind("Syntax error at column ", 0), 0u) << text;
            continue;
        }
        ++parsed;
        EXPECT_EQ(expr->getText(), text);
        EV_Value value;
        expr->evaluate(context, value);
        expr->isConstant();
        expr->collectDependencies(nullptr);
        expr->renameReferences(nullptr, "/a", "/b");
    }
    EXPECT_GT(parsed, 100);
}
