#include <CMD/CMD_SceneCommands.h>

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SceneWriter.h>
#include <OP/OP_Director.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{
void cmd_save(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: save FILE");
        return;
    }
    const std::string path = args(1);
    std::ostringstream text;
    CMD_SceneWriter(text).write(*OPgetDirector()->getRoot());
    // Written beside the file and moved over it only when complete, so that a full disk or a
    // failing write never leaves a truncated scene where the last good one was.
    const std::string temporary = path + ".saving";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out)
        {
            std::remove(temporary.c_str());
            args.fail("Cannot write scene '" + path + "'");
            return;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        args.fail("Cannot write scene '" + path + "'");
    }
}

void cmd_load(CMD_Args &args)
{
    if (args.argc() < 2)
    {
        args.fail("Usage: load FILE");
        return;
    }
    CMD_SceneLoader loader;
    std::string error;
    if (!loader.load(args(1), args.out(), args.err(), error))
        args.fail(error);
}
} // namespace

void CMD_SceneCommands::install(CMD_Manager &m)
{
    m.installCommand("save", "", cmd_save, false, "save FILE");
    m.installCommand("load", "", cmd_load, true, "load FILE");
}
