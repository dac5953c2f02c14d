#pragma once

// Private to host/EV: the tokens of the expression language.

#include <EV/ev_Node.h>

#include <cstddef>
#include <string>

enum class ev_Tok
{
    End,
    Number,
    String,
    Name,
    Variable,
    Operator, ///< an operator of the language; ev_Token::op says which
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
    /// The operator, as the binary node it makes ("-" is Subtract, "+" Add, "!" Not).
    ev_Kind op = ev_Kind::Literal;
    size_t begin = 0;
    size_t end = 0;
    double num = 0;
    std::string text;

    bool is(ev_Kind kind) const { return this->kind == ev_Tok::Operator && op == kind; }
};

/// What the tokenizer and the parser throw, caught at the parser's entry and never beyond.
struct ev_ParseError
{
    size_t myOffset;
    std::string myMessage;
};

/// Splits expression text into tokens, one at a time; throws ev_ParseError for a malformed
/// number, variable or text.
class ev_Tokenizer
{
public:
    explicit ev_Tokenizer(const std::string &text) : myText(text) {}

    void next(ev_Token &tok);

private:
    void readNumber(ev_Token &tok);
    void readVariable(ev_Token &tok);
    void readString(ev_Token &tok);
    void readSymbol(ev_Token &tok);

    const std::string &myText;
    size_t myPos = 0;
};
