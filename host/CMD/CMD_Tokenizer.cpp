#include <CMD/CMD_Tokenizer.h>

#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <algorithm>
#include <cctype>
#include <cstring>

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

// Each reader below starts at the opening character at `pos`, appends what it reads to `word`
// and leaves `pos` just past what it consumed.

bool readSingleQuoted(const std::string &line, size_t &pos, std::string &word, std::string &error)
{
    size_t close = line.find('\'', pos + 1);
    if (close == std::string::npos)
    {
        error = "Unmatched single quote";
        return false;
    }
    word.append(line, pos + 1, close - pos - 1);
    pos = close + 1;
    return true;
}

bool readBackquoted(const std::string &line, size_t &pos, std::string &word, std::string &error,
                    const CMD_Tokenizer::Expander &expander)
{
    size_t close = line.find('`', pos + 1);
    if (close == std::string::npos)
    {
        error = "Unmatched backquote";
        return false;
    }
    if (!expander)
    {
        // Without an evaluator the expression is kept as written rather than lost.
        word.append(line, pos, close - pos + 1);
        pos = close + 1;
        return true;
    }
    std::string expr = line.substr(pos + 1, close - pos - 1);
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

bool readEscaped(const std::string &line, size_t &pos, std::string &word, std::string &error)
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

bool readDoubleQuoted(const std::string &line, size_t &pos, std::string &word, std::string &error,
                      const CMD_Tokenizer::Expander &expander)
{
    ++pos;
    while (pos < line.size())
    {
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
        else if (c == '\\')
        {
            // A backslash as the last character leaves the quote open, which is the clearer
            // complaint.
            if (pos + 1 >= line.size())
                break;
            word += unescape(line[pos + 1]);
            pos += 2;
        }
        else
        {
            word += c;
            ++pos;
        }
    }
    error = "Unmatched double quote";
    return false;
}

bool isHarmless(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) ||
           (c != '\0' && std::strchr("_./:+,=@%-", c) != nullptr);
}

} // namespace

std::string CMD_Tokenizer::quote(const std::string &word)
{
    // A leading '-' would read as an option, unless the word is a number, which the command
    // manager never takes for one.
    const bool bare = !word.empty() && std::all_of(word.begin(), word.end(), isHarmless) &&
                      (word[0] != '-' || UT_String::isNumber(word.c_str()));
    if (bare)
        return word;
    if (word.find_first_of("'\n\r") == std::string::npos)
        return "'" + word + "'";
    return UT_WorkBuffer::doubleQuote(word);
}

bool CMD_Tokenizer::split(const std::string &line, std::vector<std::string> &words,
                          std::string &error, const Expander &expander, std::vector<bool> *plain)
{
    words.clear();
    if (plain)
        plain->clear();
    std::vector<std::string> result;
    std::vector<bool> bare;
    std::string word;
    // Tracked apart from `word` because "" and '' make an empty word that must still count.
    bool inWord = false;
    bool wordBare = true;
    size_t pos = 0;
    while (pos < line.size())
    {
        char c = line[pos];
        if (isBlank(c))
        {
            if (inWord)
            {
                result.push_back(std::move(word));
                bare.push_back(wordBare);
            }
            word.clear();
            inWord = false;
            wordBare = true;
            ++pos;
            continue;
        }
        if (c == '#' && !inWord)
            break;
        inWord = true;
        if (c == '\'' || c == '"' || c == '`' || c == '\\')
            wordBare = false;
        bool ok = true;
        switch (c)
        {
        case '\'':
            ok = readSingleQuoted(line, pos, word, error);
            break;
        case '"':
            ok = readDoubleQuoted(line, pos, word, error, expander);
            break;
        case '`':
            ok = readBackquoted(line, pos, word, error, expander);
            break;
        case '\\':
            ok = readEscaped(line, pos, word, error);
            break;
        default:
            word += c;
            ++pos;
            break;
        }
        if (!ok)
            return false;
    }
    if (inWord)
    {
        result.push_back(std::move(word));
        bare.push_back(wordBare);
    }
    // Commands hand words on as C strings, which a NUL byte would silently cut short.
    for (const std::string &w : result)
        if (w.find('\0') != std::string::npos)
        {
            error = "A NUL byte in the word '" + w + "'";
            return false;
        }
    words = std::move(result);
    if (plain)
        *plain = std::move(bare);
    return true;
}
