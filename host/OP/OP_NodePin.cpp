#include <OP/OP_NodePin.h>

#include <OP/OP_Network.h>

#include <vector>

namespace
{
const char *op_doing(OP_NodeUse use)
{
    switch (use)
    {
    case OP_USE_BUILD:
        return "being built";
    case OP_USE_COOK:
        return "cooking";
    case OP_USE_EVALUATION:
        return "being evaluated";
    default:
        return "answering a request";
    }
}
} // namespace

OP_NodePin::OP_NodePin(const OP_Node *node, OP_NodeUse use) : myNode(node), myUse(use)
{
    if (!myNode)
        return;
    myNode->myUses[myUse].fetch_add(1, std::memory_order_relaxed);
}

OP_NodePin::~OP_NodePin()
{
    if (!myNode)
        return;
    myNode->myUses[myUse].fetch_sub(1, std::memory_order_relaxed);
}

std::string OP_NodePin::describeUse(const OP_Node &node)
{
    // The most telling use wins (a build over the request that led to it), the outer node
    // over the inner at equal use. Pins are counted on the nodes, not in one process-wide
    // count that every cook and evaluation would contend for: a deletion visits every node
    // it frees anyway, and this walk only adds a look at each. A list of its own rather than
    // recursion: networks may nest deeply.
    const OP_Node *found = nullptr;
    int foundUse = OP_NODE_USES;
    std::vector<const OP_Node *> pending{&node};
    while (!pending.empty() && foundUse != 0)
    {
        const OP_Node *current = pending.back();
        pending.pop_back();
        for (int use = 0; use < foundUse; ++use)
            if (current->myUses[use].load(std::memory_order_relaxed) > 0)
            {
                found = current;
                foundUse = use;
                break;
            }
        if (current->isNetwork())
        {
            const auto *network = static_cast<const OP_Network *>(current);
            for (int i = network->getNchildren(); i-- > 0;)
                pending.push_back(network->getChild(i));
        }
    }
    if (!found)
        return {};
    return (found == &node ? std::string("it") : found->getFullPath()) + " is " +
           op_doing(static_cast<OP_NodeUse>(foundUse));
}
