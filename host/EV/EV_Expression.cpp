#include <EV/EV_Expression.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <utility>

namespace
{

// Limits that keep the recursive parser, evaluator and destructor off the end of the stack.
constexpr int theMaxNesting = 200;
constexpr int theMaxHeight = 1000;

} // namespace

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
};

namespace
{

// ---------------------------------------------------------------------------------------------
// Tokens

enum class ev_Tok
{
    End,
    Number,
    String,
    Name,
    Variable,
    Plus,
    Minus,
    Star,
    Slash,
    Percent,
    Caret,
    Not,
    And,
    Or,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    LParen,
    RParen,
    Comma,
    Question,
    Colon,
    Invalid,
};

struct ev_Token
{
    ev_Tok kind = ev_Tok::End;
    size_t begin = 0;
    size_t end = 0;
    double num = 0;
    std::string text;
};

struct ev_ParseError
{
    size_t myOffset;
    std::string myMessage;
};

bool evIsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool evIsNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool evIsNameChar(char c)
{
    return evIsNameStart(c) || evIsDigit(c);
}

class ev_Tokenizer
{
public:
    explicit ev_Tokenizer(const std::string &text) : myText(text) {}

    void next(ev_Token &tok)
    {
        const std::string &s = myText;
        while (myPos < s.size() &&
               (s[myPos] == ' ' || s[myPos] == '\t' || s[myPos] == '\n' || s[myPos] == '\r'))
            ++myPos;
        tok.begin = myPos;
        tok.text.clear();
        if (myPos >= s.size())
        {
            tok.kind = ev_Tok::End;
            tok.end = myPos;
            return;
        }
        char c = s[myPos];
        if (evIsDigit(c) || (c == '.' && myPos + 1 < s.size() && evIsDigit(s[myPos + 1])))
            readNumber(tok);
        else if (evIsNameStart(c))
        {
            size_t start = myPos;
            while (myPos < s.size() && evIsNameChar(s[myPos]))
                ++myPos;
            tok.kind = ev_Tok::Name;
            tok.text.assign(s, start, myPos - start);
        }
        else if (c == '$')
            readVariable(tok);
        else if (c == '"' || c == '\'')
            readString(tok);
        else
            readOperator(tok);
        tok.end = myPos;
    }

private:
    void readNumber(ev_Token &tok)
    {
        const std::string &s = myText;
        size_t start = myPos;
        while (myPos < s.size() && evIsDigit(s[myPos]))
            ++myPos;
        if (myPos < s.size() && s[myPos] == '.')
        {
            ++myPos;
            while (myPos < s.size() && evIsDigit(s[myPos]))
                ++myPos;
        }
        if (myPos < s.size() && (s[myPos] == 'e' || s[myPos] == 'E'))
        {
            ++myPos;
            if (myPos < s.size() && (s[myPos] == '+' || s[myPos] == '-'))
                ++myPos;
            if (myPos >= s.size() || !evIsDigit(s[myPos]))
                throw ev_ParseError{myPos, "expected digits in the exponent"};
            while (myPos < s.size() && evIsDigit(s[myPos]))
                ++myPos;
        }
        tok.kind = ev_Tok::Number;
        auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + myPos, tok.num);
        if (ec == std::errc::result_out_of_range)
        {
            // strtod saturates to infinity or zero the way a user would expect.
            std::string digits(s, start, myPos - start);
            tok.num = std::strtod(digits.c_str(), nullptr);
        }
        (void)ptr;
    }

    void readVariable(ev_Token &tok)
    {
        const std::string &s = myText;
        ++myPos;
        bool braced = myPos < s.size() && s[myPos] == '{';
        if (braced)
            ++myPos;
        if (myPos >= s.size() || !evIsNameStart(s[myPos]))
            throw ev_ParseError{myPos, "expected a variable name"};
        size_t start = myPos;
        while (myPos < s.size() && evIsNameChar(s[myPos]))
            ++myPos;
        tok.kind = ev_Tok::Variable;
        tok.text.assign(s, start, myPos - start);
        if (braced)
        {
            if (myPos >= s.size() || s[myPos] != '}')
                throw ev_ParseError{myPos, "expected '}'"};
            ++myPos;
        }
    }

