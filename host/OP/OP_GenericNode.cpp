#include <OP/OP_GenericNode.h>

OP_GenericNode::OP_GenericNode(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Node(parent, name, op)
{
}

OP_Node *OP_GenericNode::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new OP_GenericNode(parent, name, op);
}

UT_ErrorSeverity OP_GenericNode::cookMe(OP_Context &context)
{
    UT_String value;
    const PRM_ParmList *parms = getParmList();
    for (int i = 0; i < parms->getEntries(); ++i)
        for (int c = 0; c < parms->getParmPtr(i)->getVectorSize(); ++c)
            evalString(value, i, c, context.getTime());
    return error();
}
