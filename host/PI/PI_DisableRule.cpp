#include <PI/PI_DisableRule.h>

#include <array>
#include <cctype>

std::vector<std::string> PI_DisableRule::split(const std::string &rule)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < rule.size())
    {
        if (std::isspace(static_cast<unsigned char>(rule[i])))
        {
            ++i;
            continue;
        }
        std::string word;
        if (rule[i] == '"')
        {
            for (++i; i < rule.size() && rule[i] != '"'; ++i)
            {
                if (rule[i] == '\\' && i + 1 < rule.size())
                    ++i;
                word += rule[i];
            }
            ++i; // the closing quote
        }
        else
            while (i < rule.size() && !std::isspace(static_cast<unsigned char>(rule[i])))
                word += rule[i++];
        words.push_back(std::move(word));
    }
    return words;
}

std::string PI_DisableRule::protect(const std::string &word)
{
    bool plain = !word.empty();
    for (char c : word)
        plain = plain && !std::isspace(static_cast<unsigned char>(c)) && c != '"' && c != '\\' &&
                c != '{' && c != '}';
    if (plain)
        return word;
    std::string quoted = "\"";
    for (char c : word)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

bool PI_DisableRule::isValidOperator(const std::string &word)
{
    static const std::array<const char *, 8> theOperators = {"==", "!=", "<",  ">",
                                                             "<=", ">=", "=~", "!~"};
    for (const char *op : theOperators)
        if (word == op)
            return true;
    return false;
}
