#pragma once

// A small grammar check of our own for the generated shading code, shared by the VOP tests
// of the host and the library. It accepts exactly one shader function of the expected
// context, with typed parameters, then statements that declare or assign a variable, and
// rejects any name read before it is declared, any call of a function the language lacks
// and any assignment to something that is neither a local nor a global the context writes.

#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace voptest
{

struct Language
{
    std::set<std::string> types;
    std::set<std::string> functions;
    std::set<std::string> globals;  ///< readable
    std::set<std::string> writable; ///< globals an output may assign
    bool braceInitialisers;         ///< `{1, 0, 0}` as a parameter default
};

inline Language vexSurface()
{
    return {{"float", "vector", "string"},
            {"set", "lerp", "diffuse", "specular", "normalize", "texture"},
            {"P", "N", "I", "s", "t"},
            {"Cf", "Of"},
            true};
}

inline Language rslSurface()
{
    return {{"float", "vector", "color", "string", "point", "normal"},
            {"mix", "diffuse", "specular", "normalize", "texture"},
            {"P", "N", "I", "s", "t"},
            {"Ci", "Oi"},
            false};
}

class SourceCheck
{
public:
    SourceCheck(Language language, std::string context)
        : myLang(std::move(language)), myContext(std::move(context))
    {
    }

    /// Empty when `source` is a well-formed shader; else what is wrong and where.
    std::string check(const std::string &source)
    {
        myTokens = tokenize(source);
        myPos = 0;
        myError.clear();
        myDeclared = myLang.globals;
        shader();
        if (myError.empty() && myPos != myTokens.size())
            fail("text after the function");
        return myError;
    }

    std::vector<std::string> parameters; ///< declared parameters, in order
    std::vector<std::string> assigned;   ///< globals the body writes, in order

private:
    static std::vector<std::string> tokenize(const std::string &text)
    {
        std::vector<std::string> out;
        size_t i = 0;
        while (i < text.size())
        {
            const char c = text[i];
            if (std::isspace(static_cast<unsigned char>(c)))
                ++i;
            else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
                i = text.find('\n', i) == std::string::npos ? text.size() : text.find('\n', i);
            else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
            {
                size_t j = i;
                while (j < text.size() &&
                       (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_'))
                    ++j;
                out.push_back(text.substr(i, j - i));
                i = j;
            }
            else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            {
                size_t j = i;
                while (j < text.size() &&
                       (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '.' ||
                        ((text[j] == '+' || text[j] == '-') &&
                         (text[j - 1] == 'e' || text[j - 1] == 'E'))))
                    ++j;
                out.push_back("#" + text.substr(i, j - i));
                i = j;
            }
            else if (c == '"')
            {
                size_t j = i + 1;
                while (j < text.size() && text[j] != '"')
                    j += text[j] == '\\' ? 2 : 1;
                out.push_back(text.substr(i, j + 1 - i));
                i = j + 1;
            }
            else
                out.push_back(std::string(1, text[i++]));
        }
        return out;
    }

    const std::string &peek() const
    {
        static const std::string theEnd;
        return myPos < myTokens.size() ? myTokens[myPos] : theEnd;
    }
    bool accept(const std::string &token)
    {
        if (peek() != token)
            return false;
        ++myPos;
        return true;
    }
    void expect(const std::string &token)
    {
        if (!accept(token))
            fail("expected '" + token + "'");
    }
    void fail(const std::string &what)
    {
        if (myError.empty())
            myError = what + " at token " + std::to_string(myPos) + " ('" + peek() + "')";
    }
    static bool isName(const std::string &t)
    {
        return !t.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_');
    }
    std::string name()
    {
        const std::string t = peek();
        if (!isName(t) || myLang.types.count(t))
        {
            fail("expected a name");
            return {};
        }
        ++myPos;
        return t;
    }
    void declare(const std::string &n)
    {
        if (!myDeclared.insert(n).second)
            fail("'" + n + "' declared twice");
    }

    void shader()
    {
        expect(myContext);
        name();
        expect("(");
        while (myError.empty() && !accept(")"))
        {
            if (!parameters.empty())
                expect(";");
            accept("export") || accept("output");
            type();
            const std::string n = name();
            expect("=");
            if (myLang.braceInitialisers && accept("{"))
            {
                do
                    number();
                while (myError.empty() && accept(","));
                expect("}");
            }
            else
                expr();
            declare(n);
            parameters.push_back(n);
        }
        expect("{");
        while (myError.empty() && !accept("}"))
            statement();
    }
    void type()
    {
        if (!myLang.types.count(peek()))
            fail("expected a type");
        ++myPos;
    }
    void number()
    {
        accept("-");
        if (peek().empty() || peek()[0] != '#')
            fail("expected a number");
        ++myPos;
    }
    void statement()
    {
        if (myLang.types.count(peek()))
        {
            ++myPos;
            const std::string n = name();
            expect("=");
            expr();
            declare(n);
        }
        else
        {
            const std::string n = name();
            if (!myLang.writable.count(n) && !myDeclared.count(n))
                fail("'" + n + "' assigned but never declared");
            if (myLang.writable.count(n))
                assigned.push_back(n);
            expect("=");
            expr();
        }
        expect(";");
    }
    void expr()
    {
        term();
        while (myError.empty() && (accept("+") || accept("-")))
            term();
    }
    void term()
    {
        unary();
        while (myError.empty() && (accept("*") || accept("/")))
            unary();
    }
    void unary()
    {
        if (accept("-"))
            unary();
        else
            primary();
    }
    void args()
    {
        expect("(");
        if (accept(")"))
            return;
        do
            expr();
        while (myError.empty() && accept(","));
        expect(")");
    }
    void primary()
    {
        const std::string t = peek();
        if (t.empty())
            return fail("unexpected end");
        if (t[0] == '#' || t[0] == '"')
        {
            ++myPos;
            return;
        }
        if (accept("("))
        {
            expr();
            return expect(")");
        }
        if (myLang.types.count(t))
        {
            ++myPos;
            // A constructor, color(1, 0, 0), or a cast of a call, color texture(...).
            if (peek() == "(")
                return args();
            return primary();
        }
        const std::string n = name();
        if (peek() == "(")
        {
            if (!myLang.functions.count(n))
                fail("no function '" + n + "'");
            return args();
        }
        if (!myDeclared.count(n))
            fail("'" + n + "' read before it is declared");
    }

    Language myLang;
    std::string myContext;
    std::vector<std::string> myTokens;
    size_t myPos = 0;
    std::string myError;
    std::set<std::string> myDeclared;
};

} // namespace voptest
