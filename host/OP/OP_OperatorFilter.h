#pragma once

class OP_Operator;

/// Decides which operator types may be created inside a network (OP_Network::getOperatorFilter).
class OP_OperatorFilter
{
public:
    virtual ~OP_OperatorFilter() = default;
    virtual bool allowOperatorAsChild(OP_Operator *op) = 0;
};
