#pragma once

#include <shop/network/SHOP_Mutable.h>

class PRM_Template;

/// Passes on exactly one of its inputs, picked by the integer parameter "input". A choice
/// outside the connected inputs is clamped to the first or last one, with a warning.
///
/// All inputs must carry one shader type; the switch takes that type, and its time dependence
/// from the active input alone, since the inactive ones never reach a renderer.
class SHOP_Switch : public SHOP_Mutable
{
public:
    SHOP_Switch(OP_Network *parent, const char *name, OP_Operator *op);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);
    /// The parameter templates of the operator (terminated).
    static PRM_Template *getTemplates();

    /// The type every resolving input agrees on: any type with none, undefined when they
    /// disagree (and while a request is running on the node).
    SHOP_TYPE getShaderType() const override;
    using SHOP_Mutable::getShaderType;
    /// The host's check, never counting the inputs: the cook counts the active one.
    void checkTimeDependencies(int doParms = 1, int doInputs = 1, int doExtras = 1) override;

protected:
    /// Cooks the active input.
    void cookChoice(OP_Context &context) override;
    /// The active input, or -1 when the (clamped) choice is not connected.
    int getActive(float now);
    /// Yields the active input once.
    SHOP_Node *iterateNext(int &index, float now, const UT_Options *overrides) override;
};
