#pragma once

#include <shop/node/SHOP_OperatorInfo.h>

#include <OP/OP_Operator.h>

/// A built-in operator type of the shader context: a host operator carrying its shader facts.
/// Shader operators are listed containers first (operators made with OP_FLAG_MANAGER), then by
/// shader type, then as the host orders them.
class SHOP_Operator : public OP_Operator
{
public:
    SHOP_Operator(const char *name, const char *label, OP_Constructor constructor,
                  const PRM_Template *templates, unsigned minInputs, unsigned maxInputs,
                  const CH_LocalVariable *variables, unsigned flags, int autoAdd = 2);

    OP_SpecificData *getOpSpecificData() override { return &myInfo; }
    const OP_SpecificData *getOpSpecificData() const override { return &myInfo; }
    SHOP_OperatorInfo &getShopInfo() { return myInfo; }
    const SHOP_OperatorInfo &getShopInfo() const { return myInfo; }

    unsigned maxOutputs() const override;
    int compareOperator(const OP_Operator *other, int column) const override;
    bool wantsInputEditor() const override;

    /// Takes the icon of the info's shader type.
    void useShaderIconName();

    /// The shader-context ordering, shared with script-defined shader operators.
    static int compareShaderOperators(const OP_Operator &a, const SHOP_OperatorInfo &aInfo,
                                      const OP_Operator *b, int column);

private:
    SHOP_OperatorInfo myInfo;
};
