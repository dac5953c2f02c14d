#include <OP/OP_ExprFindOp.h>

#include <EV/EV_Function.h>
#include <OP/OP_Director.h>
#include <OP/OP_ExprFunctions.h>

void *OP_ExprFindOp::allocFindOp()
{
    return new OP_ExprFindOp;
}

void OP_ExprFindOp::freeFindOp(void *data)
{
    delete static_cast<OP_ExprFindOp *>(data);
}

OP_Node *OP_ExprFindOp::getNode(const char *path, OP_Node *from, bool addDependency, int thread)
{
    if (!path || !*path || !from)
        return nullptr;
    const uint64_t changes = OP_Node::getChangeCount();
    OP_Node *node = nullptr;
    if (thread == 0 && myChanges == changes && myFrom == from && myPath == path)
        node = OPgetDirector()->lookupNode(myNodeId);
    else
    {
        node = from->findNode(path);
        if (thread == 0)
        {
            myPath = path;
            myFrom = from;
            myNodeId = node ? node->getUniqueId() : -1;
            myChanges = changes;
        }
    }
    if (node && addDependency)
        from->addExtraInput(node, OP_INTEREST_NAME);
    return node;
}

void OP_ExprFindOp::addExprOpDependency(const char *path, OP_Node *owner, OP_InterestType interest)
{
    OP_Node *node = owner && path && *path ? owner->findNode(path) : nullptr;
    if (node && node != owner)
        owner->addExtraInput(node, interest);
}

bool OP_ExprFindOp::changeExprOpRef(const EV_CallSite &site, int arg, const std::string &oldPath,
                                    const std::string &newPath, std::string &replacement)
{
    const auto *owner = static_cast<const OP_Node *>(site.owner);
    if (!owner || arg < 0 || arg >= static_cast<int>(site.args.size()) || !site.literal[arg])
        return false;
    return OPrenameNodeReference(*owner, site.args[arg].str, oldPath, newPath, replacement);
}
