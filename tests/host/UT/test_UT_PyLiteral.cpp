#include <UT/UT_Options.h>
#include <UT/UT_PyLiteral.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <unistd.h>

namespace
{

// Evaluates a dictionary literal with Python and prints one canonical line per item, in the
// dictionary's order: every value is reduced to text that does not depend on how it was written.
const char *const theCanonicalizer = R"PY(
import ast, struct, sys
src = open(sys.argv[1], encoding='utf-8').read()
if 'float(' in src:
    d = eval(src, {'__builtins__': {}, 'float': float})
else:
    d = ast.literal_eval(src)
assert type(d) is dict, type(d)
def canon(v):
    if isinstance(v, bool):
        return 'B' + str(v)
    if isinstance(v, int):
        return 'I' + str(v)
    if isinstance(v, float):
        return 'Fnan' if v != v else 'F' + struct.pack('<d', v).hex()
    if isinstance(v, str):
        return 'S' + v.encode('utf-8', 'surrogateescape').hex()
    if isinstance(v, list):
        return 'L[' + ','.join(canon(x) for x in v) + ']'
    raise TypeError(type(v))
for k, v in d.items():
    print(canon(k) + '=' + canon(v))
)PY";

std::string hexOf(const std::string &bytes)
{
    std::string out;
    char pair[3];
    for (unsigned char c : bytes)
    {
        std::snprintf(pair, sizeof(pair), "%02x", c);
        out += pair;
    }
    return out;
}

std::string canonFloat(double v)
{
    if (std::isnan(v))
        return "Fnan";
    unsigned char bytes[sizeof(double)];
    std::memcpy(bytes, &v, sizeof(v));
    // struct.pack('<d') is little-endian; so is every machine this builds on.
    return "F" + hexOf(std::string(reinterpret_cast<char *>(bytes), sizeof(bytes)));
}

std::string canonEntry(const UT_OptionEntry &e)
{
    auto list = [](const auto &values, auto one)
    {
        std::string out = "L[";
        for (size_t k = 0; k < values.size(); ++k)
            out += (k ? "," : "") + one(values[k]);
        return out + "]";
    };
    auto canonInt = [](int64_t v) { return "I" + std::to_string(v); };
    auto canonString = [](const std::string &s) { return "S" + hexOf(s); };
    switch (e.type)
    {
    case UT_OPTION_INT:
        return canonInt(e.i);
    case UT_OPTION_BOOL:
        return e.i ? "BTrue" : "BFalse";
    case UT_OPTION_FLOAT:
        return canonFloat(e.f);
    case UT_OPTION_STRING:
        return canonString(e.s);
    case UT_OPTION_INTARRAY:
        return list(e.ia, canonInt);
    case UT_OPTION_STRINGARRAY:
        return list(e.sa, canonString);
    default:
        return list(e.v, canonFloat);
    }
}

std::string expectedCanon(const UT_Options &options)
{
    std::string out;
    for (const auto &[name, entry] : options.entries())
        out += "S" + hexOf(name) + "=" + canonEntry(entry) + "\n";
    return out;
}

std::string pythonCanon(const std::string &literal)
{
    static int theCounter = 0;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    std::string stem =
        "ut_options_" + std::to_string(getpid()) + "_" + std::to_string(theCounter++);
    std::filesystem::path script = dir / (stem + ".py");
    std::filesystem::path data = dir / (stem + ".txt");
    std::ofstream(script, std::ios::binary) << theCanonicalizer;
    std::ofstream(data, std::ios::binary) << literal;

    std::string command =
        std::string(SHOP_PYTHON3) + " '" + script.string() + "' '" + data.string() + "' 2>&1";
    std::string output;
    if (FILE *pipe = popen(command.c_str(), "r"))
    {
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0)
            output.append(chunk, n);
        EXPECT_EQ(pclose(pipe), 0) << output;
    }
    else
    {
        ADD_FAILURE() << "cannot run " << command;
    }
    std::filesystem::remove(script);
    std::filesystem::remove(data);
    return output;
}

