#pragma once

#include <OP/OP_ChildList.h>
#include <OP/OP_Node.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class OP_OperatorFilter;
class OP_OperatorTable;

/// A node that holds children. The network owns its children; deleting one disconnects its
/// wires and tells the nodes that depended on it.
class OP_Network : public OP_Node
{
public:
    ~OP_Network() override;

    bool isNetwork() const override { return true; }

    /// The table the children's types come from (named by the operator's child table), or null.
    OP_OperatorTable *getOperatorTable() const;
    /// The type name of the children ("SHOP", ...); the base gives the child table's name.
    virtual const char *getChildType() const;
    virtual int getChildTypeID() const { return 0; }

    /// Creates a child of the named type. With no name, or a name that is taken, the name is
    /// made unique by a number. Null with `error` set for an unknown type or a bad name.
    OP_Node *createNode(const char *type, const char *name, std::string &error);
    OP_Node *createNode(const char *type, const char *name = nullptr);

    int getNchildren() const { return myChildren.size(); }
    OP_Node *getChild(int index) const { return myChildren.at(index); }
    OP_Node *getChild(const char *name) const { return name ? myChildren.find(name) : nullptr; }
    OP_Node *findChild(std::string_view name) const { return myChildren.find(name); }
    /// Renames a child; expressions that name it, or anything inside it, follow. False with
    /// `error` set for a bad or taken name.
    bool renameNode(OP_Node *child, const char *name, std::string &error);
    /// Moves a child, with everything inside it, into `destination` (a network whose children
    /// come from the same table), keeping its name when it is free there. Its wires are cut,
    /// since wires join members of one network; expressions naming it follow. False with
    /// `error` set when the move is not possible.
    bool moveNode(OP_Node *child, OP_Network *destination, std::string &error);
    /// Deletes a child and everything inside it. Refused (false with `error` set) while it, or
    /// anything inside it, is in use (OP_NodePin).
    bool destroyNode(OP_Node *child, std::string &error);
    bool destroyNode(OP_Node *child);

    /// Which operator types may be created inside; null allows every type of the table.
    virtual OP_OperatorFilter *getOperatorFilter() { return nullptr; }
    /// Whether this network is a subnetwork: one whose children come from the same table as
    /// its siblings (a network within a network of its own kind), rather than a manager of
    /// another kind. `includeManagers` counts networks directly under the root too.
    bool isSubNetwork(bool includeManagers) const;
    /// The nearest enclosing network that is not a subnetwork (itself when it is not one).
    OP_Network *getCreator();
    /// Tells this network and everything below it, parents first, that a scene file has been
    /// read (each node's finishedLoadingNetwork).
    void finishedLoadingTree();

    /// Whether `name` may name a node: letters, digits, '_', '.' and '-', and not "." or "..".
    static bool isValidNodeName(const char *name);
    /// `name` if no child has it, else name with its trailing number replaced by the lowest
    /// free one.
    std::string getUniqueName(const char *name) const;

protected:
    OP_Network(OP_Network *parent, const char *name, OP_Operator *op);

    /// Hooks for subclasses, called after the change.
    virtual void childCreated(OP_Node *) {}
    virtual void childDeleted(OP_Node *) {}
    /// Called when a child's flags (its bypass) changed.
    virtual void childFlagChange(OP_Node *) {}

private:
    friend class OP_Director;
    friend class OP_Node; // tells the parent of flag changes
    OP_ChildList myChildren;
};
