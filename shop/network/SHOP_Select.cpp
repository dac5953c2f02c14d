#include <shop/network/SHOP_Select.h>

#include <shop/node/SHOP_Trace.h>

#include <PRM/PRM_Template.h>

namespace
{
// Parameter index i enables input i.
constexpr int theActivateCount = 4;
} // namespace

SHOP_Select::SHOP_Select(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_Mutable(parent, name, op)
{
}

OP_Node *SHOP_Select::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Select(parent, name, op);
}

PRM_Template *SHOP_Select::getTemplates()
{
    static PRM_Template theTemplates[] = {
        PRM_Template(PRM_INT, 1, PRM_Name("activate1", "Input 1"), {PRM_Default(1)}),
        PRM_Template(PRM_INT, 1, PRM_Name("activate2", "Input 2"), {PRM_Default(1)}),
        PRM_Template(PRM_INT, 1, PRM_Name("activate3", "Input 3"), {PRM_Default(1)}),
        PRM_Template(PRM_INT, 1, PRM_Name("activate4", "Input 4"), {PRM_Default(1)}),
        PRM_Template(),
    };
    return theTemplates;
}

int SHOP_Select::isActive(int index, float now) const
{
    return evalInt(index, 0, now) > 0 ? 1 : 0;
}

SHOP_Node *SHOP_Select::iterateNext(int &index, float now, const UT_Options *)
{
    const int count = static_cast<int>(maxInputs());
    for (++index; index < count; ++index)
    {
        OP_Node *input = getInput(static_cast<unsigned>(index));
        if (!isActive(index, now))
        {
            if (input)
                SHOP_Trace::note(*this,
                                 [&] { return "input " + std::to_string(index) + " is disabled"; });
            continue;
        }
        if (SHOP_Node *shader = input ? input->castToSHOPNode() : nullptr)
        {
            SHOP_Trace::note(*this, [&] { return "asks input " + std::to_string(index); });
            return shader;
        }
    }
    return nullptr;
}

SHOP_TYPE SHOP_Select::getInputType(int index) const
{
    SHOP_BusyScope busy(*this, busyFlag());
    return busy.entered() ? SHOP_Mutable::getInputType(index) : SHOP_UNDEFINED;
}

// Evaluated for what a cook records about them (time dependence, references), not for their
// values: the choice is made per request.
void SHOP_Select::cookChoice(OP_Context &context)
{
    for (int i = 0; i < theActivateCount; ++i)
        (void)evalInt(i, 0, context.getTime());
}
