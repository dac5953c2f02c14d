#include <EV/EV_Function.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>

double EV_Value::asNumber() const
{
    if (type != EV_TYPE_STRING)
        return num;
    const char *begin = str.data();
    const char *end = begin + str.size();
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    // from_chars rejects a leading '+', which people do write in front of numbers.
    if (begin < end && *begin == '+')
        ++begin;
    if (begin == end)
        return 0;
    double v = 0;
    // from_chars rather than strtod: the result must not depend on the process locale.
    auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || ptr != end)
        return 0;
    return v;
}

std::string EV_Value::asString() const
{
    if (type == EV_TYPE_STRING)
        return str;
    // Negative zero would otherwise print as "-0", which nobody wants to see in a text.
    double v = num == 0 ? 0.0 : num;
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::general, 15);
    if (ec != std::errc())
        return std::string();
    return std::string(buf, ptr);
}

bool EV_Context::getVariable(const std::string &, EV_Value &)
{
    return false;
}

EV_FUNCTION::EV_FUNCTION(unsigned flags, const char *name, int nargs, EV_Type result,
                         const EV_Type *argTypes, EV_EvalCallback callback,
                         EV_DependencyCallback dependency, EV_RenameCallback rename,
                         int selfDependent, bool threadSafe)
    : flags(flags), name(name), nargs(nargs), result(result), argTypes(argTypes),
      callback(callback), dependency(dependency), rename(rename), selfDependent(selfDependent),
      threadSafe(threadSafe)
{
}

