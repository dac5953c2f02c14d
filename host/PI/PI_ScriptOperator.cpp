#include <PI/PI_ScriptOperator.h>

#include <FS/DS_Stream.h>
#include <PRM/PRM_Template.h>
#include <UT/UT_Names.h>
#include <UT/UT_String.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace
{
struct pi_TypeInfo
{
    const char *name;
    PRM_Type type;
    int size;
};

constexpr pi_TypeInfo theTypes[] = {
    {"int", PRM_INT, 1},
    {"float", PRM_FLT, 1},
    {"toggle", PRM_TOGGLE, 1},
    {"color", PRM_RGB, 3},
    {"vector", PRM_XYZ, 3},
    {"direction", PRM_DIRECTION, 3},
    {"string", PRM_STRING, 1},
    {"file", PRM_FILE, 1},
    {"image", PRM_PICFILE, 1},
    {"oppath", PRM_STRING_OPREF, 1},
    {"separator", PRM_SEPARATOR, 1},
    {"label", PRM_LABEL, 1},
    {"button", PRM_CALLBACK, 1},
    {"menu", PRM_ORD, 1},
};

// The parser does not follow groups deeper than this, so that no script can exhaust the stack.
constexpr int theMaxGroupDepth = 64;
constexpr int theMaxSize = 64;

const pi_TypeInfo *pi_findType(const std::string &name)
{
    for (const pi_TypeInfo &info : theTypes)
        if (name == info.name)
            return &info;
    return nullptr;
}

// Numbers as parameters read them: all of the text, and finite ("nan" and "inf" are
// expressions, or nothing).
bool pi_number(const std::string &text, double &value)
{
    if (text.find('\0') != std::string::npos || !UT_String::isNumber(text.c_str()))
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value);
}

std::string pi_quote(const std::string &text)
{
    return "'" + text + "'";
}

// One entry of a level of the script: a parameter's template, or a group and what it holds.
struct pi_Entry
{
    PRM_Template tmpl;
    bool isGroup = false;
    std::string name;
    std::string label;
    std::vector<pi_Entry> children;
};

using pi_UnknownTokenHandler = std::function<int(DS_Stream &, UT_String &)>;

class pi_Parser
{
public:
    pi_Parser(DS_Stream &stream, const std::string &opName, pi_UnknownTokenHandler unknown)
        : myStream(stream), myOpName(opName), myUnknown(std::move(unknown))
    {
    }

    bool parse()
    {
        std::string token;
        if (!myStream.getToken(token) || myStream.wasQuoted() || token != "{")
            return fail(myStream.hasTokenError()
                            ? "Unterminated string"
                            : "Expected '{' at the start of the dialog script");
        for (;;)
        {
            if (!next(token))
                return false;
            if (isClose(token))
                break;
            if (token == "name")
            {
                std::string name;
                if (!value(token, name))
                    return false;
                if (name != myOpName)
                    return fail("Dialog script name " + pi_quote(name) +
                                " does not match the operator name " + pi_quote(myOpName));
            }
            else if (token == "script" || token == "label" || token == "help")
            {
                // The operator's label comes from its definition; the script's is only read.
                std::string text;
                if (!value(token, text))
                    return false;
                // Renderers read the shader name as one word, quoted or not.
                if (token == "script" && !UTisPlainWord(text))
                    return fail("Bad shader name " + pi_quote(text) +
                                ": no blanks, quotes, backslashes or control characters");
                if (token == "script")
                    myScriptName = text;
                else if (token == "help")
                    myHelp = text;
            }
            else if (token == "parm")
            {
                if (!parseParm(myEntries))
                    return false;
            }
            else if (token == "group")
            {
                if (!parseGroup(myEntries, 1))
                    return false;
            }
            else
            {
                UT_String unknown(token);
                if (myUnknown(myStream, unknown) == 0 || myStream.hasError())
                    return fail("Unknown token " + pi_quote(token));
            }
        }
        if (myStream.getToken(token))
            return fail("Unexpected token " + pi_quote(token) + " after the dialog script");
        if (myStream.hasTokenError())
            return fail("Unterminated string");
        return true;
    }

    /// The templates of the script, terminated.
    std::vector<PRM_Template> templates() const
    {
        std::vector<PRM_Template> out;
        flatten(myEntries, out);
        out.emplace_back();
        return out;
    }

    const std::string &getScriptName() const { return myScriptName; }
    const std::string &getHelp() const { return myHelp; }

private:
    // Reports through the stream, which keeps the first error, so an error a handler already
    // gave stays the one reported.
    bool fail(const std::string &what)
    {
        myStream.error(what);
        return false;
    }

    bool isClose(const std::string &token) const { return !myStream.wasQuoted() && token == "}"; }
    bool isOpen(const std::string &token) const { return !myStream.wasQuoted() && token == "{"; }

