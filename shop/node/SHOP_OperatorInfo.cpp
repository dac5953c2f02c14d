#include <shop/node/SHOP_OperatorInfo.h>

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_ClerkRegistry.h>

#include <UT/UT_WorkBuffer.h>

namespace
{
struct shop_Context
{
    SHOP_TYPE type;
    int context;
};

// The shading contexts of the code generators, by the shader type that runs in them.
constexpr shop_Context theVexContexts[] = {
    {SHOP_SURFACE, 1},     {SHOP_DISPLACEMENT, 2}, {SHOP_LIGHT, 4},         {SHOP_LIGHT_SHADOW, 8},
    {SHOP_ATMOSPHERE, 16}, {SHOP_PHOTON, 32},      {SHOP_IMAGE3D, 0x10000}, {SHOP_CVEX, 0x20000},
};
constexpr shop_Context theRslContexts[] = {
    {SHOP_SURFACE, 1},
    {SHOP_DISPLACEMENT, 2},
    {SHOP_LIGHT, 4},
    {SHOP_ATMOSPHERE, 8}, // the volume context
};

template <size_t N>
int shop_contextOf(const shop_Context (&table)[N], SHOP_TYPE type)
{
    for (const shop_Context &row : table)
        if (row.type == type)
            return row.context;
    return 0;
}
} // namespace

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
    return shop_contextOf(theVexContexts, type);
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
    return maskMatches("RIB", getRenderMask()) ? shop_contextOf(theRslContexts, myShaderType) : 0;
}

void SHOP_OperatorInfo::saveToDialogScript(std::ostream &os) const
{
    os << "    rendermask\t" << UT_WorkBuffer::protect(getRenderMask()) << "\n";
}
