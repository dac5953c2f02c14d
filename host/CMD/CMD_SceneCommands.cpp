#include <CMD/CMD_SceneCommands.h>

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SceneWriter.h>
#include <OP/OP_Director.h>
#include <OP/OP_UndoRecorder.h>
#include <UT/UT_File.h>
#include <UT/UT_Progress.h>
#include <UT/UT_UndoManager.h>

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
    UT_Progress progress("Saving " + CMD_Manager::printable(path), 0);
    // Straight to the file, a large piece at a time: a large scene's text is never held whole.
    const auto write = [&progress](std::ostream &out)
    { CMD_SceneWriter(out, &progress).write(*OPgetDirector()->getRoot()); };
    std::string error;
    if (!UT_File::replace(path, write, error))
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
    // A new scene starts a new history: the steps before it would name nodes it lacks. A
    // load that fails keeps the scene, and its history with it.
    UTgetUndoManager()->disable();
    const bool loaded = loader.load(args(1), args.out(), args.err(), error);
    UTgetUndoManager()->enable();
    if (loaded)
        UTgetUndoManager()->clearUndos();
    else
        args.fail(error);
}

// Both take back or replay one step: a command, with everything it changed.
void cmd_undoRedo(CMD_Args &args)
{
    const bool undo = args.getName() == "undo";
    UT_UndoManager *history = UTgetUndoManager();
    std::string name;
    if (!(undo ? history->undo(&name) : history->redo(&name)))
        args.err() << "Warning: nothing to " << args.getName() << "\n";
}
} // namespace

void CMD_SceneCommands::install(CMD_Manager &m)
{
    m.installCommand("save", "", cmd_save, false, "save FILE");
    m.installCommand("load", "", cmd_load, true, "load FILE");
    m.installCommand("undo", "", cmd_undoRedo, true, "undo");
    m.installCommand("redo", "", cmd_undoRedo, true, "redo");
    OP_UndoRecorder::setSubtreeIO(CMD_SceneWriter::writeSubtree, CMD_SceneLoader::runSubtree);
}