    bool next(std::string &token)
    {
        if (myStream.getToken(token))
            return true;
        return fail(myStream.hasTokenError() ? "Unterminated string"
                                             : "Unexpected end of dialog script");
    }

    bool value(const std::string &after, std::string &text)
    {
        if (!next(text))
            return false;
        if (isOpen(text) || isClose(text))
            return fail("Expected a value after " + pi_quote(after));
        return true;
    }

    // "{ word ... }": the words of a list; braces inside need quotes.
    bool list(const std::string &after, std::vector<std::string> &items)
    {
        std::string token;
        if (!next(token))
            return false;
        if (!isOpen(token))
            return fail("Expected '{' after " + pi_quote(after));
        for (;;)
        {
            if (!next(token))
                return false;
            if (isClose(token))
                return true;
            if (isOpen(token))
                return fail("Unexpected '{' in " + pi_quote(after));
            items.push_back(token);
        }
    }

    // Parameter names are written into renderer text and script-clerk calls.
    bool checkName(const std::string &name)
    {
        if (!UTisIdentifier(name))
            return fail("Bad parameter name " + pi_quote(name) +
                        ": letters, digits and '_', not starting with a digit");
        return true;
    }

    bool claimName(const std::string &name)
    {
        if (!myNames.insert(name).second)
            return fail("Duplicate parameter name " + pi_quote(name));
        return true;
    }

    bool parseParm(std::vector<pi_Entry> &entries)
    {
        std::string token;
        if (!next(token))
            return false;
        if (!isOpen(token))
            return fail("Expected '{' after 'parm'");

        std::string name, label, help;
        const pi_TypeInfo *type = pi_findType("float");
        int size = 0;
        std::vector<std::string> defaults;
        bool haveRange = false;
        PRM_Range range;
        std::shared_ptr<PRM_ChoiceList> menu;
        std::shared_ptr<PRM_SpareData> spare;
        std::set<std::string> seen;
        for (;;)
        {
            if (!next(token))
                return false;
            if (isClose(token))
                break;
            const bool once = token == "name" || token == "label" || token == "type" ||
                              token == "size" || token == "default" || token == "range" ||
                              token == "range!" || token == "menu" || token == "help";
            if (once && !seen.insert(token == "range!" ? "range" : token).second)
                return fail("Duplicate " + pi_quote(token) + " in parameter");
            std::string text;
            std::vector<std::string> items;
            if (token == "name" || token == "label" || token == "help")
            {
                if (!value(token, text))
                    return false;
                if (token == "name" && !checkName(text))
                    return false;
                (token == "name" ? name : token == "label" ? label : help) = text;
            }
            else if (token == "type")
            {
                if (!value(token, text))
                    return false;
                type = pi_findType(text);
                if (!type)
                    return fail("Unknown parameter type " + pi_quote(text));
            }
            else if (token == "size")
            {
                if (!value(token, text))
                    return false;
                double n = 0;
                if (!pi_number(text, n) || n != std::floor(n) || n < 1 || n > theMaxSize)
                    return fail("Bad size " + pi_quote(text));
                size = static_cast<int>(n);
            }
            else if (token == "default")
            {
                if (!list(token, defaults))
                    return false;
            }
            else if (token == "range" || token == "range!")
            {
                if (!list(token, items))
                    return false;
                double lo = 0, hi = 0;
                if (items.size() != 2 || !pi_number(items[0], lo) || !pi_number(items[1], hi))
                    return fail("Bad range: expected '{ <min> <max> }'");
                if (lo > hi)
                    return fail("Bad range: minimum " + pi_quote(items[0]) + " is above maximum " +
                                pi_quote(items[1]));
                const bool restrict = token == "range!";
                range = PRM_Range(lo, hi, restrict, restrict);
                haveRange = true;
            }
            else if (token == "menu")
            {
                if (!list(token, items))
                    return false;
                if (items.size() % 2)
                    return fail("Menu needs token/label pairs");
                menu = std::make_shared<PRM_ChoiceList>();
                for (size_t i = 0; i < items.size(); i += 2)
                    menu->addItem(items[i], items[i + 1]);
            }
            else if (token == "parmtag")
            {
                if (!list(token, items))
                    return false;
                if (items.size() % 2)
                    return fail("Parmtag needs key/value pairs");
                if (!spare)
                    spare = std::make_shared<PRM_SpareData>();
                for (size_t i = 0; i < items.size(); i += 2)
                {
                    // The RenderMan type is written into renderer text with the name.
                    if (items[i] == PRM_SpareData::theRenderManTypeKey &&
                        !UTisPlainPhrase(items[i + 1]))
                        return fail("Bad RenderMan type " + pi_quote(items[i + 1]) +
                                    ": no quotes, backslashes or control characters");
                    spare->addTokenValue(items[i].c_str(), items[i + 1].c_str());
                }
            }
            else
                return fail("Unknown token " + pi_quote(token) + " in parameter");
        }

        // What depends on the type is checked at the end: the entries come in any order.
        if (name.empty())
            return fail("Parameter without a name");
        if (!claimName(name))
            return false;
        if (size == 0)
            size = type->size;
        if (static_cast<int>(defaults.size()) > size)
            return fail("Too many defaults for parameter " + pi_quote(name));
        const bool isString = type->type.isStringType();
        if (haveRange && isString)
            return fail("Parameter " + pi_quote(name) + " of type " + pi_quote(type->name) +
                        " cannot have a range");
        if (menu && !(type->type == PRM_INT || type->type == PRM_ORD || type->type == PRM_STRING))
            return fail("Parameter " + pi_quote(name) + " of type " + pi_quote(type->name) +
                        " cannot have a menu");
        if (type->type == PRM_ORD && !menu)
            menu = std::make_shared<PRM_ChoiceList>();

        std::vector<PRM_Default> values;
        for (const std::string &text : defaults)
        {
            double number = 0;
            if (isString)
                values.emplace_back(0, text.c_str());
            else if (pi_number(text, number))
                values.emplace_back(number);
            else if (menu && type->type.isOrdinalType() && menu->findToken(text) >= 0)
                values.emplace_back(menu->findToken(text));
            else
                values.emplace_back(0, text.c_str(), PRM_DEFAULT_EXPRESSION);
        }
        pi_Entry entry;
        entry.tmpl =
            PRM_Template(type->type, size,
                         PRM_Name(name.c_str(), seen.count("label") ? label.c_str() : name.c_str()),
                         std::move(values), std::move(menu), range, std::move(spare));
        entry.tmpl.setHelpText(help);
        entries.push_back(std::move(entry));
        return true;
    }

