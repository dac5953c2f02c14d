#pragma once

class CMD_Args;
class CMD_Manager;
class SHOP_Node;
class UT_Options;

/// The commands that ask the shader library: shader, bounds, shadertypes and clerks.
class ShopCommands
{
public:
    static void install(CMD_Manager &manager);

    // What every command that asks for a build reads from its arguments; each fails the
    // command with the reason when the argument is bad.
    /// The shader node at PATH.
    static SHOP_Node *shaderNode(CMD_Args &args, const char *path);
    /// The time of -f, else the current time.
    static bool time(CMD_Args &args, float &now);
    /// The overrides of -o NAME=VALUE (and -r as "rendertype").
    static bool overrides(CMD_Args &args, UT_Options &options);
};
