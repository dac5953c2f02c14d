// Looking parameters up by name where nodes may take them from elsewhere (properties).

#include <OP/OP_Node.h>

#include <OP/OP_PropertyLookupList.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Thread.h>

bool OP_Node::getParameterOrProperty(const char *name, float, OP_Node *&node, PRM_Parm *&parm,
                                     PRM_ParmList *, bool)
{
    PRM_Parm *found = getParmPtr(name);
    if (!found)
        return false;
    node = this;
    parm = found;
    return true;
}

bool OP_Node::getParameterOrPropertyByChannel(const char *channel, float, OP_Node *&node,
                                              PRM_Parm *&parm, int &component, PRM_ParmList *)
{
    PRM_Parm *found = getParmList()->getParmPtrFromChannel(channel, &component);
    if (!found)
        return false;
    node = this;
    parm = found;
    return true;
}

int OP_Node::findParametersOrProperties(float now, OP_PropertyLookupList &list)
{
    for (int i = 0; i < list.entries(); ++i)
    {
        if (list.isFound(i))
            continue;
        OP_Node *node = nullptr;
        PRM_Parm *parm = nullptr;
        if (getParameterOrProperty(list.getName(i), now, node, parm, nullptr, false))
            list.setFound(i, node, parm);
    }
    return list.numFound();
}

bool OP_Node::evalParameterOrProperty(const char *name, int component, float now, UT_String &value)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    if (!getParameterOrProperty(name, now, node, parm, nullptr, false) || !parm)
        return false;
    value = UT_String(parm->evalString(component, now, UT_Thread::getMySequentialThreadIndex()));
    return true;
}

SHOP_Node *OP_Node::findSHOPNode(const char *path) const
{
    OP_Node *node = findNode(path);
    return node ? node->castToSHOPNode() : nullptr;
}
