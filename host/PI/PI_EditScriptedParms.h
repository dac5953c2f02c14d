#pragma once

#include <PRM/PRM_Template.h>

#include <string>
#include <vector>

class OP_Node;

/// An edit of one node's spare parameters, made apart from the node and applied to it in one
/// step (OP_Director::changeNodeSpareParms), so that a set of new parameters either all fit
/// or are reported together.
class PI_EditScriptedParms
{
public:
    /// With `withSpareParms` the edit starts from the node's current spare parameters, so that
    /// applying it keeps them; otherwise it starts empty and applying it removes them. With
    /// `skipOperatorNames` an addition that reuses a name of the operator's own parameters is
    /// refused rather than left for the apply step to report.
    PI_EditScriptedParms(OP_Node *node, bool withSpareParms, bool skipOperatorNames);

    /// Adds a parameter, in `group` (empty for none). False, adding nothing, when the edit
    /// already has a parameter of that name, or when it is refused as above.
    bool addParm(const PRM_Template &tmpl, const char *group = "");
    bool hasParm(const char *name) const { return findParm(name) >= 0; }
    /// The position of a parameter in the edit, or -1.
    int findParm(const char *name) const;
    int getNParms() const { return static_cast<int>(myParms.size()); }
    const PRM_Template &getParm(int index) const { return myParms[index].tmpl; }
    const std::string &getGroup(int index) const { return myParms[index].group; }

    /// The edited set as a terminated template array, valid until the next addParm.
    const PRM_Template *getTemplates();

private:
    struct pi_Parm
    {
        PRM_Template tmpl;
        std::string group;
    };
    OP_Node *myNode;
    bool mySkipOperatorNames;
    std::vector<pi_Parm> myParms;
    std::vector<PRM_Template> myTerminated;
};
