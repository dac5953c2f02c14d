#include <shop/network/SHOP_PromoteCommand.h>

#include <shop/network/SHOP_Material.h>

#include <CMD/CMD_Args.h>
#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>

void SHOP_PromoteCommand::run(CMD_Args &args)
{
    OP_Node *cwd = OPgetDirector()->getCwd();
    const bool clear = args.found('c');
    const bool all = args.found('f');
    std::string output;
    for (int i = 1; i < args.argc(); ++i)
    {
        const std::vector<OP_Node *> matched = cwd->getGlobbedNodes(args(i));
        if (matched.empty())
            output += "Warning: No materials match " + std::string(args(i)) + "\n";
        for (OP_Node *node : matched)
        {
            const std::string path = node->getFullPath();
            SHOP_Node *material = cwd->findSHOPNode(path.c_str());
            if (!material || material->getShaderType() != SHOP_MATERIAL)
            {
                output += "Warning: " + path + " is not a material\n";
                continue;
            }
            // A text per material: one shared by all would show each material's messages again
            // with every later one, as promotion only ever appends.
            UT_String messages;
            if (clear)
                SHOP_Material::clearPromotedParms(material, messages, all);
            else
                SHOP_Material::promoteShaderParms(material, messages, all);
            output += messages.toStdString();
        }
    }
    if (!output.empty())
        args.err() << output;
}

// The library's command, installed from the node base's entry point here, beside it.
void SHOP_Node::installCommands()
{
    CMDgetManager()->installCommand("shoppromote", "cf", SHOP_PromoteCommand::run, true,
                                    "shoppromote [-c] [-f] PATTERN...");
}
