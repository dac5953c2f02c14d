#include <shop/network/SHOP_Chooser.h>

#include <string>

namespace
{
// Guarded lookups in progress on this thread.
thread_local int theLookups = 0;
} // namespace

SHOP_Chooser::LookupScope::LookupScope()
{
    ++theLookups;
}

SHOP_Chooser::LookupScope::~LookupScope()
{
    --theLookups;
}

bool SHOP_Chooser::isLookupRunning()
{
    return theLookups > 0;
}

SHOP_Chooser::SHOP_Chooser(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type)
    : SHOP_VariableInput(parent, name, op, type)
{
    // Every renderer. GCC 12 takes the assignment of a one-character literal here for an
    // overlapping copy (-Wrestrict) and fails the build; a string object it reads right.
    const std::string anyRenderer(1, '*');
    setRenderMask(anyRenderer.c_str());
}

bool SHOP_Chooser::getParameterOrProperty(const char *name, float now, OP_Node *&node,
                                          PRM_Parm *&parm, PRM_ParmList *obsolete,
                                          bool createMissingMultiParms)
{
    // The node's own parameters ("input", "activate1", ...) never depend on the choice.
    if (OP_Node::getParameterOrProperty(name, now, node, parm, obsolete, createMissingMultiParms))
        return true;
    return lookUpChosen(now,
                        [&](SHOP_Node &input) {
                            return input.getParameterOrProperty(name, now, node, parm, obsolete,
                                                                createMissingMultiParms);
                        });
}

bool SHOP_Chooser::getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                                   PRM_Parm *&parm, int &component,
                                                   PRM_ParmList *obsolete)
{
    if (OP_Node::getParameterOrPropertyByChannel(channel, now, node, parm, component, obsolete))
        return true;
    return lookUpChosen(now,
                        [&](SHOP_Node &input) {
                            return input.getParameterOrPropertyByChannel(channel, now, node, parm,
                                                                         component, obsolete);
                        });
}
