#include <EV/ev_Tokenizer.h>

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace
{
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

struct ev_Symbol
{
    std::string_view text;
    ev_Tok kind;
    ev_Kind op;
};

// Two-character symbols come first, so that "<=" is never read as "<" and "=".
constexpr ev_Symbol theSymbols[] = {
    {"==", ev_Tok::Operator, ev_Kind::Equal},     {"!=", ev_Tok::Operator, ev_Kind::NotEqual},
    {"<=", ev_Tok::Operator, ev_Kind::LessEqual}, {">=", ev_Tok::Operator, ev_Kind::GreaterEqual},
    {"&&", ev_Tok::Operator, ev_Kind::And},       {"||", ev_Tok::Operator, ev_Kind::Or},
    {"+", ev_Tok::Operator, ev_Kind::Add},        {"-", ev_Tok::Operator, ev_Kind::Subtract},
    {"*", ev_Tok::Operator, ev_Kind::Multiply},   {"/", ev_Tok::Operator, ev_Kind::Divide},
    {"%", ev_Tok::Operator, ev_Kind::Modulo},     {"^", ev_Tok::Operator, ev_Kind::Power},
    {"!", ev_Tok::Operator, ev_Kind::Not},        {"<", ev_Tok::Operator, ev_Kind::Less},
    {">", ev_Tok::Operator, ev_Kind::Greater},    {"(", ev_Tok::LParen, ev_Kind::Literal},
    {")", ev_Tok::RParen, ev_Kind::Literal},      {",", ev_Tok::Comma, ev_Kind::Literal},
    {"?", ev_Tok::Question, ev_Kind::Literal},    {":", ev_Tok::Colon, ev_Kind::Literal},
};
} // namespace

void ev_Tokenizer::next(ev_Token &tok)
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
        readSymbol(tok);
    tok.end = myPos;
}

void ev_Tokenizer::readNumber(ev_Token &tok)
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

void ev_Tokenizer::readVariable(ev_Token &tok)
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

void ev_Tokenizer::readString(ev_Token &tok)
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
        tok.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
    }
}

void ev_Tokenizer::readSymbol(ev_Token &tok)
{
    const std::string_view rest = std::string_view(myText).substr(myPos);
    for (const ev_Symbol &symbol : theSymbols)
        if (rest.starts_with(symbol.text))
        {
            myPos += symbol.text.size();
            tok.kind = symbol.kind;
            tok.op = symbol.op;
            return;
        }
    ++myPos;
    tok.kind = ev_Tok::Invalid;
}
