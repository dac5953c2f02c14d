#pragma once

#include <CH/CH_Collection.h>
#include <OP/OP_SpareList.h>
#include <PRM/PRM_ParmList.h>
#include <PRM/PRM_ParmOwner.h>
#include <UT/UT_BitArray.h>
#include <UT/UT_PtrArray.h>
#include <UT/UT_String.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CH_Channel;
class OP_Node;
class PRM_ParmNameMap;
class OP_Operator;

/// The parameters of a node: the operator's templates made into parameters, followed by the
/// node's own spare parameters, with evaluation by name or index at a time.
class OP_Parameters : public PRM_ParmOwner, public CH_Collection
{
public:
    explicit OP_Parameters(OP_Operator *op);
    ~OP_Parameters() override;

    OP_Operator *getOperator() const { return myOperator; }
    PRM_ParmList *getParmList() { return &myParms; }
    const PRM_ParmList *getParmList() const { return &myParms; }
    PRM_Parm *getParmPtr(const char *name) const { return myParms.getParmPtr(name); }
    bool hasParm(const char *name) const { return myParms.getParmPtr(name) != nullptr; }

    /// The value of one component; 0 or the empty text when the parameter or component does
    /// not exist.
    int evalInt(const char *name, int component, float time) const;
    int evalInt(int index, int component, float time) const;
    float evalFloat(const char *name, int component, float time) const;
    float evalFloat(int index, int component, float time) const;
    void evalString(UT_String &value, const char *name, int component, float time) const;
    void evalString(UT_String &value, int index, int component, float time) const;

    /// The operator's templates (terminated).
    PRM_Template *getParmTemplates() const;
    /// Copies of the spare parameters' templates (terminated; empty when there are none),
    /// valid until spare parameters are added or removed. A spare parameter's own template
    /// (PRM_Parm::getTemplatePtr) stays where it is for the parameter's life.
    PRM_Template *getSpareParmTemplates();
    int getNumSpareParms() const
    {
        return mySpares ? static_cast<int>(mySpares->templates().size()) : 0;
    }
    /// Adds a spare parameter; false with `error` set when its name is not made of letters,
    /// digits and '_', or when its name or one of its channel names is taken.
    bool addSpareParm(const PRM_Template &tmpl, std::string &error);
    /// The same with a template that other nodes' spare parameters of the same definition may
    /// share (a scene of many nodes with the same spare parameters keeps one template of each):
    /// nothing changes a spare parameter's template after it is added.
    bool addSpareParm(std::shared_ptr<PRM_Template> tmpl, std::string &error);
    /// The template of the spare parameter of that name, as shared; null when there is none.
    std::shared_ptr<PRM_Template> getSpareTemplate(const char *name) const;
    /// Adds a template to the instance group of the spare multi-parameter `multi`; its name
    /// holds '#' where the instance number goes. Instances there already gain a parameter of
    /// it. The count's template, which other nodes may share, is not changed: the count gets a
    /// new one, `grown` when given (the same template with the same child added, made for
    /// another node), else a copy of its own with the child added. False with `error` set when
    /// there is no such multi-parameter, the name is bad, or the group has a template of that
    /// name.
    bool addSpareMultiChild(const char *multi, const PRM_Template &child, std::string &error,
                            std::shared_ptr<PRM_Template> grown = nullptr);
    bool removeSpareParm(const char *name);

    /// Asked while a file is read, for the saved parameters the node lacks (`names`; those it
    /// makes, it removes). `nameMap` maps names the operator has renamed. False, with
    /// `errors` set, when making them failed. A plain node makes none.
    virtual bool createSpareParametersForLoad(UT_StringArray &names, PRM_ParmNameMap &nameMap,
                                              UT_String &errors);
    /// Asked while a file is read, for the saved channels (expressions) that no component of
    /// the node has: `selected` marks those still needing one, and a channel that gets one
    /// has its bit cleared. A plain node keeps each as a float spare parameter of the
    /// channel's name, so that no saved expression is lost. False when that failed.
    virtual bool createSpareParametersFromChannels(UT_BitArray &selected,
                                                   const UT_PtrArray<CH_Channel *> &channels);
    /// Given, after a file is read, the values it saved under parameters that the operator
    /// lists as obsolete (a list made from OP_Operator::getObsoleteTemplates, holding the saved
    /// values as written; an expression as its text): moves what still has a place into the
    /// node's parameters and removes each value it takes from the list. What stays in the list
    /// is reported as not loaded. A plain node takes none.
    virtual void resolveObsoleteParms(PRM_ParmList *obsolete);

    /// Follows plain channel references (a component whose expression is only ch("...") or
    /// chs("...") of another parameter) to the parameter finally evaluated. On a broken
    /// reference `node` and `parm` become null.
    static void followChannelReferences(OP_Node *&node, PRM_Parm *&parm, int &component);

    /// The value of a local variable of the operator's table, by its id; false when the node
    /// has no such variable.
    virtual bool getVariableString(int index, UT_String &value, int thread);
    virtual bool getVariableValue(int index, double &value, int thread);

protected:
    PRM_ParmList myParms;

private:
    void dropSpareTemplateCopies();

    OP_Operator *myOperator;
    // Each spare parameter points at its template here, which never moves (a list shared
    // with the nodes given the same spare parameters; null for none)...
    std::shared_ptr<const OP_SpareList> mySpares;
    // ... while callers get the terminated array they expect, made when first asked for after
    // a change (empty until then: most nodes never ask).
    std::vector<PRM_Template> mySpareTemplates;
};
