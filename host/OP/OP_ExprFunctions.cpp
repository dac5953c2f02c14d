#include <OP/OP_ExprFunctions.h>

#include <EV/EV_Expression.h>
#include <EV/EV_Function.h>
#include <OP/OP_Node.h>
#include <OP/OP_Path.h>
#include <UT/UT_PathSearch.h>

#include <cstdint>
#include <string>

bool OPfindChannel(OP_Node *from, const char *path, OP_Node *&node, PRM_Parm *&parm, int &component)
{
    const std::string text = path ? path : "";
    std::string::size_type slash = text.rfind('/');
    OP_Node *target = from;
    if (slash != std::string::npos)
        target = from ? from->findNode(slash == 0 ? "/" : text.substr(0, slash).c_str()) : nullptr;
    const std::string channel = slash == std::string::npos ? text : text.substr(slash + 1);
    PRM_Parm *found =
        target ? target->getParmList()->getParmPtrFromChannel(channel.c_str(), &component)
               : nullptr;
    if (!found)
        return false;
    node = target;
    parm = found;
    return true;
}

namespace
{
// What a ch() or chs() call site found last: a reference is read far more often than the
// scene changes, and finding it (a path walk, a channel lookup, recording the dependency) cost
// more than all the rest of the evaluation. It holds while the scene has not changed at all.
struct op_ChannelSite
{
    std::string path;
    uint64_t changeCount = ~uint64_t(0);
    const OP_Node *owner = nullptr;
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    int component = 0;
};

void *op_newChannelSite()
{
    return new op_ChannelSite;
}

void op_deleteChannelSite(void *site)
{
    delete static_cast<op_ChannelSite *>(site);
}

// The channel `path` names from `owner`, and the dependency on its node recorded. A `literal`
// path is the call site's own constant argument, the same at every call, so what the site
// found for it needs no comparison of texts.
bool op_resolveChannel(void *instanceData, int thread, OP_Node *owner, const std::string &path,
                       bool literal, OP_Node *&node, PRM_Parm *&parm, int &component)
{
    // Call sites are shared by every thread evaluating the expression; only the main thread
    // keeps what it found, so that no two write it at once.
    auto *site = thread == 0 ? static_cast<op_ChannelSite *>(instanceData) : nullptr;
    const uint64_t changes = OP_Node::getChangeCount();
    if (site && site->changeCount == changes && site->owner == owner &&
        (literal || site->path == path))
    {
        node = site->node;
        parm = site->parm;
        component = site->component;
        return true;
    }
    if (!owner || !OPfindChannel(owner, path.c_str(), node, parm, component))
        return false;
    // Reading another node's value makes this node depend on it.
    owner->addExtraInput(node, OP_INTEREST_PARM);
    if (site && OP_Node::getChangeCount() == changes)
        *site = {path, changes, owner, node, parm, component};
    return true;
}

// What ch() (or chs(), `asText`) of `path` gives for `owner`: false with `error` set when the
// channel is not found or cannot be evaluated; `timeDependent` set when the value depends on
// time.
bool op_readChannel(void *instanceData, OP_Node *owner, const std::string &path, bool literal,
                    float time, int thread, bool asText, EV_Value &result, bool &timeDependent,
                    std::string &error)
{
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    int component = 0;
    if (!op_resolveChannel(instanceData, thread, owner, path, literal, node, parm, component))
    {
        error = "Unknown channel '" + path + "'";
        return false;
    }
    // A channel whose own expression fails (a reference loop among others) fails this one
    // too, rather than passing on a 0 that looks like a value.
    if (!parm->evalValue(component, time, thread, asText ? EV_TYPE_STRING : EV_TYPE_FLOAT, result))
    {
        error = "Channel '" + path + "' cannot be evaluated";
        return false;
    }
    if (parm->isTimeDependent())
        timeDependent = true;
    return true;
}

void op_channel(EV_FunctionCall &call, bool asText)
{
    EV_Value value;
    if (!op_readChannel(call.instanceData, static_cast<OP_Node *>(call.context.owner),
                        call.args[0].str, false, call.context.time, call.context.thread, asText,
                        value, call.context.timeDependent, call.context.error))
    {
        call.failed = true;
        return;
    }
    call.result = std::move(value);
}

void op_ch(EV_FunctionCall &call)
{
    op_channel(call, false);
}

void op_chs(EV_FunctionCall &call)
{
    op_channel(call, true);
}

void op_channelDependency(const EV_CallSite &site)
{
    OP_Node *owner = static_cast<OP_Node *>(site.owner);
    if (!owner || site.args.empty() || !site.literal[0])
        return;
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    int component = 0;
    if (OPfindChannel(owner, site.args[0].str.c_str(), node, parm, component))
        owner->addExtraInput(node, OP_INTEREST_PARM);
}

bool op_channelRename(const EV_CallSite &site, int arg, const std::string &oldPath,
                      const std::string &newPath, std::string &replacement)
{
    OP_Node *owner = static_cast<OP_Node *>(site.owner);
    if (!owner || arg != 0 || !site.literal[0])
        return false;
    const std::string &text = site.args[0].str;
    std::string::size_type slash = text.rfind('/');
    if (slash == std::string::npos)
        return false; // the owner's own channel: follows the owner wherever it goes
    std::string nodeText;
    if (!OPrenameNodeReference(*owner, slash == 0 ? "/" : text.substr(0, slash), oldPath, newPath,
                               nodeText))
        return false;
    replacement = nodeText + "/" + text.substr(slash + 1);
    return replacement != text;
}

// Not finding the file is an answer ("" tests false), not an error, so that expressions can
// fall back to another file.
void op_findfile(EV_FunctionCall &call)
{
    std::string found;
    if (!UT_PathSearch::getInstance()->findFile(found, call.args[0].str.c_str()))
        found.clear();
    call.result = EV_Value::string(std::move(found));
}

const EV_Type theStringArg[] = {EV_TYPE_STRING};
EV_FUNCTION theChFunction(0, "ch", 1, EV_TYPE_FLOAT, theStringArg, op_ch, op_channelDependency,
                          op_channelRename);
EV_FUNCTION theChsFunction(0, "chs", 1, EV_TYPE_STRING, theStringArg, op_chs, op_channelDependency,
                           op_channelRename);
EV_FUNCTION theFindfileFunction(0, "findfile", 1, EV_TYPE_STRING, theStringArg, op_findfile);
} // namespace