namespace
{

// ---------------------------------------------------------------------------------------------
// Built-in functions

double evArg(const EV_FunctionCall &call, size_t i)
{
    return call.args[i].num;
}

void evSetNumber(EV_FunctionCall &call, double v)
{
    call.result.type = EV_TYPE_FLOAT;
    call.result.num = v;
}

void evSetString(EV_FunctionCall &call, std::string s)
{
    call.result.type = EV_TYPE_STRING;
    call.result.str = std::move(s);
}

bool evNeedArguments(EV_FunctionCall &call)
{
    if (!call.args.empty())
        return true;
    call.context.error =
        std::string("Function '") + call.function.name + "' needs at least one argument";
    call.failed = true;
    return false;
}

// Text positions come in as doubles; NaN and huge values must not reach an integer cast.
size_t evClampIndex(double v, size_t size)
{
    if (!(v > 0))
        return 0;
    if (v >= static_cast<double>(size))
        return size;
    return static_cast<size_t>(v);
}

void evAbs(EV_FunctionCall &call)
{
    evSetNumber(call, std::fabs(evArg(call, 0)));
}
void evFloor(EV_FunctionCall &call)
{
    evSetNumber(call, std::floor(evArg(call, 0)));
}
void evCeil(EV_FunctionCall &call)
{
    evSetNumber(call, std::ceil(evArg(call, 0)));
}
void evRound(EV_FunctionCall &call)
{
    evSetNumber(call, std::round(evArg(call, 0)));
}
void evSqrt(EV_FunctionCall &call)
{
    evSetNumber(call, std::sqrt(evArg(call, 0)));
}
void evExp(EV_FunctionCall &call)
{
    evSetNumber(call, std::exp(evArg(call, 0)));
}
void evLog(EV_FunctionCall &call)
{
    evSetNumber(call, std::log(evArg(call, 0)));
}
void evSin(EV_FunctionCall &call)
{
    evSetNumber(call, std::sin(evArg(call, 0)));
}
void evCos(EV_FunctionCall &call)
{
    evSetNumber(call, std::cos(evArg(call, 0)));
}
void evTan(EV_FunctionCall &call)
{
    evSetNumber(call, std::tan(evArg(call, 0)));
}
void evAsin(EV_FunctionCall &call)
{
    evSetNumber(call, std::asin(evArg(call, 0)));
}
void evAcos(EV_FunctionCall &call)
{
    evSetNumber(call, std::acos(evArg(call, 0)));
}
void evAtan(EV_FunctionCall &call)
{
    evSetNumber(call, std::atan(evArg(call, 0)));
}
void evAtan2(EV_FunctionCall &call)
{
    evSetNumber(call, std::atan2(evArg(call, 0), evArg(call, 1)));
}
void evPow(EV_FunctionCall &call)
{
    evSetNumber(call, std::pow(evArg(call, 0), evArg(call, 1)));
}

// min and max: every argument is weighed, the first against the second, the result against
// the next, up to the last.
template <typename F>
void evPick(EV_FunctionCall &call, F pick)
{
    if (!evNeedArguments(call))
        return;
    double v = evArg(call, 0);
    for (size_t i = 1; i < call.args.size(); ++i)
        v = pick(v, evArg(call, i));
    evSetNumber(call, v);
}

void evMin(EV_FunctionCall &call)
{
    evPick(call, [](double a, double b) { return std::min(a, b); });
}

void evMax(EV_FunctionCall &call)
{
    evPick(call, [](double a, double b) { return std::max(a, b); });
}

void evClamp(EV_FunctionCall &call)
{
    // Not std::clamp: a reversed range is a user's typo here, not undefined behaviour.
    double v = evArg(call, 0), lo = evArg(call, 1), hi = evArg(call, 2);
    evSetNumber(call, v < lo ? lo : (v > hi ? hi : v));
}

void evFit(EV_FunctionCall &call)
{
    double v = evArg(call, 0), omin = evArg(call, 1), omax = evArg(call, 2);
    double nmin = evArg(call, 3), nmax = evArg(call, 4);
    if (omin == omax)
    {
        evSetNumber(call, nmin);
        return;
    }
    // Working on the fraction makes a reversed source range behave like a forward one.
    double t = (v - omin) / (omax - omin);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    evSetNumber(call, nmin + t * (nmax - nmin));
}

void evStrlen(EV_FunctionCall &call)
{
    evSetNumber(call, static_cast<double>(call.args[0].str.size()));
}

void evStrcmp(EV_FunctionCall &call)
{
    int c = call.args[0].str.compare(call.args[1].str);
    evSetNumber(call, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

void evSubstr(EV_FunctionCall &call)
{
    const std::string &s = call.args[0].str;
    size_t start = evClampIndex(std::floor(evArg(call, 1)), s.size());
    size_t len = evClampIndex(std::floor(evArg(call, 2)), s.size() - start);
    evSetString(call, s.substr(start, len));
}

// upper and lower: the ASCII letters from `first` to `last` moved by `shift`, other bytes kept.
void evShiftLetters(EV_FunctionCall &call, char first, char last, int shift)
{
    std::string s = call.args[0].str;
    for (char &c : s)
        if (c >= first && c <= last)
            c = static_cast<char>(c + shift);
    evSetString(call, std::move(s));
}

void evUpper(EV_FunctionCall &call)
{
    evShiftLetters(call, 'a', 'z', 'A' - 'a');
}

void evLower(EV_FunctionCall &call)
{
    evShiftLetters(call, 'A', 'Z', 'a' - 'A');
}

const EV_Type theFloats[] = {EV_TYPE_FLOAT, EV_TYPE_FLOAT, EV_TYPE_FLOAT, EV_TYPE_FLOAT,
                             EV_TYPE_FLOAT};
const EV_Type theString[] = {EV_TYPE_STRING};
const EV_Type theStrings[] = {EV_TYPE_STRING, EV_TYPE_STRING};
const EV_Type theStringFloats[] = {EV_TYPE_STRING, EV_TYPE_FLOAT, EV_TYPE_FLOAT};

// Mutable because ev_SetFunctionInstanceAllocator and friends may configure built-ins too.
EV_FUNCTION theBuiltins[] = {
    {0, "abs", 1, EV_TYPE_FLOAT, theFloats, evAbs, nullptr, nullptr, 1, true},
    {0, "floor", 1, EV_TYPE_FLOAT, theFloats, evFloor, nullptr, nullptr, 1, true},
    {0, "ceil", 1, EV_TYPE_FLOAT, theFloats, evCeil, nullptr, nullptr, 1, true},
    {0, "round", 1, EV_TYPE_FLOAT, theFloats, evRound, nullptr, nullptr, 1, true},
    {0, "sqrt", 1, EV_TYPE_FLOAT, theFloats, evSqrt, nullptr, nullptr, 1, true},
    {0, "exp", 1, EV_TYPE_FLOAT, theFloats, evExp, nullptr, nullptr, 1, true},
    {0, "log", 1, EV_TYPE_FLOAT, theFloats, evLog, nullptr, nullptr, 1, true},
    {0, "sin", 1, EV_TYPE_FLOAT, theFloats, evSin, nullptr, nullptr, 1, true},
    {0, "cos", 1, EV_TYPE_FLOAT, theFloats, evCos, nullptr, nullptr, 1, true},
    {0, "tan", 1, EV_TYPE_FLOAT, theFloats, evTan, nullptr, nullptr, 1, true},
    {0, "asin", 1, EV_TYPE_FLOAT, theFloats, evAsin, nullptr, nullptr, 1, true},
    {0, "acos", 1, EV_TYPE_FLOAT, theFloats, evAcos, nullptr, nullptr, 1, true},
    {0, "atan", 1, EV_TYPE_FLOAT, theFloats, evAtan, nullptr, nullptr, 1, true},
    {0, "atan2", 2, EV_TYPE_FLOAT, theFloats, evAtan2, nullptr, nullptr, 1, true},
    {0, "pow", 2, EV_TYPE_FLOAT, theFloats, evPow, nullptr, nullptr, 1, true},
    {0, "min", -1, EV_TYPE_FLOAT, theFloats, evMin, nullptr, nullptr, 1, true},
    {0, "max", -1, EV_TYPE_FLOAT, theFloats, evMax, nullptr, nullptr, 1, true},
    {0, "clamp", 3, EV_TYPE_FLOAT, theFloats, evClamp, nullptr, nullptr, 1, true},
    {0, "fit", 5, EV_TYPE_FLOAT, theFloats, evFit, nullptr, nullptr, 1, true},
    {0, "strlen", 1, EV_TYPE_FLOAT, theString, evStrlen, nullptr, nullptr, 1, true},
    {0, "strcmp", 2, EV_TYPE_FLOAT, theStrings, evStrcmp, nullptr, nullptr, 1, true},
    {0, "substr", 3, EV_TYPE_STRING, theStringFloats, evSubstr, nullptr, nullptr, 1, true},
    {0, "upper", 1, EV_TYPE_STRING, theString, evUpper, nullptr, nullptr, 1, true},
    {0, "lower", 1, EV_TYPE_STRING, theString, evLower, nullptr, nullptr, 1, true},
};

// ---------------------------------------------------------------------------------------------
// The function table

struct ev_FunctionTable
{
    ev_FunctionTable()
    {
        for (EV_FUNCTION &f : theBuiltins)
            myFunctions[f.name] = &f;
    }

    std::mutex myLock;
    std::map<std::string, EV_FUNCTION *, std::less<>> myFunctions;
};

// Built lazily so that functions added from other translation units' static initialisers find
// the table (and the built-ins) ready regardless of initialisation order.
ev_FunctionTable &evTable()
{
    static ev_FunctionTable table;
    return table;
}

} // namespace

void ev_AddFunction(EV_FUNCTION *function)
{
    if (!function || !function->name)
        return;
    ev_FunctionTable &table = evTable();
    std::lock_guard lock(table.myLock);
    table.myFunctions[function->name] = function;
}

EV_FUNCTION *ev_FindFunction(const char *name)
{
    if (!name)
        return nullptr;
    ev_FunctionTable &table = evTable();
    std::lock_guard lock(table.myLock);
    auto it = table.myFunctions.find(std::string_view(name));
    return it == table.myFunctions.end() ? nullptr : it->second;
}

void ev_SetFunctionInstanceAllocator(const char *name, EV_InstanceAlloc alloc, EV_InstanceFree free)
{
    if (EV_FUNCTION *f = ev_FindFunction(name))
    {
        ev_FunctionTable &table = evTable();
        std::lock_guard lock(table.myLock);
        f->instanceAlloc = alloc;
        f->instanceFree = free;
    }
}

void ev_SetFunctionDependencyCallbacks(const char *name, EV_DependencyCallback dependency,
                                       EV_RenameCallback rename)
{
    if (EV_FUNCTION *f = ev_FindFunction(name))
    {
        ev_FunctionTable &table = evTable();
        std::lock_guard lock(table.myLock);
        f->dependency = dependency;
        f->rename = rename;
    }
}

std::vector<std::string> ev_FunctionNames()
{
    ev_FunctionTable &table = evTable();
    std::lock_guard lock(table.myLock);
    std::vector<std::string> names;
    names.reserve(table.myFunctions.size());
    // The map is ordered, so the names come out sorted.
    for (const auto &entry : table.myFunctions)
        names.push_back(entry.first);
    return names;
}