void expectPythonReadsBack(const UT_Options &options)
{
    UT_WorkBuffer out;
    UT_PyLiteral::appendDictionary(out, options);
    std::string literal = out.toStdString();
    EXPECT_EQ(literal.find('\n'), std::string::npos);
    EXPECT_EQ(pythonCanon(literal), expectedCanon(options)) << literal;
}

} // namespace

TEST(UT_PyLiteral, DictionaryIsOrderedAndPlain)
{
    UT_Options o;
    UT_WorkBuffer out;
    UT_PyLiteral::appendDictionary(out, o);
    EXPECT_EQ(out.toStdString(), "{}");

    o.setOptionS("z", "it's");
    o.setOptionI("a", -3);
    o.setOptionB("m", false);
    o.setOptionF("f", 2);
    o.setOptionV2("v", 0.5, -1);
    out.clear();
    UT_PyLiteral::appendDictionary(out, o);
    EXPECT_EQ(out.toStdString(),
              "{'a': -3, 'f': 2.0, 'm': False, 'v': [0.5, -1.0], 'z': 'it\\'s'}");
    expectPythonReadsBack(o);
}

TEST(UT_PyLiteral, PythonReadsBackAwkwardValues)
{
    UT_Options o;
    o.setOptionS("quotes", "single ' double \" triple ''' and \"\"\"");
    o.setOptionS("slashes", "\\ \\\\ \\n \\x41 \\u0041 \\");
    o.setOptionS("lines", "a\nb\r\nc\td\x01\x1f\x7f");
    o.setOptionS("unicode", "caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80 \xc2\x85");
    o.setOptionS("not utf-8", "\xff\xc3(\xed\xa0\x80\xe2\x82\xc0\x80\xf5");
    o.setOptionS("", "");
    UT_OptionEntry nul;
    nul.type = UT_OPTION_STRING;
    nul.s = std::string("a\0b", 3);
    o.setOption("nul", nul);
    o.setOptionS("name with 'quote' and \xe9", "x");

    o.setOptionI("max", std::numeric_limits<int64_t>::max());
    o.setOptionI("min", std::numeric_limits<int64_t>::min());
    o.setOptionB("yes", true);
    o.setOptionF("negzero", -0.0);
    o.setOptionF("tenth", 0.1);
    o.setOptionF("tiny", 5e-324);
    o.setOptionF("large", 1e300);
    o.setOptionF("whole", 1e16);
    o.setOptionF("inf", std::numeric_limits<double>::infinity());
    o.setOptionF("-inf", -std::numeric_limits<double>::infinity());
    o.setOptionF("nan", std::nan(""));
    o.setOptionV4("v4", 1, -0.0, 1.0 / 3, std::numeric_limits<double>::infinity());
    o.setOptionFArray("emptyf", {});
    o.setOptionIArray("ia", {0, -1, std::numeric_limits<int64_t>::max()});
    o.setOptionSArray("sa", {"", "'", "\xff", "\n"});
    expectPythonReadsBack(o);
}

TEST(UT_PyLiteral, PythonReadsBackRandomBytesAndFloats)
{
    std::mt19937_64 rng(777);
    // Mixes raw bytes with well-formed multi-byte sequences so both paths get exercised.
    const std::vector<std::string> pieces = {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
                                             "'",        "\\",           "\n"};
    UT_Options o;
    for (int k = 0; k < 300; ++k)
    {
        std::string text;
        int length = static_cast<int>(rng() % 10);
        for (int j = 0; j < length; ++j)
        {
            if (rng() % 3 == 0)
                text += pieces[rng() % pieces.size()];
            else
                text += static_cast<char>(1 + rng() % 255);
        }
        std::string name = "s" + std::to_string(k) + text.substr(0, 3);
        o.setOptionS(name.c_str(), text.c_str());

        uint64_t bits = rng();
        double value;
        std::memcpy(&value, &bits, sizeof(value));
        o.setOptionF(("f" + std::to_string(k)).c_str(), value);
    }
    expectPythonReadsBack(o);
}
