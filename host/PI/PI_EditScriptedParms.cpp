#include <PI/PI_EditScriptedParms.h>

#include <OP/OP_Node.h>

#include <cstring>

PI_EditScriptedParms::PI_EditScriptedParms(OP_Node *node, bool withSpareParms,
                                           bool skipOperatorNames)
    : myNode(node), mySkipOperatorNames(skipOperatorNames)
{
    if (!node || !withSpareParms)
        return;
    for (const PRM_Template *t = node->getSpareParmTemplates(); t && !t->isTerminator(); ++t)
        myParms.push_back({*t, ""});
}

int PI_EditScriptedParms::findParm(const char *name) const
{
    for (size_t i = 0; i < myParms.size(); ++i)
        if (name && std::strcmp(myParms[i].tmpl.getToken(), name) == 0)
            return static_cast<int>(i);
    return -1;
}

bool PI_EditScriptedParms::addParm(const PRM_Template &tmpl, const char *group)
{
    if (tmpl.isTerminator() || hasParm(tmpl.getToken()))
        return false;
    if (mySkipOperatorNames && myNode)
    {
        const PRM_Parm *existing = myNode->getParmPtr(tmpl.getToken());
        if (existing && !existing->isSpareParm())
            return false;
    }
    myParms.push_back({tmpl, group ? group : ""});
    return true;
}

const PRM_Template *PI_EditScriptedParms::getTemplates()
{
    myTerminated.clear();
    for (const pi_Parm &p : myParms)
        myTerminated.push_back(p.tmpl);
    myTerminated.emplace_back();
    return myTerminated.data();
}
