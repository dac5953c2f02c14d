#include <VOP/VOP_Node.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <VOP/VOP_CodeGenerator.h>
#include <VOP/VOP_Operator.h>

#include <algorithm>

thread_local std::vector<int> VOP_Node::theOwnersToTell;
thread_local int VOP_Node::theBatchDepth = 0;

VOP_Node::VOP_Node(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Node(parent, name, op)
{
}

OP_Node *VOP_Node::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return dynamic_cast<VOP_Operator *>(op) ? new VOP_Node(parent, name, op) : nullptr;
}

const VOP_Operator &VOP_Node::getVopOperator() const
{
    return static_cast<const VOP_Operator &>(*getOperator());
}

int VOP_Node::getOpTypeID() const
{
    return VOP_Operator::theOpTypeID;
}

void VOP_Node::opChanged(OP_EventType reason, void *data)
{
    // The host tells a network of its children's changes only once between cooks; the code
    // generator must hear of each. Once, though, however many nodes one change reaches: a
    // change that starts here tells the network when it has run its course, one that started
    // elsewhere when the host has delivered it.
    const bool starts = !isDeliveringChanges() && theBatchDepth == 0;
    theBatchDepth += starts;
    OP_Node::opChanged(reason, data);
    // A node leaving tells its network itself.
    OP_Network *owner = getParent();
    if (owner && reason != OP_NODE_DELETED && !isBeingDestroyed() && !owner->isBeingDestroyed() &&
        owner->getVopCodeGenerator())
    {
        std::vector<int> &pending = theOwnersToTell;
        if (std::find(pending.begin(), pending.end(), owner->getUniqueId()) == pending.end())
        {
            pending.push_back(owner->getUniqueId());
            if (pending.size() == 1 && theBatchDepth == 0)
                afterChangesDelivered(tellOwners);
        }
    }
    if (starts)
    {
        --theBatchDepth;
        tellOwners();
    }
}

void VOP_Node::tellOwners()
{
    std::vector<int> owners;
    owners.swap(theOwnersToTell);
    for (int id : owners)
        if (OP_Node *owner = OPgetDirector()->lookupNode(id))
            owner->opChanged(OP_CHILD_CHANGED, VOP_CodeGenerator::childChangeMark());
}
