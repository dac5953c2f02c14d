#pragma once

#include <shop/node/SHOP_Node.h>

/// The base of shader nodes whose number of inputs follows their connections (switch, select,
/// properties, co-shader merge, and the output node of a subnet).
///
/// It shows one free input beyond the connected ones, and runs its change notifications in
/// passes: a change that travels through a chain, or a loop, of such nodes re-validates and
/// notifies each of them once per pass, and every pass ends.
class SHOP_VariableInput : public SHOP_Node
{
public:
    SHOP_VariableInput(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);
    ~SHOP_VariableInput() override;

    unsigned getNumVisibleInputs() const override { return nInputs() + 1; }
    unsigned orderedInputs() const override { return 0; }
    void opChanged(OP_EventType reason, void *data = nullptr) override;

    /// Run when the inputs changed; nothing to do for the nodes of this library.
    virtual void ensureParametersAreValid() {}

    /// The pass this node last handled (-1 for none), and the passes run so far.
    int getLastPass() const { return myLastPass; }
    static int getLatestPass() { return theLatestOpChangedId; }
    /// Whether an event tells of changed inputs: rewired, or changed upstream.
    static bool isInputEvent(OP_EventType reason);
    /// Whether a notification pass is running.
    static bool isPassRunning() { return theOriginalOpChanged != nullptr; }

protected:
    /// Run before the host handles a change.
    virtual void preOpChanged(OP_EventType, void *) {}
    /// Cooks the node at a time; false when that fails.
    bool cookAt(float now);
    /// Cooks input `index` as part of this node's cook: locked while it cooks, its time
    /// dependence becoming this node's. False when nothing is wired there.
    bool cookInput(unsigned index, OP_Context &context);

private:
    void notifyReaders();
    static void endPass();

    int myLastPass = -1;
    static SHOP_Node *theOriginalOpChanged;
    static int theLatestOpChangedId;
};
