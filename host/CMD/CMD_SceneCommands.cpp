#include <CMD/CMD_SceneCommands.h>

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SceneWriter.h>
#include <OP/OP_Director.h>
#include <UT/UT_File.h>
#include <UT/UT_Progress.h>

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
    {
        UT_Progress progress("Saving " + CMD_Manager::printable(path), 0);
        CMD_SceneWriter(text, &progress).write(*OPgetDirector()->getRoot());
    }
    std::string error;
    if (!UT_File::replace(path, text.str(), error))
        args.fail("Cannot write scene '" + path + "': " + error);
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
