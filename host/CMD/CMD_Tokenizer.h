#pragma once

#include <functional>
#include <string>
#include <vector>

/// Splits one command line into words.
///
/// Words are separated by blanks (spaces and tabs). An unquoted `#` at the start of a word
/// starts a comment that runs to the end of the line. Single quotes group text literally.
/// Double quotes group text in which a backslash escapes the next character (`\n` is a newline,
/// `\t` a tab, `\r` a carriage return, any other character stands for itself) and in which
/// backquotes are expanded. Outside quotes a backslash escapes the next character the same way.
/// Text between backquotes (outside single quotes) is handed to the expander and replaced by
/// what it returns; the replacement is never split or expanded again.
class CMD_Tokenizer
{
public:
    /// Evaluates the text of one backquoted expression; returns false with `error` set when it
    /// cannot.
    using Expander =
        std::function<bool(const std::string &expr, std::string &value, std::string &error)>;

    /// Splits `line`. Returns false with `error` set for an unterminated quote or backquote, a
    /// trailing backslash, a failing expansion, or a word holding a NUL byte. When `plain` is given
    /// it tells, per word, whether the word was typed bare (no quotes, escapes or backquotes): only
    /// such words can be command options.
    static bool split(const std::string &line, std::vector<std::string> &words, std::string &error,
                      const Expander &expander = nullptr, std::vector<bool> *plain = nullptr);

    /// The word as it must be typed so that split gives it back unchanged, as one word that can
    /// never be taken for an option, a comment or an expression: bare when it is made of
    /// harmless characters (or is a number), else in single quotes, else (when it holds a
    /// single quote or a line break) in double quotes with escapes.
    static std::string quote(const std::string &word);
};
