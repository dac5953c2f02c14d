#pragma once

#include <shop/node/SHOP_OperatorInfo.h>

#include <PI/PI_ScriptOperator.h>

class OP_OTLDefinition;

/// The operator of a shader defined as an asset: its parameters come from the asset's dialog
/// script, which may also give the render mask ("rendermask" or "renderers" followed by the
/// mask).
class SHOP_ScriptOperator : public PI_ScriptOperator
{
public:
    /// The operator of a shader asset, or null when the definition's type text names no shader
    /// type.
    static OP_ScriptOperator *createScriptOperator(const OP_OTLDefinition &definition);

    SHOP_ScriptOperator(const char *path, const char *name, const char *label,
                        OP_Constructor constructor, SHOP_TYPE type);

    OP_SpecificData *getOpSpecificData() override { return &myInfo; }
    const OP_SpecificData *getOpSpecificData() const override { return &myInfo; }
    SHOP_OperatorInfo &getShopInfo() { return myInfo; }
    const SHOP_OperatorInfo &getShopInfo() const { return myInfo; }

    unsigned maxOutputs() const override;
    int compareOperator(const OP_Operator *other, int column) const override;
    void getOperatorSpecificInfoText(int verbose, UT_WorkBuffer &text) override;
    void fillInfoTreeOperatorSpecific(UT_InfoTree &tree) override;
    /// Starts from the render mask "*", which the script may then set.
    bool loadParmTemplates(DS_Stream &stream) override;

protected:
    int handleUnknownToken(DS_Stream &stream, UT_String &token) override;

private:
    SHOP_OperatorInfo myInfo;
};
