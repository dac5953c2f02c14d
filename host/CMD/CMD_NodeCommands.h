#pragma once

class CMD_Manager;

/// The standard commands of the host: building and inspecting the node graph (add cd pwd ls rm
/// rename wire unwire set eval errors), and echo, source, types and help; `spare` is its own.
class CMD_NodeCommands
{
public:
    static void install(CMD_Manager &manager);
};
