#include <UT/UT_Names.h>

#include <algorithm>

namespace
{
bool ut_isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool ut_isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool ut_isQuotable(char c)
{
    return c >= ' ' && c < 0x7F && c != '"' && c != '\'' && c != '\\';
}
} // namespace

bool UTisIdentifier(const std::string &name)
{
    return !name.empty() && ut_isLetter(name[0]) &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return ut_isLetter(c) || ut_isDigit(c); });
}

bool UTisPlainWord(const std::string &name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return c != ' ' && ut_isQuotable(c); });
}

bool UTisPlainPhrase(const std::string &text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), ut_isQuotable);
}
