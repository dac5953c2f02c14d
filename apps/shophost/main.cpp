// shophost: builds shader networks from command scripts and answers what renderers ask.

#include "HostSetup.h"
#include "MaterialCommand.h"
#include "ShopCommands.h"
#include "ShophostOutput.h"
#include "ShophostShell.h"

#include <CMD/CMD_Manager.h>
#include <PY/PY_HostLock.h>

#include <unistd.h>

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

int shophost_run(CMD_Manager &manager, const std::vector<std::pair<bool, std::string>> &jobs)
{
    if (jobs.empty())
    {
        if (isatty(STDIN_FILENO))
            return ShophostShell(manager).run();
        const bool ok = manager.runScript(std::cin, "stdin", std::cout, std::cerr);
        return ShophostOutput::flush() && ok ? 0 : 1;
    }
    for (const auto &[isFile, text] : jobs)
    {
        std::istringstream in(text);
        bool ok = isFile ? manager.runFile(text, std::cout, std::cerr)
                         : manager.runScript(in, "-c", std::cout, std::cerr);
        if (!ok)
        {
            ShophostOutput::flush();
            return 1;
        }
    }
    return ShophostOutput::flush() ? 0 : 1;
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
            return ShophostOutput::flush() ? 0 : 1;
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
