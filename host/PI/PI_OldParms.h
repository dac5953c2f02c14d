#pragma once

#include <set>
#include <string>
#include <vector>

class OP_Node;
class PI_EditScriptedParms;

/// The parameters a node had before an edit of its spare parameters, so that what linked to
/// the ones the edit removes can be given their values instead of a reference to nothing.
class PI_OldParms
{
public:
    /// Records the parameters of the edited set as the node's old ones.
    void preserveOldParms(const PI_EditScriptedParms &edit);
    /// Notes that the edit removes the parameter of that name.
    void deleteOldParm(const char *name);
    bool isDeleted(const std::string &name) const { return myDeleted.count(name) > 0; }

    /// For every removed parameter of the node with id `nodeId` (still on the node: call it
    /// before the edit is applied): each component below the node that reads one of them
    /// through a plain channel reference gets the value it reads now in place of the
    /// reference. Other expressions that still name a removed parameter are listed in
    /// `warnings`; `errors` names references that could not be replaced.
    void resolveOldParmLinks(int nodeId, std::vector<std::string> &errors,
                             std::vector<std::string> &warnings) const;

private:
    std::set<std::string> myNames;
    std::set<std::string> myDeleted;
};
