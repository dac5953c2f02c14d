#pragma once

class CMD_Manager;

/// The command that runs Python: "python FILE [ARGS...]" runs the file as __main__ with
/// sys.argv = [FILE, ARGS...], its printing going to the command's streams.
class CMD_PythonCommands
{
public:
    static void install(CMD_Manager &manager);
};
