#pragma once

/// The base of whatever a clerk keeps per shader node in the node's clerk cache. The cache owns
/// its entries and deletes them through this destructor.
class SHOP_ClerkCacheEntry
{
public:
    virtual ~SHOP_ClerkCacheEntry() = default;
};
