#pragma once

class CMD_Args;

/// The command "shoppromote [-c] [-f] PATTERN...": promotes the shader parameters of every
/// material the patterns match (relative to the current network), or with -c clears what was
/// promoted; -f takes every spare parameter of the material for promoted. Never fails:
/// patterns that match nothing, nodes that are no materials and the messages of promotion
/// are warnings, written once the whole command ran.
class SHOP_PromoteCommand
{
public:
    static void run(CMD_Args &args);
};
