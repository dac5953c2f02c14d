#include <CMD/CMD_PythonCommands.h>

#include <CMD/CMD_Manager.h>
#include <PY/PY_HostModule.h>

#include <string>
#include <vector>

namespace
{
void cmd_python(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: " + std::string(CMDgetManager()->getUsage(args.getName().c_str())));
        return;
    }
    std::vector<std::string> scriptArgs;
    for (int i = 2; i < args.argc(); ++i)
        scriptArgs.emplace_back(args(i));
    std::string error;
    if (!PY_HostModule::runFile(args(1), scriptArgs, args.out(), args.err(), error))
        args.fail(error);
}

bool cmd_runLine(const std::string &line, std::ostream &out, std::ostream &err, std::string &error)
{
    return CMDgetManager()->execute(line, out, err, error);
}

// Python's host.cmd runs lines through the command language, which Python itself knows
// nothing of: set when the library loads, so that it works however the program started.
[[maybe_unused]] const PY_HostModule::CommandRunner theOldRunner =
    PY_HostModule::setCommandRunner(cmd_runLine);
} // namespace

void CMD_PythonCommands::install(CMD_Manager &m)
{
    // No options, so that words such as "-x" after the file reach the script.
    m.installCommand("python", "", cmd_python, true, "python FILE [ARGS...]");
}
