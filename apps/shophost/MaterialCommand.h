#pragma once

class CMD_Manager;

/// The command "material": the viewport material of a shader, printed, and with -p drawn on a
/// sphere into a PNG picture.
class MaterialCommand
{
public:
    static void install(CMD_Manager &manager);
};
