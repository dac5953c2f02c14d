#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class OP_Node;

/// The children of a network: owned, in the order they were added (which listings and saved
/// scenes show), with an index by name so that a lookup costs the same in a network of ten
/// nodes as in one of a hundred thousand. A child's name must not change while it is listed,
/// except through rename().
class OP_ChildList
{
public:
    OP_ChildList();
    ~OP_ChildList();
    OP_ChildList(const OP_ChildList &) = delete;
    OP_ChildList &operator=(const OP_ChildList &) = delete;

    int size() const { return static_cast<int>(myOrder.size()); }
    bool empty() const { return myOrder.empty(); }
    /// The child at a position, or null.
    OP_Node *at(int index) const;
    OP_Node *back() const { return myOrder.empty() ? nullptr : myOrder.back().get(); }
    /// Whether `node` is listed; found by address alone, so any pointer may be asked about.
    bool contains(const OP_Node *node) const;
    /// The child of that name, or null.
    OP_Node *find(std::string_view name) const;

    /// Adds a child at the end; its name must be free.
    void append(std::unique_ptr<OP_Node> child);
    /// Takes a child out, handing back its ownership (null when it is not listed).
    std::unique_ptr<OP_Node> remove(OP_Node *child);
    /// Takes the last child out.
    std::unique_ptr<OP_Node> removeLast();
    /// Gives a listed child a new name, which must be free.
    void rename(OP_Node *child, const std::string &name);

    /// `name` when no child has it; otherwise the name with its trailing number replaced by
    /// the lowest number that makes it free ("plastic1" -> "plastic2", "box" -> "box1").
    std::string uniqueName(const char *name) const;

private:
    /// A name left free: numbered names of its stem may now be free from its number on.
    void released(const std::string &name);

    // The index by name: open addressing over slots that keep each name's hash next to its
    // node, so that a lookup in a large network reads one slot, and the node's name only when
    // the hashes agree, rather than a chain of separately allocated entries.
    struct op_Slot
    {
        size_t hash = 0;
        OP_Node *node = nullptr; // null: never used; theGone: its node left
    };
    struct op_Lookup
    {
        std::vector<op_Slot> slots; // a power of two of them, at most half in use
        size_t used = 0;            // slots holding a node or theGone
        // Per name stem ("plastic"), a number below which every "stemN" is taken, so that
        // numbering the n-th unnamed node does not try the n-1 numbers before it.
        std::unordered_map<std::string, long> firstFree;
    };
    void index(OP_Node *child);
    void unindex(OP_Node *child);

    std::vector<std::unique_ptr<OP_Node>> myOrder;
    // The child found last: commands come in runs naming the same node, and comparing one
    // name costs less than probing the index of a large network. Forgotten when it leaves or
    // changes its name.
    mutable OP_Node *myLastFound = nullptr;
    // Made with the first child: most networks (every shader node is one) never have any.
    std::unique_ptr<op_Lookup> myLookup;
};
