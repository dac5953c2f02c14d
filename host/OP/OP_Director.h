#pragma once

#include <OP/OP_Network.h>
#include <OP/OP_OperatorTable.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

/// The host's scene: the root network "/", the operator tables of every context, the node ids,
/// the current network of each thread, and the names of the registered shader clerks.
class OP_Director
{
public:
    /// The name of the table whose types can be created at the root.
    static constexpr const char *theRootTableName = "Director";

    OP_Director();
    ~OP_Director();

    /// The root network "/", made on first use.
    OP_Network *getRoot() const;
    /// The table of that name, made empty on first request.
    OP_OperatorTable *getOperatorTable(const char *name);
    /// All tables by name.
    const std::map<std::string, std::unique_ptr<OP_OperatorTable>> &getOperatorTables() const
    {
        return myTables;
    }

    /// The calling thread's current network (the root when unset or deleted).
    OP_Network *getCwd() const;
    void setCwd(OP_Network *network);

    /// The node with that unique id, or null once it is deleted.
    OP_Node *lookupNode(int id) const;
    /// An absolute path from the root.
    OP_Node *findNode(const char *path) const;

    /// Registers the render name of a shader clerk, once per name.
    void addShopClerk(const char *renderName);
    const std::vector<std::string> &getShopClerks() const { return myShopClerks; }

    /// Deletes every node but the root's managers' contents too: an empty scene. Refused
    /// (false, nothing deleted) while any node is in use (OP_NodePin).
    bool clearNetwork();
    /// Puts a new, empty root in place and hands over the previous one with everything in it,
    /// untouched: a scene being replaced is kept whole until its replacement is known to be good.
    std::unique_ptr<OP_Network> detachRoot();
    /// Puts a root that detachRoot handed over back in place; the root it replaces is deleted.
    void restoreRoot(std::unique_ptr<OP_Network> root);
    /// Deletes a root that detachRoot handed over, children first, as clearNetwork does.
    static void destroyRoot(std::unique_ptr<OP_Network> root);

    /// Replaces a node's spare parameters by a terminated template array: parameters that stay
    /// keep their values, those not in it go, new ones are added. What cannot be added is
    /// described in `errors` (one line each); everything else is still applied.
    void changeNodeSpareParms(OP_Node &node, const PRM_Template *templates, UT_String &errors);

    /// Whether a scene file is being read: nodes are then re-created as they were saved, so
    /// their creation scripts do not run again.
    bool isLoading() const { return myLoading > 0; }
    void beginLoading() { ++myLoading; }
    void endLoading()
    {
        if (myLoading > 0)
            --myLoading;
    }

    /// Calls `visit` for every node below (not including) `network`, parents before children.
    static void traverse(OP_Network *network, const std::function<void(OP_Node &)> &visit);

private:
    friend class OP_Node;
    int registerNode(OP_Node *node);
    void unregisterNode(int id);

    std::map<std::string, std::unique_ptr<OP_OperatorTable>> myTables;
    int myLoading = 0;
    // Indexed by id. Ids are never reused, so a stale id finds nothing rather than another
    // node; the entry of a deleted node stays, empty.
    std::vector<OP_Node *> myNodes;
    std::map<int, int> myCwd; // thread index -> network id
    std::vector<std::string> myShopClerks;
    std::unique_ptr<OP_Operator> myRootOperator;
    mutable std::unique_ptr<OP_Network> myRoot;
};

/// The host's director, made on first use.
OP_Director *OPgetDirector();
