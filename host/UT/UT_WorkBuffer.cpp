#include <UT/UT_WorkBuffer.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

bool isBareChar(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::strchr("_./:+=,@%^*?-", c) != nullptr && c != '\0';
}

bool canStayBare(const char *text)
{
    // A leading `#` would start a comment, and an empty word has to be quoted to exist at all.
    if (!*text || *text == '#')
        return false;
    // A word like "-e" or "--" could read as a command option; negative numbers cannot.
    if (text[0] == '-' && !std::isdigit(static_cast<unsigned char>(text[1])) && text[1] != '.')
        return false;
    for (const char *p = text; *p; ++p)
    {
        if (!isBareChar(static_cast<unsigned char>(*p)))
            return false;
    }
    return true;
}

} // namespace

void UT_WorkBuffer::vappendSprintf(const char *fmt, va_list args)
{
    if (!fmt)
        return;
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (needed <= 0)
        return;
    // Format into a separate string: an argument may point into this buffer, and growing the
    // buffer in place could move the text out from under it.
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    va_list format;
    va_copy(format, args);
    std::vsnprintf(text.data(), text.size(), fmt, format);
    va_end(format);
    text.resize(static_cast<size_t>(needed));
    myData += text;
}

void UT_WorkBuffer::appendSprintf(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vappendSprintf(fmt, args);
    va_end(args);
}

void UT_WorkBuffer::sprintf(const char *fmt, ...)
{
    UT_WorkBuffer result;
    va_list args;
    va_start(args, fmt);
    result.vappendSprintf(fmt, args);
    va_end(args);
    myData = std::move(result.myData);
}

std::string UT_WorkBuffer::protect(const char *text)
{
    if (!text)
        text = "";
    return canStayBare(text) ? std::string(text) : doubleQuote(text);
}

std::string UT_WorkBuffer::doubleQuote(const std::string &text)
{
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (char c : text)
    {
        switch (c)
        {
        case '"':
        case '\\':
        case '`':
            out += '\\';
            out += c;
            break;
        // Scripts are read a line at a time, so line breaks must never appear raw.
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
            break;
        }
    }
    out += '"';
    return out;
}

void UT_WorkBuffer::protectedStrcat(const char *text)
{
    myData += protect(text);
}

void UT_WorkBuffer::appendNumber(double value, int precision)
{
    // No double has more significant digits than this, so a larger precision writes the same
    // text; the work area below is sized for it.
    constexpr int theMaxDigits = 800;
    if (precision < 0)
        precision = 6;
    if (precision > theMaxDigits)
        precision = theMaxDigits;
    if (!std::isfinite(value))
    {
        appendSprintf("%.*g", precision, value);
        return;
    }
    char text[theMaxDigits + 64];
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::general, precision);
    myData.append(text, end.ptr);
}
