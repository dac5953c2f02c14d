#include <shop/network/SHOP_Properties.h>

#include <shop/node/SHOP_Trace.h>

#include <OP/OP_PropertyLookupList.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Thread.h>

#include <algorithm>
#include <string>

SHOP_Properties::SHOP_Properties(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_Chooser(parent, name, op, SHOP_PROPERTIES)
{
}

OP_Node *SHOP_Properties::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Properties(parent, name, op);
}

SHOP_Node *SHOP_Properties::iterateNext(int &index, float, const UT_Options *)
{
    for (++index; index < static_cast<int>(nInputs()); ++index)
    {
        OP_Node *input = getInput(static_cast<unsigned>(index));
        SHOP_Node *shader = input ? input->castToSHOPNode() : nullptr;
        if (shader && shader->getShaderType() == SHOP_PROPERTIES)
            return shader;
    }
    return nullptr;
}

// The host's list lookup goes through the virtual single lookup, which here would reach the
// inputs already; the own pass must stay on this node so that the inputs are asked in order
// afterwards, under the guard.
int SHOP_Properties::findOwnParameters(float now, OP_PropertyLookupList &list)
{
    for (int i = 0; i < list.entries(); ++i)
    {
        OP_Node *node = nullptr;
        PRM_Parm *parm = nullptr;
        if (!list.isFound(i) &&
            OP_Node::getParameterOrProperty(list.getName(i), now, node, parm, nullptr, false))
            list.setFound(i, node, parm);
    }
    return list.numFound();
}

int SHOP_Properties::findParametersOrProperties(float now, OP_PropertyLookupList &list)
{
    const int wanted = list.entries();
    int found = findOwnParameters(now, list);
    if (found == wanted)
        return found;
    lookUpChosen(now,
                 [&](SHOP_Node &input)
                 {
                     found = input.findParametersOrProperties(now, list);
                     return found == wanted;
                 });
    return found;
}

SHOP_Node *SHOP_Properties::findShader(SHOP_TYPE type, float now, const UT_Options *overrides)
{
    if (type == SHOP_PROPERTIES)
    {
        SHOP_Trace::note(*this, [] { return std::string("answers as the properties"); });
        return this;
    }
    // Evaluating the path property may run scripts; the walk goes on with this node after.
    OP_NodePin pin(this, OP_USE_REQUEST);
    // The node the path property names is the answer itself, not asked to resolve further.
    if (SHOP_Node *named = findNamedShader(type, now))
        return named;
    int index = -1;
    while (SHOP_Node *input = iterateNext(index, now, overrides))
    {
        SHOP_Trace::note(*this, [&] { return "asks properties input " + std::to_string(index); });
        if (SHOP_Node *found = input->findShader(type, now, overrides))
            return found;
    }
    SHOP_Trace::note(*this, [] { return std::string("no property or input answers"); });
    return nullptr;
}

SHOP_Node *SHOP_Properties::findNamedShader(SHOP_TYPE type, float now)
{
    const uint64_t changes = OP_Node::getChangeCount();
    auto known = std::find_if(myNamedShaders.begin(), myNamedShaders.end(),
                              [type](const shop_NamedShader &n) { return n.type == type; });
    // An explanation tells every step, so it always takes them.
    if (known != myNamedShaders.end() && known->changeCount == changes && known->now == now &&
        !SHOP_Trace::current())
        return known->node;
    // Only what a lookup finds from the top: none in progress, no cook under way (whose
    // nodes would refuse to cook again), and looking changed nothing itself.
    const bool topLevel = !isLookupRunning() && OP_Node::getCookDepth() == 0;
    bool plain = false;
    SHOP_Node *named = lookUpNamedShader(type, now, plain);
    if (plain && topLevel && OP_Node::getChangeCount() == changes)
    {
        const shop_NamedShader answer{type, now, changes, named};
        if (known != myNamedShaders.end())
            *known = answer;
        else
            myNamedShaders.push_back(answer);
    }
    return named;
}

SHOP_Node *SHOP_Properties::lookUpNamedShader(SHOP_TYPE type, float now, bool &plain)
{
    // The path property may be inherited from a properties input, so it is looked up as a
    // property, not only among this node's parameters.
    const char *pathParm = getShaderParmPath(type);
    OP_Node *holder = nullptr;
    PRM_Parm *parm = nullptr;
    if (!pathParm || !*pathParm ||
        !getParameterOrProperty(pathParm, now, holder, parm, nullptr, false) || !parm)
    {
        plain = true;
        return nullptr;
    }
    plain = !parm->isExpression(0);
    const std::string path = parm->evalString(0, now, UT_Thread::getMySequentialThreadIndex());
    if (path.empty())
        return nullptr;
    SHOP_Node *named = findSHOPNode(path.c_str());
    SHOP_Trace::note(*this,
                     [&]
                     {
                         return std::string("property ") + pathParm + " names " + path +
                                (named ? ", which answers" : ", which is no shader node");
                     });
    return named;
}

UT_ErrorSeverity SHOP_Properties::cookMe(OP_Context &context)
{
    if (SHOP_Chooser::cookMe(context) >= UT_ERROR_ABORT)
        return error();
    int index = -1;
    while (iterateNext(index, context.getTime(), nullptr))
        cookInput(static_cast<unsigned>(index), context);
    for (unsigned i = 0; i < nInputs(); ++i)
    {
        OP_Node *input = getInput(i);
        SHOP_Node *shader = input ? input->castToSHOPNode() : nullptr;
        if (shader && shader->getShaderType() != getShaderType())
        {
            addError(SHOP_ERR_INPUT_TYPES);
            break;
        }
    }
    return error();
}