// When a node is renamed the expression's owner may itself lie inside it, so the owner's path
// before the rename is rebuilt to read the old reference the way it was written.
bool OPrenameNodeReference(const OP_Node &owner, const std::string &reference,
                           const std::string &oldPath, const std::string &newPath,
                           std::string &rewritten)
{
    if (reference.empty())
        return false;
    const std::string ownerNow = owner.getFullPath();
    std::string ownerBefore = ownerNow;
    if (OP_Path::isWithin(ownerNow, newPath))
        ownerBefore = oldPath + ownerNow.substr(newPath.size());
    const std::string targetBefore = OP_Path::resolve(ownerBefore, reference);
    if (targetBefore.empty() || !OP_Path::isWithin(targetBefore, oldPath))
        return false;
    const std::string targetNow = newPath + targetBefore.substr(oldPath.size());
    rewritten = reference[0] == '/' ? targetNow : OP_Path::relative(ownerNow, targetNow);
    return rewritten != reference;
}

bool OPreadChannelReference(const EV_Expression &expr, OP_Node &owner, float time, int thread,
                            EV_Value &value, bool &timeDependent, std::string &error, bool &ok)
{
    const std::vector<EV_Value> *args = nullptr;
    void *instanceData = nullptr;
    const EV_FUNCTION *function = expr.getLiteralCall(&args, &instanceData);
    if (!function || (function != &theChFunction && function != &theChsFunction))
        return false;
    // As the call would run: its one argument already a text, its function never time
    // dependent by itself.
    ok = op_readChannel(instanceData, &owner, (*args)[0].str, true, time, thread,
                        function == &theChsFunction, value, timeDependent, error);
    return true;
}

bool OPreadChannelValue(const EV_Expression &expr, OP_Node &owner, float time, int thread,
                        EV_Value &value)
{
    const std::vector<EV_Value> *args = nullptr;
    void *instanceData = nullptr;
    const EV_FUNCTION *function = expr.getLiteralCall(&args, &instanceData);
    if (!function || (function != &theChFunction && function != &theChsFunction))
        return false;
    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    int component = 0;
    if (!op_resolveChannel(instanceData, thread, &owner, (*args)[0].str, true, node, parm,
                           component) ||
        parm->isExpression(component))
        return false;
    return parm->evalValue(component, time, thread,
                           function == &theChsFunction ? EV_TYPE_STRING : EV_TYPE_FLOAT, value);
}

void OPinstallExpressionFunctions()
{
    for (EV_FUNCTION *channel : {&theChFunction, &theChsFunction})
    {
        channel->instanceAlloc = op_newChannelSite;
        channel->instanceFree = op_deleteChannelSite;
    }
    ev_AddFunction(&theChFunction);
    ev_AddFunction(&theChsFunction);
    ev_AddFunction(&theFindfileFunction);
}
