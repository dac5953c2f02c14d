// shophost: builds shader networks from command scripts and answers what renderers ask.

#include "HostSetup.h"
#include "MaterialCommand.h"
#include "ShopCommands.h"

#include <CMD/CMD_Manager.h>
#include <PY/PY_HostLock.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const char *theUsage =
    "Usage: shophost [-c TEXT]... [FILE]...\n"
    "Runs command scripts: the text of each -c, then each FILE, in order; with neither, the\n"
    "commands on standard input (an interactive shell when it is a terminal). A script stops\n"
    "at its first failing line, and shophost then exits with status 1.\n"
    "Type 'help' for the commands.\n";

// Whatever is still buffered goes out now; a write that failed at any point (a full disk, a
// closed pipe) is reported, since the answers it carried are lost.
bool shophost_outputWritten()
{
    errno = 0;
    std::cout.flush();
    const bool ok = !std::cout.fail() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!ok)
        std::cerr << "Error: cannot write standard output"
                  << (errno ? std::string(": ") + std::strerror(errno) : std::string())
                  << std::endl;
    return ok;
}

// At a terminal a failing line is reported and the shell goes on; anywhere else standard
// input is a script like any other.
int shophost_interactive(CMD_Manager &manager)
{
    std::string line;
    int number = 0;
    bool written = true;
    for (;;)
    {
        std::cout << "shophost> " << std::flush;
        {
            // Python threads may go on while the user types.
            PY_HostLock::Released waiting;
            if (!std::getline(std::cin, line))
                break;
        }
        std::string error;
        ++number;
        if (!manager.execute(line, std::cout, std::cerr, error) && !error.empty())
            std::cerr << "Error: " << CMD_Manager::printable(error) << " (stdin:" << number << ")"
                      << std::endl;
        if (written && !shophost_outputWritten())
            written = false;
    }
    std::cout << std::endl;
    return shophost_outputWritten() && written ? 0 : 1;
}

int shophost_run(CMD_Manager &manager, const std::vector<std::pair<bool, std::string>> &jobs)
{
    if (jobs.empty())
    {
        if (isatty(STDIN_FILENO))
            return shophost_interactive(manager);
        const bool ok = manager.runScript(std::cin, "stdin", std::cout, std::cerr);
        return shophost_outputWritten() && ok ? 0 : 1;
    }
    for (const auto &[isFile, text] : jobs)
    {
        std::istringstream in(text);
        bool ok = isFile ? manager.runFile(text, std::cout, std::cerr)
                         : manager.runScript(in, "-c", std::cout, std::cerr);
        if (!ok)
        {
            shophost_outputWritten();
            return 1;
        }
    }
    return shophost_outputWritten() ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    std::vector<std::pair<bool, std::string>> jobs; // (is a file, text or path)
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
        {
            std::cout << theUsage;
            return shophost_outputWritten() ? 0 : 1;
        }
        if (std::strcmp(argv[i], "-c") == 0)
        {
            if (i + 1 >= argc)
            {
                std::cerr << "shophost: -c needs a command text\n" << theUsage;
                return 2;
            }
            jobs.emplace_back(false, argv[++i]);
        }
        else
            jobs.emplace_back(true, argv[i]);
    }

    // Python threads that scripts start use the host only while the command loop is inside
    // Python itself, never at the same time as it.
    PY_HostLock::hold();
    HostSetup::install();
    CMD_Manager &manager = *CMDgetManager();
    ShopCommands::install(manager);
    MaterialCommand::install(manager);

    const int status = shophost_run(manager, jobs);
    // As Python itself does, the program ends once the threads its scripts started are done.
    PY_HostLock::waitForThreads();
    return status;
}
