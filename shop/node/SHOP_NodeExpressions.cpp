#include <shop/node/SHOP_Node.h>

#include <CH/CH_Manager.h>
#include <EV/EV_Function.h>
#include <OP/OP_Director.h>
#include <OP/OP_ExprFindOp.h>
#include <UT/UT_Options.h>

namespace
{
// The node whose parameter is being evaluated: the thread's evaluation collection, else the
// expression's owner, else the current network (for a command's backquotes).
OP_Node *shop_evaluatingNode(const EV_FunctionCall &call)
{
    if (auto *node =
            dynamic_cast<OP_Node *>(CHgetManager()->getEvalCollection(call.context.thread)))
        return node;
    if (call.context.owner)
        return static_cast<OP_Node *>(call.context.owner);
    return OPgetDirector()->getCwd();
}

// shopstring(path, renderer): the shader string the shader node at `path` (relative to the
// evaluating node) writes for `renderer`, double quotes escaped so that the text can stand
// inside a quoted word; empty when there is no such shader node or its build fails.
void shop_shopstring(EV_FunctionCall &call)
{
    OP_Node *evaluating = shop_evaluatingNode(call);
    auto *finder = static_cast<OP_ExprFindOp *>(call.instanceData);
    OP_Node *found =
        !evaluating ? nullptr
        : finder ? finder->getNode(call.args[0].str.c_str(), evaluating, true, call.context.thread)
                 : evaluating->findNode(call.args[0].str.c_str());
    SHOP_Node *shader = found ? found->castToSHOPNode() : nullptr;
    UT_String result;
    if (shader)
    {
        // Changes of the shader cook the node that shows its string again.
        if (evaluating != shader)
            evaluating->addExtraInput(shader, OP_INTEREST_DATA);
        const float now = CHgetManager()->getEvaluateTime(call.context.thread);
        OP_Context context(now, call.context.thread);
        const bool usable = shader->cook(context) < UT_ERROR_ABORT;
        OP_Node *object = nullptr;
        OP_Node *geometry = nullptr;
        if (evaluating->castToSOPNode())
        {
            geometry = evaluating;
            object = evaluating->getParent();
        }
        else if (evaluating->castToOBJNode())
            object = evaluating;
        UT_Options overrides;
        overrides.setOptionS("rendertype", call.args[1].str.c_str());
        shader->buildShaderString(result, now, &overrides, object, geometry);
        // A shader's cook reads none of its parameters, the build does: only after it does the
        // node know whether its string changes with time.
        if (usable)
        {
            shader->checkTimeDependencies(1, 0, 0);
            if (shader->isTimeDependent())
                call.context.timeDependent = true;
        }
    }
    result.substitute("\"", "\\\"");
    call.result = EV_Value::string(result.toStdString());
}

void shop_shopstringDependency(const EV_CallSite &site)
{
    if (!site.args.empty() && site.literal[0] && !site.args[0].str.empty())
        OP_ExprFindOp::addExprOpDependency(
            site.args[0].str.c_str(), static_cast<OP_Node *>(site.owner), OP_INTEREST_EXPRESSION);
}

bool shop_shopstringRename(const EV_CallSite &site, int arg, const std::string &oldPath,
                           const std::string &newPath, std::string &replacement)
{
    return arg == 0 && OP_ExprFindOp::changeExprOpRef(site, arg, oldPath, newPath, replacement);
}

const EV_Type theShopStringArgs[] = {EV_TYPE_STRING, EV_TYPE_STRING};
EV_FUNCTION theShopFunctions[] = {
    EV_FUNCTION(0, "shopstring", 2, EV_TYPE_STRING, theShopStringArgs, shop_shopstring, nullptr,
                nullptr, 1, false),
    EV_FUNCTION(0, nullptr, 0, EV_TYPE_FLOAT, nullptr, nullptr),
};
// The functions whose first argument names a node that they depend on.
const char *const theNodePathFunctions[] = {"shopstring", nullptr};
} // namespace

void SHOP_Node::initializeExpressions()
{
    for (EV_FUNCTION *function = theShopFunctions; function->name; ++function)
    {
        ev_AddFunction(function);
        ev_SetFunctionInstanceAllocator(function->name, OP_ExprFindOp::allocFindOp,
                                        OP_ExprFindOp::freeFindOp);
    }
    for (const char *const *name = theNodePathFunctions; *name; ++name)
        ev_SetFunctionDependencyCallbacks(*name, shop_shopstringDependency, shop_shopstringRename);
}
