#include <UT/UT_PyLiteral.h>

#include <UT/UT_Options.h>
#include <UT/UT_Utf8.h>
#include <UT/UT_WorkBuffer.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
// How an ASCII byte is written inside a single-quoted literal; null for itself.
const char *ut_escape(unsigned char c)
{
    switch (c)
    {
    case '\\':
        return "\\\\";
    case '\'':
        return "\\'";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        return nullptr;
    }
}

template <typename T, typename F>
void ut_appendList(UT_WorkBuffer &out, const std::vector<T> &values, F appendOne)
{
    out.append('[');
    for (size_t k = 0; k < values.size(); ++k)
    {
        if (k)
            out.append(", ");
        appendOne(out, values[k]);
    }
    out.append(']');
}

void ut_appendValue(UT_WorkBuffer &out, const UT_OptionEntry &entry)
{
    switch (entry.type)
    {
    case UT_OPTION_INT:
        UT_PyLiteral::appendInt(out, entry.i);
        break;
    case UT_OPTION_BOOL:
        out.append(entry.i ? "True" : "False");
        break;
    case UT_OPTION_FLOAT:
        UT_PyLiteral::appendFloat(out, entry.f);
        break;
    case UT_OPTION_STRING:
        UT_PyLiteral::appendString(out, entry.s);
        break;
    case UT_OPTION_VECTOR2:
    case UT_OPTION_VECTOR3:
    case UT_OPTION_VECTOR4:
    case UT_OPTION_FLOATARRAY:
        ut_appendList(out, entry.v, UT_PyLiteral::appendFloat);
        break;
    case UT_OPTION_INTARRAY:
        ut_appendList(out, entry.ia, UT_PyLiteral::appendInt);
        break;
    case UT_OPTION_STRINGARRAY:
        ut_appendList(out, entry.sa, UT_PyLiteral::appendString);
        break;
    case UT_OPTION_INVALID:
        out.append("None");
        break;
    }
}
} // namespace

void UT_PyLiteral::appendString(UT_WorkBuffer &out, const std::string &text)
{
    std::string literal = "'";
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    char hex[16];
    while (p < end)
    {
        const unsigned char c = *p;
        const size_t length = UTutf8SequenceLength(p, static_cast<size_t>(end - p));
        if (length == 0)
        {
            // A byte that is not valid UTF-8 becomes the lone surrogate U+DC00+byte, which is
            // how Python itself represents undecodable bytes (the "surrogateescape" handler);
            // encoding the string back with that handler yields the original bytes.
            std::snprintf(hex, sizeof(hex), "\\udc%02x", c);
            literal += hex;
            ++p;
            continue;
        }
        if (length > 1)
            literal.append(reinterpret_cast<const char *>(p), length);
        else if (const char *escape = ut_escape(c))
            literal += escape;
        else if (c < 0x20 || c == 0x7F)
        {
            std::snprintf(hex, sizeof(hex), "\\x%02x", c);
            literal += hex;
        }
        else
            literal += static_cast<char>(c);
        p += length;
    }
    literal += '\'';
    out.append(literal);
}

void UT_PyLiteral::appendFloat(UT_WorkBuffer &out, double value)
{
    if (std::isnan(value))
    {
        out.append("float('nan')");
        return;
    }
    if (std::isinf(value))
    {
        out.append(value < 0 ? "-float('inf')" : "float('inf')");
        return;
    }
    // Seventeen significant digits always read back to the same double; to_chars gives the
    // "%.17g" text without depending on the C locale's decimal point.
    char text[64];
    auto result = std::to_chars(text, text + sizeof(text), value, std::chars_format::general, 17);
    std::string digits(text, result.ptr);
    // "%g" drops the point from whole numbers, which Python would read as an int.
    if (digits.find_first_of(".e") == std::string::npos)
        digits += ".0";
    out.append(digits);
}

void UT_PyLiteral::appendInt(UT_WorkBuffer &out, int64_t value)
{
    char text[32];
    auto result = std::to_chars(text, text + sizeof(text), value);
    out.append(std::string(text, result.ptr));
}

void UT_PyLiteral::appendDictionary(UT_WorkBuffer &out, const UT_Options &options)
{
    out.append('{');
    bool first = true;
    for (const auto &[name, entry] : options.entries())
    {
        if (!first)
            out.append(", ");
        first = false;
        appendString(out, name);
        out.append(": ");
        ut_appendValue(out, entry);
    }
    out.append('}');
}
