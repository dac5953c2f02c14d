#include <shop/network/SHOP_VariableInput.h>

#include <algorithm>
#include <cstdint>
#include <vector>

SHOP_Node *SHOP_VariableInput::theOriginalOpChanged = nullptr;
int SHOP_VariableInput::theLatestOpChangedId = 0;

namespace
{
// The data of an input change passed downstream: not one input, the whole set.
void *const theAllInputs = reinterpret_cast<void *>(~static_cast<uintptr_t>(0));
} // namespace

SHOP_VariableInput::SHOP_VariableInput(OP_Network *parent, const char *name, OP_Operator *op,
                                       SHOP_TYPE type)
    : SHOP_Node(parent, name, op, type)
{
}

SHOP_VariableInput::~SHOP_VariableInput()
{
    myLastPass = -1;
    // A node deleted from inside a pass that it began must not leave the pass running.
    if (theOriginalOpChanged == this)
        theOriginalOpChanged = nullptr;
}

void SHOP_VariableInput::opChanged(OP_EventType reason, void *data)
{
    if (isBlockModify())
    {
        SHOP_Node::opChanged(reason, data);
        return;
    }
    if (!theOriginalOpChanged)
    {
        ++theLatestOpChangedId;
        theOriginalOpChanged = this;
    }
    else if (myLastPass >= theLatestOpChangedId)
    {
        SHOP_Node::opChanged(reason, data);
        return;
    }
    myLastPass = theLatestOpChangedId;
    preOpChanged(reason, data);
    if (isInputEvent(reason))
        ensureInputsAndOutputsAreValid();
    SHOP_Node::opChanged(reason, data);
    if (isInputEvent(reason) || reason == OP_OUTPUTS_CHANGED)
    {
        ensureParametersAreValid();
        opChanged(OP_UI_CHANGED, nullptr);
        notifyReaders();
    }
    // The readers told above may still be waiting for their turn (the host delivers changes
    // in a loop, not by nested calls); the pass lasts until they have all been told.
    if (theOriginalOpChanged == this)
        afterChangesDelivered(endPass);
}

void SHOP_VariableInput::endPass()
{
    theOriginalOpChanged = nullptr;
}

bool SHOP_VariableInput::cookAt(float now)
{
    OP_Context context(now);
    return cook(context) < UT_ERROR_ABORT;
}

bool SHOP_VariableInput::cookInput(unsigned index, OP_Context &context)
{
    OP_Node *input = getInput(index);
    if (!input || lockInput(index, context) >= UT_ERROR_ABORT)
        return false;
    input->cook(context);
    if (input->isTimeDependent())
        setTimeDependent(true);
    unlockInput(index);
    return true;
}

bool SHOP_VariableInput::isInputEvent(OP_EventType reason)
{
    return reason == OP_INPUT_CHANGED || reason == OP_INPUT_REWIRED;
}

void SHOP_VariableInput::notifyReaders()
{
    std::vector<OP_Node *> readers;
    for (unsigned i = nOutputs(); i-- > 0;)
    {
        OP_Node *reader = getOutput(i);
        if (reader && reader != this &&
            std::find(readers.begin(), readers.end(), reader) == readers.end())
            readers.push_back(reader);
    }
    for (auto it = readers.rbegin(); it != readers.rend(); ++it)
        sendChange(**it, OP_INPUT_CHANGED, theAllInputs);
}
