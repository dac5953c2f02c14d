#include <OP/OP_UndoRecorder.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>
#include <OP/OP_SpareParmState.h>
#include <PRM/PRM_ChangeHook.h>
#include <UT/UT_UndoManager.h>

#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace
{
OP_UndoRecorder::SubtreeWriter theWriter = nullptr;
OP_UndoRecorder::SubtreeReader theReader = nullptr;

// The nodes made in the step being recorded, by id, and the step they belong to.
struct op_NewNodes
{
    unsigned serial = 0;
    std::set<int> ids;
};

op_NewNodes &op_newNodes()
{
    static op_NewNodes theNodes;
    op_NewNodes &nodes = theNodes;
    if (nodes.serial != UTgetUndoManager()->getBlockSerial())
    {
        nodes.serial = UTgetUndoManager()->getBlockSerial();
        nodes.ids.clear();
    }
    return nodes;
}

bool op_recording()
{
    return UTgetUndoManager()->willAcceptUndoAddition();
}

// Records name nodes by id: a path costs as much as the node lies deep, and a record per
// command of a deep tree would grow with its depth. A node that an undo or redo makes again
// gets new ids for it and everything inside it, which this map leads to from the old ones.
std::unordered_map<int, int> &op_renumbered()
{
    static std::unordered_map<int, int> theIds;
    return theIds;
}

// The node and everything inside it, parents first, as a text that makes it again makes them.
std::vector<int> op_subtreeIds(OP_Node &node)
{
    std::vector<int> ids(1, node.getUniqueId());
    if (node.isNetwork())
        OP_Director::traverse(static_cast<OP_Network *>(&node),
                              [&ids](OP_Node &child) { ids.push_back(child.getUniqueId()); });
    return ids;
}

// A node that exists or not: each call deletes it (keeping its text) or makes it again from
// the text, whichever undoes the other.
class op_UndoNode : public UT_Undo
{
public:
    op_UndoNode(OP_Node &node, bool keepText)
        : myParent(node.getParent() ? node.getParent()->getUniqueId() : -1), myName(node.getName())
    {
        if (keepText)
            take(node);
    }
    void undo() override { toggle(); }
    void redo() override { toggle(); }

private:
    void take(OP_Node &node)
    {
        myIds = op_subtreeIds(node);
        myText = theWriter ? theWriter(node) : std::string();
    }
    void toggle()
    {
        OP_Node *found = OP_UndoRecorder::findNode(myParent);
        auto *parent = found && found->isNetwork() ? static_cast<OP_Network *>(found) : nullptr;
        if (!parent)
            return;
        if (OP_Node *node = parent->getChild(myName.c_str()))
        {
            take(*node);
            parent->destroyNode(node);
            return;
        }
        std::string error;
        if (!theReader || myText.empty() || !theReader(myText, error))
            return;
        OP_Node *made = parent->getChild(myName.c_str());
        const std::vector<int> ids = made ? op_subtreeIds(*made) : std::vector<int>();
        for (size_t i = 0; i < ids.size() && i < myIds.size(); ++i)
            op_renumbered()[myIds[i]] = ids[i];
    }

    int myParent;
    std::string myName;
    std::string myText;
    std::vector<int> myIds;
};

// One component's value or expression.
class op_UndoParm : public UT_Undo
{
public:
    op_UndoParm(OP_Node &node, PRM_Parm &parm, int component)
        : myNode(node.getUniqueId()), myParm(parm.getToken()), myComponent(component)
    {
        take(node, parm);
    }
    void undo() override { swap(); }
    void redo() override { swap(); }

private:
    void take(OP_Node &node, const PRM_Parm &parm)
    {
        myExpression = parm.isExpression(myComponent);
        myText = parm.getValueText(myComponent);
        // A count takes its instances with it when lowered: what they held comes back with it.
        if (parm.getTemplatePtr()->isMultiParm())
            myInstances =
                OP_SpareParmState::captureValues(node.getParmList()->getMultiInstanceParms(parm));
    }
    void swap()
    {
        OP_Node *node = OP_UndoRecorder::findNode(myNode);
        PRM_Parm *parm = node ? node->getParmPtr(myParm.c_str()) : nullptr;
        if (!parm)
            return;
        const bool expression = myExpression;
        const std::string text = std::move(myText);
        const OP_SpareParmState::Values instances = std::move(myInstances);
        take(*node, *parm);
        std::string error;
        if (expression)
            parm->setExpression(myComponent, text.c_str(), error);
        else
            parm->setValueFromText(myComponent, text.c_str(), error);
        if (parm->getTemplatePtr()->isMultiParm())
            OP_SpareParmState::restoreValues(node->getParmList()->getMultiInstanceParms(*parm),
                                             instances);
    }

    int myNode;
    std::string myParm;
    int myComponent;
    bool myExpression = false;
    std::string myText;
    OP_SpareParmState::Values myInstances;
};

// What one input of a node reads: a sibling by name and its output, or nothing.
class op_UndoWire : public UT_Undo
{
public:
    op_UndoWire(OP_Node &node, unsigned index) : myNode(node.getUniqueId()), myIndex(index)
    {
        take(node);
    }
    void undo() override { swap(); }
    void redo() override { swap(); }

private:
    void take(const OP_Node &node)
    {
        const OP_Node *src = node.getInput(myIndex);
        mySource = src ? src->getName() : std::string();
        myOutput = src ? static_cast<unsigned>(node.getInputOutputIndex(myIndex)) : 0;
    }
    void swap()
    {
        OP_Node *node = OP_UndoRecorder::findNode(myNode);
        if (!node)
            return;
        const std::string source = std::move(mySource);
        const unsigned output = myOutput;
        take(*node);
        OP_Node *src = source.empty() || !node->getParent()
                           ? nullptr
                           : node->getParent()->getChild(source.c_str());
        node->setInput(myIndex, src, output);
    }

    int myNode;
    unsigned myIndex;
    std::string mySource;
    unsigned myOutput = 0;
};

// A node's name: each call gives it the other of two names.
class op_UndoRename : public UT_Undo
{
public:
    op_UndoRename(const OP_Node &node, std::string oldName)
        : myNode(node.getUniqueId()), myOther(std::move(oldName))
    {
    }
    void undo() override { swap(); }
    void redo() override { swap(); }

private:
    void swap()
    {
        OP_Node *node = OP_UndoRecorder::findNode(myNode);
        OP_Network *parent = node ? node->getParent() : nullptr;
        const std::string now = node ? node->getName() : std::string();
        std::string error;
        if (parent && parent->renameNode(node, myOther.c_str(), error))
            myOther = now;
    }

    int myNode;
    std::string myOther;
};

void op_parmChanging(PRM_Parm &parm, int component)
{
    if (!op_recording())
        return;
    auto *node = dynamic_cast<OP_Node *>(parm.getOwner());
    if (node && !OP_UndoRecorder::isNewInStep(*node) && !OPgetDirector()->isLoading())
        UTgetUndoManager()->addToUndoBlock(std::make_unique<op_UndoParm>(*node, parm, component));
}
} // namespace

