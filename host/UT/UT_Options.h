#pragma once

#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum UT_OptionType
{
    UT_OPTION_INVALID = -1,
    UT_OPTION_INT,
    UT_OPTION_BOOL,
    UT_OPTION_FLOAT,
    UT_OPTION_STRING,
    UT_OPTION_VECTOR2,
    UT_OPTION_VECTOR3,
    UT_OPTION_VECTOR4,
    UT_OPTION_INTARRAY,
    UT_OPTION_FLOATARRAY,
    UT_OPTION_STRINGARRAY,
};

/// One typed value of an option set.
struct UT_OptionEntry
{
    UT_OptionType type = UT_OPTION_INVALID;
    int64_t i = 0;               // INT, BOOL
    double f = 0;                // FLOAT
    std::string s;               // STRING
    std::vector<double> v;       // VECTOR2/3/4, FLOATARRAY
    std::vector<int64_t> ia;     // INTARRAY
    std::vector<std::string> sa; // STRINGARRAY
};

/// A set of named, typed options, kept in name order so that every listing is stable.
class UT_Options
{
public:
    void setOptionI(const char *name, int64_t value);
    void setOptionB(const char *name, bool value);
    void setOptionF(const char *name, double value);
    void setOptionS(const char *name, const char *value);
    void setOptionV2(const char *name, double x, double y);
    void setOptionV3(const char *name, double x, double y, double z);
    void setOptionV4(const char *name, double x, double y, double z, double w);
    void setOptionIArray(const char *name, std::vector<int64_t> values);
    void setOptionFArray(const char *name, std::vector<double> values);
    void setOptionSArray(const char *name, std::vector<std::string> values);
    void setOption(const char *name, UT_OptionEntry entry);

    bool hasOption(const char *name) const;
    UT_OptionType getOptionType(const char *name) const;
    const UT_OptionEntry *getOptionEntry(const char *name) const;
    bool removeOption(const char *name);
    void clear() { myOptions.clear(); }
    int getNumOptions() const { return static_cast<int>(myOptions.size()); }
    const std::map<std::string, UT_OptionEntry> &entries() const { return myOptions; }

    /// Reads an option into the requested kind. Numbers (int, bool, float) convert into each
    /// other (floats truncate toward zero into integers); text only into text; a vector into a
    /// vector or array of numbers. Returns false, leaving `value` untouched, when the option is
    /// missing or cannot be had in that kind.
    bool importOption(const char *name, int &value) const;
    bool importOption(const char *name, int64_t &value) const;
    bool importOption(const char *name, bool &value) const;
    bool importOption(const char *name, float &value) const;
    bool importOption(const char *name, double &value) const;
    bool importOption(const char *name, UT_String &value) const;
    bool importOption(const char *name, std::string &value) const;
    bool importOption(const char *name, std::vector<double> &value) const;

    /// Appends a Python dictionary literal that Python evaluates back to the same names and
    /// values (UT_PyLiteral::appendDictionary).
    void appendPyDictionary(UT_WorkBuffer &out) const;
    /// Appends a Python string literal of exactly `text` (UT_PyLiteral::appendString).
    static void appendPyString(UT_WorkBuffer &out, const std::string &text);

    bool operator==(const UT_Options &other) const;

private:
    std::map<std::string, UT_OptionEntry> myOptions;
};
