#pragma once

#include <shop/network/SHOP_VariableInput.h>

/// The output node inside a shader subnet ("suboutput"): one input per shader type, in a fixed
/// order. Whatever is wired into it moves to the input of its own output type, and the
/// enclosing subnet answers every shader request through it.
class SHOP_Output : public SHOP_VariableInput
{
public:
    static constexpr int theMaxInputSize = SHOP_MATERIAL_OUTPUTS;
    /// The operator name of output nodes, which a subnet looks for among its children.
    static constexpr const char *theOperatorName = "suboutput";

    SHOP_Output(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    unsigned maxInputs() const override { return theMaxInputSize; }
    unsigned getNumVisibleInputs() const override { return theMaxInputSize; }
    unsigned orderedInputs() const override { return theMaxInputSize; }
    unsigned getNumVisibleOutputs() const override { return 0; }

    /// Connects `src` to the input of its output type when it has one; elsewhere as asked.
    bool setInput(unsigned index, OP_Node *src, unsigned outputIndex, std::string &error) override;
    using SHOP_VariableInput::setInput;

    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    int collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                       const UT_Options *overrides) override;
    int getInputTileLOD() const override { return 1; }
    bool isInputVisible(int index) const override;
    void getInputName(UT_String &name, int index) const override;
    SHOP_TYPE getInputType(int index) const override;

    /// The input that takes shaders of `type`, or -1.
    static int getInputIndex(SHOP_TYPE type);

protected:
    /// Every input change reaches the enclosing subnet as a change of its outputs.
    void preOpChanged(OP_EventType reason, void *data) override;

private:
    /// The shader node on the input for `type`, or null.
    SHOP_Node *inputFor(SHOP_TYPE type) const;
};
