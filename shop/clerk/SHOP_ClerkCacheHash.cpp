#include <shop/clerk/SHOP_ClerkCacheHash.h>

#include <OP/OP_Node.h>

namespace
{
int shop_id(const OP_Node *node)
{
    return node ? node->getUniqueId() : -1;
}
} // namespace

uint32_t SHOP_ClerkCacheHash::mix(uint32_t x)
{
    x += ~(x << 16);
    x ^= x >> 5;
    x += x << 3;
    x ^= x >> 13;
    x += ~(x << 9);
    x ^= x >> 17;
    return x;
}

SHOP_ClerkCacheHash::SHOP_ClerkCacheHash(const SHOP_Clerk *clerk, OP_Node *node, OP_Node *object,
                                         OP_Node *sop)
    : myClerk(clerk), myNodeId(shop_id(node)), myObjectId(shop_id(object)), mySopId(shop_id(sop))
{
    // The clerk enters as its address cut to 32 bits, the ids as their two's-complement bits.
    const uint32_t clerkBits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(clerk));
    myHash = clerkBits ^ static_cast<uint32_t>(myNodeId) ^ mix(static_cast<uint32_t>(myObjectId)) ^
             mix(mix(static_cast<uint32_t>(mySopId)));
}

int SHOP_ClerkCacheHash::compare(const SHOP_ClerkCacheHash &other) const
{
    return myClerk == other.myClerk && myNodeId == other.myNodeId &&
                   myObjectId == other.myObjectId && mySopId == other.mySopId
               ? 0
               : -1;
}
