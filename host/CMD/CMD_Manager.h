#pragma once

#include <CMD/CMD_Args.h>

#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

using CMD_Callback = void (*)(CMD_Args &args);

/// The host's command language: installed commands, and running lines, scripts and files.
///
/// A line is split by CMD_Tokenizer (quotes, escapes, backquoted expressions evaluated at the
/// current network). Options may stand anywhere among the arguments: a word "-x", typed bare,
/// whose letter is in the command's option string, a letter followed by ':' taking a value
/// ("-t surface"). A letter may carry a long name in parentheses after it ("x(explain)"), and
/// "--explain" then stands for "-x". Any other word is an argument (so negative numbers, and quoted
/// words such as '-e', are plain arguments), and every word after "--" is.
class UT_Progress;

class CMD_Manager
{
public:
    CMD_Manager();
    CMD_Manager(const CMD_Manager &) = delete;
    CMD_Manager &operator=(const CMD_Manager &) = delete;

    /// Installs (or replaces) a command. `usage` is shown by "help".
    void installCommand(const char *name, const char *options, CMD_Callback callback,
                        bool isSafe = true, const char *usage = nullptr);
    bool hasCommand(const char *name) const { return myCommands.count(name ? name : "") > 0; }
    std::vector<std::string> getCommandNames() const;
    const char *getUsage(const char *name) const;

    /// Runs one line. Returns false with `error` set when the command fails or the line is
    /// malformed; blank and comment lines succeed.
    bool execute(const std::string &line, std::ostream &out, std::ostream &err, std::string &error);

    /// Runs lines from a stream until the first failure, which is printed on `err` as
    /// "Error: <what> (<source>:<line>)". A command whose output cannot be written to `out`
    /// fails too. Returns whether every line succeeded. A `progress` hears how far into the
    /// stream each line ends.
    bool runScript(std::istream &in, const std::string &source, std::ostream &out,
                   std::ostream &err, bool stopOnError = true, UT_Progress *progress = nullptr);
    /// The same for a script read whole; `progress` hears how far into the text each line ends.
    bool runScript(std::string_view text, const std::string &source, std::ostream &out,
                   std::ostream &err, bool stopOnError = true, UT_Progress *progress = nullptr);
    /// Runs a command script file; a file that is missing, unreadable or not a regular file
    /// is an error.
    bool runFile(const std::string &path, std::ostream &out, std::ostream &err);
    /// Reads a command script file whole; false with `error` saying why it cannot.
    static bool readScript(const std::string &path, std::string &text, std::string &error);

    /// Runs text as commands on the standard streams, echoing each line first when echo is on.
    bool sendInput(const char *text);
    bool getEcho() const { return myEcho; }
    void setEcho(bool on) { myEcho = on; }

    /// The time at which commands evaluate.
    float getTime() const;

    /// The text as it may be shown on a terminal: control bytes (C0, DEL and C1, which can
    /// move the cursor or start escape sequences) and bytes that are not UTF-8 are written as
    /// \n, \t, \r or \xNN; everything else, UTF-8 letters included, stays as it is.
    static std::string printable(const std::string &text);

private:
    struct cmd_Command
    {
        std::string options;
        CMD_Callback callback;
        bool isSafe;
        std::string usage;
        std::map<std::string, char, std::less<>> longNames; // "--name" to its option letter
    };
    /// Splits `line` into the words of `args`, takes the options out and runs the command.
    bool dispatch(const std::string &line, CMD_Args &args, std::string &error);
    /// Takes the options out of the words of `args`.
    static bool parseOptions(const cmd_Command &command, CMD_Args &args, std::string &error);
    /// Counts a script in, refusing (with the error on `err`) one nested too deeply.
    bool enterScript(const std::string &source, std::ostream &err);
    /// Runs the lines that `nextLine(line, end)` gives, each with where it ends in the script,
    /// until there are no more or (when `stopOnError`) one fails.
    template <typename NextLine>
    bool runLines(NextLine nextLine, const std::string &source, std::ostream &out,
                  std::ostream &err, bool stopOnError, UT_Progress *progress);
    /// Runs line `number` of a script; false when it failed, which is reported on `err`.
    bool runScriptLine(std::string &line, int number, const std::string &source, std::ostream &out,
                       std::ostream &err);

    std::map<std::string, cmd_Command, std::less<>> myCommands;
    // The command run last: scripts run the same one line after line. Commands are replaced
    // in place and never removed, so it stays valid.
    std::map<std::string, cmd_Command, std::less<>>::iterator myLastCommand = myCommands.end();
    // Words and options of lines run before, kept for their memory: most lines then need
    // none of their own. A command may run lines in turn (source, python), each of which
    // takes its own.
    std::vector<CMD_Tokenizer::Words> mySpareWords;
    std::vector<std::vector<CMD_Args::cmd_Option>> mySpareOptions;
    bool myEcho = false;
    int mySourceDepth = 0;
};

/// The host's command manager, made on first use with the standard commands installed.
CMD_Manager *CMDgetManager();
