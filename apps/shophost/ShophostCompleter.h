#pragma once

#include <string>
#include <vector>

class CMD_Manager;

/// What the interactive shell offers for the word being typed: a command name as the first
/// word, an operator type after `add`, a parameter name where `set` and `eval` take one, and
/// otherwise a node path (absolute or relative to the current network; a network's completion ends
/// in '/').
class ShophostCompleter
{
public:
    explicit ShophostCompleter(const CMD_Manager &manager) : myManager(manager) {}

    /// The completions of the last word of `line` (the text before the cursor; a line ending in
    /// a blank starts a new, empty word), sorted.
    std::vector<std::string> complete(const std::string &line) const;

private:
    std::vector<std::string> commands(const std::string &prefix) const;
    static std::vector<std::string> operatorTypes(const std::string &prefix);
    static std::vector<std::string> paths(const std::string &prefix);
    static std::vector<std::string> parameters(const std::string &path, const std::string &prefix);
    // Whether the word at `index` of a command line is where the command takes a parameter
    // name, and if so the word holding the node's path.
    static bool takesParameter(const std::vector<std::string> &words, size_t index,
                               size_t &pathIndex);

    const CMD_Manager &myManager;
};
