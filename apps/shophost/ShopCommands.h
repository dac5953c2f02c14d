#pragma once

class CMD_Manager;

/// The commands that ask the shader library: shader, bounds, shadertypes and clerks.
class ShopCommands
{
public:
    static void install(CMD_Manager &manager);
};
