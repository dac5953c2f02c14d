#pragma once

#include <OP/OP_Node.h>

#include <vector>

class VOP_Operator;

/// A node of a VOP network: one step of the shader its network compiles to. Its operator
/// (VOP_Operator) says what the step is; the owner's code generator reads the node's wires and
/// parameters when it writes the code.
class VOP_Node : public OP_Node
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    /// The operator, as a VOP type; never null for nodes made through myConstructor.
    const VOP_Operator &getVopOperator() const;

    const char *getOpType() const override { return "VOP"; }
    int getOpTypeID() const override;
    /// Besides the host's handling, tells the owning network of every change, however many
    /// come between two cooks, since what the network compiles to follows each of them.
    void opChanged(OP_EventType reason, void *data = nullptr) override;

protected:
    VOP_Node(OP_Network *parent, const char *name, OP_Operator *op);

private:
    static void tellOwners();
    // Ids of the networks to tell once the change being delivered has run its course.
    static thread_local std::vector<int> theOwnersToTell;
    // Whether a change that a VOP node started is being delivered.
    static thread_local int theBatchDepth;
};
