#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

/// The words of one command after its options were taken out, with the streams it writes to.
class CMD_Args
{
public:
    CMD_Args(std::string name, std::ostream &out, std::ostream &err)
        : myName(std::move(name)), myOut(out), myErr(err)
    {
    }

    const std::string &getName() const { return myName; }
    /// The number of arguments, the command name included as argument 0.
    int argc() const { return static_cast<int>(myArgs.size()) + 1; }
    /// Argument i (0 is the command name); null past the end.
    const char *operator()(int i) const;

    /// Whether option letter `opt` was given.
    bool found(char opt) const { return myOptions.count(opt) > 0; }
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

    // Filled by the manager.
    void addArg(std::string arg) { myArgs.push_back(std::move(arg)); }
    void addOption(char opt, std::string value) { myOptions[opt].push_back(std::move(value)); }

private:
    std::string myName;
    std::vector<std::string> myArgs;
    std::map<char, std::vector<std::string>> myOptions;
    std::ostream &myOut;
    std::ostream &myErr;
    bool myFailed = false;
    std::string myFailure;
};
