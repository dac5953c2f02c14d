#include <shop/operator/SHOP_Operator.h>

#include <shop/types/SHOP_TypeTable.h>

SHOP_Operator::SHOP_Operator(const char *name, const char *label, OP_Constructor constructor,
                             const PRM_Template *templates, unsigned minInputs, unsigned maxInputs,
                             const CH_LocalVariable *variables, unsigned flags, int autoAdd)
    : OP_Operator(name, label, constructor, templates, minInputs, maxInputs, variables, flags),
      myInfo(autoAdd, "*", SHOP_UNDEFINED)
{
}

unsigned SHOP_Operator::maxOutputs() const
{
    return myInfo.getNumOutputs() < 0 ? 0u : static_cast<unsigned>(myInfo.getNumOutputs());
}

bool SHOP_Operator::wantsInputEditor() const
{
    return !myInfo.skipInputEditor() && OP_Operator::wantsInputEditor();
}

void SHOP_Operator::useShaderIconName()
{
    setIconName(SHOP_TypeTable::getIconName(myInfo.getShaderType()));
}

int SHOP_Operator::compareOperator(const OP_Operator *other, int column) const
{
    return compareShaderOperators(*this, myInfo, other, column);
}

int SHOP_Operator::compareShaderOperators(const OP_Operator &a, const SHOP_OperatorInfo &aInfo,
                                          const OP_Operator *b, int column)
{
    if (!b)
        return -1;
    const bool aContainer = a.hasFlag(OP_FLAG_MANAGER);
    const bool bContainer = b->hasFlag(OP_FLAG_MANAGER);
    if (aContainer != bContainer)
        return aContainer ? -1 : 1;
    const auto *bInfo = dynamic_cast<const SHOP_OperatorInfo *>(b->getOpSpecificData());
    const int aType = aInfo.getShaderType();
    const int bType = bInfo ? bInfo->getShaderType() : SHOP_ANY;
    if (aType != bType)
        return aType < bType ? -1 : 1;
    return a.OP_Operator::compareOperator(b, column);
}