    void readString(ev_Token &tok)
    {
        const std::string &s = myText;
        char quote = s[myPos];
        size_t open = myPos++;
        tok.kind = ev_Tok::String;
        while (true)
        {
            if (myPos >= s.size())
                throw ev_ParseError{myPos, std::string("expected ") + quote +
                                               " to close the text started at column " +
                                               std::to_string(open + 1)};
            char c = s[myPos++];
            if (c == quote)
                return;
            if (c != '\\')
            {
                tok.text += c;
                continue;
            }
            if (myPos >= s.size())
                continue; // reported as unterminated on the next turn
            char e = s[myPos++];
            // Unknown escapes stand for the character itself, as on the command line.
            switch (e)
            {
            case 'n':
                tok.text += '\n';
                break;
            case 't':
                tok.text += '\t';
                break;
            case 'r':
                tok.text += '\r';
                break;
            default:
                tok.text += e;
                break;
            }
        }
    }

    void readOperator(ev_Token &tok)
    {
        const std::string &s = myText;
        char c = s[myPos++];
        char n = myPos < s.size() ? s[myPos] : '\0';
        auto two = [&](ev_Tok kind)
        {
            ++myPos;
            tok.kind = kind;
        };
        switch (c)
        {
        case '+':
            tok.kind = ev_Tok::Plus;
            break;
        case '-':
            tok.kind = ev_Tok::Minus;
            break;
        case '*':
            tok.kind = ev_Tok::Star;
            break;
        case '/':
            tok.kind = ev_Tok::Slash;
            break;
        case '%':
            tok.kind = ev_Tok::Percent;
            break;
        case '^':
            tok.kind = ev_Tok::Caret;
            break;
        case '(':
            tok.kind = ev_Tok::LParen;
            break;
        case ')':
            tok.kind = ev_Tok::RParen;
            break;
        case ',':
            tok.kind = ev_Tok::Comma;
            break;
        case '?':
            tok.kind = ev_Tok::Question;
            break;
        case ':':
            tok.kind = ev_Tok::Colon;
            break;
        case '!':
            if (n == '=')
                two(ev_Tok::NotEqual);
            else
                tok.kind = ev_Tok::Not;
            break;
        case '<':
            if (n == '=')
                two(ev_Tok::LessEqual);
            else
                tok.kind = ev_Tok::Less;
            break;
        case '>':
            if (n == '=')
                two(ev_Tok::GreaterEqual);
            else
                tok.kind = ev_Tok::Greater;
            break;
        case '=':
            if (n == '=')
                two(ev_Tok::Equal);
            else
                tok.kind = ev_Tok::Invalid;
            break;
        case '&':
            if (n == '&')
                two(ev_Tok::And);
            else
                tok.kind = ev_Tok::Invalid;
            break;
        case '|':
            if (n == '|')
                two(ev_Tok::Or);
            else
                tok.kind = ev_Tok::Invalid;
            break;
        default:
            tok.kind = ev_Tok::Invalid;
            break;
        }
    }

    const std::string &myText;
    size_t myPos = 0;
};

// ---------------------------------------------------------------------------------------------
// Parser

std::string evArityMessage(const EV_FUNCTION &fn, size_t count)
{
    return "function '" + std::string(fn.name) + "' takes " + std::to_string(fn.nargs) +
           (fn.nargs == 1 ? " argument" : " arguments") + ", not " + std::to_string(count);
}

using ev_NodePtr = std::unique_ptr<ev_Node>;

class ev_Parser
{
public:
    explicit ev_Parser(const std::string &text) : myTokenizer(text) {}

    ev_NodePtr parse()
    {
        advance();
        ev_NodePtr root = parseExpr();
        if (myTok.kind != ev_Tok::End)
            fail("expected an operator or the end of the expression");
        return root;
    }

private:
    struct ev_DepthGuard
    {
        explicit ev_DepthGuard(ev_Parser &parser) : myParser(parser)
        {
            if (++myParser.myDepth > theMaxNesting)
                throw ev_ParseError{myParser.myTok.begin, "expression is nested too deeply"};
        }
        ~ev_DepthGuard() { --myParser.myDepth; }
        ev_Parser &myParser;
    };

    void advance() { myTokenizer.next(myTok); }

    [[noreturn]] void fail(const std::string &message) const
    {
        throw ev_ParseError{myTok.begin, message};
    }

    void expect(ev_Tok kind, const char *what)
    {
        if (myTok.kind != kind)
            fail(std::string("expected ") + what);
        advance();
    }

    static ev_NodePtr makeNode(ev_Kind kind, size_t begin, size_t end,
                               std::initializer_list<ev_NodePtr *> children)
    {
        auto node = std::make_unique<ev_Node>(kind, begin, end);
        node->myArgs.reserve(children.size());
        for (ev_NodePtr *child : children)
            node->myArgs.push_back(std::move(*child));
        setHeight(*node);
        return node;
    }

