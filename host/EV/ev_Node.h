#pragma once

// Private to host/EV: the parsed form of an expression, shared by the parser, the evaluator and
// the call-site visits.

#include <EV/EV_Function.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Every tree is at most this tall, which keeps the recursive evaluator, visits and destructor off
// the end of the stack.
inline constexpr int theMaxHeight = 1000;

enum class ev_Kind : unsigned char
{
    Literal,
    Variable,
    Call,
    Negate,
    ToNumber,
    Not,
    Add,
    Subtract,
    Multiply,
    Divide,
    Modulo,
    Power,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    And,
    Or,
    Conditional,
};

class ev_Node
{
public:
    ev_Node(ev_Kind kind, size_t begin, size_t end) : myKind(kind), myBegin(begin), myEnd(end) {}
    ~ev_Node()
    {
        if (myInstanceData && myInstanceFree)
            myInstanceFree(myInstanceData);
    }
    ev_Node(const ev_Node &) = delete;
    ev_Node &operator=(const ev_Node &) = delete;

    ev_Kind myKind;
    size_t myBegin; ///< source range, kept so a literal can be rewritten in place
    size_t myEnd;
    int myHeight = 1;
    EV_Value myValue;   ///< literals
    std::string myName; ///< variables and calls
    std::vector<std::unique_ptr<ev_Node>> myArgs;

    // A call resolves its function at parse time when it can, else on first use; the resolved
    // record and its instance data are published through the atomic for concurrent evaluators.
    mutable std::atomic<const EV_FUNCTION *> myFunction{nullptr};
    mutable void *myInstanceData = nullptr;
    mutable EV_InstanceFree myInstanceFree = nullptr;
    // A call whose arguments are all literals, resolved at parse time, keeps them converted
    // to the function's argument types: such a call (ch("../a/tx")) is evaluated without
    // evaluating its arguments again each time.
    bool myLiteralCall = false;
    std::vector<EV_Value> myLiteralArgs;
};

using ev_NodePtr = std::unique_ptr<ev_Node>;

/// Makes `node` (a call of `fn`) a literal call when all its arguments are literals.
void evPrepareLiteralCall(ev_Node &node, const EV_FUNCTION &fn);

inline std::string evArityMessage(const EV_FUNCTION &fn, size_t count)
{
    return "function '" + std::string(fn.name) + "' takes " + std::to_string(fn.nargs) +
           (fn.nargs == 1 ? " argument" : " arguments") + ", not " + std::to_string(count);
}
