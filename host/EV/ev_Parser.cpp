#include <EV/ev_Parser.h>

#include <EV/ev_Tokenizer.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace
{

// Bounds the parser's own recursion, which brackets and folded signs deepen without making the
// tree any taller.
constexpr int theMaxNesting = 200;

// The binary operators by precedence, loosest first: each level a run of ev_Kind, whose order
// keeps the operators of a level together. Comparisons take one operator, not a chain.
struct ev_Level
{
    ev_Kind first;
    ev_Kind last;
    bool chains;
};

constexpr ev_Level theLevels[] = {
    {ev_Kind::Or, ev_Kind::Or, true},
    {ev_Kind::And, ev_Kind::And, true},
    {ev_Kind::Equal, ev_Kind::GreaterEqual, false},
    {ev_Kind::Add, ev_Kind::Subtract, true},
    {ev_Kind::Multiply, ev_Kind::Modulo, true},
};

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
        ev_NodePtr cond = parseBinary(0);
        if (myTok.kind != ev_Tok::Question)
            return cond;
        advance();
        ev_NodePtr yes = parseExpr();
        expect(ev_Tok::Colon, "':'");
        ev_NodePtr no = parseExpr();
        size_t begin = cond->myBegin, end = no->myEnd;
        return makeNode(ev_Kind::Conditional, begin, end, {&cond, &yes, &no});
    }

    // The operators of theLevels[level] and tighter ones, left to right.
    ev_NodePtr parseBinary(size_t level)
    {
        if (level == std::size(theLevels))
            return parseUnary();
        ev_NodePtr left = parseBinary(level + 1);
        const ev_Level &ops = theLevels[level];
        while (myTok.kind == ev_Tok::Operator && myTok.op >= ops.first && myTok.op <= ops.last)
        {
            const ev_Kind kind = myTok.op;
            advance();
            ev_NodePtr right = parseBinary(level + 1);
            left = makeBinary(kind, left, right);
            if (!ops.chains)
                break;
        }
        return left;
    }

    ev_NodePtr parseUnary()
    {
        ev_DepthGuard guard(*this);
        ev_Kind kind;
        if (myTok.is(ev_Kind::Subtract))
            kind = ev_Kind::Negate;
        else if (myTok.is(ev_Kind::Add))
            kind = ev_Kind::ToNumber;
        else if (myTok.is(ev_Kind::Not))
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
        if (!myTok.is(ev_Kind::Power))
            return base;
        advance();
        ev_NodePtr exponent = parseUnary();
        return makeBinary(ev_Kind::Power, base, exponent);
    }

    // A literal or a variable, from the current token.
    ev_NodePtr takeLeaf(ev_Kind kind)
    {
        auto node = std::make_unique<ev_Node>(kind, myTok.begin, myTok.end);
        if (myTok.kind == ev_Tok::Number)
            node->myValue.num = myTok.num;
        else if (myTok.kind == ev_Tok::String)
        {
            node->myValue.type = EV_TYPE_STRING;
            node->myValue.str = std::move(myTok.text);
        }
        else
            node->myName = std::move(myTok.text);
        advance();
        return node;
    }

    ev_NodePtr parsePrimary()
    {
        switch (myTok.kind)
        {
        case ev_Tok::Number:
        case ev_Tok::String:
            return takeLeaf(ev_Kind::Literal);
        case ev_Tok::Variable:
            return takeLeaf(ev_Kind::Variable);
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
        resolve(*node);
        return node;
    }

    // Unknown names are left for evaluation: the function may be added after parsing.
    static void resolve(ev_Node &node)
    {
        const EV_FUNCTION *fn = ev_FindFunction(node.myName.c_str());
        if (!fn)
            return;
        if (fn->nargs >= 0 && node.myArgs.size() != static_cast<size_t>(fn->nargs))
            throw ev_ParseError{node.myBegin, evArityMessage(*fn, node.myArgs.size())};
        if (fn->instanceAlloc)
        {
            node.myInstanceData = fn->instanceAlloc();
            node.myInstanceFree = fn->instanceFree;
        }
        node.myFunction.store(fn, std::memory_order_relaxed);
        evPrepareLiteralCall(node, *fn);
    }

    ev_Tokenizer myTokenizer;
    ev_Token myTok;
    int myDepth = 0;
};

} // namespace

ev_NodePtr evParse(const std::string &text, std::string &error)
{
    ev_NodePtr root;
    try
    {
        ev_Parser parser(text);
        root = parser.parse();
    }
    catch (const ev_ParseError &e)
    {
        error = "Syntax error at column " + std::to_string(e.myOffset + 1) + ": " + e.myMessage;
        return nullptr;
    }
    error.clear();
    return root;
}
