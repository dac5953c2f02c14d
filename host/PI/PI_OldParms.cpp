#include <PI/PI_OldParms.h>

#include <CH/CH_Manager.h>
#include <EV/EV_Expression.h>
#include <OP/OP_Director.h>
#include <OP/OP_ExprFunctions.h>
#include <OP/OP_Network.h>
#include <PI/PI_EditScriptedParms.h>

#include <cstring>

void PI_OldParms::preserveOldParms(const PI_EditScriptedParms &edit)
{
    for (int i = 0; i < edit.getNParms(); ++i)
        if (edit.getParm(i)->getKind() == PI_EditScriptedParm::PARM)
            myNames.insert(edit.getParm(i)->getName());
}

void PI_OldParms::deleteOldParm(const char *name)
{
    if (name && myNames.count(name))
        myDeleted.insert(name);
}

namespace
{
// Whether an expression text mentions the parameter, for a warning: a reference built at
// run time is not followed, only told of.
bool pi_mentions(const std::string &text, const std::string &name)
{
    return text.find(name) != std::string::npos;
}
} // namespace

void PI_OldParms::resolveOldParmLinks(int nodeId, std::vector<std::string> &errors,
                                      std::vector<std::string> &warnings) const
{
    OP_Node *owner = OPgetDirector()->lookupNode(nodeId);
    if (!owner || myDeleted.empty() || !owner->isNetwork())
        return;
    const float time = CHgetManager()->getEvaluateTime(0);
    // The links an edit makes run from the nodes inside the edited one, so only those are
    // visited: the cost follows the node's contents, not the scene.
    OP_Director::traverse(
        static_cast<OP_Network *>(owner),
        [&](OP_Node &node)
        {
            PRM_ParmList *parms = node.getParmList();
            for (int i = 0; i < parms->getEntries(); ++i)
            {
                PRM_Parm *parm = parms->getParmPtr(i);
                for (int c = 0; c < parm->getVectorSize(); ++c)
                {
                    const EV_Expression *expr = parm->getExpression(c);
                    if (!expr)
                        continue;
                    const std::vector<EV_Value> *args = nullptr;
                    const EV_FUNCTION *call = expr->getLiteralCall(&args);
                    OP_Node *target = nullptr;
                    PRM_Parm *read = nullptr;
                    int component = 0;
                    const bool plain =
                        call && args && args->size() == 1 &&
                        (!std::strcmp(call->name, "ch") || !std::strcmp(call->name, "chs")) &&
                        OPfindChannel(&node, (*args)[0].str.c_str(), target, read, component);
                    if (!plain || target != owner || !isDeleted(read->getToken()))
                    {
                        for (const std::string &name : myDeleted)
                            if (pi_mentions(expr->getText(), name))
                                warnings.push_back(node.getFullPath() + "/" +
                                                   parm->getChannelToken(c) +
                                                   " may still refer to the removed parameter " +
                                                   owner->getFullPath() + "/" + name);
                        continue;
                    }
                    const std::string value = read->evalString(component, time, 0);
                    std::string error;
                    // The value as the removed parameter gives it now, as text the component
                    // reads back exactly.
                    const std::string text =
                        read->getTemplatePtr()->getBasicType() == PRM_BASIC_STRING
                            ? value
                            : EV_Value::number(
                                  read->getTemplatePtr()->getBasicType() == PRM_BASIC_FLOAT
                                      ? read->evalFloat(component, time, 0)
                                      : static_cast<double>(read->evalInt(component, time, 0)))
                                  .asString();
                    if (!parm->setValueFromText(c, text.c_str(), error))
                        errors.push_back("Cannot keep the value of " + node.getFullPath() + "/" +
                                         parm->getChannelToken(c) + ": " + error);
                }
            }
        });
}
