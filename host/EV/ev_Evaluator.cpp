#include <EV/ev_Evaluator.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <utility>

namespace
{

void evSetNumber(EV_Value &value, double v)
{
    value.type = EV_TYPE_FLOAT;
    value.num = v;
    value.str.clear();
}

} // namespace

const EV_FUNCTION *evResolve(const ev_Node &node)
{
    const EV_FUNCTION *fn = node.myFunction.load(std::memory_order_acquire);
    if (fn)
        return fn;
    static std::mutex lock;
    std::lock_guard guard(lock);
    fn = node.myFunction.load(std::memory_order_relaxed);
    if (fn)
        return fn;
    EV_FUNCTION *found = ev_FindFunction(node.myName.c_str());
    if (!found)
        return nullptr;
    if (found->instanceAlloc)
    {
        node.myInstanceData = found->instanceAlloc();
        node.myInstanceFree = found->instanceFree;
    }
    node.myFunction.store(found, std::memory_order_release);
    return found;
}

void evPrepareLiteralCall(ev_Node &node, const EV_FUNCTION &fn)
{
    node.myLiteralCall =
        std::all_of(node.myArgs.begin(), node.myArgs.end(),
                    [](const auto &arg) { return arg->myKind == ev_Kind::Literal; });
    node.myLiteralArgs.clear();
    if (!node.myLiteralCall)
        return;
    for (size_t i = 0; i < node.myArgs.size(); ++i)
    {
        node.myLiteralArgs.push_back(node.myArgs[i]->myValue);
        EV_Type type;
        if (evArgType(fn, i, type))
            evConvert(node.myLiteralArgs.back(), type);
    }
}

bool evArgType(const EV_FUNCTION &fn, size_t i, EV_Type &type)
{
    if (!fn.argTypes)
        return false;
    if (fn.nargs < 0)
        type = fn.argTypes[0];
    else if (i < static_cast<size_t>(fn.nargs))
        type = fn.argTypes[i];
    else
        return false;
    return true;
}

void evConvert(EV_Value &value, EV_Type type)
{
    if (value.type == type)
        return;
    if (type == EV_TYPE_FLOAT)
        evSetNumber(value, value.asNumber());
    else
    {
        value.str = value.asString();
        value.type = EV_TYPE_STRING;
    }
}

namespace
{

// Text is true when it is not empty, so "0" read from a variable still counts as set.
bool evTruth(const EV_Value &value)
{
    return value.isString() ? !value.str.empty() : value.num != 0;
}

// Argument vectors are reused per nesting depth and thread so a call does not allocate. A deque
// because growing it must not move the vectors that outer calls are still using.
class ev_ArgFrame
{
public:
    explicit ev_ArgFrame(size_t count)
    {
        if (theDepth == thePool.size())
            thePool.emplace_back();
        myArgs = &thePool[theDepth++];
        myArgs->resize(count);
    }
    ~ev_ArgFrame() { --theDepth; }
    ev_ArgFrame(const ev_ArgFrame &) = delete;
    ev_ArgFrame &operator=(const ev_ArgFrame &) = delete;

    std::vector<EV_Value> &args() { return *myArgs; }

private:
    std::vector<EV_Value> *myArgs;
    static thread_local std::deque<std::vector<EV_Value>> thePool;
    static thread_local size_t theDepth;
};

thread_local std::deque<std::vector<EV_Value>> ev_ArgFrame::thePool;
thread_local size_t ev_ArgFrame::theDepth = 0;

bool evInvoke(const EV_FUNCTION *fn, const ev_Node &node, const std::vector<EV_Value> &args,
              EV_Context &context, EV_Value &out);

bool evCall(const ev_Node &node, EV_Context &context, EV_Value &out)
{
    const EV_FUNCTION *fn = evResolve(node);
    if (!fn)
    {
        context.error = "Unknown function '" + node.myName + "'";
        return false;
    }
    size_t count = node.myArgs.size();
    if (fn->nargs >= 0 && count != static_cast<size_t>(fn->nargs))
    {
        std::string message = evArityMessage(*fn, count);
        message[0] = 'F';
        context.error = std::move(message);
        return false;
    }
    if (!fn->callback)
    {
        context.error = "Function '" + node.myName + "' cannot be evaluated";
        return false;
    }
    if (node.myLiteralCall)
        return evInvoke(fn, node, node.myLiteralArgs, context, out);
    ev_ArgFrame frame(count);
    std::vector<EV_Value> &args = frame.args();
    for (size_t i = 0; i < count; ++i)
    {
        if (!evEval(*node.myArgs[i], context, args[i]))
            return false;
        EV_Type type;
        if (evArgType(*fn, i, type))
            evConvert(args[i], type);
    }
    return evInvoke(fn, node, args, context, out);
}

bool evInvoke(const EV_FUNCTION *fn, const ev_Node &node, const std::vector<EV_Value> &args,
              EV_Context &context, EV_Value &out)
{
    if (fn->flags & EV_FLAG_TIME_DEPENDENT)
        context.timeDependent = true;
    EV_FunctionCall call{*fn, args, context, node.myInstanceData, EV_Value{}, false};
    call.result.type = fn->result;
    fn->callback(call);
    if (call.failed)
    {
        if (context.error.empty())
            context.error = "Function '" + node.myName + "' failed";
        return false;
    }
    out = std::move(call.result);
    return true;
}

bool evCompare(ev_Kind kind, const EV_Value &a, const EV_Value &b)
{
    int c;
    if (a.isString() && b.isString())
        c = a.str.compare(b.str);
    else
    {
        double x = a.asNumber(), y = b.asNumber();
        // Spelled out per operator so NaN compares unequal and unordered like in C.
        switch (kind)
        {
        case ev_Kind::Equal:
            return x == y;
        case ev_Kind::NotEqual:
            return x != y;
        case ev_Kind::Less:
            return x < y;
        case ev_Kind::Greater:
            return x > y;
        case ev_Kind::LessEqual:
            return x <= y;
        default:
            return x >= y;
        }
    }
    switch (kind)
    {
    case ev_Kind::Equal:
        return c == 0;
    case ev_Kind::NotEqual:
        return c != 0;
    case ev_Kind::Less:
        return c < 0;
    case ev_Kind::Greater:
        return c > 0;
    case ev_Kind::LessEqual:
        return c <= 0;
    default:
        return c >= 0;
    }
}

} // namespace

