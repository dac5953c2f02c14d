#include <shop/node/SHOP_OperatorInfo.h>

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_ClerkRegistry.h>

#include <UT/UT_WorkBuffer.h>

SHOP_OperatorInfo::SHOP_OperatorInfo(int autoAddMode, const char *mask, SHOP_TYPE type)
    : myShaderType(type), myRenderMask(mask), myAutoAdd(autoAddMode)
{
    applyAutoAdd();
}

bool SHOP_OperatorInfo::maskMatches(const char *renderer, const char *mask)
{
    return UT_String(renderer).multiMatch(mask, true, ", ");
}

void SHOP_OperatorInfo::setShaderType(SHOP_TYPE type)
{
    myShaderType = type;
    applyAutoAdd();
}

void SHOP_OperatorInfo::setRenderMask(const char *mask)
{
    myRenderMask.harden(mask);
    applyAutoAdd();
}

// Walks the clerks from the last registered to the first, so that with several names added the
// mask lists the newest first.
void SHOP_OperatorInfo::applyAutoAdd()
{
    if (myAutoAdd != 1 && myAutoAdd != 2)
        return;
    const UT_PtrArray<SHOP_Clerk *> &clerks = SHOP_ClerkRegistry::getClerkList(myShaderType);
    for (int i = clerks.entries() - 1; i >= 0; --i)
    {
        const SHOP_Clerk *clerk = clerks(i);
        if (!clerk->requireAutoAdd(myShaderType) || (myAutoAdd == 1 && !clerk->generatesString()))
            continue;
        const char *name = clerk->getRenderName();
        if (maskMatches(name, myRenderMask.c_str()))
            continue;
        myRenderMask.str() += ' ';
        myRenderMask.str() += name;
    }
}

int SHOP_OperatorInfo::vexContextOf(SHOP_TYPE type)
{
    switch (type)
    {
    case SHOP_SURFACE:
        return 1;
    case SHOP_DISPLACEMENT:
        return 2;
    case SHOP_LIGHT:
        return 4;
    case SHOP_LIGHT_SHADOW:
        return 8;
    case SHOP_ATMOSPHERE:
        return 16;
    case SHOP_PHOTON:
        return 32;
    case SHOP_IMAGE3D:
        return 0x10000;
    case SHOP_CVEX:
        return 0x20000;
    default:
        return 0;
    }
}

int SHOP_OperatorInfo::getVexContextType() const
{
    for (const SHOP_Clerk *clerk : SHOP_ClerkRegistry::getClerkList(myShaderType))
        if (clerk->getIsVexClerk() && maskMatches(clerk->getRenderName(), getRenderMask()))
            return vexContextOf(myShaderType);
    return 0;
}

int SHOP_OperatorInfo::getRslContextType() const
{
    if (!maskMatches("RIB", getRenderMask()))
        return 0;
    switch (myShaderType)
    {
    case SHOP_SURFACE:
        return 1;
    case SHOP_DISPLACEMENT:
        return 2;
    case SHOP_LIGHT:
        return 4;
    case SHOP_ATMOSPHERE:
        return 8; // the volume context
    default:
        return 0;
    }
}

void SHOP_OperatorInfo::saveToDialogScript(std::ostream &os) const
{
    os << "    rendermask\t" << UT_WorkBuffer::protect(getRenderMask()) << "\n";
}
