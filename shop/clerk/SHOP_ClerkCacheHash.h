#pragma once

#include <cstddef>
#include <cstdint>

class OP_Node;
class SHOP_Clerk;

/// The key of a node's clerk cache: the clerk, the shader node, and the calling object and
/// geometry node of the build (-1 when there is none). The hash is computed once.
class SHOP_ClerkCacheHash
{
public:
    SHOP_ClerkCacheHash(const SHOP_Clerk *clerk, OP_Node *node, OP_Node *object, OP_Node *sop);

    /// 0 when all four identities are equal, -1 otherwise.
    int compare(const SHOP_ClerkCacheHash &other) const;
    bool operator==(const SHOP_ClerkCacheHash &other) const { return compare(other) == 0; }
    uint32_t hash() const { return myHash; }
    /// The byte size the key reports to its table.
    static int getMemUsage() { return 24; }

    const SHOP_Clerk *getClerk() const { return myClerk; }
    int getNodeId() const { return myNodeId; }
    int getObjectId() const { return myObjectId; }
    int getSopId() const { return mySopId; }

    /// The integer mix that spreads the object and geometry ids over the hash.
    static uint32_t mix(uint32_t x);

    struct Hasher
    {
        size_t operator()(const SHOP_ClerkCacheHash &key) const { return key.hash(); }
    };

private:
    const SHOP_Clerk *myClerk;
    int myNodeId;
    int myObjectId;
    int mySopId;
    uint32_t myHash;
};
