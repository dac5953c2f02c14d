#include <shop/network/SHOP_Mutable.h>

#include <shop/network/SHOP_BusyScope.h>
#include <shop/node/SHOP_Trace.h>

#include <string>

SHOP_Mutable::SHOP_Mutable(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_VariableInput(parent, name, op, SHOP_ANY)
{
    // Every renderer. GCC 12 takes the assignment of a one-character literal here for an
    // overlapping copy (-Wrestrict) and fails the build; a string object it reads right.
    const std::string anyRenderer(1, '*');
    setRenderMask(anyRenderer.c_str());
}

template <typename Ask>
bool SHOP_Mutable::askChosen(float now, const UT_Options *overrides, Ask ask)
{
    int index = -1;
    while (SHOP_Node *input = iterateNext(index, now, overrides))
        if (ask(*input))
            return true;
    return false;
}

template <typename Ask>
bool SHOP_Mutable::askChosenOnce(float now, const UT_Options *overrides, Ask ask)
{
    SHOP_BusyScope busy(*this, myBusy);
    return busy.entered() && askChosen(now, overrides, ask);
}

bool SHOP_Mutable::getParameterOrProperty(const char *name, float now, OP_Node *&node,
                                          PRM_Parm *&parm, PRM_ParmList *obsolete,
                                          bool createMissingMultiParms)
{
    // The node's own parameters ("input", "activate1", ...) never depend on the choice.
    if (OP_Node::getParameterOrProperty(name, now, node, parm, obsolete, createMissingMultiParms))
        return true;
    SHOP_BusyScope busy(*this, myBusy);
    if (!busy.entered() || !cookAt(now))
        return false;
    return askChosen(now, nullptr,
                     [&](SHOP_Node &input) {
                         return input.getParameterOrProperty(name, now, node, parm, obsolete,
                                                             createMissingMultiParms);
                     });
}

bool SHOP_Mutable::getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                                   PRM_Parm *&parm, int &component,
                                                   PRM_ParmList *obsolete)
{
    if (OP_Node::getParameterOrPropertyByChannel(channel, now, node, parm, component, obsolete))
        return true;
    SHOP_BusyScope busy(*this, myBusy);
    if (!busy.entered() || !cookAt(now))
        return false;
    return askChosen(now, nullptr,
                     [&](SHOP_Node &input) {
                         return input.getParameterOrPropertyByChannel(channel, now, node, parm,
                                                                      component, obsolete);
                     });
}

SHOP_Node *SHOP_Mutable::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    SHOP_BusyScope busy(*this, myBusy);
    if (!busy.entered())
    {
        SHOP_Trace::note(*this, [] { return std::string("reached again (a loop): no answer"); });
        return nullptr;
    }
    if (!cookAt(now))
    {
        SHOP_Trace::note(*this, [] { return std::string("does not cook: no answer"); });
        return nullptr;
    }
    SHOP_Node *found = nullptr;
    askChosen(now, overrides,
              [&](SHOP_Node &input)
              {
                  found = input.findShader(type, now, overrides);
                  return found != nullptr;
              });
    if (!found)
        SHOP_Trace::note(*this, [] { return std::string("no chosen input answers"); });
    return found;
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
    return askChosenOnce(now, overrides,
                         [&](SHOP_Node &input)
                         { return input.buildShaderString(result, now, overrides, obj, sop); });
}

bool SHOP_Mutable::buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides,
                                   OP_Node *obj, OP_Node *sop)
{
    return askChosenOnce(now, overrides,
                         [&](SHOP_Node &input)
                         { return input.buildShaderData(data, now, overrides, obj, sop); });
}

bool SHOP_Mutable::buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                                     OP_Node *obj, OP_Node *sop)
{
    return askChosenOnce(now, overrides,
                         [&](SHOP_Node &input)
                         { return input.buildShaderBounds(box, now, overrides, obj, sop); });
}

SHOP_TYPE SHOP_Mutable::agreedInputType(int count, bool decidedOnly) const
{
    // Every node of a chain of choosing nodes asks the one before it, at every hop of every
    // request and cook through the chain: while the scene stands still, the answer found last
    // is the answer (the types it is made of are fixed or, for choosing nodes, asked afresh).
    const uint64_t changes = OP_Node::getChangeCount();
    const shop_TypeMemo &memo = myTypeMemo;
    if (memo.changes == changes && memo.count == count && memo.decidedOnly == decidedOnly)
        return memo.type;
    const unsigned refusals = SHOP_BusyScope::refusals();
    const SHOP_TYPE type = findAgreedInputType(count, decidedOnly);
    if (refusals == SHOP_BusyScope::refusals() && OP_Node::getChangeCount() == changes)
        myTypeMemo = {changes, count, decidedOnly, type};
    return type;
}

SHOP_TYPE SHOP_Mutable::findAgreedInputType(int count, bool decidedOnly) const
{
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

UT_ErrorSeverity SHOP_Mutable::takeInputType(int count)
{
    setShaderType(SHOP_ANY);
    if (nInputs() == 0)
        return error();
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