    static void setHeight(ev_Node &node)
    {
        for (const ev_NodePtr &child : node.myArgs)
            node.myHeight = std::max(node.myHeight, child->myHeight + 1);
        if (node.myHeight > theMaxHeight)
            throw ev_ParseError{node.myBegin, "expression is nested too deeply"};
    }

    static ev_NodePtr makeBinary(ev_Kind kind, ev_NodePtr &left, ev_NodePtr &right)
    {
        size_t begin = left->myBegin, end = right->myEnd;
        return makeNode(kind, begin, end, {&left, &right});
    }

    ev_NodePtr parseExpr()
    {
        ev_DepthGuard guard(*this);
        ev_NodePtr cond = parseOr();
        if (myTok.kind != ev_Tok::Question)
            return cond;
        advance();
        ev_NodePtr yes = parseExpr();
        expect(ev_Tok::Colon, "':'");
        ev_NodePtr no = parseExpr();
        size_t begin = cond->myBegin, end = no->myEnd;
        return makeNode(ev_Kind::Conditional, begin, end, {&cond, &yes, &no});
    }

    ev_NodePtr parseOr()
    {
        ev_NodePtr left = parseAnd();
        while (myTok.kind == ev_Tok::Or)
        {
            advance();
            ev_NodePtr right = parseAnd();
            left = makeBinary(ev_Kind::Or, left, right);
        }
        return left;
    }

    ev_NodePtr parseAnd()
    {
        ev_NodePtr left = parseCompare();
        while (myTok.kind == ev_Tok::And)
        {
            advance();
            ev_NodePtr right = parseCompare();
            left = makeBinary(ev_Kind::And, left, right);
        }
        return left;
    }

    ev_NodePtr parseCompare()
    {
        ev_NodePtr left = parseSum();
        ev_Kind kind;
        switch (myTok.kind)
        {
        case ev_Tok::Equal:
            kind = ev_Kind::Equal;
            break;
        case ev_Tok::NotEqual:
            kind = ev_Kind::NotEqual;
            break;
        case ev_Tok::Less:
            kind = ev_Kind::Less;
            break;
        case ev_Tok::Greater:
            kind = ev_Kind::Greater;
            break;
        case ev_Tok::LessEqual:
            kind = ev_Kind::LessEqual;
            break;
        case ev_Tok::GreaterEqual:
            kind = ev_Kind::GreaterEqual;
            break;
        default:
            return left;
        }
        advance();
        ev_NodePtr right = parseSum();
        return makeBinary(kind, left, right);
    }

    ev_NodePtr parseSum()
    {
        ev_NodePtr left = parseProduct();
        while (myTok.kind == ev_Tok::Plus || myTok.kind == ev_Tok::Minus)
        {
            ev_Kind kind = myTok.kind == ev_Tok::Plus ? ev_Kind::Add : ev_Kind::Subtract;
            advance();
            ev_NodePtr right = parseProduct();
            left = makeBinary(kind, left, right);
        }
        return left;
    }

    ev_NodePtr parseProduct()
    {
        ev_NodePtr left = parseUnary();
        while (true)
        {
            ev_Kind kind;
            if (myTok.kind == ev_Tok::Star)
                kind = ev_Kind::Multiply;
            else if (myTok.kind == ev_Tok::Slash)
                kind = ev_Kind::Divide;
            else if (myTok.kind == ev_Tok::Percent)
                kind = ev_Kind::Modulo;
            else
                return left;
            advance();
            ev_NodePtr right = parseUnary();
            left = makeBinary(kind, left, right);
        }
    }

    ev_NodePtr parseUnary()
    {
        ev_DepthGuard guard(*this);
        ev_Kind kind;
        if (myTok.kind == ev_Tok::Minus)
            kind = ev_Kind::Negate;
        else if (myTok.kind == ev_Tok::Plus)
            kind = ev_Kind::ToNumber;
        else if (myTok.kind == ev_Tok::Not)
            kind = ev_Kind::Not;
        else
            return parsePower();
        size_t begin = myTok.begin;
        advance();
        ev_NodePtr operand = parseUnary();
        // Folding a signed number keeps "-1" a literal, which call sites see as a literal.
        if (kind != ev_Kind::Not && operand->myKind == ev_Kind::Literal &&
            !operand->myValue.isString())
        {
            if (kind == ev_Kind::Negate)
                operand->myValue.num = -operand->myValue.num;
            operand->myBegin = begin;
            return operand;
        }
        size_t end = operand->myEnd;
        return makeNode(kind, begin, end, {&operand});
    }

