#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
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

    /// The words of a line in one buffer, each followed by a NUL byte, so that every word can
    /// be handed on as a C string without a copy of its own. Splitting into the same Words
    /// again reuses its memory.
    class Words
    {
    public:
        size_t size() const { return myWords.size(); }
        bool empty() const { return myWords.empty(); }
        std::string_view operator[](size_t i) const
        {
            return {myText.data() + myWords[i].start, myWords[i].size};
        }
        /// Word i, ended by a NUL byte.
        const char *c_str(size_t i) const { return myText.data() + myWords[i].start; }
        /// Whether word i was typed bare (no quotes, escapes or backquotes): only such words
        /// can be command options.
        bool plain(size_t i) const { return myWords[i].plain; }
        void clear()
        {
            myText.clear();
            myWords.clear();
        }
        /// The memory the words hold on to.
        size_t capacity() const
        {
            return myText.capacity() + myWords.capacity() * sizeof(cmd_Word);
        }
        /// Takes `count` words out from word `first` on; the others stay where they are in
        /// the text.
        void erase(size_t first, size_t count)
        {
            const auto at = myWords.begin() + static_cast<std::ptrdiff_t>(first);
            myWords.erase(at, at + static_cast<std::ptrdiff_t>(count));
        }

    private:
        friend class CMD_Tokenizer;
        struct cmd_Word
        {
            size_t start;
            size_t size;
            bool plain;
        };
        std::string myText;
        std::vector<cmd_Word> myWords;
    };

    /// Splits `line`. Returns false with `error` set (and no words) for an unterminated quote
    /// or backquote, a trailing backslash, a failing expansion, or a word holding a NUL byte.
    static bool split(std::string_view line, Words &words, std::string &error,
                      const Expander &expander = nullptr);
    /// The same with each word a string of its own. When `plain` is given it tells, per word,
    /// whether the word was typed bare.
    static bool split(const std::string &line, std::vector<std::string> &words, std::string &error,
                      const Expander &expander = nullptr, std::vector<bool> *plain = nullptr);

    /// The word as it must be typed so that split gives it back unchanged, as one word that can
    /// never be taken for an option, a comment or an expression: bare when it is made of
    /// harmless characters (or is a number), else in single quotes, else (when it holds a
    /// single quote or a line break) in double quotes with escapes.
    static std::string quote(const std::string &word);
    /// Appends the word as quote() gives it to `text`.
    static void appendQuoted(std::string &text, std::string_view word);
};
