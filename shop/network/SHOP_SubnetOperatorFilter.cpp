#include <shop/network/SHOP_SubnetOperatorFilter.h>

#include <shop/node/SHOP_Node.h>

#include <OP/OP_Operator.h>

bool SHOP_SubnetOperatorFilter::allowOperatorAsChild(OP_Operator *op)
{
    if (op && op->getName() == "suboutput")
        return myOwner && !myOwner->getOutputNode();
    return myParent ? myParent->allowOperatorAsChild(op) : true;
}
