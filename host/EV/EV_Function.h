#pragma once

#include <string>
#include <vector>

/// The two kinds of expression values; the numbering is the function record's type numbering.
enum EV_Type
{
    EV_TYPE_FLOAT = 0,
    EV_TYPE_STRING = 1,
};

/// A value in an expression: a number or a text.
struct EV_Value
{
    EV_Type type = EV_TYPE_FLOAT;
    double num = 0;
    std::string str;

    static EV_Value number(double v)
    {
        EV_Value value;
        value.num = v;
        return value;
    }
    static EV_Value string(std::string s)
    {
        EV_Value value;
        value.type = EV_TYPE_STRING;
        value.str = std::move(s);
        return value;
    }
    bool isString() const { return type == EV_TYPE_STRING; }
    /// A number as is; a text read as a number (0 when it is not one).
    double asNumber() const;
    /// A text as is; a number formatted with up to 15 significant digits ("1", "0.5", "1e+20").
    std::string asString() const;
};

/// What an evaluation knows about its surroundings. The owner of the expression (for
/// parameters, the node) derives from it to supply variables.
class EV_Context
{
public:
    virtual ~EV_Context() = default;
    /// Supplies the value of `$name`; false when there is no such variable.
    virtual bool getVariable(const std::string &name, EV_Value &value);

    float time = 0;             ///< evaluation time in seconds
    int thread = 0;             ///< sequential index of the evaluating thread
    void *owner = nullptr;      ///< what the expression belongs to (a parameter's node)
    bool timeDependent = false; ///< set by anything that depends on time
    std::string error;          ///< why the evaluation failed
    /// Set when the evaluation went on with a value it had to make up (a division by zero
    /// gives 0); the owner passes it on as a warning.
    std::string warning;
};

struct EV_FUNCTION;

/// One call of a function during evaluation.
struct EV_FunctionCall
{
    const EV_FUNCTION &function;
    const std::vector<EV_Value> &args; ///< already converted to the function's argument types
    EV_Context &context;
    void *instanceData;  ///< this call site's data (see the instance allocator)
    EV_Value result;     ///< set by the callback; preset to the result type
    bool failed = false; ///< set with context.error to fail the evaluation
};

/// A dependency or rename visit of one call site. Arguments that are literals carry their
/// values; others are empty values with `literal` false.
struct EV_CallSite
{
    const EV_FUNCTION &function;
    std::vector<EV_Value> args;
    std::vector<bool> literal;
    void *owner;
    void *instanceData;
};

using EV_EvalCallback = void (*)(EV_FunctionCall &call);
using EV_DependencyCallback = void (*)(const EV_CallSite &site);
/// Given the old and new full path of a renamed node, sets `replacement` to the new text of
/// argument `arg` and returns true when it must change.
using EV_RenameCallback = bool (*)(const EV_CallSite &site, int arg, const std::string &oldPath,
                                   const std::string &newPath, std::string &replacement);
using EV_InstanceAlloc = void *(*)();
using EV_InstanceFree = void (*)(void *);

enum
{
    EV_FLAG_TIME_DEPENDENT = 0x1, ///< every call depends on time
};

/// A function record of the expression language. Records are static data of whoever adds them.
struct EV_FUNCTION
{
    EV_FUNCTION(unsigned flags, const char *name, int nargs, EV_Type result,
                const EV_Type *argTypes, EV_EvalCallback callback,
                EV_DependencyCallback dependency = nullptr, EV_RenameCallback rename = nullptr,
                int selfDependent = 1, bool threadSafe = false);

    unsigned flags;
    const char *name;
    int nargs; ///< -1 takes any number of arguments, all of argTypes[0]
    EV_Type result;
    const EV_Type *argTypes;
    EV_EvalCallback callback;
    EV_DependencyCallback dependency;
    EV_RenameCallback rename;
    int selfDependent;
    bool threadSafe;
    EV_InstanceAlloc instanceAlloc = nullptr;
    EV_InstanceFree instanceFree = nullptr;
};

/// Adds a function to the language; a later record of the same name replaces an earlier one.
void ev_AddFunction(EV_FUNCTION *function);
/// The function of that name, or null.
EV_FUNCTION *ev_FindFunction(const char *name);
/// Gives each call site of the named function its own data, made when an expression is parsed
/// and freed when it is destroyed. Expressions parsed earlier keep what they had.
void ev_SetFunctionInstanceAllocator(const char *name, EV_InstanceAlloc alloc,
                                     EV_InstanceFree free);
void ev_SetFunctionDependencyCallbacks(const char *name, EV_DependencyCallback dependency,
                                       EV_RenameCallback rename);
/// The names of all functions, sorted.
std::vector<std::string> ev_FunctionNames();
