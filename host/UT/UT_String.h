#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

/// An owning text string. Unlike std::string it knows the pattern matching and small text
/// operations that node and operator code uses everywhere.
class UT_String
{
public:
    UT_String() = default;
    UT_String(const char *s) : myData(s ? s : "") {}
    UT_String(std::string s) : myData(std::move(s)) {}
    UT_String(std::string_view s) : myData(s) {}

    const char *c_str() const { return myData.c_str(); }
    const char *buffer() const { return myData.c_str(); }
    operator const char *() const { return myData.c_str(); }
    const std::string &toStdString() const { return myData; }
    std::string &str() { return myData; }

    /// True when the string holds at least one character.
    bool isstring() const { return !myData.empty(); }
    int length() const { return static_cast<int>(myData.size()); }
    void clear() { myData.clear(); }
    /// Makes the string an owned copy of `s` (null gives the empty string).
    void harden(const char *s);

    bool operator==(const char *s) const { return myData == (s ? s : ""); }
    bool operator==(const UT_String &s) const { return myData == s.myData; }

    /// Matches this string against a list of patterns separated by commas and blanks; `*`
    /// matches any run of characters and `?` any one character. A pattern beginning with `^`
    /// excludes what it matches; patterns are applied in order, so "* ^foo" is all but foo.
    bool multiMatch(const char *patterns, bool case_sensitive = true,
                    const char *separators = ", ") const;

    /// Matches this whole string against one pattern with `*` and `?`.
    bool matchPattern(const char *pattern, bool case_sensitive = true) const;

    /// Replaces every occurrence of `find` by `replacement`; returns the number replaced.
    int substitute(const char *find, const char *replacement);

    /// True when the text is an integer or float number as strtod reads it, all of it.
    static bool isNumber(const char *text);

private:
    std::string myData;
};

using UT_StringArray = std::vector<std::string>;

/// Matches `text` against one pattern with `*` and `?`.
bool UTmatchPattern(const char *text, const char *pattern, bool case_sensitive = true);
