#pragma once

#include <CH/CH_LocalVariable.h>
#include <PRM/PRM_Template.h>

#include <string>
#include <vector>

class OP_Network;
class OP_Node;
class OP_Operator;
class OP_OperatorTable;
class OP_SpecificData;
class UT_InfoTree;

/// Makes a node of an operator type inside a network.
using OP_Constructor = OP_Node *(*)(OP_Network *parent, const char *name, OP_Operator *op);

enum OP_OperatorFlag : unsigned
{
    OP_FLAG_NETWORK = 0x01,   ///< nodes hold children
    OP_FLAG_GENERATOR = 0x02, ///< nodes need no inputs
    OP_FLAG_UNORDERED = 0x04, ///< inputs are a set, not a sequence
    OP_FLAG_SCRIPTDEF = 0x08, ///< defined by a script or asset
    OP_FLAG_MANAGER = 0x10,   ///< a top-level container of one context
    OP_FLAG_OUTPUT = 0x20,    ///< an output node of its network
};

/// A node type: name, label, constructor, parameter templates, input limits, flags, icon and
/// the local variables its nodes' expressions can read.
class OP_Operator
{
public:
    OP_Operator(const char *name, const char *label, OP_Constructor constructor,
                const PRM_Template *templates, unsigned minInputs, unsigned maxInputs,
                const CH_LocalVariable *variables = nullptr, unsigned flags = 0,
                const char *icon = nullptr, unsigned maxOutputs = 1);
    virtual ~OP_Operator();
    OP_Operator(const OP_Operator &) = delete;
    OP_Operator &operator=(const OP_Operator &) = delete;

    const std::string &getName() const { return myName; }
    const std::string &getLabel() const { return myLabel; }
    const std::string &getIconName() const { return myIcon; }
    void setIconName(const char *icon) { myIcon = icon ? icon : ""; }
    OP_Constructor getConstructor() const { return myConstructor; }

    /// The operator's parameter templates, terminated by PRM_LIST_TERMINATOR.
    PRM_Template *getParmTemplates() { return myTemplates.data(); }
    const PRM_Template *getParmTemplates() const { return myTemplates.data(); }
    int getNumParmTemplates() const { return static_cast<int>(myTemplates.size()) - 1; }
    /// Replaces the templates (a terminated array); for operators whose parameters are read
    /// after they are made, before any node of theirs exists.
    void setParmTemplates(const PRM_Template *templates);

    /// Adds the operator's general description (name, label, inputs, outputs, icon) to an
    /// information tree as "name: value" rows.
    virtual void fillInfoTree(UT_InfoTree &tree) const;

    unsigned minInputs() const { return myMinInputs; }
    unsigned maxInputs() const { return myMaxInputs; }
    virtual unsigned maxOutputs() const { return myMaxOutputs; }
    void setMaxOutputs(unsigned n) { myMaxOutputs = n; }

    unsigned getFlags() const { return myFlags; }
    bool hasFlag(unsigned flag) const { return (myFlags & flag) != 0; }
    void setFlags(unsigned flags) { myFlags = flags; }

    /// The local variables (terminated by an entry with a null name), or null.
    const CH_LocalVariable *getVariables() const { return myVariables; }
    /// The local variable of that name, or null.
    const CH_LocalVariable *findVariable(const char *name) const;

    /// The name of the operator table from which children of this type's nodes come; empty
    /// for types whose nodes hold no children.
    const std::string &getChildTableName() const { return myChildTable; }
    void setChildTableName(const char *table) { myChildTable = table ? table : ""; }

    /// Parameters that older versions of this type had: their saved values are read into a
    /// list of their own when a node is loaded, for the node to convert (terminated; null when
    /// none).
    const PRM_Template *getObsoleteTemplates() const
    {
        return myObsolete.empty() ? nullptr : myObsolete.data();
    }
    void setObsoleteTemplates(const PRM_Template *templates);

    /// The context-specific record of this type, or null.
    virtual OP_SpecificData *getOpSpecificData() { return nullptr; }
    virtual const OP_SpecificData *getOpSpecificData() const { return nullptr; }

    /// Orders operators in lists: negative when this one comes before `other`, positive after,
    /// 0 when equal. The base orders by name; `column` names the list's sort column (unused).
    virtual int compareOperator(const OP_Operator *other, int column) const;
    /// Whether the input editor is offered for nodes of this type: when they take inputs.
    virtual bool wantsInputEditor() const { return myMaxInputs > 0; }

    OP_OperatorTable *getOperatorTable() const { return myTable; }
    void setOperatorTable(OP_OperatorTable *table) { myTable = table; }

    /// Makes a node of this type in `parent` through the constructor function.
    OP_Node *constructNode(OP_Network *parent, const char *name);

private:
    std::string myName;
    std::string myLabel;
    std::string myIcon;
    std::string myChildTable;
    OP_Constructor myConstructor;
    std::vector<PRM_Template> myTemplates;
    std::vector<PRM_Template> myObsolete;
    unsigned myMinInputs;
    unsigned myMaxInputs;
    unsigned myMaxOutputs;
    unsigned myFlags;
    const CH_LocalVariable *myVariables;
    OP_OperatorTable *myTable = nullptr;
};
