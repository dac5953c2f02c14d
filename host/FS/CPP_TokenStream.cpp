#include <FS/CPP_TokenStream.h>

namespace
{
bool cpp_isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool cpp_endsWord(char c)
{
    return cpp_isBlank(c) || c == '"' || c == '{' || c == '}';
}
} // namespace

CPP_TokenStream::CPP_TokenStream(std::string text) : myText(std::move(text)) {}

// "#" starts a comment only where a token could start: inside a word it is an ordinary
// character, so that words such as "a#b" survive.
bool CPP_TokenStream::scan(std::string &token, bool &quoted, int &line)
{
    token.clear();
    quoted = false;
    const size_t size = myText.size();
    for (;;)
    {
        while (myPos < size && cpp_isBlank(myText[myPos]))
        {
            if (myText[myPos] == '\n')
                ++myLine;
            ++myPos;
        }
        if (myPos < size && myText[myPos] == '#')
        {
            while (myPos < size && myText[myPos] != '\n')
                ++myPos;
            continue;
        }
        break;
    }
    line = myLine;
    if (myPos >= size)
        return false;

    const char c = myText[myPos];
    if (c == '{' || c == '}')
    {
        token.assign(1, c);
        ++myPos;
        return true;
    }
    if (c == '"')
    {
        quoted = true;
        ++myPos;
        while (myPos < size)
        {
            char ch = myText[myPos++];
            if (ch == '"')
                return true;
            if (ch == '\n')
                ++myLine;
            if (ch == '\\' && myPos < size)
            {
                ch = myText[myPos++];
                if (ch == 'n')
                    ch = '\n';
                else if (ch == 't')
                    ch = '\t';
                else if (ch == '\n')
                    ++myLine;
            }
            token += ch;
        }
        myTokenError = true;
        return false;
    }
    const size_t start = myPos;
    while (myPos < size && !cpp_endsWord(myText[myPos]))
        ++myPos;
    token.assign(myText, start, myPos - start);
    return true;
}

bool CPP_TokenStream::getToken(std::string &token)
{
    if (myTokenError)
    {
        token.clear();
        return false;
    }
    bool quoted = false;
    int line = myLine;
    const bool ok = scan(token, quoted, line);
    myLastQuoted = ok && quoted;
    myLastLine = line;
    return ok;
}

bool CPP_TokenStream::getToken(UT_String &token)
{
    return getToken(token.str());
}

bool CPP_TokenStream::peekToken(std::string &token)
{
    if (myTokenError)
    {
        token.clear();
        return false;
    }
    const size_t pos = myPos;
    const int lineNow = myLine;
    bool quoted = false;
    int line = myLine;
    const bool ok = scan(token, quoted, line);
    myPos = pos;
    myLine = lineNow;
    // A malformed token is reported when it is taken, not when it is looked at.
    myTokenError = false;
    return ok;
}
