#pragma once

/// Marks a node busy for the length of one call. A call that finds the node busy already has
/// come back to it through a loop in the network; it must answer "nothing" at once instead of
/// recursing, and must leave the flag to the call that set it.
class SHOP_BusyScope
{
public:
    explicit SHOP_BusyScope(bool &busy) : myBusy(busy), myEntered(!busy) { myBusy = true; }
    ~SHOP_BusyScope()
    {
        if (myEntered)
            myBusy = false;
    }
    SHOP_BusyScope(const SHOP_BusyScope &) = delete;
    SHOP_BusyScope &operator=(const SHOP_BusyScope &) = delete;

    /// False when the node was busy already: the caller answers "nothing".
    bool entered() const { return myEntered; }

private:
    bool &myBusy;
    bool myEntered;
};
