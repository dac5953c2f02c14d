#include <shop/network/SHOP_PromoteCommand.h>

#include <shop/network/SHOP_Material.h>

#include <CMD/CMD_Args.h>
#include <CMD/CMD_Manager.h>
#include <OP/OP_BundleFilter.h>
#include <OP/OP_Director.h>
#include <UT/UT_Progress.h>

#include <string>
#include <vector>

namespace
{
// What one pattern matched, as paths: promotion runs the host's machinery, so nodes are looked
// up again at their turn rather than held across it.
struct shop_PatternMatch
{
    std::string pattern;
    std::vector<std::string> paths;
};

std::vector<shop_PatternMatch> shop_match(OP_Node &cwd, const CMD_Args &args,
                                          const OP_BundleFilter *filter)
{
    std::vector<std::string> patterns;
    for (int i = 1; i < args.argc(); ++i)
        patterns.emplace_back(args(i));
    // A filter alone chooses among the current network's children, as `ls -f` does.
    if (patterns.empty() && filter)
        patterns.emplace_back("*");
    std::vector<shop_PatternMatch> matches;
    for (const std::string &pattern : patterns)
    {
        shop_PatternMatch &match = matches.emplace_back(shop_PatternMatch{pattern, {}});
        for (OP_Node *node : cwd.getGlobbedNodes(pattern.c_str()))
            if (!filter || filter->isNodeValid(nullptr, node))
                match.paths.push_back(node->getFullPath());
    }
    return matches;
}
} // namespace

void SHOP_PromoteCommand::run(CMD_Args &args)
{
    OP_Node *cwd = OPgetDirector()->getCwd();
    const bool clear = args.found('c');
    const bool all = args.found('f');
    const OP_BundleFilter *filter = nullptr;
    std::string error;
    if (const char *name = args.argp('F');
        name && !(filter = OP_BundleFilter::findFilter(name, error)))
    {
        args.fail(error);
        return;
    }
    const std::vector<shop_PatternMatch> matches = shop_match(*cwd, args, filter);
    uint64_t total = 0;
    for (const shop_PatternMatch &match : matches)
        total += match.paths.size();
    UT_Progress progress(clear ? "Clearing promoted parameters" : "Promoting shader parameters",
                         total);
    uint64_t done = 0;
    std::string output;
    for (const shop_PatternMatch &match : matches)
    {
        if (match.paths.empty())
            output += "Warning: No materials match " + match.pattern + "\n";
        for (const std::string &path : match.paths)
        {
            progress.update(done++);
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
    CMDgetManager()->installCommand("shoppromote", "cfF:", SHOP_PromoteCommand::run, true,
                                    "shoppromote [-c] [-f] [-F FILTER] [PATTERN...]");
}