void OP_UndoRecorder::setSubtreeIO(SubtreeWriter writer, SubtreeReader reader)
{
    theWriter = writer;
    theReader = reader;
}

void OP_UndoRecorder::installParmHook()
{
    PRMchangeHook() = op_parmChanging;
}

OP_Node *OP_UndoRecorder::findNode(int id)
{
    const std::unordered_map<int, int> &ids = op_renumbered();
    for (auto it = ids.find(id); it != ids.end(); it = ids.find(id))
        id = it->second;
    return OPgetDirector()->lookupNode(id);
}

bool OP_UndoRecorder::isNewInStep(const OP_Node &node)
{
    // Only the node and its parent are asked: a node made inside one made in this step is
    // new too, and deeper nests are merely recorded twice, harmlessly.
    const std::set<int> &ids = op_newNodes().ids;
    return !ids.empty() && (ids.count(node.getUniqueId()) ||
                            (node.getParent() && ids.count(node.getParent()->getUniqueId())));
}

void OP_UndoRecorder::nodeCreated(OP_Node &node)
{
    if (!op_recording() || OPgetDirector()->isLoading())
        return;
    const bool inNewParent = isNewInStep(node);
    op_newNodes().ids.insert(node.getUniqueId());
    if (!inNewParent)
        UTgetUndoManager()->addToUndoBlock(std::make_unique<op_UndoNode>(node, false));
}

void OP_UndoRecorder::nodeDeleting(OP_Node &node)
{
    if (op_recording() && !OPgetDirector()->isLoading())
        UTgetUndoManager()->addToUndoBlock(std::make_unique<op_UndoNode>(node, true));
}

void OP_UndoRecorder::inputChanging(OP_Node &node, unsigned index)
{
    if (op_recording() && !isNewInStep(node) && !OPgetDirector()->isLoading())
        UTgetUndoManager()->addToUndoBlock(std::make_unique<op_UndoWire>(node, index));
}

void OP_UndoRecorder::nodeRenamed(OP_Node &node, const std::string &oldName)
{
    if (op_recording() && !isNewInStep(node) && !OPgetDirector()->isLoading())
        UTgetUndoManager()->addToUndoBlock(std::make_unique<op_UndoRename>(node, oldName));
}
