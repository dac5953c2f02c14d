#include <UT/UT_Options.h>
#include <UT/UT_PyLiteral.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

// What Python makes of the literals is tested where the host reads them back (PY_Python); here
// the text itself, where a fault would still read back as a plausible value.
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
    o.setOptionIArray("i", {std::numeric_limits<int64_t>::min()});
    out.clear();
    UT_PyLiteral::appendDictionary(out, o);
    EXPECT_EQ(out.toStdString(), "{'a': -3, 'f': 2.0, 'i': [-9223372036854775808], 'm': False, "
                                 "'v': [0.5, -1.0], 'z': 'it\\'s'}");

    auto literal = [](double value)
    {
        UT_WorkBuffer text;
        UT_PyLiteral::appendFloat(text, value);
        return text.toStdString();
    };
    EXPECT_EQ(literal(-0.0), "-0.0");
    EXPECT_EQ(literal(1e16), "10000000000000000.0");
    EXPECT_EQ(literal(0.1), "0.10000000000000001");
    EXPECT_EQ(literal(-std::numeric_limits<double>::infinity()), "-float('inf')");
    EXPECT_EQ(literal(std::nan("")), "float('nan')");

    out.clear();
    UT_PyLiteral::appendString(out, std::string("\\\n\t\x01\x7f\0\xff\xc3\xa9\xed\xa0\x80", 12));
    EXPECT_EQ(out.toStdString(), "'\\\\\\n\\t\\x01\\x7f\\x00\\udcff\xc3\xa9\\udced\\udca0\\udc80'");
}
