#include <UT/UT_Options.h>

#include <UT/UT_PyLiteral.h>

#include <cmath>
#include <limits>

namespace
{

const char *nameOrEmpty(const char *name)
{
    return name ? name : "";
}

bool isNumeric(const UT_OptionEntry &entry)
{
    return entry.type == UT_OPTION_INT || entry.type == UT_OPTION_BOOL ||
           entry.type == UT_OPTION_FLOAT;
}

template <typename T>
bool importInteger(const UT_OptionEntry *entry, T &value)
{
    if (!entry || !isNumeric(*entry))
        return false;
    if (entry->type == UT_OPTION_BOOL)
    {
        value = entry->i != 0;
        return true;
    }
    if (entry->type == UT_OPTION_INT)
    {
        if constexpr (sizeof(T) < sizeof(int64_t))
        {
            if (entry->i < std::numeric_limits<T>::min() ||
                entry->i > std::numeric_limits<T>::max())
                return false;
        }
        value = static_cast<T>(entry->i);
        return true;
    }
    // Converting a NaN or an out-of-range float to an integer is undefined, so refuse instead.
    double truncated = std::trunc(entry->f);
    if (std::isnan(truncated) || truncated < static_cast<double>(std::numeric_limits<T>::min()) ||
        truncated >= -static_cast<double>(std::numeric_limits<T>::min()))
        return false;
    value = static_cast<T>(truncated);
    return true;
}

template <typename T>
bool importReal(const UT_OptionEntry *entry, T &value)
{
    if (!entry || !isNumeric(*entry))
        return false;
    if (entry->type == UT_OPTION_FLOAT)
        value = static_cast<T>(entry->f);
    else if (entry->type == UT_OPTION_BOOL)
        value = entry->i != 0 ? 1 : 0;
    else
        value = static_cast<T>(entry->i);
    return true;
}

bool sameReal(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool sameReals(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t k = 0; k < a.size(); ++k)
    {
        if (!sameReal(a[k], b[k]))
            return false;
    }
    return true;
}

bool sameEntry(const UT_OptionEntry &a, const UT_OptionEntry &b)
{
    if (a.type != b.type)
        return false;
    switch (a.type)
    {
    case UT_OPTION_INT:
        return a.i == b.i;
    case UT_OPTION_BOOL:
        return (a.i != 0) == (b.i != 0);
    case UT_OPTION_FLOAT:
        return sameReal(a.f, b.f);
    case UT_OPTION_STRING:
        return a.s == b.s;
    case UT_OPTION_VECTOR2:
    case UT_OPTION_VECTOR3:
    case UT_OPTION_VECTOR4:
    case UT_OPTION_FLOATARRAY:
        return sameReals(a.v, b.v);
    case UT_OPTION_INTARRAY:
        return a.ia == b.ia;
    case UT_OPTION_STRINGARRAY:
        return a.sa == b.sa;
    case UT_OPTION_INVALID:
        return true;
    }
    return false;
}

} // namespace

void UT_Options::setOption(const char *name, UT_OptionEntry entry)
{
    myOptions[nameOrEmpty(name)] = std::move(entry);
}

void UT_Options::setOptionI(const char *name, int64_t value)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_INT;
    entry.i = value;
    setOption(name, std::move(entry));
}

void UT_Options::setOptionB(const char *name, bool value)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_BOOL;
    entry.i = value ? 1 : 0;
    setOption(name, std::move(entry));
}

void UT_Options::setOptionF(const char *name, double value)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_FLOAT;
    entry.f = value;
    setOption(name, std::move(entry));
}

void UT_Options::setOptionS(const char *name, const char *value)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_STRING;
    entry.s = value ? value : "";
    setOption(name, std::move(entry));
}

void UT_Options::setOptionV2(const char *name, double x, double y)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_VECTOR2;
    entry.v = {x, y};
    setOption(name, std::move(entry));
}

void UT_Options::setOptionV3(const char *name, double x, double y, double z)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_VECTOR3;
    entry.v = {x, y, z};
    setOption(name, std::move(entry));
}

