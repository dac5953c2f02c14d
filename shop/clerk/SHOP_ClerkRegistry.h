#pragma once

#include <shop/types/SHOP_Type.h>

#include <UT/UT_PtrArray.h>

class SHOP_Clerk;

/// The clerks of every shader type, in registration order. A render name is unique within a
/// type's list: a later clerk of the same name takes the earlier one's place. The registry
/// never deletes clerks.
class SHOP_ClerkRegistry
{
public:
    /// Registers a clerk for a type; false (and nothing changed) for a type without an entry in
    /// the type table or a null clerk.
    static bool addShaderClerk(SHOP_TYPE type, SHOP_Clerk *clerk);
    /// The list of a type; the list of SHOP_UNDEFINED for a value that is not a valid type.
    static UT_PtrArray<SHOP_Clerk *> &getClerkList(SHOP_TYPE type);
    static UT_PtrArray<SHOP_Clerk *> &getClerkList(int type)
    {
        return getClerkList(static_cast<SHOP_TYPE>(type));
    }
};