    ev_NodePtr parsePower()
    {
        ev_NodePtr base = parsePrimary();
        if (myTok.kind != ev_Tok::Caret)
            return base;
        advance();
        ev_NodePtr exponent = parseUnary();
        return makeBinary(ev_Kind::Power, base, exponent);
    }

    ev_NodePtr parsePrimary()
    {
        switch (myTok.kind)
        {
        case ev_Tok::Number:
        {
            auto node = std::make_unique<ev_Node>(ev_Kind::Literal, myTok.begin, myTok.end);
            node->myValue.num = myTok.num;
            advance();
            return node;
        }
        case ev_Tok::String:
        {
            auto node = std::make_unique<ev_Node>(ev_Kind::Literal, myTok.begin, myTok.end);
            node->myValue.type = EV_TYPE_STRING;
            node->myValue.str = std::move(myTok.text);
            advance();
            return node;
        }
        case ev_Tok::Variable:
        {
            auto node = std::make_unique<ev_Node>(ev_Kind::Variable, myTok.begin, myTok.end);
            node->myName = std::move(myTok.text);
            advance();
            return node;
        }
        case ev_Tok::Name:
            return parseCall();
        case ev_Tok::LParen:
        {
            advance();
            ev_NodePtr inner = parseExpr();
            expect(ev_Tok::RParen, "')'");
            return inner;
        }
        default:
            fail("expected an expression");
        }
    }

    ev_NodePtr parseCall()
    {
        auto node = std::make_unique<ev_Node>(ev_Kind::Call, myTok.begin, myTok.end);
        node->myName = std::move(myTok.text);
        advance();
        if (myTok.kind != ev_Tok::LParen)
            fail("expected '(' after '" + node->myName + "'");
        advance();
        if (myTok.kind != ev_Tok::RParen)
        {
            while (true)
            {
                node->myArgs.push_back(parseExpr());
                if (myTok.kind == ev_Tok::RParen)
                    break;
                if (myTok.kind != ev_Tok::Comma)
                    fail("expected ',' or ')'");
                advance();
            }
        }
        node->myEnd = myTok.end;
        advance();
        setHeight(*node);

        // Unknown names are left for evaluation: the function may be added after parsing.
        if (const EV_FUNCTION *fn = ev_FindFunction(node->myName.c_str()))
        {
            if (fn->nargs >= 0 && node->myArgs.size() != static_cast<size_t>(fn->nargs))
                throw ev_ParseError{node->myBegin, evArityMessage(*fn, node->myArgs.size())};
            if (fn->instanceAlloc)
            {
                node->myInstanceData = fn->instanceAlloc();
                node->myInstanceFree = fn->instanceFree;
            }
            node->myFunction.store(fn, std::memory_order_relaxed);
        }
        return node;
    }

    ev_Tokenizer myTokenizer;
    ev_Token myTok;
    int myDepth = 0;
};

// ---------------------------------------------------------------------------------------------
// Evaluation

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

