#pragma once

#include <PI/PI_EditScriptedParm.h>
#include <PRM/PRM_Template.h>

#include <string>
#include <vector>

class OP_Node;
class OP_Operator;

/// An edit of one node's spare parameters, made apart from the node and applied to it in one
/// step (OP_Director::changeNodeSpareParms), so that a set of new parameters either all fit
/// or are reported together. Entries are parameters and the two ends of folders; folder
/// switchers are read as such pairs and made again from them when the set is applied.
class PI_EditScriptedParms
{
public:
    /// With `withSpareParms` the edit starts from the node's current spare parameters, so that
    /// applying it keeps them; otherwise it starts empty and applying it removes them. With
    /// `skipOperatorNames` an addition that reuses a name of the operator's own parameters is
    /// refused rather than left for the apply step to report.
    PI_EditScriptedParms(OP_Node *node, bool withSpareParms, bool skipOperatorNames);
    /// The parameters an operator gives its nodes.
    explicit PI_EditScriptedParms(OP_Operator *op);
    /// Every parameter of a node: its operator's, then its spare ones.
    static PI_EditScriptedParms allParmsOf(OP_Node *node);

    /// Adds a parameter at the end. False, adding nothing, when the edit already has a
    /// parameter of that name, or when it is refused as above. `group` is only recorded.
    bool addParm(const PRM_Template &tmpl, const char *group = "");
    /// Adds a copy of an entry at the end (any entry: folder ends too).
    void addParm(const PI_EditScriptedParm &entry);
    bool hasParm(const char *name) const { return findParm(name) >= 0; }
    /// The position of a parameter in the edit, or -1.
    int findParm(const char *name) const;
    int getNParms() const { return static_cast<int>(myParms.size()); }
    PI_EditScriptedParm *getParm(int index);
    const PI_EditScriptedParm *getParm(int index) const;
    const std::string &getGroup(int index) const { return myParms[index].group; }

    /// The index of the other end of the folder whose start or end is at `index`, or -1.
    int getMatchingGroupParm(int index) const;
    /// Removes the entries from `first` to `last`.
    void removeParms(int first, int last);
    /// Moves the entries from `first` to `last` by `offset` places (negative: towards the
    /// start), the entries passed over taking their place.
    void moveParms(int first, int last, int offset);
    /// Makes each entry's links (PI_EditScriptedParm::getAutoLinks) channel references from
    /// the linked channels to the entry's channels on `node`, relative to the linked node.
    /// Appends a message per link that cannot be made.
    void applyAutoLinks(const OP_Node &node, std::vector<std::string> &messages);

    /// The edited set as a terminated template array (folders made switchers), valid until the
    /// set changes.
    const PRM_Template *getTemplates();

private:
    struct pi_Parm
    {
        PI_EditScriptedParm entry;
        std::string group;
    };
    void addTemplates(const PRM_Template *templates);
    /// Adds the entries of one folder level from `templates`; returns the index of the
    /// template after them.
    int addLevel(const PRM_Template *templates, int at, int count);
    /// Makes templates of the entries from `at` up to the end of the folder level; returns the
    /// index after it and the number of level entries in `count`.
    int makeLevel(int at, std::vector<PRM_Template> &out, int &count);

    OP_Node *myNode = nullptr;
    bool mySkipOperatorNames = false;
    std::vector<pi_Parm> myParms;
    std::vector<PRM_Template> myTerminated;
};
