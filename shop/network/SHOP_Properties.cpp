#include <shop/network/SHOP_Properties.h>

#include <shop/network/SHOP_BusyScope.h>
#include <shop/node/SHOP_Trace.h>

#include <OP/OP_PropertyLookupList.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Thread.h>

#include <algorithm>
#include <string>

namespace
{
// Guarded lookups in progress on this thread. Inside one, a node may answer "not found" only
// because it is being asked already, so nothing found then is remembered.
thread_local int theLookups = 0;

class shop_LookupScope
{
public:
    shop_LookupScope() { ++theLookups; }
    ~shop_LookupScope() { --theLookups; }
    shop_LookupScope(const shop_LookupScope &) = delete;
    shop_LookupScope &operator=(const shop_LookupScope &) = delete;
};
} // namespace

SHOP_Properties::SHOP_Properties(OP_Network *parent, const char *name, OP_Operator *op)
    : SHOP_VariableInput(parent, name, op, SHOP_PROPERTIES)
{
    // Every renderer. GCC 12 takes the assignment of a one-character literal here for an
    // overlapping copy (-Wrestrict) and fails the build; a string object it reads right.
    const std::string anyRenderer(1, '*');
    setRenderMask(anyRenderer.c_str());
}

OP_Node *SHOP_Properties::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SHOP_Properties(parent, name, op);
}

SHOP_Node *SHOP_Properties::iterateNext(int &index) const
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

SHOP_Node *SHOP_Properties::getActive() const
{
    int index = -1;
    return iterateNext(index);
}

template <typename Ask>
bool SHOP_Properties::askPropertiesInputs(float now, Ask ask)
{
    SHOP_BusyScope busy(*this, myBusy);
    shop_LookupScope lookup;
    if (!busy.entered() || !cookAt(now))
        return false;
    int index = -1;
    while (SHOP_Node *input = iterateNext(index))
        if (ask(*input))
            return true;
    return false;
}

bool SHOP_Properties::getParameterOrProperty(const char *name, float now, OP_Node *&node,
                                             PRM_Parm *&parm, PRM_ParmList *obsolete,
                                             bool createMissingMultiParms)
{
    if (OP_Node::getParameterOrProperty(name, now, node, parm, obsolete, createMissingMultiParms))
        return true;
    return askPropertiesInputs(now,
                               [&](SHOP_Node &input) {
                                   return input.getParameterOrProperty(
                                       name, now, node, parm, obsolete, createMissingMultiParms);
                               });
}

bool SHOP_Properties::getParameterOrPropertyByChannel(const char *channel, float now,
                                                      OP_Node *&node, PRM_Parm *&parm,
                                                      int &component, PRM_ParmList *obsolete)
{
    if (OP_Node::getParameterOrPropertyByChannel(channel, now, node, parm, component, obsolete))
        return true;
    return askPropertiesInputs(now,
                               [&](SHOP_Node &input) {
                                   return input.getParameterOrPropertyByChannel(
                                       channel, now, node, parm, component, obsolete);
                               });
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
    SHOP_BusyScope busy(*this, myBusy);
    shop_LookupScope lookup;
    if (!busy.entered() || !cookAt(now))
        return found;
    int index = -1;
    while (found != wanted)
    {
        SHOP_Node *input = iterateNext(index);
        if (!input)
            break;
        found = input->findParametersOrProperties(now, list);
    }
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
    while (SHOP_Node *input = iterateNext(index))
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
    const bool topLevel = theLookups == 0 && OP_Node::getCookDepth() == 0;
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
    if (SHOP_VariableInput::cookMe(context) >= UT_ERROR_ABORT)
        return error();
    int index = -1;
    while (SHOP_Node *input = iterateNext(index))
    {
        if (lockInput(static_cast<unsigned>(index), context) >= UT_ERROR_ABORT)
            continue;
        input->cook(context);
        if (input->isTimeDependent())
            setTimeDependent(true);
        unlockInput(static_cast<unsigned>(index));
    }
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
