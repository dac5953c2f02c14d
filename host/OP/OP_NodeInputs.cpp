// The services that nodes with variable inputs build on: their readers, input locks for
// cooking, and where their time dependence comes from.

#include <OP/OP_Node.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <PRM/PRM_Parm.h>

OP_Node *OP_Node::getOutput(unsigned index) const
{
    return index < myOutputs.size() ? myOutputs[index] : nullptr;
}

void OP_Node::ensureInputsAndOutputsAreValid()
{
    // Cut directly: setInput refuses indices past the inputs, and this runs inside a change
    // notification that must not start another.
    const unsigned allowed = maxInputs();
    for (unsigned i = allowed; i < myInputs.size(); ++i)
        if (myInputs[i].node)
            myInputs[i].node->removeOutput(this);
    if (myInputs.size() > allowed)
        myInputs.resize(allowed);
}

UT_ErrorSeverity OP_Node::lockInput(unsigned index, OP_Context &)
{
    if (!getInput(index))
        return UT_ERROR_ABORT;
    links().lockedInputs.insert(index);
    return UT_ERROR_NONE;
}

void OP_Node::unlockInput(unsigned index)
{
    if (myLinks)
        myLinks->lockedInputs.erase(index);
}

bool OP_Node::isInputLocked(unsigned index) const
{
    return myLinks && myLinks->lockedInputs.count(index) > 0;
}

void OP_Node::checkTimeDependencies(int doParms, int doInputs, int doExtras)
{
    bool dependent = myTimeDependent;
    if (doParms)
        for (int i = 0; i < getParmList()->getEntries() && !dependent; ++i)
            dependent = getParmList()->getParmPtr(i)->isTimeDependent();
    if (doInputs)
        for (const op_Input &input : myInputs)
            dependent = dependent || (input.node && input.node->isTimeDependent());
    if (doExtras && myLinks)
        for (int id : myLinks->extraInputs)
        {
            const OP_Node *node = OPgetDirector()->lookupNode(id);
            dependent = dependent || (node && node->isTimeDependent());
        }
    myTimeDependent = dependent;
}
