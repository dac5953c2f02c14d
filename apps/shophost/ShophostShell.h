#pragma once

#include <string>

class CMD_Manager;

/// The interactive shell shophost offers at a terminal: a prompt naming the current network,
/// line editing, history kept between sessions, and completion of commands, node paths and
/// parameter names. A failing line is reported and the shell goes on.
class ShophostShell
{
public:
    explicit ShophostShell(CMD_Manager &manager) : myManager(manager) {}

    /// Reads and runs lines until the end of input; 0, or 1 when output could not be written.
    int run();

    /// Where history is kept: $SHOPHOST_HISTORY, else ~/.shophost_history, else nowhere.
    static std::string historyFile();

private:
    static std::string prompt();

    CMD_Manager &myManager;
};
