#pragma once

#include <shop/network/SHOP_BusyScope.h>
#include <shop/network/SHOP_VariableInput.h>

/// The base of the network nodes that pass requests on to inputs they choose (switch, select,
/// properties). A subclass supplies its choice, `iterateNext`; this base walks it.
///
/// A lookup of a parameter or property that the node's own parameters do not answer goes to
/// the chosen inputs in order, and the first that answers wins. Such lookups are guarded: one
/// that comes back to a node already answering (a loop through references) answers nothing.
/// They cook the node first, so that the choice follows animated parameters. Every node of
/// the family serves any renderer unless its subclass says otherwise.
class SHOP_Chooser : public SHOP_VariableInput
{
public:
    bool getParameterOrProperty(const char *name, float now, OP_Node *&node, PRM_Parm *&parm,
                                PRM_ParmList *obsolete, bool createMissingMultiParms) override;
    bool getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                         PRM_Parm *&parm, int &component,
                                         PRM_ParmList *obsolete) override;

    /// Whether a guarded request is running on this node.
    bool isBusy() const { return myBusy; }
    /// Whether a guarded lookup runs on this thread. Inside one, a node may answer "not found"
    /// only because it is being asked already, so nothing found then may be remembered.
    static bool isLookupRunning();

protected:
    SHOP_Chooser(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);

    /// The next chosen input after `index` (start with -1), moving `index` to it; null when
    /// the choice is exhausted.
    virtual SHOP_Node *iterateNext(int &index, float now, const UT_Options *overrides) = 0;

    /// How a guarded walk ended.
    enum class Walk
    {
        answered,     ///< a chosen input said yes
        unanswered,   ///< every chosen input was asked, none said yes
        reachedAgain, ///< the node was answering already (a loop): nobody was asked
        uncooked,     ///< the node failed to cook: nobody was asked
    };
    /// What a guarded walk does before it asks.
    enum class Start
    {
        asIs,      ///< builds: the request that found the node cooked it
        afterCook, ///< lookups and shader requests: the choice follows the time asked for
    };

    /// Asks the chosen inputs in order until `ask` says yes; false when none does.
    template <typename Ask>
    bool askChosen(float now, const UT_Options *overrides, Ask ask)
    {
        int index = -1;
        while (SHOP_Node *input = iterateNext(index, now, overrides))
            if (ask(*input))
                return true;
        return false;
    }
    /// askChosen under the node's guard, which also keeps the node from being deleted by
    /// scripts the inputs run.
    template <typename Ask>
    Walk askChosenOnce(float now, const UT_Options *overrides, Start start, Ask ask)
    {
        SHOP_BusyScope busy(*this, myBusy);
        if (!busy.entered())
            return Walk::reachedAgain;
        if (start == Start::afterCook && !cookAt(now))
            return Walk::uncooked;
        return askChosen(now, overrides, ask) ? Walk::answered : Walk::unanswered;
    }
    /// A cooked, guarded walk for a lookup of parameters or properties: true when an input
    /// answered. It counts as a lookup in progress (see isLookupRunning).
    template <typename Ask>
    bool lookUpChosen(float now, Ask ask)
    {
        LookupScope lookup;
        return askChosenOnce(now, nullptr, Start::afterCook, ask) == Walk::answered;
    }

    /// The flag the guarded requests share; subclasses guard their own queries with it.
    bool &busyFlag() const { return myBusy; }

private:
    /// Counts a guarded lookup in progress on this thread for its lifetime.
    class LookupScope
    {
    public:
        LookupScope();
        ~LookupScope();
        LookupScope(const LookupScope &) = delete;
        LookupScope &operator=(const LookupScope &) = delete;
    };

    // Guarded requests also come through const operations (the type queries).
    mutable bool myBusy = false;
};
