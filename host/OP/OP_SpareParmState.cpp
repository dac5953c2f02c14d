#include <OP/OP_SpareParmState.h>

#include <OP/OP_Director.h>
#include <OP/OP_Node.h>
#include <OP/OP_UndoRecorder.h>
#include <UT/UT_UndoManager.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
// A node's spare parameters as they were: templates and values. Undo and redo each put back
// what it holds after keeping what is there, so one record serves both ways.
class op_UndoSpareParms : public UT_Undo
{
public:
    explicit op_UndoSpareParms(OP_Node &node) : myNode(node.getUniqueId()) { take(node); }
    void undo() override { swap(); }
    void redo() override { swap(); }

private:
    void take(OP_Node &node)
    {
        myTemplates.clear();
        for (const PRM_Template *t = node.getSpareParmTemplates(); t && !t->isTerminator(); ++t)
            myTemplates.push_back(*t);
        myTemplates.emplace_back();
        myValues = OP_SpareParmState::captureValues(node);
    }
    void swap()
    {
        OP_Node *node = OP_UndoRecorder::findNode(myNode);
        if (!node)
            return;
        std::vector<PRM_Template> templates = std::move(myTemplates);
        OP_SpareParmState::Values values = std::move(myValues);
        take(*node);
        UT_String errors;
        OPgetDirector()->changeNodeSpareParms(*node, templates.data(), errors);
        OP_SpareParmState::restoreValues(*node, values, true);
    }

    int myNode;
    std::vector<PRM_Template> myTemplates;
    OP_SpareParmState::Values myValues;
};
} // namespace

namespace
{
// Whether a parameter belongs to the node's spare set: a spare one, or an instance of a spare
// multi-parameter.
bool op_isSpareValue(const PRM_ParmList &list, const PRM_Parm &parm)
{
    if (parm.isSpareParm())
        return true;
    const PRM_Parm *count = parm.isMultiInstance() ? list.getMultiCount(parm) : nullptr;
    return count && count->isSpareParm();
}

std::vector<PRM_Parm *> op_spareValueParms(OP_Node &node)
{
    std::vector<PRM_Parm *> parms;
    const PRM_ParmList &list = *node.getParmList();
    for (int i = 0; i < list.getEntries(); ++i)
        if (op_isSpareValue(list, *list.getParmPtr(i)))
            parms.push_back(list.getParmPtr(i));
    return parms;
}

void op_setComponents(PRM_Parm &parm, const std::vector<OP_SpareParmState::Component> &components)
{
    for (const OP_SpareParmState::Component &c : components)
    {
        std::string error;
        if (c.expression)
            parm.setExpression(c.index, c.text.c_str(), error);
        else
            parm.setValueFromText(c.index, c.text.c_str(), error);
    }
}
} // namespace

OP_SpareParmState::Values OP_SpareParmState::captureValues(OP_Node &node)
{
    return captureValues(op_spareValueParms(node));
}

OP_SpareParmState::Values OP_SpareParmState::captureValues(const std::vector<PRM_Parm *> &parms)
{
    Values values;
    for (const PRM_Parm *parm : parms)
    {
        std::vector<Component> components;
        for (int c = 0; c < parm->getVectorSize(); ++c)
            if (!parm->isFactoryDefault(c))
                components.push_back({c, parm->isExpression(c), parm->getValueText(c)});
        if (!components.empty())
            values.emplace_back(parm->getToken(), std::move(components));
    }
    return values;
}

void OP_SpareParmState::restoreValues(OP_Node &node, const Values &values, bool revertOthers)
{
    PRM_ParmList &list = *node.getParmList();
    if (revertOthers)
        // A count going back to its default removes instances, all of them later in the list.
        for (int i = 0; i < list.getEntries(); ++i)
            if (PRM_Parm *parm = list.getParmPtr(i);
                op_isSpareValue(list, *parm) && !parm->isFactoryDefault())
                parm->revertToDefaults();
    // In the order captured: a count before its instances, which it makes.
    for (const auto &[name, components] : values)
        if (PRM_Parm *parm = list.getParmPtr(name.c_str()); parm && op_isSpareValue(list, *parm))
            op_setComponents(*parm, components);
}

void OP_SpareParmState::restoreValues(const std::vector<PRM_Parm *> &parms, const Values &values)
{
    for (PRM_Parm *parm : parms)
        if (!parm->isFactoryDefault())
            parm->revertToDefaults();
    for (const auto &[name, components] : values)
        for (PRM_Parm *parm : parms)
            if (name == parm->getToken())
                op_setComponents(*parm, components);
}

void OP_SpareParmState::record(OP_Node &node)
{
    UT_UndoManager *undo = UTgetUndoManager();
    if (undo->willAcceptUndoAddition() && !OP_UndoRecorder::isNewInStep(node))
        undo->addToUndoBlock(std::make_unique<op_UndoSpareParms>(node));
}
