#include <CMD/CMD_Tokenizer.h>

#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <algorithm>

namespace
{

char unescape(char c)
{
    switch (c)
    {
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'r':
        return '\r';
    default:
        return c;
    }
}

bool isBlank(char c)
{
    // Line breaks count as blanks too, so a line handed over with its terminator (or a CRLF
    // one) splits the same as without it.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Characters that end a run of plain text: blanks, and those that start quoting.
struct cmd_Stops
{
    bool stop[256] = {};
    constexpr cmd_Stops()
    {
        for (unsigned char c : {' ', '\t', '\n', '\r', '\'', '"', '`', '\\'})
            stop[c] = true;
    }
};
constexpr cmd_Stops theStops;

// The end of the run of plain text that starts at `pos`.
size_t plainEnd(std::string_view line, size_t pos)
{
    while (pos < line.size() && !theStops.stop[static_cast<unsigned char>(line[pos])])
        ++pos;
    return pos;
}

// Each reader below starts at the opening character at `pos`, appends what it reads to `word`
// and leaves `pos` just past what it consumed.

bool readSingleQuoted(std::string_view line, size_t &pos, std::string &word, std::string &error)
{
    size_t close = line.find('\'', pos + 1);
    if (close == std::string_view::npos)
    {
        error = "Unmatched single quote";
        return false;
    }
    word.append(line.substr(pos + 1, close - pos - 1));
    pos = close + 1;
    return true;
}

bool readBackquoted(std::string_view line, size_t &pos, std::string &word, std::string &error,
                    const CMD_Tokenizer::Expander &expander)
{
    size_t close = line.find('`', pos + 1);
    if (close == std::string_view::npos)
    {
        error = "Unmatched backquote";
        return false;
    }
    if (!expander)
    {
        // Without an evaluator the expression is kept as written rather than lost.
        word.append(line.substr(pos, close - pos + 1));
        pos = close + 1;
        return true;
    }
    std::string expr(line.substr(pos + 1, close - pos - 1));
    std::string value;
    std::string failure;
    if (!expander(expr, value, failure))
    {
        error = failure.empty() ? "Cannot evaluate `" + expr + "`" : failure;
        return false;
    }
    word += value;
    pos = close + 1;
    return true;
}

bool readEscaped(std::string_view line, size_t &pos, std::string &word, std::string &error)
{
    if (pos + 1 >= line.size())
    {
        error = "Trailing backslash";
        return false;
    }
    word += unescape(line[pos + 1]);
    pos += 2;
    return true;
}

bool readDoubleQuoted(std::string_view line, size_t &pos, std::string &word, std::string &error,
                      const CMD_Tokenizer::Expander &expander)
{
    ++pos;
    while (pos < line.size())
    {
        // Text up to the next character that means something here goes over at once.
        const size_t special = line.find_first_of("\"`\\", pos);
        const size_t end = special == std::string_view::npos ? line.size() : special;
        word.append(line.substr(pos, end - pos));
        pos = end;
        if (pos >= line.size())
            break;
        char c = line[pos];
        if (c == '"')
        {
            ++pos;
            return true;
        }
        if (c == '`')
        {
            if (!readBackquoted(line, pos, word, error, expander))
                return false;
        }
        else
        {
            // A backslash as the last character leaves the quote open, which is the clearer
            // complaint.
            if (pos + 1 >= line.size())
                break;
            word += unescape(line[pos + 1]);
            pos += 2;
        }
    }
    error = "Unmatched double quote";
    return false;
}

// Characters that a word may hold and still stand bare: ASCII letters and digits whatever the
// locale, so that the saved text depends on nothing but the scene, and a little punctuation.
struct cmd_Harmless
{
    bool harmless[256] = {};
    constexpr cmd_Harmless()
    {
        for (int c = 0; c < 256; ++c)
            harmless[c] =
                (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        for (unsigned char c : std::string_view("_./:+,=@%-"))
            harmless[c] = true;
    }
};
constexpr cmd_Harmless theHarmless;

bool isHarmless(char c)
{
    return theHarmless.harmless[static_cast<unsigned char>(c)];
}

} // namespace

std::string CMD_Tokenizer::quote(const std::string &word)
{
    std::string text;
    appendQuoted(text, word);
    return text;
}

void CMD_Tokenizer::appendQuoted(std::string &text, std::string_view word)
{
    // A leading '-' would read as an option, unless the word is a number, which the command
    // manager never takes for one.
    const bool bare = !word.empty() && std::all_of(word.begin(), word.end(), isHarmless) &&
                      (word[0] != '-' || UT_String::isNumber(std::string(word).c_str()));
    if (bare)
        text.append(word);
    else if (word.find_first_of("'\n\r") == std::string_view::npos)
        text.append(1, '\'').append(word).append(1, '\'');
    else
        text.append(UT_WorkBuffer::doubleQuote(std::string(word)));
}

bool CMD_Tokenizer::split(std::string_view line, Words &words, std::string &error,
                          const Expander &expander)
{
    words.clear();
    std::string &text = words.myText;
    // Words never outgrow the line, each with its NUL, unless expressions expand.
    text.reserve(line.size() + 1);
    // Tracked apart from the text because "" and '' make an empty word that must still count.
    bool inWord = false;
    bool wordBare = true;
    size_t wordStart = 0;
    auto endWord = [&]()
    {
        if (inWord)
        {
            words.myWords.push_back({wordStart, text.size() - wordStart, wordBare});
            text.push_back('\0');
        }
        inWord = false;
        wordBare = true;
    };
    size_t pos = 0;
    while (pos < line.size())
    {
        char c = line[pos];
        if (isBlank(c))
        {
            endWord();
            ++pos;
            continue;
        }
        if (c == '#' && !inWord)
            break;
        if (!inWord)
            wordStart = text.size();
        inWord = true;
        bool ok = true;
        switch (c)
        {
        case '\'':
            ok = readSingleQuoted(line, pos, text, error);
            break;
        case '"':
            ok = readDoubleQuoted(line, pos, text, error, expander);
            break;
        case '`':
            ok = readBackquoted(line, pos, text, error, expander);
            break;
        case '\\':
            ok = readEscaped(line, pos, text, error);
            break;
        default:
        {
            const size_t end = plainEnd(line, pos + 1);
            text.append(line.substr(pos, end - pos));
            pos = end;
            continue;
        }
        }
        wordBare = false;
        if (!ok)
        {
            words.clear();
            return false;
        }
    }
    endWord();
    // Commands hand words on as C strings, which a NUL byte would silently cut short. Only the
    // line or the value of an expression can bring one.
    if (line.find('\0') == std::string_view::npos &&
        (!expander || line.find('`') == std::string_view::npos))
        return true;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i].find('\0') != std::string_view::npos)
        {
            error = "A NUL byte in the word '" + std::string(words[i]) + "'";
            words.clear();
            return false;
        }
    return true;
}

bool CMD_Tokenizer::split(const std::string &line, std::vector<std::string> &words,
                          std::string &error, const Expander &expander, std::vector<bool> *plain)
{
    words.clear();
    if (plain)
        plain->clear();
    Words found;
    if (!split(std::string_view(line), found, error, expander))
        return false;
    for (size_t i = 0; i < found.size(); ++i)
    {
        words.emplace_back(found[i]);
        if (plain)
            plain->push_back(found.plain(i));
    }
    return true;
}
