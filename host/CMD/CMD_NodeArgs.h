#pragma once

class CMD_Args;
class OP_Node;

/// The arguments node commands share: node paths and numbers. Each failure fails the command
/// with a message that names what was wrong.
class CMD_NodeArgs
{
public:
    /// The node at `path` from the current network.
    static OP_Node *findNode(CMD_Args &args, const char *path);
    /// Whether the command has `count` arguments; else its usage is the failure.
    static bool needArgs(CMD_Args &args, int count);
    /// The node argument 1 names, once the command has `count` arguments.
    static OP_Node *nodeArg(CMD_Args &args, int count);
    /// The same, refusing the root (with `refusal`), which belongs to no network.
    static OP_Node *memberArg(CMD_Args &args, int count, const char *refusal);
    /// A count or index written in digits, at most 2^20; `what` names it in the failure.
    static bool parseIndex(CMD_Args &args, const char *text, const char *what, unsigned &index);
};
