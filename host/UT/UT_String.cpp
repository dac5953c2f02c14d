#include <UT/UT_String.h>

#include <cctype>
#include <cstdlib>

namespace
{

char foldCase(char c, bool case_sensitive)
{
    if (case_sensitive)
        return c;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool matchRange(std::string_view text, std::string_view pattern, bool case_sensitive)
{
    // Greedy scan with a single backtrack point: on a mismatch only the most recent `*` needs to
    // swallow one more character, which keeps the match linear-ish instead of exponential.
    size_t t = 0;
    size_t p = 0;
    size_t star = std::string_view::npos;
    size_t starText = 0;
    while (t < text.size())
    {
        if (p < pattern.size() && pattern[p] == '*')
        {
            star = p++;
            starText = t;
        }
        else if (p < pattern.size() && (pattern[p] == '?' || foldCase(pattern[p], case_sensitive) ==
                                                                 foldCase(text[t], case_sensitive)))
        {
            ++p;
            ++t;
        }
        else if (star != std::string_view::npos)
        {
            p = star + 1;
            t = ++starText;
        }
        else
        {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool UTmatchPattern(const char *text, const char *pattern, bool case_sensitive)
{
    return matchRange(text ? text : "", pattern ? pattern : "", case_sensitive);
}

bool UT_String::matchPattern(const char *pattern, bool case_sensitive) const
{
    return matchRange(myData, pattern ? pattern : "", case_sensitive);
}

bool UT_String::multiMatch(const char *patterns, bool case_sensitive, const char *separators) const
{
    if (!patterns)
        return false;
    std::string_view list(patterns);
    std::string_view seps(separators ? separators : ", ");
    bool matched = false;
    size_t pos = 0;
    while (pos < list.size())
    {
        size_t end = list.find_first_of(seps, pos);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view pattern = list.substr(pos, end - pos);
        pos = end + 1;
        if (pattern.empty())
            continue;
        bool exclude = pattern.front() == '^';
        if (exclude)
            pattern.remove_prefix(1);
        if (matchRange(myData, pattern, case_sensitive))
            matched = !exclude;
    }
    return matched;
}

int UT_String::substitute(const char *find, const char *replacement)
{
    if (!find || !*find)
        return 0;
    std::string_view from(find);
    std::string_view to(replacement ? replacement : "");
    std::string result;
    int count = 0;
    size_t pos = 0;
    for (size_t hit = myData.find(from); hit != std::string::npos; hit = myData.find(from, pos))
    {
        result.append(myData, pos, hit - pos);
        result.append(to);
        pos = hit + from.size();
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(myData, pos, std::string::npos);
    myData = std::move(result);
    return count;
}

// Out of line: inlined where `s` is a literal, g++ 12 at -O3 sees the copy inside
// std::string as overlapping itself, a false -Wrestrict warning.
void UT_String::harden(const char *s)
{
    myData = s ? s : "";
}

bool UT_String::isNumber(const char *text)
{
    // strtod quietly skips leading blanks, but " 1" is not a number as far as callers care.
    if (!text || !*text || std::isspace(static_cast<unsigned char>(*text)))
        return false;
    char *end = nullptr;
    std::strtod(text, &end);
    return end != text && *end == '\0';
}
