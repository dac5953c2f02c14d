#pragma once

#include <OP/OP_Network.h>

/// A network of no particular context: it holds children from its operator's child table.
/// Hosts use it for top-level containers and plain subnetworks.
class OP_GenericNetwork : public OP_Network
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

protected:
    OP_GenericNetwork(OP_Network *parent, const char *name, OP_Operator *op);
};
