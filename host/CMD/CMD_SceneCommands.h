#pragma once

class CMD_Manager;

/// The commands that keep scenes in files: "save FILE" writes the scene as a command script
/// (CMD_SceneWriter), "load FILE" reads one in place of the current scene (CMD_SceneLoader).
class CMD_SceneCommands
{
public:
    static void install(CMD_Manager &manager);
};
