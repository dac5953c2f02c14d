// A node's inputs and outputs: wiring and its checks, the extra inputs that evaluation finds
// and the dependants they make, input locks for cooking, and the time dependence inputs give.

#include <OP/OP_Node.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <OP/OP_UndoRecorder.h>
#include <PRM/PRM_Parm.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

unsigned OP_Node::minInputs() const
{
    return getOperator()->minInputs();
}

unsigned OP_Node::maxInputs() const
{
    return getOperator()->maxInputs();
}

unsigned OP_Node::maxOutputs() const
{
    return getOperator()->maxOutputs();
}

int OP_Node::getInputOutputIndex(unsigned index) const
{
    return getInput(index) ? static_cast<int>(myInputs[index].outputIndex) : -1;
}

bool OP_Node::wouldLoop(OP_Node *src, OP_Node *dst)
{
    if (src == dst)
        return true;
    // Downstream from `dst` and upstream from `src` at once, one node of each in turn: they
    // meet when a path joins them, and when either side runs out there is none. The cost is
    // about twice that of the smaller side, so wiring a long chain in either direction costs
    // little per wire. Each walk marks nodes with two fresh numbers, one per side.
    static unsigned theLastMark = 0;
    if (theLastMark > ~0u - 2)
    {
        for (OP_Node *node : OPgetDirector()->myNodes)
            if (node)
                node->myWalkMark = 0;
        theLastMark = 0;
    }
    const unsigned down = ++theLastMark;
    const unsigned up = ++theLastMark;
    std::vector<OP_Node *> downstream{dst};
    std::vector<OP_Node *> upstream{src};
    dst->myWalkMark = down;
    src->myWalkMark = up;
    for (size_t d = 0, u = 0; d < downstream.size() && u < upstream.size(); ++d, ++u)
    {
        for (OP_Node *reader : downstream[d]->myOutputs)
        {
            if (reader->myWalkMark == up)
                return true;
            if (reader->myWalkMark != down)
            {
                reader->myWalkMark = down;
                downstream.push_back(reader);
            }
        }
        for (const op_Input &input : upstream[u]->myInputs)
        {
            OP_Node *node = input.node;
            if (!node || node->myWalkMark == up)
                continue;
            if (node->myWalkMark == down)
                return true;
            node->myWalkMark = up;
            upstream.push_back(node);
        }
    }
    return false;
}

bool OP_Node::setInput(unsigned index, OP_Node *src, unsigned outputIndex, std::string &error)
{
    if (index >= maxInputs())
    {
        error = getFullPath() + " has no input " + std::to_string(index);
        return false;
    }
    if (src)
    {
        if (src->getParent() != myParent || src == this)
        {
            error = "Cannot wire " + src->getFullPath() + " to " + getFullPath() +
                    ": nodes must be different members of one network";
            return false;
        }
        if (outputIndex >= src->maxOutputs())
        {
            error = src->getFullPath() + " has no output " + std::to_string(outputIndex);
            return false;
        }
        if (wouldLoop(src, this))
        {
            error = "Wiring " + src->getFullPath() + " to " + getFullPath() + " would make a loop";
            return false;
        }
    }
    OP_UndoRecorder::inputChanging(*this, index);
    if (index >= myInputs.size())
        myInputs.resize(index + 1);
    op_Input &input = myInputs[index];
    if (input.node)
        input.node->removeOutput(this);
    input.node = src;
    input.outputIndex = src ? outputIndex : 0;
    if (src)
        src->myOutputs.push_back(this);
    opChanged(OP_INPUT_REWIRED, reinterpret_cast<void *>(static_cast<intptr_t>(index)));
    return true;
}

bool OP_Node::setInput(unsigned index, OP_Node *src, unsigned outputIndex)
{
    std::string error;
    return setInput(index, src, outputIndex, error);
}

void OP_Node::removeOutput(OP_Node *node)
{
    auto it = std::find(myOutputs.begin(), myOutputs.end(), node);
    if (it != myOutputs.end())
        myOutputs.erase(it);
}

std::vector<OP_Node *> OP_Node::getOutputNodes() const
{
    std::vector<OP_Node *> nodes;
    for (OP_Node *n : myOutputs)
        if (std::find(nodes.begin(), nodes.end(), n) == nodes.end())
            nodes.push_back(n);
    return nodes;
}

void OP_Node::addExtraInput(OP_Node *src, OP_InterestType)
{
    if (!src || src == this)
        return;
    links().extraInputs.insert(src->getUniqueId());
    src->links().extraDependants.insert(myUniqueId);
}

void OP_Node::removeExtraInputs()
{
    if (!myLinks)
        return;
    countChange(); // what was found through the dependencies no longer holds
    OP_Director *director = OPgetDirector();
    for (int id : myLinks->extraInputs)
        if (OP_Node *src = director->lookupNode(id); src && src->myLinks)
            src->myLinks->extraDependants.erase(myUniqueId);
    myLinks->extraInputs.clear();
}

void OP_Node::disconnectWires()
{
    for (op_Input &input : myInputs)
        if (input.node)
            input.node->removeOutput(this);
    myInputs.clear();

    // Whatever read this node loses the input and must cook again; when the whole network
    // goes, its members need not hear of each other.
    std::vector<OP_Node *> readers = getOutputNodes();
    myOutputs.clear();
    const bool quiet = myParent && myParent->myBeingDestroyed;
    for (OP_Node *reader : readers)
        for (unsigned i = 0; i < reader->myInputs.size(); ++i)
            if (reader->myInputs[i].node == this)
            {
                reader->myInputs[i] = op_Input();
                if (!quiet)
                    reader->opChanged(OP_INPUT_REWIRED,
                                      reinterpret_cast<void *>(static_cast<intptr_t>(i)));
            }
}

void OP_Node::disconnectAll()
{
    disconnectWires();
    removeExtraInputs();
    if (!myLinks)
        return;
    OP_Director *director = OPgetDirector();
    std::set<int> dependants;
    dependants.swap(myLinks->extraDependants);
    for (int id : dependants)
        if (OP_Node *node = director->lookupNode(id))
        {
            if (node->myLinks)
                node->myLinks->extraInputs.erase(myUniqueId);
            if (!node->myBeingDestroyed)
                node->opChanged(OP_INPUT_CHANGED, reinterpret_cast<void *>(intptr_t(-1)));
        }
}

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
