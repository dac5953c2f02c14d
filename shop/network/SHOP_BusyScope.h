#pragma once

#include <OP/OP_NodePin.h>

/// Marks a node busy for the length of one call. A call that finds the node busy already has
/// come back to it through a loop in the network; it must answer "nothing" at once instead of
/// recursing, and must leave the flag to the call that set it. Meanwhile the node cannot be
/// deleted by scripts that the call runs.
class SHOP_BusyScope
{
public:
    SHOP_BusyScope(const OP_Node &node, bool &busy)
        : myPin(&node, OP_USE_REQUEST), myBusy(busy), myEntered(!busy)
    {
        myBusy = true;
        if (!myEntered)
            ++theRefusals;
    }
    ~SHOP_BusyScope()
    {
        if (myEntered)
            myBusy = false;
    }
    SHOP_BusyScope(const SHOP_BusyScope &) = delete;
    SHOP_BusyScope &operator=(const SHOP_BusyScope &) = delete;

    /// False when the node was busy already: the caller answers "nothing".
    bool entered() const { return myEntered; }

    /// Calls refused on this thread so far: an answer worked out while one was refused holds
    /// only for the way the loop was entered, and must not be remembered.
    static unsigned refusals() { return theRefusals; }

private:
    OP_NodePin myPin;
    bool &myBusy;
    bool myEntered;
    static inline thread_local unsigned theRefusals = 0;
};
