#pragma once

class CMD_Args;

/// The command "shoppromote [-c] [-f] [-F FILTER] [PATTERN...]": promotes the shader
/// parameters of every material the patterns match (relative to the current network), or with
/// -c clears what was promoted; -f takes every spare parameter of the material for promoted.
/// -F keeps of the matches those the bundle filter accepts (with no pattern, of the current
/// network's children); an unknown filter is the one failure, before anything changes.
/// Otherwise patterns that match nothing, nodes that are no materials and the messages of
/// promotion are warnings, written once the whole command ran. Progress over many materials
/// shows at a terminal.
class SHOP_PromoteCommand
{
public:
    static void run(CMD_Args &args);
};
