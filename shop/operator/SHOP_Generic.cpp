#include <shop/operator/SHOP_Generic.h>

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_AutoBuilder.h>
#include <shop/operator/SHOP_Operator.h>

#include <PRM/PRM_ParmList.h>

#include <string>
#include <vector>

namespace
{
OP_Operator *theMemo[SHOP_MAX_TYPES] = {};

PRM_Template shop_clerkParm(const SHOP_Clerk &clerk, SHOP_TYPE type)
{
    PRM_Name name(clerk.getRenderName(), clerk.getRenderLabel());
    const int script = clerk.getDialogScriptEnum(type);
    if (script >= 0)
        return PRM_Template(PRM_COMMAND, 1, name,
                            {PRM_Default(script, nullptr, PRM_DEFAULT_DIALOG_SCRIPT)});
    return PRM_Template(PRM_STRING, 1, name);
}

SHOP_TYPE shop_typeOf(OP_Operator *op)
{
    const auto *info = dynamic_cast<const SHOP_OperatorInfo *>(op->getOpSpecificData());
    return info ? info->getShaderType() : SHOP_UNDEFINED;
}
} // namespace

OP_Operator *SHOP_Generic::buildOperator(SHOP_TYPE type)
{
    if (type < 0 || type >= SHOP_MAX_TYPES)
        return nullptr;
    if (theMemo[type])
        return theMemo[type];

    std::vector<PRM_Template> templates;
    std::string mask;
    for (const SHOP_Clerk *clerk : getClerkList(type))
    {
        if (!clerk->generatesString())
            continue;
        templates.push_back(shop_clerkParm(*clerk, type));
        if (!mask.empty())
            mask += ' ';
        mask += clerk->getRenderName();
    }
    if (templates.empty())
        return nullptr;
    templates.emplace_back();

    const std::string typeName = getShaderType(type);
    auto *op = new SHOP_Operator(("gen_" + typeName).c_str(), ("Generic " + typeName).c_str(),
                                 myConstructor, templates.data(), 0, 0, getVariables(),
                                 OP_FLAG_GENERATOR, 1);
    theMemo[type] = op;
    if (type == SHOP_IMAGE3D)
    {
        const PRM_Template obsolete[] = {PRM_Template(PRM_STRING, 1, PRM_Name("VKorvit", "")),
                                         PRM_Template()};
        op->setObsoleteTemplates(obsolete);
    }
    op->getShopInfo().setRenderMask(mask.c_str());
    op->getShopInfo().setShaderType(type);
    op->useShaderIconName();
    return op;
}

SHOP_Generic::SHOP_Generic(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type)
    : SHOP_Node(parent, name, op, type)
{
}

OP_Node *SHOP_Generic::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Generic(parent, name, op, shop_typeOf(op));
}

bool SHOP_Generic::buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                     OP_Node *obj, OP_Node *sop)
{
    SHOP_AutoBuilder builder(this, now, obj, sop, overrides, "VKorvit", true);
    SHOP_Clerk *clerk = builder.getClerk();
    if (!clerk)
        return false;
    evalString(result, clerk->getRenderName(), 0, now);
    return result.isstring();
}

void SHOP_Generic::resolveObsoleteParms(PRM_ParmList *obsolete)
{
    PRM_Parm *old = obsolete ? obsolete->getParmPtr("VKorvit") : nullptr;
    PRM_Parm *current = getParmPtr("I3D");
    if (!old || !current)
        return;
    // An expression moves as an expression, so that it goes on following what it reads.
    const std::string text = old->getValueText(0);
    std::string error;
    const bool taken =
        text.empty() || (old->isExpression(0) ? current->setExpression(0, text.c_str(), error)
                                              : current->setValueFromText(0, text.c_str(), error));
    if (taken)
        obsolete->removeParm("VKorvit");
}