void evSetNumber(EV_Value &value, double v)
{
    value.type = EV_TYPE_FLOAT;
    value.num = v;
    value.str.clear();
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

bool evEval(const ev_Node &node, EV_Context &context, EV_Value &out);

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
    {
        double d = right.asNumber();
        evSetNumber(out, d == 0 ? 0 : out.asNumber() / d);
        return true;
    }
    case ev_Kind::Modulo:
    {
        double d = right.asNumber();
        evSetNumber(out, d == 0 ? 0 : std::fmod(out.asNumber(), d));
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

// ---------------------------------------------------------------------------------------------
// Call site visits

EV_CallSite evCallSite(const ev_Node &node, const EV_FUNCTION &fn, void *owner)
{
    EV_CallSite site{fn, {}, {}, owner, node.myInstanceData};
    size_t count = node.myArgs.size();
    site.args.resize(count);
    site.literal.resize(count, false);
    for (size_t i = 0; i < count; ++i)
    {
        const ev_Node &arg = *node.myArgs[i];
        if (arg.myKind != ev_Kind::Literal)
            continue;
        site.args[i] = arg.myValue;
        EV_Type type;
        if (evArgType(fn, i, type))
            evConvert(site.args[i], type);
        site.literal[i] = true;
    }
    return site;
}

template <typename Visit>
void evVisit(ev_Node &node, const Visit &visit)
{
    visit(node);
    for (ev_NodePtr &child : node.myArgs)
        evVisit(*child, visit);
}

template <typename Visit>
void evVisit(const ev_Node &node, const Visit &visit)
{
    visit(node);
    for (const ev_NodePtr &child : node.myArgs)
        evVisit(static_cast<const ev_Node &>(*child), visit);
}

std::string evQuote(const std::string &text)
{
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (char c : text)
    {
        switch (c)
        {
        case '\\':
            quoted += "\\\\";
            break;
        case '"':
            quoted += "\\\"";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\r':
            quoted += "\\r";
            break;
        default:
            quoted += c;
            break;
        }
    }
    quoted += '"';
    return quoted;
}

struct ev_Edit
{
    size_t myBegin;
    size_t myEnd;
    std::string myText;
};

} // namespace

EV_Expression::EV_Expression() = default;
EV_Expression::~EV_Expression() = default;

std::unique_ptr<EV_Expression> EV_Expression::parse(const std::string &text, std::string &error)
{
    std::unique_ptr<EV_Expression> expr(new EV_Expression());
    expr->myText = text;
    try
    {
        ev_Parser parser(expr->myText);
        expr->myRoot = parser.parse();
    }
    catch (const ev_ParseError &e)
    {
        error = "Syntax error at column " + std::to_string(e.myOffset + 1) + ": " + e.myMessage;
        return nullptr;
    }
    error.clear();
    return expr;
}

bool EV_Expression::evaluate(EV_Context &context, EV_Value &result) const
{
    return evEval(*myRoot, context, result);
}

bool EV_Expression::isConstant() const
{
    bool constant = true;
    evVisit(static_cast<const ev_Node &>(*myRoot),
            [&](const ev_Node &node)
            {
                if (node.myKind == ev_Kind::Variable || node.myKind == ev_Kind::Call)
                    constant = false;
            });
    return constant;
}

void EV_Expression::collectDependencies(void *owner) const
{
    evVisit(static_cast<const ev_Node &>(*myRoot),
            [&](const ev_Node &node)
            {
                if (node.myKind != ev_Kind::Call)
                    return;
                const EV_FUNCTION *fn = evResolve(node);
                if (fn && fn->dependency)
                    fn->dependency(evCallSite(node, *fn, owner));
            });
}

bool EV_Expression::renameReferences(void *owner, const std::string &oldPath,
                                     const std::string &newPath)
{
    std::vector<ev_Edit> edits;
    evVisit(*myRoot,
            [&](ev_Node &node)
            {
                if (node.myKind != ev_Kind::Call)
                    return;
                const EV_FUNCTION *fn = evResolve(node);
                if (!fn || !fn->rename)
                    return;
                EV_CallSite site = evCallSite(node, *fn, owner);
                for (size_t i = 0; i < node.myArgs.size(); ++i)
                {
                    ev_Node &arg = *node.myArgs[i];
                    if (arg.myKind != ev_Kind::Literal || !arg.myValue.isString())
                        continue;
                    std::string replacement;
                    if (!fn->rename(site, static_cast<int>(i), oldPath, newPath, replacement) ||
                        replacement == arg.myValue.str)
                        continue;
                    edits.push_back({arg.myBegin, arg.myEnd, evQuote(replacement)});
                    arg.myValue.str = std::move(replacement);
                    // Later arguments of the same call see the site as it now reads.
                    site.args[i] = arg.myValue;
                    EV_Type type;
                    if (evArgType(*fn, i, type))
                        evConvert(site.args[i], type);
                }
            });
    if (edits.empty())
        return false;

    std::sort(edits.begin(), edits.end(),
              [](const ev_Edit &a, const ev_Edit &b) { return a.myBegin < b.myBegin; });
    std::string text;
    size_t pos = 0;
    for (const ev_Edit &edit : edits)
    {
        text.append(myText, pos, edit.myBegin - pos);
        text += edit.myText;
        pos = edit.myEnd;
    }
    text.append(myText, pos, std::string::npos);
    myText = std::move(text);

    // Every position at or past the end of an edit moves by that edit's change in length.
    auto shift = [&](size_t p)
    {
        size_t q = p;
        for (const ev_Edit &edit : edits)
            if (edit.myEnd <= p)
                q = q + edit.myText.size() - (edit.myEnd - edit.myBegin);
        return q;
    };
    evVisit(*myRoot,
            [&](ev_Node &node)
            {
                node.myBegin = shift(node.myBegin);
                node.myEnd = shift(node.myEnd);
            });
    return true;
}
