#include "ShophostShell.h"

#include "ShophostCompleter.h"
#include "ShophostOutput.h"

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <PY/PY_HostLock.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

// The line editor's interface is C and keeps its state in globals.
#include <editline/readline.h>

namespace
{
constexpr int theHistoryLength = 1000;

// What the line editor is offered for the word being completed. It calls the generator again
// and again for the next match, so the matches are found once, at the first call.
const ShophostCompleter *theCompleter = nullptr;
std::vector<std::string> theMatches;

char *shell_nextMatch(const char *, int state)
{
    static size_t next = 0;
    if (state == 0)
        next = 0;
    return next < theMatches.size() ? strdup(theMatches[next++].c_str()) : nullptr;
}

char **shell_complete(const char *text, int, int end)
{
    rl_attempted_completion_over = 1; // never fall back to file names
    theMatches = theCompleter->complete(std::string(rl_line_buffer, end));
    // A network's path goes on with its children: no blank after it.
    rl_completion_append_character =
        theMatches.size() == 1 && theMatches[0].back() == '/' ? '\0' : ' ';
    return rl_completion_matches(text, shell_nextMatch);
}
} // namespace

std::string ShophostShell::historyFile()
{
    if (const char *file = std::getenv("SHOPHOST_HISTORY"))
        return file;
    const char *home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.shophost_history" : std::string();
}

std::string ShophostShell::prompt()
{
    return "shophost:" + OPgetDirector()->getCwd()->getFullPath() + "> ";
}

int ShophostShell::run()
{
    const ShophostCompleter completer(myManager);
    theCompleter = &completer;
    rl_readline_name = "shophost";
    rl_attempted_completion_function = shell_complete;
    // Paths hold slashes and dots; only blanks and quotes part words.
    static char breaks[] = " \t\n\"'`";
    rl_completer_word_break_characters = breaks;
    using_history();
    stifle_history(theHistoryLength);
    const std::string history = historyFile();
    if (!history.empty())
        read_history(history.c_str());

    bool written = true;
    for (int number = 1;; ++number)
    {
        char *text = nullptr;
        {
            // Python threads may go on while the user types.
            PY_HostLock::Released waiting;
            text = readline(prompt().c_str());
        }
        if (!text)
            break;
        const std::string line = text;
        std::free(text);
        if (line.find_first_not_of(" \t") != std::string::npos)
            add_history(line.c_str());
        std::string error;
        if (!myManager.execute(line, std::cout, std::cerr, error) && !error.empty())
            std::cerr << "Error: " << CMD_Manager::printable(error) << " (stdin:" << number << ")"
                      << std::endl;
        if (written && !ShophostOutput::flush())
            written = false; // said once
    }
    std::cout << std::endl;
    if (!history.empty() && write_history(history.c_str()) != 0)
        std::cerr << "Warning: cannot write the history file " << history << std::endl;
    theCompleter = nullptr;
    return ShophostOutput::flush() && written ? 0 : 1;
}
