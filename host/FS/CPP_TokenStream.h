#pragma once

#include <UT/UT_String.h>

#include <string>

/// Splits text into tokens for the parsers of outside text: words (runs of anything but blanks,
/// quotes and braces), strings in double quotes (with backslash escapes \n \t \\ \" and any
/// other character standing for itself; the quotes are not part of the token), and the braces
/// "{" and "}" as tokens of their own. "#" outside a string comments out the rest of the line.
/// Lines are counted from 1.
class CPP_TokenStream
{
public:
    explicit CPP_TokenStream(std::string text);
    virtual ~CPP_TokenStream() = default;

    /// Reads the next token; false at the end of the text or on a malformed token (an
    /// unterminated string: then hasTokenError() is true).
    bool getToken(std::string &token);
    bool getToken(UT_String &token);
    /// The next token without taking it.
    bool peekToken(std::string &token);
    /// Whether the last token read was a quoted string (so "{" in quotes is no brace).
    bool wasQuoted() const { return myLastQuoted; }
    /// The line of the last token read (or of the end of the text).
    int getLine() const { return myLastLine; }
    bool hasTokenError() const { return myTokenError; }

private:
    bool scan(std::string &token, bool &quoted, int &line);

    std::string myText;
    size_t myPos = 0;
    int myLine = 1;
    int myLastLine = 1;
    bool myLastQuoted = false;
    bool myTokenError = false;
};
