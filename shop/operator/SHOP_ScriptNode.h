#pragma once

#include <shop/node/SHOP_Node.h>

class SHOP_ScriptOperator;

/// A node of a shader asset. Its shader parameters are its dialog script's parameters, in
/// their order, and it calls its shader by the script's name.
class SHOP_ScriptNode : public SHOP_Node
{
public:
    /// Makes a node of a SHOP_ScriptOperator.
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    SHOP_ScriptNode(OP_Network *parent, const char *name, SHOP_ScriptOperator *op);

    /// The script name, or the operator's name when the script gives none. Valid until the
    /// next call.
    const char *getShaderName(bool forVex) const override;
    int getLastParameter() const override;
    /// "Input N".
    const char *inputLabel(unsigned index) const;
    /// The node's description, then its shader parameters (at most 24, then "  ...").
    void getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text) override;

protected:
    /// Takes over the operator's render mask when its templates were read again.
    void changeParmTemplate(PRM_Template *tmpl) override;
    /// A change inside the asset's contents is a change of the asset node.
    void childDeleted(OP_Node *child) override;

private:
    SHOP_ScriptOperator *myScriptOperator;
    mutable UT_String myShaderName;
};
