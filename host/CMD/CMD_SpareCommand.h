#pragma once

class CMD_Manager;

/// The command `spare`, which gives a node parameters of its own beyond its operator's: their
/// type, size, defaults, label and tags, multi-parameters and their instance groups. Nodes given
/// a parameter by the same words share its template.
class CMD_SpareCommand
{
public:
    static void install(CMD_Manager &manager);
};
