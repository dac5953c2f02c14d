#pragma once

#include <OP/OP_Node.h>

#include <string>

/// Keeps a node alive while something up the stack still uses it: as long as a pin on a node is
/// held, deleting the node, or a network that holds it, and replacing the scene are refused.
/// Pins nest and may be held by several threads at once.
///
///     OP_NodePin pin(node, OP_USE_BUILD);   // node stays until pin goes out of scope
///     clerk->buildShaderString(node, ...);  // may run scripts that try to delete it
class OP_NodePin
{
public:
    /// Pins `node` (a null node pins nothing) for the guard's lifetime.
    OP_NodePin(const OP_Node *node, OP_NodeUse use);
    ~OP_NodePin();
    OP_NodePin(const OP_NodePin &) = delete;
    OP_NodePin &operator=(const OP_NodePin &) = delete;

    /// Why `node` cannot go ("it is being built", "/shop/mat/p is being built"), or the empty
    /// text when neither it nor anything inside it is pinned.
    static std::string describeUse(const OP_Node &node);

private:
    const OP_Node *myNode;
    OP_NodeUse myUse;
};
