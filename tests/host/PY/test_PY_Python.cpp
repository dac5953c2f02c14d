#include <PY/PY_InterpreterAutoLock.h>
#include <PY/PY_Python.h>

#include <UT/UT_WorkBuffer.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{

PY_Result run(const char *expression, PY_Result::Type desired = PY_Result::NONE)
{
    return PYrunPythonExpression(expression, desired);
}

TEST(PY_Python, ScalarsConvertToTheirOwnKind)
{
    PY_Result r = run("6 * 7", PY_Result::INT);
    EXPECT_EQ(r.myResultType, PY_Result::INT);
    EXPECT_EQ(r.myIntValue, 42);

    r = run("True");
    EXPECT_EQ(r.myResultType, PY_Result::INT);
    EXPECT_EQ(r.myIntValue, 1);

    r = run("-(2**63)");
    EXPECT_EQ(r.myResultType, PY_Result::INT);
    EXPECT_EQ(r.myIntValue, std::numeric_limits<int64_t>::min());

    r = run("0.1 + 0.2");
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE);
    EXPECT_EQ(r.myDoubleValue, 0.1 + 0.2);

    r = run("'caf\\u00e9 ' + 'x' * 3");
    EXPECT_EQ(r.myResultType, PY_Result::STRING);
    EXPECT_EQ(r.myStringValue, "caf\xc3\xa9 xxx");

    // Undecodable bytes travel as lone surrogates and come back as the bytes themselves.
    r = run("b'a\\xff\\x00b'.decode('utf-8', 'surrogateescape')");
    EXPECT_EQ(r.myResultType, PY_Result::STRING);
    EXPECT_EQ(r.myStringValue, std::string("a\xff\0b", 4));

    r = run("None", PY_Result::STRING);
    EXPECT_EQ(r.myResultType, PY_Result::NONE);

    // The desired kind is a request, never a coercion of text or of floats.
    r = run("'12'", PY_Result::INT);
    EXPECT_EQ(r.myResultType, PY_Result::STRING);
    r = run("2.5", PY_Result::INT);
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE);
    r = run("7", PY_Result::DOUBLE);
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE);
    EXPECT_EQ(r.myDoubleValue, 7.0);
}

TEST(PY_Python, SequencesPickTheArrayKindFromTheirItems)
{
    PY_Result r = run("[1, 2, -3]");
    EXPECT_EQ(r.myResultType, PY_Result::INT_ARRAY);
    EXPECT_EQ(r.myIntArray, (std::vector<int64_t>{1, 2, -3}));

    r = run("(1, 2)", PY_Result::DOUBLE_ARRAY);
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE_ARRAY);
    EXPECT_EQ(r.myDoubleArray, (std::vector<double>{1.0, 2.0}));

    r = run("[1, 2.5, True]", PY_Result::INT_ARRAY);
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE_ARRAY);
    EXPECT_EQ(r.myDoubleArray, (std::vector<double>{1.0, 2.5, 1.0}));

    r = run("tuple('ab')");
    EXPECT_EQ(r.myResultType, PY_Result::STRING_ARRAY);
    EXPECT_EQ(r.myStringArray, (std::vector<std::string>{"a", "b"}));

    for (const char *empty : {"[]", "()"})
    {
        for (PY_Result::Type desired :
             {PY_Result::NONE, PY_Result::INT_ARRAY, PY_Result::DOUBLE_ARRAY})
        {
            r = run(empty, desired);
            EXPECT_EQ(r.myResultType, PY_Result::STRING_ARRAY) << empty << " " << desired;
            EXPECT_TRUE(r.myStringArray.empty());
        }
    }

    r = run("[1, 'a']");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue, "cannot convert list item of type str");

    r = run("[1, None]");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    r = run("[[1]]");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
}

TEST(PY_Python, IntegersBeyondSixtyFourBitsAreErrors)
{
    for (const char *huge : {"2**63", "-(2**63) - 1", "10**100", "[1, 2**64]", "{'n': 2**64}"})
    {
        PY_Result r = run(huge, PY_Result::INT);
        EXPECT_EQ(r.myResultType, PY_Result::ERR) << huge;
        EXPECT_NE(r.myErrValue.find("integer out of range"), std::string::npos) << huge;
    }
    // As a double it fits until it overflows the double range too.
    PY_Result r = run("2**64", PY_Result::DOUBLE);
    EXPECT_EQ(r.myResultType, PY_Result::DOUBLE);
    EXPECT_EQ(r.myDoubleValue, 18446744073709551616.0);
    r = run("10**400", PY_Result::DOUBLE);
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue.rfind("OverflowError: ", 0), 0u) << r.myErrValue;
}

