#include <shop/network/SHOP_Mutable.h>

#include <shop/node/SHOP_Trace.h>

#include <string>

SHOP_Mutable::SHOP_Mutable(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_Chooser(parent, name, op, SHOP_ANY)
{
}

SHOP_TYPE SHOP_Mutable::getShaderType() const
{
    return agreedInputType(false);
}

UT_ErrorSeverity SHOP_Mutable::cookMe(OP_Context &context)
{
    if (SHOP_Chooser::cookMe(context) >= UT_ERROR_ABORT)
        return error();
    cookChoice(context);
    return takeInputType();
}

SHOP_Node *SHOP_Mutable::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    SHOP_Node *found = nullptr;
    const Walk walk = askChosenOnce(now, overrides, Start::afterCook,
                                    [&](SHOP_Node &input)
                                    {
                                        found = input.findShader(type, now, overrides);
                                        return found != nullptr;
                                    });
    if (walk == Walk::answered)
        return found;
    SHOP_Trace::note(*this,
                     [walk]
                     {
                         if (walk == Walk::reachedAgain)
                             return std::string("reached again (a loop): no answer");
                         if (walk == Walk::uncooked)
                             return std::string("does not cook: no answer");
                         return std::string("no chosen input answers");
                     });
    return nullptr;
}

bool SHOP_Mutable::getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *renderer)
{
    OP_NodePin pin(this, OP_USE_REQUEST);
    if (cook(context) >= UT_ERROR_ABORT)
        return false;
    return askChosen(context.getTime(), nullptr,
                     [&](SHOP_Node &input)
                     { return input.getBoundingBox(box, context, renderer); });
}

SHOP_TYPE SHOP_Mutable::getInputType(int) const
{
    const SHOP_TYPE type = getShaderType();
    return type == SHOP_UNDEFINED ? SHOP_ANY : type;
}

bool SHOP_Mutable::buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                     OP_Node *obj, OP_Node *sop)
{
    return askChosenOnce(now, overrides, Start::asIs,
                         [&](SHOP_Node &input) {
                             return input.buildShaderString(result, now, overrides, obj, sop);
                         }) == Walk::answered;
}

bool SHOP_Mutable::buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop)
{
    return askChosenOnce(now, overrides, Start::asIs,
                         [&](SHOP_Node &input) {
                             return input.buildShaderData(data, now, overrides, obj, sop);
                         }) == Walk::answered;
}

bool SHOP_Mutable::buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                                     OP_Node *obj, OP_Node *sop)
{
    return askChosenOnce(now, overrides, Start::asIs,
                         [&](SHOP_Node &input) {
                             return input.buildShaderBounds(box, now, overrides, obj, sop);
                         }) == Walk::answered;
}

SHOP_TYPE SHOP_Mutable::agreedInputType(bool decidedOnly) const
{
    // Every node of a chain of choosing nodes asks the one before it, at every hop of every
    // request and cook through the chain: while the scene stands still, the answer found last
    // is the answer (the types it is made of are fixed or, for choosing nodes, asked afresh).
    const uint64_t changes = OP_Node::getChangeCount();
    const shop_TypeMemo &memo = myTypeMemo;
    if (memo.changes == changes && memo.decidedOnly == decidedOnly)
        return memo.type;
    const unsigned refusals = SHOP_BusyScope::refusals();
    const SHOP_TYPE type = findAgreedInputType(decidedOnly);
    if (refusals == SHOP_BusyScope::refusals() && OP_Node::getChangeCount() == changes)
        myTypeMemo = {changes, decidedOnly, type};
    return type;
}

SHOP_TYPE SHOP_Mutable::findAgreedInputType(bool decidedOnly) const
{
    const int count = static_cast<int>(nInputs());
    int i = 0;
    bool found = false;
    SHOP_TYPE type = SHOP_ANY;
    for (; i < count && !found; ++i)
    {
        int output = 0;
        if (SHOP_Node *source = getFullInput(i, output))
        {
            type = source->getOutputType(output);
            found = !decidedOnly || type != SHOP_UNDEFINED;
        }
    }
    if (!found)
        return SHOP_ANY;
    for (; i < count; ++i)
    {
        int output = 0;
        SHOP_Node *source = getFullInput(i, output);
        if (source && source->getOutputType(output) != type)
            return SHOP_UNDEFINED;
    }
    return type;
}

UT_ErrorSeverity SHOP_Mutable::takeInputType()
{
    setShaderType(SHOP_ANY);
    const int count = static_cast<int>(nInputs());
    int i = 0;
    int output = 0;
    SHOP_Node *source = nullptr;
    for (; i < count && !source; ++i)
        source = getFullInput(i, output);
    if (!source)
        return error();
    const SHOP_TYPE type = source->getOutputType(output);
    setShaderType(type);
    for (; i < count; ++i)
    {
        source = getFullInput(i, output);
        if (source && source->getOutputType(output) != type)
        {
            addError(SHOP_ERR_INPUT_TYPES);
            setShaderType(SHOP_UNDEFINED);
            return error();
        }
    }
    return error();
}
