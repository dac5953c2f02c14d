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

    // The '{' that opens what `after` introduces.
    bool expectOpen(const std::string &after)
    {
        std::string token;
        if (!next(token))
            return false;
        if (!isOpen(token))
            return fail("Expected '{' after " + pi_quote(after));
        return true;
    }

    // "{ word ... }": the words of a list; braces inside need quotes.
    bool list(const std::string &after, std::vector<std::string> &items)
    {
        if (!expectOpen(after))
            return false;
        std::string token;
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

    // A list of pairs: `odd` is the error for a word left over.
    bool pairs(const std::string &after, std::vector<std::string> &items, const char *odd)
    {
        if (!list(after, items))
            return false;
        if (items.size() % 2)
            return fail(odd);
        return true;
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

    // What the entries of one "parm { ... }" gave; they come in any order.
    struct pi_ParmFields
    {
        std::string name;
        std::string label;
        std::string help;
        bool haveLabel = false;
        const pi_TypeInfo *type = pi_findType("float");
        int size = 0;
        std::vector<std::string> defaults;
        bool haveRange = false;
        PRM_Range range;
        std::shared_ptr<PRM_ChoiceList> menu;
        std::shared_ptr<PRM_SpareData> spare;
    };

    using pi_ParmReader = bool (pi_Parser::*)(const std::string &keyword, pi_ParmFields &fields);

    // An entry of a parameter and what reads it. An entry with a slot comes once at most;
    // "range" and "range!" share one.
    struct pi_ParmKeyword
    {
        const char *word;
        const char *slot;
        pi_ParmReader read;
    };

    bool readParmText(const std::string &keyword, pi_ParmFields &fields)
    {
        std::string text;
        if (!value(keyword, text))
            return false;
        if (keyword == "name" && !checkName(text))
            return false;
        (keyword == "name" ? fields.name : keyword == "label" ? fields.label : fields.help) = text;
        fields.haveLabel = fields.haveLabel || keyword == "label";
        return true;
    }

    bool readParmType(const std::string &keyword, pi_ParmFields &fields)
    {
        std::string text;
        if (!value(keyword, text))
            return false;
        fields.type = pi_findType(text);
        if (!fields.type)
            return fail("Unknown parameter type " + pi_quote(text));
        return true;
    }

    bool readParmSize(const std::string &keyword, pi_ParmFields &fields)
    {
        std::string text;
        if (!value(keyword, text))
            return false;
        double n = 0;
        if (!pi_number(text, n) || n != std::floor(n) || n < 1 || n > theMaxSize)
            return fail("Bad size " + pi_quote(text));
        fields.size = static_cast<int>(n);
        return true;
    }

    bool readParmDefaults(const std::string &keyword, pi_ParmFields &fields)
    {
        return list(keyword, fields.defaults);
    }

    bool readParmRange(const std::string &keyword, pi_ParmFields &fields)
    {
        std::vector<std::string> items;
        if (!list(keyword, items))
            return false;
        double lo = 0, hi = 0;
        if (items.size() != 2 || !pi_number(items[0], lo) || !pi_number(items[1], hi))
            return fail("Bad range: expected '{ <min> <max> }'");
        if (lo > hi)
            return fail("Bad range: minimum " + pi_quote(items[0]) + " is above maximum " +
                        pi_quote(items[1]));
        const bool restrict = keyword == "range!";
        fields.range = PRM_Range(lo, hi, restrict, restrict);
        fields.haveRange = true;
        return true;
    }

    bool readParmMenu(const std::string &keyword, pi_ParmFields &fields)
    {
        std::vector<std::string> items;
        if (!pairs(keyword, items, "Menu needs token/label pairs"))
            return false;
        fields.menu = std::make_shared<PRM_ChoiceList>();
        for (size_t i = 0; i < items.size(); i += 2)
            fields.menu->addItem(items[i], items[i + 1]);
        return true;
    }

    bool readParmTags(const std::string &keyword, pi_ParmFields &fields)
    {
        std::vector<std::string> items;
        if (!pairs(keyword, items, "Parmtag needs key/value pairs"))
            return false;
        if (!fields.spare)
            fields.spare = std::make_shared<PRM_SpareData>();
        for (size_t i = 0; i < items.size(); i += 2)
        {
            // The RenderMan type is written into renderer text with the name.
            if (items[i] == PRM_SpareData::theRenderManTypeKey && !UTisPlainPhrase(items[i + 1]))
                return fail("Bad RenderMan type " + pi_quote(items[i + 1]) +
                            ": no quotes, backslashes or control characters");
            fields.spare->addTokenValue(items[i].c_str(), items[i + 1].c_str());
        }
        return true;
    }

    bool parseParm(std::vector<pi_Entry> &entries)
    {
        static constexpr pi_ParmKeyword theKeywords[] = {
            {"name", "name", &pi_Parser::readParmText},
            {"label", "label", &pi_Parser::readParmText},
            {"help", "help", &pi_Parser::readParmText},
            {"type", "type", &pi_Parser::readParmType},
            {"size", "size", &pi_Parser::readParmSize},
            {"default", "default", &pi_Parser::readParmDefaults},
            {"range", "range", &pi_Parser::readParmRange},
            {"range!", "range", &pi_Parser::readParmRange},
            {"menu", "menu", &pi_Parser::readParmMenu},
            {"parmtag", nullptr, &pi_Parser::readParmTags},
        };
        if (!expectOpen("parm"))
            return false;
        std::string token;
        pi_ParmFields fields;
        std::set<std::string> seen;
        for (;;)
        {
            if (!next(token))
                return false;
            if (isClose(token))
                break;
            const pi_ParmKeyword *keyword = nullptr;
            for (const pi_ParmKeyword &k : theKeywords)
                if (token == k.word)
                    keyword = &k;
            if (!keyword)
                return fail("Unknown token " + pi_quote(token) + " in parameter");
            if (keyword->slot && !seen.insert(keyword->slot).second)
                return fail("Duplicate " + pi_quote(token) + " in parameter");
            if (!(this->*keyword->read)(token, fields))
                return false;
        }
        return addParm(fields, entries);
    }

    // What depends on the type is checked once every entry is in.
    bool addParm(pi_ParmFields &fields, std::vector<pi_Entry> &entries)
    {
        const std::string &name = fields.name;
        const pi_TypeInfo &type = *fields.type;
        if (name.empty())
            return fail("Parameter without a name");
        if (!claimName(name))
            return false;
        const int size = fields.size ? fields.size : type.size;
        if (static_cast<int>(fields.defaults.size()) > size)
            return fail("Too many defaults for parameter " + pi_quote(name));
        const bool isString = type.type.isStringType();
        if (fields.haveRange && isString)
            return fail("Parameter " + pi_quote(name) + " of type " + pi_quote(type.name) +
                        " cannot have a range");
        std::shared_ptr<PRM_ChoiceList> &menu = fields.menu;
        if (menu && !(type.type == PRM_INT || type.type == PRM_ORD || type.type == PRM_STRING))
            return fail("Parameter " + pi_quote(name) + " of type " + pi_quote(type.name) +
                        " cannot have a menu");
        if (type.type == PRM_ORD && !menu)
            menu = std::make_shared<PRM_ChoiceList>();

        std::vector<PRM_Default> values;
        for (const std::string &text : fields.defaults)
        {
            double number = 0;
            if (isString)
                values.emplace_back(0, text.c_str());
            else if (pi_number(text, number))
                values.emplace_back(number);
            else if (menu && type.type.isOrdinalType() && menu->findToken(text) >= 0)
                values.emplace_back(menu->findToken(text));
            else
                values.emplace_back(0, text.c_str(), PRM_DEFAULT_EXPRESSION);
        }
        pi_Entry entry;
        entry.tmpl = PRM_Template(
            type.type, size,
            PRM_Name(name.c_str(), fields.haveLabel ? fields.label.c_str() : name.c_str()),
            std::move(values), std::move(menu), fields.range, std::move(fields.spare));
        entry.tmpl.setHelpText(fields.help);
        entries.push_back(std::move(entry));
        return true;
    }

    bool parseGroup(std::vector<pi_Entry> &entries, int depth)
    {
        if (depth > theMaxGroupDepth)
            return fail("Groups nested too deeply");
        if (!expectOpen("group"))
            return false;
        std::string token;
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
