#include <OP/OP_ChildList.h>

#include <OP/OP_Node.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace
{
// The name without its trailing digits.
std::string_view op_stem(std::string_view name)
{
    size_t end = name.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1])))
        --end;
    return name.substr(0, end);
}

// The number a generated name carries (as uniqueName writes it: no leading zero), or 0.
long op_number(std::string_view name, std::string_view stem)
{
    std::string_view digits = name.substr(stem.size());
    long number = 0;
    if (digits.empty() || digits[0] == '0' ||
        std::from_chars(digits.data(), digits.data() + digits.size(), number).ec != std::errc())
        return 0;
    return number;
}

size_t op_hash(std::string_view name)
{
    return std::hash<std::string_view>{}(name);
}

// Marks a slot whose node left: lookups probe past it, additions may take it.
OP_Node *const theGone = reinterpret_cast<OP_Node *>(alignof(OP_Node));
} // namespace

OP_ChildList::OP_ChildList() = default;

OP_ChildList::~OP_ChildList() = default;

OP_Node *OP_ChildList::at(int index) const
{
    return index >= 0 && index < size() ? myOrder[static_cast<size_t>(index)].get() : nullptr;
}

OP_Node *OP_ChildList::find(std::string_view name) const
{
    if (myLastFound && myLastFound->getName() == name)
        return myLastFound;
    if (!myLookup)
        return nullptr;
    const size_t hash = op_hash(name);
    const std::vector<op_Slot> &slots = myLookup->slots;
    const size_t mask = slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask)
    {
        const op_Slot &slot = slots[i];
        if (!slot.node)
            return nullptr;
        if (slot.hash == hash && slot.node != theGone && slot.node->getName() == name)
            return myLastFound = slot.node;
    }
}

void OP_ChildList::index(OP_Node *child)
{
    std::vector<op_Slot> &slots = myLookup->slots;
    // Kept at most half full, counting the slots of nodes gone: probes stay short, and one
    // always ends at an empty slot.
    if (2 * (myLookup->used + 1) > slots.size())
    {
        std::vector<op_Slot> old(std::max<size_t>(8, 2 * slots.size()));
        old.swap(slots);
        // Few nodes left for many slots taken: the same size, cleared of the gone.
        if (2 * myOrder.size() < old.size() / 2)
            slots.assign(old.size(), op_Slot{});
        myLookup->used = 0;
        const size_t mask = slots.size() - 1;
        for (const op_Slot &slot : old)
            if (slot.node && slot.node != theGone)
            {
                size_t i = slot.hash & mask;
                while (slots[i].node)
                    i = (i + 1) & mask;
                slots[i] = slot;
                ++myLookup->used;
            }
    }
    const size_t hash = op_hash(child->getName());
    const size_t mask = slots.size() - 1;
    size_t i = hash & mask;
    while (slots[i].node && slots[i].node != theGone)
        i = (i + 1) & mask;
    if (!slots[i].node)
        ++myLookup->used;
    slots[i] = {hash, child};
}

void OP_ChildList::unindex(OP_Node *child)
{
    std::vector<op_Slot> &slots = myLookup->slots;
    const size_t hash = op_hash(child->getName());
    const size_t mask = slots.size() - 1;
    for (size_t i = hash & mask; slots[i].node; i = (i + 1) & mask)
        if (slots[i].node == child)
        {
            slots[i].node = theGone;
            return;
        }
}

// Every change of a network's children counts as a change of the scene, before anything is
// told of it: what was worked out from the scene before no longer holds.
void OP_ChildList::append(std::unique_ptr<OP_Node> child)
{
    OP_Node::countChange();
    if (!myLookup)
        myLookup = std::make_unique<op_Lookup>();
    myOrder.push_back(std::move(child));
    index(myOrder.back().get());
}

bool OP_ChildList::contains(const OP_Node *node) const
{
    return std::any_of(myOrder.rbegin(), myOrder.rend(),
                       [node](const auto &c) { return c.get() == node; });
}

std::unique_ptr<OP_Node> OP_ChildList::remove(OP_Node *child)
{
    // From the back: nodes are most often taken out in the reverse of the order they came.
    auto it = std::find_if(myOrder.rbegin(), myOrder.rend(),
                           [child](const auto &c) { return c.get() == child; });
    if (it == myOrder.rend())
        return nullptr;
    OP_Node::countChange();
    if (myLastFound == child)
        myLastFound = nullptr;
    std::unique_ptr<OP_Node> taken = std::move(*it);
    myOrder.erase(std::next(it).base());
    unindex(taken.get());
    released(taken->getName());
    return taken;
}

std::unique_ptr<OP_Node> OP_ChildList::removeLast()
{
    return myOrder.empty() ? nullptr : remove(myOrder.back().get());
}

void OP_ChildList::rename(OP_Node *child, const std::string &name)
{
    OP_Node::countChange();
    if (myLastFound == child)
        myLastFound = nullptr;
    // Out of the index while the name, which places it there, changes.
    unindex(child);
    const std::string old = child->getName();
    child->setNameInternal(name);
    index(child);
    released(old);
}

void OP_ChildList::released(const std::string &name)
{
    const std::string_view stem = op_stem(name);
    const long number = op_number(name, stem);
    auto it = myLookup->firstFree.find(std::string(stem));
    if (number > 0 && it != myLookup->firstFree.end() && number < it->second)
        it->second = number;
}

std::string OP_ChildList::uniqueName(const char *name) const
{
    if (!find(name))
        return name;
    const std::string stem(op_stem(name));
    long &first = myLookup->firstFree.try_emplace(stem, 1).first->second;
    std::string candidate;
    for (;; ++first)
    {
        candidate = stem + std::to_string(first);
        if (!find(candidate))
            return candidate;
    }
}
