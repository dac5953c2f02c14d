#pragma once

#include <PRM/PRM_Template.h>

#include <string>
#include <vector>

class OP_Node;
class PRM_Parm;

/// What a node's spare parameters hold, kept apart from the node: their values as typed, and
/// for the history their templates too, so that an edit of the set can be taken back.
class OP_SpareParmState
{
public:
    struct Component
    {
        int index;
        bool expression;
        std::string text;
    };
    /// Per spare parameter with a component away from its default: its name and those
    /// components.
    using Values = std::vector<std::pair<std::string, std::vector<Component>>>;

    /// The values of the node's spare parameters (with the instances of spare
    /// multi-parameters) that differ from their defaults.
    static Values captureValues(OP_Node &node);
    /// Gives the named spare parameters those values again (what no longer fits is left);
    /// with `revertOthers` every other spare component goes back to its default first.
    static void restoreValues(OP_Node &node, const Values &values, bool revertOthers = false);

    /// The same for a set of parameters (the instances of one multi-parameter, say): their
    /// values away from the defaults; and those values given back to the parameters of the
    /// set named in them, every other component of the set going back to its default.
    static Values captureValues(const std::vector<PRM_Parm *> &parms);
    static void restoreValues(const std::vector<PRM_Parm *> &parms, const Values &values);

    /// Adds to the history the node's spare parameter set as it is now, to be put back by an
    /// undo; nothing when the history takes no record.
    static void record(OP_Node &node);
};