    bool parseGroup(std::vector<pi_Entry> &entries, int depth)
    {
        if (depth > theMaxGroupDepth)
            return fail("Groups nested too deeply");
        std::string token;
        if (!next(token))
            return false;
        if (!isOpen(token))
            return fail("Expected '{' after 'group'");
        pi_Entry group;
        group.isGroup = true;
        bool haveLabel = false;
        for (;;)
        {
            if (!next(token))
                return false;
            if (isClose(token))
                break;
            if (token == "name" || token == "label")
            {
                std::string text;
                if (!value(token, text))
                    return false;
                if (token == "name" && !checkName(text))
                    return false;
                (token == "name" ? group.name : group.label) = text;
                haveLabel = haveLabel || token == "label";
            }
            else if (token == "parm")
            {
                if (!parseParm(group.children))
                    return false;
            }
            else if (token == "group")
            {
                if (!parseGroup(group.children, depth + 1))
                    return false;
            }
            else
                return fail("Unknown token " + pi_quote(token) + " in group");
        }
        if (group.name.empty())
            return fail("Group without a name");
        if (!claimName(group.name))
            return false;
        if (!haveLabel)
            group.label = group.name;
        entries.push_back(std::move(group));
        return true;
    }

    // A run of groups makes one switcher, one folder per group, followed by the folders'
    // contents in order. A folder counts the entries of its own level: a switcher inside it
    // is one entry, and its parameters belong to its own folders. Returns the entries of the
    // level.
    static int flatten(const std::vector<pi_Entry> &entries, std::vector<PRM_Template> &out)
    {
        int count = 0;
        for (size_t i = 0; i < entries.size(); ++count)
        {
            if (!entries[i].isGroup)
            {
                out.push_back(entries[i++].tmpl);
                continue;
            }
            size_t end = i;
            while (end < entries.size() && entries[end].isGroup)
                ++end;
            const size_t at = out.size();
            out.emplace_back();
            std::vector<PRM_Default> folders;
            for (size_t k = i; k < end; ++k)
            {
                const int inside = flatten(entries[k].children, out);
                folders.emplace_back(inside, entries[k].label.c_str());
            }
            out[at] = PRM_Template(PRM_SWITCHER, static_cast<int>(end - i),
                                   PRM_Name(entries[i].name.c_str(), entries[i].label.c_str()),
                                   std::move(folders));
            i = end;
        }
        return count;
    }

    DS_Stream &myStream;
    const std::string &myOpName;
    pi_UnknownTokenHandler myUnknown;
    std::string myScriptName;
    std::string myHelp;
    std::set<std::string> myNames;
    std::vector<pi_Entry> myEntries;
};
} // namespace

bool PI_ScriptOperator::loadParmTemplates(DS_Stream &stream)
{
    pi_Parser parser(stream, getName(),
                     [this](DS_Stream &s, UT_String &token)
                     { return handleUnknownToken(s, token); });
    if (!parser.parse())
        return false;
    const std::vector<PRM_Template> templates = parser.templates();
    setParmTemplates(templates.data());
    setScriptName(parser.getScriptName().c_str());
    setHelp(parser.getHelp().c_str());
    return true;
}
