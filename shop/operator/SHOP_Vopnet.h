#pragma once

#include <shop/node/SHOP_Node.h>

#include <VOP/VOP_CodeGenerator.h>

/// A shader node whose shader is written from the network of VOP nodes inside it. Its code
/// generator compiles the network into VEX or RSL, by the context of the node's operator, and
/// keeps a spare parameter on the node for each parameter node: those are the shader's
/// parameters, which clerks write into shader strings as for any shader. Renderers find the
/// code by the shader name "op:" and the node's path.
class SHOP_Vopnet : public SHOP_Node
{
public:
    /// A new operator of VOP network shaders (internal name, label, render mask, shader type):
    /// the RSL flavour when the mask accepts "RIB", else VEX; surface types also carry the
    /// viewport parameters. The caller owns it.
    static OP_Operator *buildOperator(const char *name, const char *label, const char *mask,
                                      SHOP_TYPE type);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    SHOP_Vopnet(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);
    ~SHOP_Vopnet() override;

    /// The generator's variables first; $OBJ and $SOP as every shader node has them.
    bool getVariableString(int index, UT_String &value, int thread) override;
    /// The host's handling, then the generator hears of it.
    void opChanged(OP_EventType reason, void *data = nullptr) override;
    /// After a cook, the shader's facts followed by the compile errors.
    void getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text) override;
    VOP_CodeGenerator *getVopCodeGenerator() override { return &myCodeGenerator; }
    /// Children are VOP nodes.
    const char *getChildType() const override { return "VOP"; }
    int getChildTypeID() const override { return VOP_Operator::theOpTypeID; }
    /// The VOP types that have a place in the node's context.
    OP_OperatorFilter *getOperatorFilter() override;
    void finishedLoadingNetwork() override;
    /// The shader parameters are the spare parameters the generator made.
    int getLastParameter() const override;
    /// "op:" followed by the node's path; valid until the next call.
    const char *getShaderName(bool forVex) const override;
    /// As for any shader, but nothing while the network does not compile: the string would
    /// name code that does not exist.
    bool buildShaderString(UT_String &result, float now, const UT_Options *overrides, OP_Node *obj,
                           OP_Node *sop) override;

protected:
    /// The base cook, then the generator's errors become the node's.
    UT_ErrorSeverity cookMe(OP_Context &context) override;
    /// A new child: the generator hears of it before and after the network takes it.
    void childCreated(OP_Node *node) override;

private:
    VOP_CodeGenerator myCodeGenerator;
    mutable UT_String myShaderName;
};
