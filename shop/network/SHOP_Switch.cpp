#include <shop/network/SHOP_Switch.h>

#include <shop/node/SHOP_Trace.h>

#include <PRM/PRM_Template.h>

namespace
{
constexpr const char *theInputParm = "input";
constexpr int theInputIndex = 0; // its position among the parameters
} // namespace

SHOP_Switch::SHOP_Switch(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_Mutable(parent, name, op)
{
}

OP_Node *SHOP_Switch::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Switch(parent, name, op);
}

PRM_Template *SHOP_Switch::getTemplates()
{
    // Below 0 is no input at all, so that end is restricted; 10 only bounds the slider, since
    // the switch takes as many inputs as are wired.
    static PRM_Template theTemplates[] = {
        PRM_Template(PRM_INT, 1, PRM_Name(theInputParm, "Choose Input"), {PRM_Default(0)}, nullptr,
                     PRM_Range(0, 10, true, false)),
        PRM_Template(),
    };
    return theTemplates;
}

int SHOP_Switch::getActive(float now)
{
    // By position, as the operator's first parameter: asked on every request.
    int index = evalInt(theInputIndex, 0, now);
    // A node that failed already has its error; the warning would only bury it.
    if (error() < UT_ERROR_ABORT)
    {
        const int count = static_cast<int>(nInputs());
        const int chosen = index;
        if (index < 0)
        {
            index = 0;
            addWarning(SHOP_ERR_INDEX_RANGE, "Index out of range");
        }
        else if (index >= count)
        {
            index = count - 1;
            addWarning(SHOP_ERR_INDEX_RANGE, "Index out of range");
        }
        if (index != chosen)
            SHOP_Trace::note(*this,
                             [&]
                             {
                                 if (count == 0)
                                     return std::string("has no inputs to choose from");
                                 return "input " + std::to_string(chosen) +
                                        " is out of range, clamped to " + std::to_string(index);
                             });
    }
    return index >= 0 && getInput(static_cast<unsigned>(index)) ? index : -1;
}

SHOP_Node *SHOP_Switch::iterateNext(int &index, float now, const UT_Options *)
{
    const int active = getActive(now);
    // Coming back with the index already on the active input ends the walk after one step.
    if (active == index)
        return nullptr;
    index = active;
    OP_Node *input = active < 0 ? nullptr : getInput(static_cast<unsigned>(active));
    SHOP_Trace::note(*this,
                     [&]
                     {
                         return active < 0 ? std::string("its chosen input is not connected")
                                           : "asks its active input " + std::to_string(active);
                     });
    return input ? input->castToSHOPNode() : nullptr;
}

SHOP_TYPE SHOP_Switch::getShaderType() const
{
    SHOP_BusyScope busy(*this, busyFlag());
    if (!busy.entered())
        return SHOP_UNDEFINED;
    return agreedInputType(true);
}

void SHOP_Switch::checkTimeDependencies(int doParms, int, int doExtras)
{
    SHOP_Mutable::checkTimeDependencies(doParms, 0, doExtras);
}

void SHOP_Switch::cookChoice(OP_Context &context)
{
    const int active = getActive(context.getTime());
    if (active >= 0)
        cookInput(static_cast<unsigned>(active), context);
}
