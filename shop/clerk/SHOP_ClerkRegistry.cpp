#include <shop/clerk/SHOP_ClerkRegistry.h>

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/types/SHOP_TypeTable.h>

#include <OP/OP_Director.h>

#include <cstring>

namespace
{
UT_PtrArray<SHOP_Clerk *> &shop_list(int type)
{
    static UT_PtrArray<SHOP_Clerk *> theLists[SHOP_MAX_TYPES];
    return theLists[SHOP_TypeTable::isValidType(type) ? type : SHOP_UNDEFINED];
}
} // namespace

bool SHOP_ClerkRegistry::addShaderClerk(SHOP_TYPE type, SHOP_Clerk *clerk)
{
    if (!clerk || !SHOP_TypeTable::isValidType(type))
        return false;
    const char *name = clerk->getRenderName();
    UT_PtrArray<SHOP_Clerk *> &list = shop_list(type);
    bool replaced = false;
    for (SHOP_Clerk *&slot : list)
        if (std::strcmp(slot->getRenderName(), name) == 0)
        {
            slot = clerk;
            replaced = true;
        }
    if (replaced)
        return true;
    OPgetDirector()->addShopClerk(name);
    list.append(clerk);
    return true;
}

UT_PtrArray<SHOP_Clerk *> &SHOP_ClerkRegistry::getClerkList(SHOP_TYPE type)
{
    return shop_list(type);
}