TEST(PY_Python, DictionariesBecomeOptions)
{
    PY_Result r = run("{'i': 3, 'b': False, 'f': 0.5, 's': 'x', 'ia': [1], 'fa': (1, 2.0),"
                      " 'sa': ['p'], 'e': []}",
                      PY_Result::OPTIONS);
    ASSERT_EQ(r.myResultType, PY_Result::OPTIONS) << r.myErrValue;
    EXPECT_EQ(PY_Result::OPTIONS, 6);
    UT_Options expected;
    expected.setOptionI("i", 3);
    expected.setOptionB("b", false);
    expected.setOptionF("f", 0.5);
    expected.setOptionS("s", "x");
    expected.setOptionIArray("ia", {1});
    expected.setOptionFArray("fa", {1.0, 2.0});
    expected.setOptionSArray("sa", {"p"});
    expected.setOptionSArray("e", {});
    EXPECT_TRUE(r.myOptions == expected);

    r = run("{'ok': 1, 'bad': None}");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_NE(r.myErrValue.find("'bad'"), std::string::npos) << r.myErrValue;
    EXPECT_NE(r.myErrValue.find("NoneType"), std::string::npos) << r.myErrValue;

    r = run("{'nested': {}}");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_NE(r.myErrValue.find("'nested'"), std::string::npos) << r.myErrValue;

    r = run("{1: 2}");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    r = run("{'a\\0b': 1}");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);

    r = run("object()");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue, "cannot convert object");
}

TEST(PY_Python, OptionsSurviveTheTripThroughPython)
{
    const std::string awkward[] = {
        "",
        "it's \"quoted\"",
        "back\\slash\\",
        "line\nbreak\r\ttab",
        "'''triple''' \"\"\"",
        std::string("nul\0inside", 10),
        "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
        "bad \xff\xfe bytes \xc3 \xed\xa0\x80 \xc0\xaf",
        "\x7f\x01 {} %s \\x41 \\u0041",
    };
    UT_Options options;
    int n = 0;
    for (const std::string &text : awkward)
    {
        std::string name = "s" + std::to_string(n++);
        UT_OptionEntry entry;
        entry.type = UT_OPTION_STRING;
        entry.s = text;
        options.setOption(name.c_str(), entry);
        // Awkward names as well as values.
        options.setOptionI(("key " + text).c_str(), n);
    }
    options.setOptionSArray("all",
                            std::vector<std::string>(std::begin(awkward), std::end(awkward)));
    options.setOptionI("min", std::numeric_limits<int64_t>::min());
    options.setOptionB("yes", true);
    options.setOptionF("third", 1.0 / 3.0);
    options.setOptionF("whole", 2.0);
    options.setOptionF("inf", -std::numeric_limits<double>::infinity());
    options.setOptionF("nan", std::numeric_limits<double>::quiet_NaN());
    options.setOptionFArray("floats", {1.0, 1e-300, -0.0});
    options.setOptionIArray("ints", {0, std::numeric_limits<int64_t>::max()});

    options.setOptionF("tiny", 5e-324);
    options.setOptionF("large", 1e300);
    options.setOptionF("whole", 1e16);

    // Random bytes, well-formed sequences among them, and random doubles.
    std::mt19937_64 random(777);
    const std::string pieces[] = {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "'", "\\", "\n"};
    for (int k = 0; k < 300; ++k)
    {
        std::string text;
        for (int j = static_cast<int>(random() % 10); j > 0; --j)
            text += random() % 3 ? std::string(1, static_cast<char>(random() % 256))
                                 : pieces[random() % std::size(pieces)];
        UT_OptionEntry entry;
        entry.type = UT_OPTION_STRING;
        entry.s = text;
        options.setOption(("r" + std::to_string(k) + text.substr(0, 3)).c_str(), entry);
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof(value));
        options.setOptionF(("f" + std::to_string(k)).c_str(), value);
    }

    UT_WorkBuffer literal;
    options.appendPyDictionary(literal);
    EXPECT_EQ(std::string(literal.buffer()).find('\n'), std::string::npos);
    PY_Result r = run(literal.buffer(), PY_Result::OPTIONS);
    ASSERT_EQ(r.myResultType, PY_Result::OPTIONS) << r.myErrValue << "\n" << literal.buffer();
    EXPECT_EQ(r.myOptions.getNumOptions(), options.getNumOptions());
    EXPECT_TRUE(r.myOptions == options) << literal.buffer();
}

