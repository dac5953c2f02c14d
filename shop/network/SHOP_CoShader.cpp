#include <shop/network/SHOP_CoShader.h>

#include <shop/node/SHOP_Trace.h>

#include <OP/OP_NodePin.h>

#include <string>

SHOP_CoShader::SHOP_CoShader(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_VariableInput(parent, name, op, SHOP_COSHADER)
{
    // Only RIB output takes co-shaders.
    setRenderMask("RIB");
}

OP_Node *SHOP_CoShader::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_CoShader(parent, name, op);
}

SHOP_Node *SHOP_CoShader::shaderInput(unsigned index) const
{
    OP_Node *input = getInput(index);
    return input ? input->castToSHOPNode() : nullptr;
}

SHOP_Node *SHOP_CoShader::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    if (type != SHOP_COSHADER)
    {
        SHOP_Trace::note(
            *this, [&] { return "merges co-shaders only, not a " + SHOP_Trace::typeLabel(type); });
        return nullptr;
    }
    // The inputs may run scripts; this node's walk over them goes on afterwards.
    OP_NodePin pin(this, OP_USE_REQUEST);
    for (unsigned i = 0; i < nInputs(); ++i)
        if (SHOP_Node *input = shaderInput(i))
        {
            SHOP_Trace::note(*this, [&] { return "asks input " + std::to_string(i); });
            if (SHOP_Node *found = input->findShader(SHOP_COSHADER, now, overrides))
                return found;
        }
    return nullptr;
}

int SHOP_CoShader::collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                                  const UT_Options *overrides)
{
    OP_NodePin pin(this, OP_USE_REQUEST);
    if (type == SHOP_COSHADER)
        for (unsigned i = 0; i < nInputs(); ++i)
            if (SHOP_Node *input = shaderInput(i))
                input->collectShaders(list, SHOP_COSHADER, now, overrides);
    return list.entries();
}

UT_ErrorSeverity SHOP_CoShader::cookMe(OP_Context &context)
{
    if (SHOP_VariableInput::cookMe(context) >= UT_ERROR_ABORT)
        return error();
    for (unsigned i = 0; i < nInputs(); ++i)
    {
        // The first input of another type ends the cook: what follows it is not cooked.
        SHOP_Node *shader = shaderInput(i);
        if (shader && shader->getShaderType() != getShaderType())
        {
            addError(SHOP_ERR_INPUT_TYPES);
            break;
        }
        cookInput(i, context);
    }
    return error();
}
