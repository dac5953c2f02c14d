#pragma once

#include <string>
#include <vector>

/// The text of a parameter's disable rule: blocks "{ name op value ... }" whose words are
/// separated by blanks; a word holding blanks, quotes or braces is written in double quotes.
class PI_DisableRule
{
public:
    /// The words of a rule, quotes taken off.
    static std::vector<std::string> split(const std::string &rule);
    /// The word as a rule writes it: as it is when plain, else quoted with its quotes and
    /// backslashes escaped.
    static std::string protect(const std::string &word);
    /// Whether the word compares a parameter with a value ("==", "!=", "<", ">", "<=", ">=",
    /// "=~", "!~").
    static bool isValidOperator(const std::string &word);
};
