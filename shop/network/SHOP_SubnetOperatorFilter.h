#pragma once

#include <OP/OP_OperatorFilter.h>

class SHOP_Node;

/// Which operator types a shader subnet may hold: at most one output node, the rest as the
/// enclosing network decides. Owns neither pointer; it lives inside its subnet.
class SHOP_SubnetOperatorFilter : public OP_OperatorFilter
{
public:
    SHOP_SubnetOperatorFilter(OP_OperatorFilter *parent, SHOP_Node *owner)
        : myParent(parent), myOwner(owner)
    {
    }
    bool allowOperatorAsChild(OP_Operator *op) override;

private:
    OP_OperatorFilter *myParent;
    SHOP_Node *myOwner;
};