void UT_Options::setOptionV4(const char *name, double x, double y, double z, double w)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_VECTOR4;
    entry.v = {x, y, z, w};
    setOption(name, std::move(entry));
}

void UT_Options::setOptionIArray(const char *name, std::vector<int64_t> values)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_INTARRAY;
    entry.ia = std::move(values);
    setOption(name, std::move(entry));
}

void UT_Options::setOptionFArray(const char *name, std::vector<double> values)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_FLOATARRAY;
    entry.v = std::move(values);
    setOption(name, std::move(entry));
}

void UT_Options::setOptionSArray(const char *name, std::vector<std::string> values)
{
    UT_OptionEntry entry;
    entry.type = UT_OPTION_STRINGARRAY;
    entry.sa = std::move(values);
    setOption(name, std::move(entry));
}

bool UT_Options::hasOption(const char *name) const
{
    return myOptions.count(nameOrEmpty(name)) != 0;
}

UT_OptionType UT_Options::getOptionType(const char *name) const
{
    const UT_OptionEntry *entry = getOptionEntry(name);
    return entry ? entry->type : UT_OPTION_INVALID;
}

const UT_OptionEntry *UT_Options::getOptionEntry(const char *name) const
{
    auto it = myOptions.find(nameOrEmpty(name));
    return it == myOptions.end() ? nullptr : &it->second;
}

bool UT_Options::removeOption(const char *name)
{
    return myOptions.erase(nameOrEmpty(name)) != 0;
}

bool UT_Options::importOption(const char *name, int &value) const
{
    return importInteger(getOptionEntry(name), value);
}

bool UT_Options::importOption(const char *name, int64_t &value) const
{
    return importInteger(getOptionEntry(name), value);
}

bool UT_Options::importOption(const char *name, bool &value) const
{
    const UT_OptionEntry *entry = getOptionEntry(name);
    if (!entry || !isNumeric(*entry))
        return false;
    value = entry->type == UT_OPTION_FLOAT ? entry->f != 0 : entry->i != 0;
    return true;
}

bool UT_Options::importOption(const char *name, float &value) const
{
    return importReal(getOptionEntry(name), value);
}

bool UT_Options::importOption(const char *name, double &value) const
{
    return importReal(getOptionEntry(name), value);
}

bool UT_Options::importOption(const char *name, UT_String &value) const
{
    std::string text;
    if (!importOption(name, text))
        return false;
    value = UT_String(std::move(text));
    return true;
}

bool UT_Options::importOption(const char *name, std::string &value) const
{
    const UT_OptionEntry *entry = getOptionEntry(name);
    if (!entry || entry->type != UT_OPTION_STRING)
        return false;
    value = entry->s;
    return true;
}

bool UT_Options::importOption(const char *name, std::vector<double> &value) const
{
    const UT_OptionEntry *entry = getOptionEntry(name);
    if (!entry)
        return false;
    switch (entry->type)
    {
    case UT_OPTION_VECTOR2:
    case UT_OPTION_VECTOR3:
    case UT_OPTION_VECTOR4:
    case UT_OPTION_FLOATARRAY:
        value = entry->v;
        return true;
    case UT_OPTION_INTARRAY:
        value.assign(entry->ia.begin(), entry->ia.end());
        return true;
    default:
        return false;
    }
}

void UT_Options::appendPyDictionary(UT_WorkBuffer &out) const
{
    UT_PyLiteral::appendDictionary(out, *this);
}

void UT_Options::appendPyString(UT_WorkBuffer &out, const std::string &text)
{
    UT_PyLiteral::appendString(out, text);
}

bool UT_Options::operator==(const UT_Options &other) const
{
    if (myOptions.size() != other.myOptions.size())
        return false;
    for (auto a = myOptions.begin(), b = other.myOptions.begin(); a != myOptions.end(); ++a, ++b)
    {
        if (a->first != b->first || !sameEntry(a->second, b->second))
            return false;
    }
    return true;
}
