#include <VOP/VOP_Node.h>

#include <OP/OP_Network.h>
#include <VOP/VOP_Operator.h>

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
    OP_Node::opChanged(reason, data);
    // The host tells a network of its children's changes only once between cooks; the code
    // generator must hear each one. A node leaving tells its network itself.
    OP_Network *owner = getParent();
    if (owner && reason != OP_NODE_DELETED && !isBeingDestroyed() && !owner->isBeingDestroyed() &&
        owner->getVopCodeGenerator())
        sendChange(*owner, OP_CHILD_CHANGED, this);
}
