#pragma once

#include <string>

class OP_Node;

/// Puts the changes of nodes into the host's history (UT_UndoManager) as they happen: nodes
/// made and deleted, parameter values and expressions, wires and names. Spare parameter sets
/// are recorded by OP_SpareParmState. Records name nodes by id (never by pointer, nor by path,
/// which grows with depth) and still apply after the nodes they name were deleted and made
/// again: those get new ids, to which findNode leads. A step costs
/// what it changed: nothing is recorded for a node made within the same step beyond its
/// making, since taking that back deletes it whole.
class OP_UndoRecorder
{
public:
    /// The text that makes a node again (with everything inside it and its wires) when run
    /// as commands, and the runner of such text; installed by the command language.
    using SubtreeWriter = std::string (*)(OP_Node &node);
    using SubtreeReader = bool (*)(const std::string &text, std::string &error);
    static void setSubtreeIO(SubtreeWriter writer, SubtreeReader reader);

    /// Starts recording parameter changes (the node layer's parameter hook).
    static void installParmHook();

    static void nodeCreated(OP_Node &node);
    /// Before a node is deleted (and after it is known that it can be).
    static void nodeDeleting(OP_Node &node);
    /// Before an input of `node` is rewired.
    static void inputChanging(OP_Node &node, unsigned index);
    /// After a node was renamed.
    static void nodeRenamed(OP_Node &node, const std::string &oldName);

    /// The node a record made with the id `id` names now: the same node, or the one an undo
    /// or redo made again in its place; null when there is none.
    static OP_Node *findNode(int id);

    /// Whether the node was made within the step being recorded.
    static bool isNewInStep(const OP_Node &node);
};
