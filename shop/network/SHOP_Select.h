#pragma once

#include <shop/network/SHOP_Mutable.h>

class PRM_Template;

/// Passes on the first of its four inputs that is enabled (parameters "activate1" to
/// "activate4") and can answer a request: a later input stands in when an earlier one finds no
/// shader or fails to build. A disabled input is never asked.
class SHOP_Select : public SHOP_Mutable
{
public:
    SHOP_Select(OP_Network *parent, const char *name, OP_Operator *op);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);
    /// The parameter templates of the operator (terminated).
    static PRM_Template *getTemplates();

    /// All four inputs show, connected or not: each has its switch.
    unsigned getNumVisibleInputs() const override { return maxInputs(); }
    /// As the base, but undefined when asked while a request is running on the node.
    SHOP_TYPE getInputType(int index) const override;

protected:
    void cookChoice(OP_Context &context) override;
    /// 1 when input `index` is enabled at `now`, else 0.
    int isActive(int index, float now) const;
    /// Yields the enabled inputs holding shader nodes, in order.
    SHOP_Node *iterateNext(int &index, float now, const UT_Options *overrides) override;
};
