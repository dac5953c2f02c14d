#include "ShophostCompleter.h"

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <OP/OP_Operator.h>
#include <OP/OP_OperatorTable.h>
#include <PRM/PRM_Parm.h>
#include <PRM/PRM_ParmList.h>

#include <algorithm>
#include <sstream>

namespace
{
bool shell_startsWith(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

std::vector<std::string> ShophostCompleter::complete(const std::string &line) const
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    if (line.empty() || line.back() == ' ' || line.back() == '\t')
        words.emplace_back();
    const std::string &prefix = words.back();
    const size_t index = words.size() - 1;
    std::vector<std::string> found;
    size_t pathIndex = 0;
    if (index == 0)
        found = commands(prefix);
    else if (index == 1 && words[0] == "add")
        found = operatorTypes(prefix);
    else if (takesParameter(words, index, pathIndex))
        found = parameters(words[pathIndex], prefix);
    else
        found = paths(prefix);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> ShophostCompleter::commands(const std::string &prefix) const
{
    std::vector<std::string> found;
    for (const std::string &name : myManager.getCommandNames())
        if (shell_startsWith(name, prefix))
            found.push_back(name);
    return found;
}

std::vector<std::string> ShophostCompleter::operatorTypes(const std::string &prefix)
{
    std::vector<std::string> found;
    if (const OP_OperatorTable *table = OPgetDirector()->getCwd()->getOperatorTable())
        for (const OP_Operator *op : table->getOperators())
            if (shell_startsWith(op->getName(), prefix))
                found.push_back(op->getName());
    return found;
}

std::vector<std::string> ShophostCompleter::paths(const std::string &prefix)
{
    // The folder part names the network to list; what follows its last slash is the start of
    // a child's name.
    const size_t slash = prefix.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : prefix.substr(0, slash + 1);
    const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    OP_Network *cwd = OPgetDirector()->getCwd();
    OP_Node *where = folder.empty() ? cwd : cwd->findNode(folder.c_str());
    std::vector<std::string> found;
    if (!where || !where->isNetwork())
        return found;
    const auto *network = static_cast<const OP_Network *>(where);
    for (int i = 0; i < network->getNchildren(); ++i)
    {
        const OP_Node *child = network->getChild(i);
        if (shell_startsWith(child->getName(), start))
        {
            // Only a network with something inside goes on to its children.
            const bool inside =
                child->isNetwork() && static_cast<const OP_Network *>(child)->getNchildren() > 0;
            found.push_back(folder + child->getName() + (inside ? "/" : ""));
        }
    }
    return found;
}

std::vector<std::string> ShophostCompleter::parameters(const std::string &path,
                                                       const std::string &prefix)
{
    std::vector<std::string> found;
    OP_Node *node = OPgetDirector()->getCwd()->findNode(path.c_str());
    if (!node)
        return found;
    const PRM_ParmList *parms = node->getParmList();
    for (int i = 0; i < parms->getEntries(); ++i)
    {
        const std::string name = parms->getParmPtr(i)->getToken();
        if (shell_startsWith(name, prefix))
            found.push_back(name);
    }
    return found;
}

bool ShophostCompleter::takesParameter(const std::vector<std::string> &words, size_t index,
                                       size_t &pathIndex)
{
    const std::string &command = words[0];
    if (command == "eval")
        pathIndex = 1;
    else if (command == "set")
        pathIndex = words.size() > 2 && words[1] == "-e" ? 2 : 1;
    else
        return false;
    return index == pathIndex + 1;
}
