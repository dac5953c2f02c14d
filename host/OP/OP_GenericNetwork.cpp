#include <OP/OP_GenericNetwork.h>

OP_GenericNetwork::OP_GenericNetwork(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Network(parent, name, op)
{
}

OP_Node *OP_GenericNetwork::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new OP_GenericNetwork(parent, name, op);
}
