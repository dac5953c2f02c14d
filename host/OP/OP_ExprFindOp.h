#pragma once

#include <OP/OP_Node.h>

#include <cstdint>
#include <string>

struct EV_CallSite;

/// A node lookup for one call site of an expression function that names a node: the node a
/// path found is remembered while the scene stands still. The expression language makes one
/// per call site through allocFindOp and frees it with freeFindOp.
class OP_ExprFindOp
{
public:
    static void *allocFindOp();
    static void freeFindOp(void *data);

    /// The node at `path` (absolute or relative to `from`), or null. With `addDependency`
    /// `from` depends on the node's name, so that it cooks again when the node goes or comes.
    /// Only the main thread (index 0) keeps what it found; others look the path up each time.
    OP_Node *getNode(const char *path, OP_Node *from, bool addDependency, int thread = 0);

    /// Makes `owner` depend on the node at `path` (relative to it) with that interest.
    static void addExprOpDependency(const char *path, OP_Node *owner, OP_InterestType interest);
    /// For a rename callback: the new text of a node path argument of a call site when the
    /// node at `oldPath` moved to `newPath`; false when it stays.
    static bool changeExprOpRef(const EV_CallSite &site, int arg, const std::string &oldPath,
                                const std::string &newPath, std::string &replacement);

private:
    std::string myPath;
    const OP_Node *myFrom = nullptr;
    int myNodeId = -1;
    uint64_t myChanges = ~uint64_t(0);
};