TEST(PY_Python, FailuresComeBackAsErrorText)
{
    PY_Result r = run("1 +");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue.rfind("SyntaxError: ", 0), 0u) << r.myErrValue;

    // Statements are not expressions.
    for (const char *statement : {"x = 1", "import os", "raise KeyboardInterrupt", "1; 2"})
    {
        r = run(statement);
        EXPECT_EQ(r.myResultType, PY_Result::ERR) << statement;
        EXPECT_EQ(r.myErrValue.rfind("SyntaxError", 0), 0u) << r.myErrValue;
    }

    r = run("1 / 0");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue, "ZeroDivisionError: division by zero");

    r = run("undefined_name");
    EXPECT_EQ(r.myErrValue, "NameError: name 'undefined_name' is not defined");

    // A user's exception whose own __str__ fails still yields its name.
    r = run("exec('class Bad(Exception):\\n def __str__(self): raise ValueError()\\n"
            "raise Bad()')");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue.rfind("Bad: ", 0), 0u) << r.myErrValue;

    // Nothing is left over: every evaluation gets a fresh namespace and no pending error.
    r = run("globals().setdefault('leak', 1)");
    EXPECT_EQ(r.myIntValue, 1);
    r = run("'leak' in globals()");
    EXPECT_EQ(r.myIntValue, 0);

    r = PYrunPythonExpression(nullptr, PY_Result::INT);
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
}

TEST(PY_Python, ExitAndInterruptDoNotEndTheHost)
{
    struct sigaction before = {};
    sigaction(SIGINT, nullptr, &before);

    PY_Result r = run("__import__('sys').exit(3)");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue, "SystemExit: 3");

    r = run("exit()");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue.rfind("SystemExit", 0), 0u) << r.myErrValue;

    r = run("exec('raise KeyboardInterrupt')");
    EXPECT_EQ(r.myResultType, PY_Result::ERR);
    EXPECT_EQ(r.myErrValue, "KeyboardInterrupt");

    // The interpreter must not have taken over Ctrl-C from the host.
    struct sigaction after = {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);

    r = run("1 + 1");
    EXPECT_EQ(r.myIntValue, 2);
}

TEST(PY_Python, TwoThreadsEvaluateAtOnce)
{
    auto work = [](int seed, int *failures)
    {
        for (int k = 0; k < 200; ++k)
        {
            // Guards nest: the evaluation takes its own inside this one.
            PY_InterpreterAutoLock lock;
            std::string expression = "sum(range(" + std::to_string(seed + k) + "))";
            PY_Result r = PYrunPythonExpression(expression.c_str(), PY_Result::INT);
            int64_t n = seed + k;
            if (r.myResultType != PY_Result::INT || r.myIntValue != n * (n - 1) / 2)
                ++*failures;
        }
        // Long enough that the interpreter hands the lock over mid-evaluation.
        PY_Result r = PYrunPythonExpression("sum(range(3000000))", PY_Result::INT);
        if (r.myIntValue != int64_t(3000000) * 2999999 / 2)
            ++*failures;
    };
    int failuresA = 0;
    int failuresB = 0;
    std::thread a(work, 1000, &failuresA);
    std::thread b(work, 5000, &failuresB);
    a.join();
    b.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
}

TEST(PY_Python, SysPathFoldersComeFirstAndAreImportable)
{
    auto dir =
        std::filesystem::temp_directory_path() / ("test_PY_Python_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "py_probe_module.py") << "VALUE = 'found'\n";

    PYsetSysPath({dir.string(), "/nonexistent/second"});
    PYsetSysPath({dir.string(), "/nonexistent/second"});
    PY_Result r = run("__import__('sys').path[:3]");
    ASSERT_EQ(r.myResultType, PY_Result::STRING_ARRAY) << r.myErrValue;
    EXPECT_EQ(r.myStringArray[0], dir.string());
    EXPECT_EQ(r.myStringArray[1], "/nonexistent/second");
    EXPECT_NE(r.myStringArray[2], dir.string());

    r = run("__import__('py_probe_module').VALUE");
    EXPECT_EQ(r.myStringValue, "found") << r.myErrValue;
    std::filesystem::remove_all(dir);
}

} // namespace
