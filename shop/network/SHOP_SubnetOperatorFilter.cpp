#include <shop/network/SHOP_SubnetOperatorFilter.h>

#include <shop/network/SHOP_Output.h>

#include <OP/OP_Operator.h>

bool SHOP_SubnetOperatorFilter::allowOperatorAsChild(OP_Operator *op)
{
    if (op && op->getName() == SHOP_Output::theOperatorName)
        return myOwner && !myOwner->getOutputNode();
    return myParent ? myParent->allowOperatorAsChild(op) : true;
}
