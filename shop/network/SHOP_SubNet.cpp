#include <shop/network/SHOP_SubNet.h>

#include <shop/network/SHOP_Output.h>
#include <shop/node/SHOP_OperatorInfo.h>
#include <shop/node/SHOP_Trace.h>

#include <OP/OP_Director.h>
#include <UT/UT_UndoManager.h>

#include <cstdint>

namespace
{
SHOP_TYPE shop_typeOf(OP_Operator *op)
{
    auto *info = op ? dynamic_cast<SHOP_OperatorInfo *>(op->getOpSpecificData()) : nullptr;
    return info ? info->getShaderType() : SHOP_UNDEFINED;
}

// Inside a subnetwork the rules are those of the network that made it.
OP_OperatorFilter *shop_parentFilter(OP_Network *parent)
{
    if (!parent)
        return nullptr;
    return parent->isSubNetwork(false) ? parent->getCreator()->getOperatorFilter()
                                       : parent->getOperatorFilter();
}
} // namespace

SHOP_SubNet::SHOP_SubNet(OP_Network *parent, const char *name, OP_Operator *op, bool hasOutputNode)
    : SHOP_Node(parent, name, op, shop_typeOf(op)), myFilter(shop_parentFilter(parent), this),
      myHasOutputNode(hasOutputNode)
{
    setRenderMask("*");
}

OP_Node *SHOP_SubNet::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_SubNet(parent, name, op, true);
}

OP_Node *SHOP_SubNet::myManagerConstruct(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_SubNet(parent, name, op, false);
}

SHOP_Node *SHOP_SubNet::getOutputNode() const
{
    if (!myHasOutputNode)
        return nullptr;
    // Asked on every request through the network: while nothing in the scene has changed,
    // the answer found last is the answer.
    const uint64_t changes = OP_Node::getChangeCount();
    if (myOutputNodeChanges == changes)
        return myOutputNode;
    myOutputNode = findOutputNode();
    myOutputNodeChanges = changes;
    return myOutputNode;
}

SHOP_Node *SHOP_SubNet::findOutputNode() const
{
    if (myOutputNodeId >= 0)
    {
        OP_Node *node = OPgetDirector()->lookupNode(myOutputNodeId);
        if (node && node->getParent() == this)
            return node->castToSHOPNode();
        myOutputNodeId = -1;
    }
    for (int i = getNchildren(); i-- > 0;)
    {
        OP_Node *child = getChild(i);
        if (child->getOperator() && child->getOperator()->getName() == SHOP_Output::theOperatorName)
        {
            myOutputNodeId = child->getUniqueId();
            return child->castToSHOPNode();
        }
    }
    return nullptr;
}

bool SHOP_SubNet::getParameterOrProperty(const char *name, float now, OP_Node *&node,
                                         PRM_Parm *&parm, PRM_ParmList *obsolete,
                                         bool createMissingMultiParms)
{
    if (SHOP_Node::getParameterOrProperty(name, now, node, parm, obsolete, createMissingMultiParms))
        return true;
    SHOP_Node *properties = findShader(SHOP_PROPERTIES, now, nullptr);
    return properties && properties->getParameterOrProperty(name, now, node, parm, obsolete,
                                                            createMissingMultiParms);
}

bool SHOP_SubNet::getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                                  PRM_Parm *&parm, int &component,
                                                  PRM_ParmList *obsolete)
{
    if (SHOP_Node::getParameterOrPropertyByChannel(channel, now, node, parm, component, obsolete))
        return true;
    SHOP_Node *properties = findShader(SHOP_PROPERTIES, now, nullptr);
    return properties && properties->getParameterOrPropertyByChannel(channel, now, node, parm,
                                                                     component, obsolete);
}

unsigned SHOP_SubNet::maxOutputs() const
{
    if (SHOP_Node *output = getOutputNode())
        return output->maxInputs();
    return myHasOutputNode ? SHOP_Output::theMaxInputSize : 0;
}

unsigned SHOP_SubNet::getNumVisibleOutputs() const
{
    SHOP_Node *output = getOutputNode();
    return output ? output->getNumVisibleInputs() : 0;
}

void SHOP_SubNet::finishedLoadingNetwork()
{
    if (myHasOutputNode && !getOutputNode() && !UTperformingUndoRedo(nullptr))
        createNode(SHOP_Output::theOperatorName, nullptr);
    SHOP_Node::finishedLoadingNetwork();
}

SHOP_Node *SHOP_SubNet::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    SHOP_Node *output = getOutputNode();
    SHOP_Trace::note(*this,
                     [&]
                     {
                         return output ? "answers through its output node " + output->getName()
                                       : std::string("has no output node: no answer");
                     });
    return output ? output->findShader(type, now, overrides) : nullptr;
}

int SHOP_SubNet::collectShaders(UT_PtrArray<SHOP_Node *> &list, SHOP_TYPE type, float now,
                                const UT_Options *overrides)
{
    SHOP_Node *output = getOutputNode();
    return output ? output->collectShaders(list, type, now, overrides) : list.entries();
}

bool SHOP_SubNet::isOutputVisible(int index) const
{
    SHOP_Node *output = getOutputNode();
    return output ? output->isInputVisible(index) : SHOP_Node::isOutputVisible(index);
}

void SHOP_SubNet::getOutputName(UT_String &name, int index) const
{
    if (SHOP_Node *output = getOutputNode())
        output->getInputName(name, index);
    else
        name.harden("unknown");
}

SHOP_TYPE SHOP_SubNet::getOutputType(int index) const
{
    SHOP_Node *output = getOutputNode();
    if (!output || index < 0 || !output->getInput(static_cast<unsigned>(index)))
        return SHOP_UNDEFINED;
    return output->getInputType(index);
}

void SHOP_SubNet::childDeleted(OP_Node *child)
{
    SHOP_Node::childDeleted(child);
    opChanged(OP_CHILD_CHANGED, reinterpret_cast<void *>(~static_cast<uintptr_t>(0)));
}

void SHOP_SubNet::childFlagChange(OP_Node *child)
{
    SHOP_Node::childFlagChange(child);
    opChanged(OP_CHILD_CHANGED, reinterpret_cast<void *>(~static_cast<uintptr_t>(0)));
}
