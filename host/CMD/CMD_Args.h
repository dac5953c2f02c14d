#pragma once

#include <CMD/CMD_Tokenizer.h>

#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

/// The words of one command after its options were taken out, with the streams it writes to.
class CMD_Args
{
public:
    // Options point into the words.
    CMD_Args(const CMD_Args &) = delete;
    CMD_Args &operator=(const CMD_Args &) = delete;

    const std::string &getName() const { return myName; }
    /// The number of arguments, the command name included as argument 0.
    int argc() const { return static_cast<int>(myWords.size()); }
    /// Argument i (0 is the command name); null past the end.
    const char *operator()(int i) const
    {
        return i < 0 || i >= argc() ? nullptr : myWords.c_str(static_cast<size_t>(i));
    }

    /// Argument i as a view of its text, which its length comes with; empty past the end.
    std::string_view word(int i) const
    {
        return i < 0 || i >= argc() ? std::string_view() : myWords[static_cast<size_t>(i)];
    }

    /// Whether option letter `opt` was given.
    bool found(char opt) const;
    /// The value of an option that takes one (the last given), or null.
    const char *argp(char opt) const;
    /// Every value given for an option that may repeat, in order.
    const std::vector<std::string> &argValues(char opt) const;

    std::ostream &out() { return myOut; }
    /// Where warnings go; they do not fail the command.
    std::ostream &err() { return myErr; }

    /// Marks the command as failed with a reason; the manager reports it and stops the script.
    /// An empty reason means it was reported already (a failing line of a sourced file).
    void fail(const std::string &what)
    {
        if (!myFailed)
            myFailure = what;
        myFailed = true;
    }
    bool failed() const { return myFailed; }
    const std::string &failure() const { return myFailure; }

private:
    // Made by CMD_Manager, which splits the line into the words (the command's name first)
    // and takes the options out.
    friend class CMD_Manager;
    CMD_Args(CMD_Tokenizer::Words words, std::ostream &out, std::ostream &err)
        : myWords(std::move(words)), myOut(out), myErr(err)
    {
    }

    struct cmd_Option
    {
        char letter;
        const char *value; // in myWords, or "" for an option that takes none
    };

    CMD_Tokenizer::Words myWords;
    std::string myName;
    std::vector<cmd_Option> myOptions;
    // argValues' answers, made when first asked for.
    mutable std::map<char, std::vector<std::string>> myValues;
    std::ostream &myOut;
    std::ostream &myErr;
    bool myFailed = false;
    std::string myFailure;
};
