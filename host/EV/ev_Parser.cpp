#include <EV/ev_Parser.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <system_error>
#include <utility>

namespace
{

// Bounds the parser's own recursion, which brackets and folded signs deepen without making the
// tree any taller.
constexpr int theMaxNesting = 200;

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
            evPrepareLiteralCall(*node, *fn);
        }
        return node;
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
