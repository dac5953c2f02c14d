// How a change reaches every node that depends on the changed one: the readers of its
// outputs, the nodes whose expressions refer to it, and the networks that hold it.

#include <OP/OP_Node.h>

#include <OP/OP_Director.h>
#include <OP/OP_Network.h>

#include <atomic>
#include <cstdint>
#include <deque>

namespace
{
struct op_PendingChange
{
    int node; // by id: a node told earlier in the pass may delete it
    OP_EventType reason;
    void *data;
};

// Change passes: every node is told once per pass, which ends loops of dependencies. Within a
// pass, a node's dependants are not told from inside its own opChanged but queued here and
// told in turn by the call that began the pass, so that a change running down a chain of
// many thousand nodes, or up a tree nested as deep, never nests calls per node.
struct op_Delivery
{
    unsigned activePass = 0;
    std::deque<op_PendingChange> pending;
    std::vector<void (*)()> afterPass;
};
// One thread-local object, reached once per call: each reach costs a lookup in a library.
thread_local op_Delivery theDelivery;
std::atomic<unsigned> theNextPass = 0;

void *const theAnyInput = reinterpret_cast<void *>(intptr_t(-1));

// Whether an event changes only values, leaving the shape of the scene (what reads what, the
// nodes, their names, flags and parameter sets) as it was.
bool changesOnlyValues(OP_EventType reason)
{
    switch (reason)
    {
    case OP_PARM_CHANGED:
    case OP_INPUT_CHANGED:
    case OP_CHILD_CHANGED:
    case OP_UI_CHANGED:
    case OP_OUTPUTS_CHANGED:
        return true;
    default:
        return false;
    }
}
} // namespace

void OP_Node::opChanged(OP_EventType reason, void *data)
{
    noteChange(reason, data, true);
}

void OP_Node::noteChange(OP_EventType reason, void *data, bool dirty)
{
    ++theChangeCount;
    if (!changesOnlyValues(reason))
        ++theShapeCount;
    if (dirty)
        myDirty = true;
    // Handlers may remove themselves; walk a copy (most nodes have none to copy).
    if (myLinks && !myLinks->handlers.empty())
    {
        std::vector<std::pair<int, EventHandler>> handlers = myLinks->handlers;
        for (auto &[handle, handler] : handlers)
            handler(*this, reason, data);
    }

    op_Delivery &delivery = theDelivery;
    const bool outermost = delivery.activePass == 0;
    if (outermost)
        delivery.activePass = ++theNextPass;
    myLastPass = delivery.activePass;
    propagateChange(delivery.activePass);
    if (outermost)
        deliverPendingChanges();
}

void OP_Node::propagateChange(unsigned pass)
{
    std::deque<op_PendingChange> &pending = theDelivery.pending;
    auto tell = [pass, &pending](OP_Node &target, OP_EventType reason, void *data)
    {
        if (target.myLastPass == pass || target.toldOfValuesBefore(reason))
            return;
        target.myLastPass = pass;
        pending.push_back({target.myUniqueId, reason, data});
    };
    for (OP_Node *reader : myOutputs)
        tell(*reader, OP_INPUT_CHANGED, theAnyInput);
    OP_Director *director = OPgetDirector();
    if (myLinks)
        for (int id : myLinks->extraDependants)
            if (OP_Node *node = director->lookupNode(id))
                tell(*node, OP_INPUT_CHANGED, theAnyInput);
    // Up the networks only as far as one not told since the last cook anywhere: one that was
    // has had everything above and beside it told then, and nothing has been cooked clean
    // since. So nodes made or changed one after another deep in a tree cost one step each
    // rather than a walk to the top.
    if (myParent && !myParent->myBeingDestroyed && myParent->myChildChangeStamp != theCookCount + 1)
    {
        myParent->myChildChangeStamp = theCookCount + 1;
        tell(*myParent, OP_CHILD_CHANGED, this);
    }
}

// A node told that an input's value changed is dirty, and so is everything that reads it: it
// told them in turn. Until something cooks or the scene changes shape, telling it again would
// only walk the same nodes once more, so that changing each of many thousand nodes of a chain
// one after another would cost the square of its length.
bool OP_Node::toldOfValuesBefore(OP_EventType reason)
{
    if (reason != OP_INPUT_CHANGED)
        return false;
    const uint64_t settled = theCookCount + theShapeCount + 1;
    if (myValueChangeStamp == settled)
        return true;
    myValueChangeStamp = settled;
    return false;
}

void OP_Node::sendChange(OP_Node &target, OP_EventType reason, void *data)
{
    op_Delivery &delivery = theDelivery;
    if (delivery.activePass != 0)
    {
        if (!target.toldOfValuesBefore(reason))
            delivery.pending.push_back({target.myUniqueId, reason, data});
        return;
    }
    delivery.activePass = ++theNextPass;
    target.opChanged(reason, data);
    deliverPendingChanges();
}

bool OP_Node::isDeliveringChanges()
{
    return theDelivery.activePass != 0;
}

void OP_Node::afterChangesDelivered(void (*done)())
{
    op_Delivery &delivery = theDelivery;
    if (delivery.activePass == 0)
        done();
    else
        delivery.afterPass.push_back(done);
}

void OP_Node::deliverPendingChanges()
{
    op_Delivery &delivery = theDelivery;
    OP_Director *director = OPgetDirector();
    while (!delivery.pending.empty())
    {
        const op_PendingChange change = delivery.pending.front();
        delivery.pending.pop_front();
        if (OP_Node *node = director->lookupNode(change.node))
            node->opChanged(change.reason, change.data);
    }
    delivery.activePass = 0;
    std::vector<void (*)()> after;
    after.swap(delivery.afterPass);
    for (void (*done)() : after)
        done();
}

int OP_Node::addEventHandler(EventHandler handler)
{
    op_Links &links = this->links();
    links.handlers.emplace_back(links.nextHandler, std::move(handler));
    return links.nextHandler++;
}

void OP_Node::removeEventHandler(int handle)
{
    if (myLinks)
        std::erase_if(myLinks->handlers, [handle](const auto &h) { return h.first == handle; });
}
