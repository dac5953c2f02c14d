#pragma once

#include <shop/network/SHOP_VariableInput.h>

/// Gathers the co-shaders wired into it: a material collects all of them, while a single
/// lookup finds the first. Requests for other shader types find nothing here.
class SHOP_CoShader : public SHOP_VariableInput
{
public:
    SHOP_CoShader(OP_Network *parent, const char *name, OP_Operator *op);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    /// Every input's co-shaders, in input order; the list's length afterwards.
    int collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                       const UT_Options *overrides) override;
    SHOP_TYPE getInputType(int) const override { return SHOP_COSHADER; }

protected:
    UT_ErrorSeverity cookMe(OP_Context &context) override;

private:
    /// The shader node on input `index`, or null.
    SHOP_Node *shaderInput(unsigned index) const;
};
