#pragma once

#include <OP/OP_Node.h>

/// A node of no particular context: parameters and inputs, and a cook that reads every
/// parameter so that bad expressions show on its error list. Hosts use it for utility types.
class OP_GenericNode : public OP_Node
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

protected:
    OP_GenericNode(OP_Network *parent, const char *name, OP_Operator *op);
    UT_ErrorSeverity cookMe(OP_Context &context) override;
};