bool evEval(const ev_Node &node, EV_Context &context, EV_Value &out)
{
    switch (node.myKind)
    {
    case ev_Kind::Literal:
        out = node.myValue;
        return true;
    case ev_Kind::Variable:
        evSetNumber(out, 0);
        if (!context.getVariable(node.myName, out))
        {
            context.error = "Unknown variable '$" + node.myName + "'";
            return false;
        }
        return true;
    case ev_Kind::Call:
        return evCall(node, context, out);
    case ev_Kind::Negate:
    case ev_Kind::ToNumber:
    case ev_Kind::Not:
        if (!evEval(*node.myArgs[0], context, out))
            return false;
        if (node.myKind == ev_Kind::Not)
            evSetNumber(out, evTruth(out) ? 0 : 1);
        else
            evSetNumber(out, node.myKind == ev_Kind::Negate ? -out.asNumber() : out.asNumber());
        return true;
    case ev_Kind::And:
    case ev_Kind::Or:
    {
        if (!evEval(*node.myArgs[0], context, out))
            return false;
        bool left = evTruth(out);
        if (left == (node.myKind == ev_Kind::Or))
        {
            evSetNumber(out, left ? 1 : 0);
            return true;
        }
        if (!evEval(*node.myArgs[1], context, out))
            return false;
        evSetNumber(out, evTruth(out) ? 1 : 0);
        return true;
    }
    case ev_Kind::Conditional:
        if (!evEval(*node.myArgs[0], context, out))
            return false;
        return evEval(*node.myArgs[evTruth(out) ? 1 : 2], context, out);
    default:
        break;
    }

    // The remaining kinds are binary operators that need both sides.
    if (!evEval(*node.myArgs[0], context, out))
        return false;
    EV_Value right;
    if (!evEval(*node.myArgs[1], context, right))
        return false;
    switch (node.myKind)
    {
    case ev_Kind::Add:
        if (out.isString() || right.isString())
        {
            if (!out.isString())
            {
                out.str = out.asString();
                out.type = EV_TYPE_STRING;
            }
            if (right.isString())
                out.str += right.str;
            else
                out.str += right.asString();
        }
        else
            out.num += right.num;
        return true;
    case ev_Kind::Subtract:
        evSetNumber(out, out.asNumber() - right.asNumber());
        return true;
    case ev_Kind::Multiply:
        evSetNumber(out, out.asNumber() * right.asNumber());
        return true;
    case ev_Kind::Divide:
    case ev_Kind::Modulo:
    {
        const double d = right.asNumber();
        if (d == 0)
        {
            // Gives 0 so that a value going through zero (a ramp over time) does not stop
            // everything downstream, but never silently.
            context.warning = node.myKind == ev_Kind::Divide ? "division by zero gives 0"
                                                             : "modulo by zero gives 0";
            evSetNumber(out, 0);
        }
        else
            evSetNumber(out, node.myKind == ev_Kind::Divide ? out.asNumber() / d
                                                            : std::fmod(out.asNumber(), d));
        return true;
    }
    case ev_Kind::Power:
        evSetNumber(out, std::pow(out.asNumber(), right.asNumber()));
        return true;
    default:
        evSetNumber(out, evCompare(node.myKind, out, right) ? 1 : 0);
        return true;
    }
}
