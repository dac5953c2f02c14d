#include <CMD/CMD_NodeArgs.h>

#include <CMD/CMD_Args.h>
#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_Network.h>

#include <cctype>
#include <cstdlib>
#include <string>

OP_Node *CMD_NodeArgs::findNode(CMD_Args &args, const char *path)
{
    OP_Node *node = OPgetDirector()->getCwd()->findNode(path);
    if (!node)
        args.fail("No node '" + std::string(path ? path : "") + "'");
    return node;
}

bool CMD_NodeArgs::needArgs(CMD_Args &args, int count)
{
    if (args.argc() - 1 >= count)
        return true;
    args.fail("Usage: " + std::string(CMDgetManager()->getUsage(args.getName().c_str())));
    return false;
}

OP_Node *CMD_NodeArgs::nodeArg(CMD_Args &args, int count)
{
    return needArgs(args, count) ? findNode(args, args(1)) : nullptr;
}

OP_Node *CMD_NodeArgs::memberArg(CMD_Args &args, int count, const char *refusal)
{
    OP_Node *node = nodeArg(args, count);
    if (node && !node->getParent())
    {
        args.fail(refusal);
        return nullptr;
    }
    return node;
}

bool CMD_NodeArgs::parseIndex(CMD_Args &args, const char *text, const char *what, unsigned &index)
{
    // Digits only: strtol alone would also take blanks and a sign before them.
    char *end = nullptr;
    const bool digits = std::isdigit(static_cast<unsigned char>(*text));
    long value = digits ? std::strtol(text, &end, 10) : -1;
    if (!digits || *end || value < 0 || value > 1 << 20)
    {
        args.fail("Bad " + std::string(what) + " '" + text + "'");
        return false;
    }
    index = static_cast<unsigned>(value);
    return true;
}
