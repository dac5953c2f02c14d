#include <OP/OP_Node.h>

#include <CH/CH_Manager.h>
#include <EV/EV_Expression.h>
#include <OP/OP_Bundle.h>
#include <OP/OP_Director.h>
#include <OP/OP_ExprFunctions.h>
#include <OP/OP_GalleryEntry.h>
#include <OP/OP_Network.h>
#include <OP/OP_NodePin.h>
#include <OP/OP_Operator.h>
#include <OP/OP_Path.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_WorkBuffer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace
{
// Evaluation surroundings of a node's expressions: the operator's local variables, then the
// host's own.
class op_EvalContext : public EV_Context
{
public:
    explicit op_EvalContext(OP_Node &node) : myNode(node) {}

    bool getVariable(const std::string &name, EV_Value &value) override
    {
        if (const CH_LocalVariable *var = myNode.getOperator()->findVariable(name.c_str()))
            return localVariable(*var, value);
        if (name == "T")
        {
            timeDependent = true;
            value = EV_Value::number(time);
            return true;
        }
        if (name == "F")
        {
            timeDependent = true;
            value = EV_Value::number(CH_Manager::getSample(time));
            return true;
        }
        if (name == "FPS")
        {
            value = EV_Value::number(CH_Manager::theFPS);
            return true;
        }
        if (name == "OS")
        {
            value = EV_Value::string(myNode.getName());
            return true;
        }
        return false;
    }

private:
    bool localVariable(const CH_LocalVariable &var, EV_Value &value)
    {
        if (var.type == CH_VARIABLE_STRING)
        {
            UT_String text;
            if (!myNode.getVariableString(var.id, text, thread))
                return false;
            value = EV_Value::string(text.toStdString());
            return true;
        }
        double number = 0;
        if (!myNode.getVariableValue(var.id, number, thread))
            return false;
        value = EV_Value::number(number);
        return true;
    }

    OP_Node &myNode;
};

// Nested evaluations (an expression reading a parameter whose expression reads another...)
// past this depth are a reference loop.
constexpr int theMaxEvalDepth = 64;
struct op_Evaluations
{
    int depth = 0;
    // The parameter expressions being evaluated: meeting one again is a loop, found at once
    // instead of after the whole depth has been climbed.
    std::vector<const EV_Expression *> active;
};
// One object per thread, reached once per evaluation: each reach costs a call.
thread_local op_Evaluations theEvaluations;

// Whether what an expression gave can stand as the parameter's value: no renderer reads a NaN
// or an infinity, and integers are written with 32 bits. Integer results round, as evalInt
// reads them.
bool op_fitsParm(const PRM_Parm &parm, const EV_Value &value, std::string &why)
{
    const PRM_BasicType type = parm.getTemplatePtr()->getBasicType();
    if (type == PRM_BASIC_STRING)
        return true;
    const double number = value.asNumber();
    if (PRM_Parm::fitsNumber(type, type == PRM_BASIC_ORDINAL ? std::round(number) : number))
        return true;
    const std::string text = std::isnan(number) ? "nan" : EV_Value::number(number).asString();
    why = "the expression gives " + text +
          (type == PRM_BASIC_ORDINAL ? ", beyond the range of an integer parameter"
                                     : ", not a finite single-precision number");
    return false;
}

// Cooks under way on this thread.
thread_local int theCookDepth = 0;
} // namespace

uint64_t OP_Node::theCookCount = 0;
uint64_t OP_Node::theChangeCount = 0;
uint64_t OP_Node::theShapeCount = 0;

OP_Node::OP_Node(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Parameters(op), myName(name ? name : ""), myParent(parent)
{
    myUniqueId = OPgetDirector()->registerNode(this);
}

OP_Node::~OP_Node()
{
    disconnectAll();
    OPgetDirector()->unregisterNode(myUniqueId);
}

std::string OP_Node::getFullPath() const
{
    if (!myParent)
        return "/";
    // Up the parents to size the path, then once more to fill it in from its end: no call per
    // level, and one allocation however deep the node lies.
    size_t length = 0;
    for (const OP_Node *node = this; node->myParent; node = node->myParent)
        length += node->myName.size() + 1;
    std::string path(length, '/');
    size_t end = length;
    for (const OP_Node *node = this; node->myParent; node = node->myParent)
    {
        end -= node->myName.size();
        path.replace(end, node->myName.size(), node->myName);
        --end;
    }
    return path;
}

std::string OP_Node::getRelativePathTo(const OP_Node *other) const
{
    return other ? OP_Path::relative(getFullPath(), other->getFullPath()) : std::string();
}

OP_Node *OP_Node::findNode(const char *path) const
{
    if (!path || !*path)
        return nullptr;
    OP_Node *current = const_cast<OP_Node *>(this);
    std::string_view rest(path);
    if (rest[0] == '/')
        current = OPgetDirector()->getRoot();
    while (current && !rest.empty())
    {
        const size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            current = current->getParent();
        else
            current = current->isNetwork() ? static_cast<OP_Network *>(current)->findChild(part)
                                           : nullptr;
    }
    return current;
}

// What few nodes have: extra inputs and dependants, input locks, bundles.
OP_Node::op_Links &OP_Node::links()
{
    if (!myLinks)
        myLinks = std::make_unique<op_Links>();
    return *myLinks;
}

// Bundles ------------------------------------------------------------------------------------

OP_Bundle *OP_Node::getParmBundle(const char *parm, int component, const UT_String &pattern,
                                  OP_Network *creator, const char *filter)
{
    const std::string name = parm ? parm : "";
    const std::string filterName = filter ? filter : "";
    const OP_Node *base = creator ? static_cast<const OP_Node *>(creator) : this;
    std::vector<op_BundleRef> &refs = links().bundleRefs;
    for (op_BundleRef &ref : refs)
        if (ref.parm == name && ref.component == component)
        {
            if (ref.bundle->getPattern() != pattern.toStdString() ||
                ref.bundle->getFilter() != filterName)
                ref.bundle = std::make_unique<OP_Bundle>(pattern.toStdString(), base, filterName);
            ref.used = true;
            return ref.bundle.get();
        }
    refs.push_back({name, component,
                    std::make_unique<OP_Bundle>(pattern.toStdString(), base, filterName), true});
    return refs.back().bundle.get();
}

void OP_Node::markBundleRefsAsUnused()
{
    if (myLinks)
        for (op_BundleRef &ref : myLinks->bundleRefs)
            ref.used = false;
}

void OP_Node::cleanUnusedBundleRefs()
{
    if (myLinks)
        std::erase_if(myLinks->bundleRefs, [](const op_BundleRef &ref) { return !ref.used; });
}

std::vector<OP_Node *> OP_Node::getGlobbedNodes(const char *pattern) const
{
    return OP_Bundle::glob(pattern ? pattern : "", this);
}

// Cooking ------------------------------------------------------------------------------------

bool OP_Node::isCookNeeded(const OP_Context &context) const
{
    return myDirty || !myHasCooked || (myTimeDependent && context.getTime() != myLastCookTime);
}

UT_ErrorSeverity OP_Node::cook(OP_Context &context)
{
    if (myCooking)
    {
        // Reached again from inside its own cook: a loop through inputs or references.
        myErrors.addError(UT_Error("OP", 2, UT_ERROR_ABORT, "Cook loop at " + getFullPath()));
        return UT_ERROR_ABORT;
    }
    if (!isCookNeeded(context))
        return error();

    // A cook may run scripts (through expressions) that would delete the node under it.
    OP_NodePin pin(this, OP_USE_COOK);
    myCooking = true;
    ++theCookDepth;
    myErrors.clearAndDestroyErrors();
    myTimeDependent = false;
    UT_ErrorSeverity severity;
    {
        UT_AutoErrorManager errors(myErrors);
        CH_AutoEvaluate evaluating(this, context.getTime(), context.getThread());
        int copiedInput = -1;
        severity = myBypass ? bypassMe(context, copiedInput) : cookMe(context);
    }
    checkTimeDependencies();
    --theCookDepth;
    myCooking = false;
    myDirty = false;
    // Counted once the node is clean: what was told of changes before (even during the cook)
    // may no longer be dirty.
    ++theCookCount;
    myHasCooked = true;
    myLastCookTime = context.getTime();
    ++myCookCount;
    return std::max(severity, error());
}

int OP_Node::getCookDepth()
{
    return theCookDepth;
}

UT_ErrorSeverity OP_Node::cookMe(OP_Context &)
{
    return error();
}

UT_ErrorSeverity OP_Node::bypassMe(OP_Context &, int &copiedInput)
{
    copiedInput = getInput(0) ? 0 : -1;
    return error();
}

void OP_Node::setBypass(bool on)
{
    if (myBypass == on)
        return;
    myBypass = on;
    opChanged(OP_FLAG_CHANGED);
    if (getParent())
        getParent()->childFlagChange(this);
}

// Parameters ---------------------------------------------------------------------------------

bool OP_Node::readReferencedNumber(const PRM_Parm &parm, const EV_Expression &expr, float time,
                                   int thread, double &number)
{
    // What evaluateParmExpression's first step reads, when it would succeed.
    EV_Value value;
    std::string unused;
    if (!OPreadChannelValue(expr, *this, time, thread, value) || !op_fitsParm(parm, value, unused))
        return false;
    number = value.asNumber();
    return true;
}

bool OP_Node::evaluateParmExpression(const PRM_Parm &parm, const EV_Expression &expr, float time,
                                     int thread, EV_Value &value, bool &timeDependent)
{
    auto report = [&](const std::string &why)
    {
        UT_AutoErrorManager errors(myErrors);
        UTaddError("OP", 1, (getFullPath() + " " + parm.getToken() + ": " + why).c_str());
    };
    // A reference to a channel holding a value, the commonest expression there is, can
    // neither loop nor run anything that deletes this node: it needs none of the guards below.
    if (OPreadChannelValue(expr, *this, time, thread, value))
    {
        timeDependent = false;
        std::string error;
        if (op_fitsParm(parm, value, error))
            return true;
        report(error);
        return false;
    }
    op_Evaluations &evaluations = theEvaluations;
    if (evaluations.depth >= theMaxEvalDepth ||
        std::find(evaluations.active.begin(), evaluations.active.end(), &expr) !=
            evaluations.active.end())
    {
        report("references loop back");
        return false;
    }
    OP_NodePin pin(this, OP_USE_EVALUATION);
    ++evaluations.depth;
    evaluations.active.push_back(&expr);
    // A reference to another channel and nothing else (ch("../a/tx")), the commonest
    // expression there is, is read directly: it reads no variable and reports its failures
    // as text, so it needs neither this node's evaluation frame nor its error list made
    // current (the channel it reads makes its own when that is an expression).
    std::string error;
    std::string warning;
    timeDependent = false;
    bool ok = false;
    if (!OPreadChannelReference(expr, *this, time, thread, value, timeDependent, error, ok))
    {
        UT_AutoErrorManager errors(myErrors);
        op_EvalContext context(*this);
        context.time = time;
        context.thread = thread;
        context.owner = this;
        CH_AutoEvaluate evaluating(this, time, thread);
        ok = expr.evaluate(context, value);
        timeDependent = context.timeDependent;
        error = std::move(context.error);
        warning = std::move(context.warning);
    }
    evaluations.active.pop_back();
    --evaluations.depth;
    if (timeDependent && myCooking)
        myTimeDependent = true;
    if (ok && !warning.empty())
    {
        // Every evaluation would repeat the warning; once on the list is enough to be seen.
        const std::string text = getFullPath() + " " + parm.getToken() + ": " + warning;
        if (std::none_of(myErrors.getErrors().begin(), myErrors.getErrors().end(),
                         [&](const UT_Error &e) { return e.getText() == text; }))
        {
            UT_AutoErrorManager errors(myErrors);
            UTaddWarning("OP", 1, text.c_str());
        }
    }
    if (ok && !op_fitsParm(parm, value, error))
        ok = false;
    if (!ok)
        report(error);
    return ok;
}

bool OP_Node::evaluateExpression(const std::string &text, float time, EV_Value &value,
                                 std::string &error)
{
    std::unique_ptr<EV_Expression> expr = EV_Expression::parse(text, error);
    if (!expr)
        return false;
    op_Evaluations &evaluations = theEvaluations;
    if (evaluations.depth >= theMaxEvalDepth)
    {
        error = "Expression references loop back";
        return false;
    }
    OP_NodePin pin(this, OP_USE_EVALUATION);
    op_EvalContext context(*this);
    context.time = time;
    context.thread = UT_Thread::getMySequentialThreadIndex();
    context.owner = this;
    CH_AutoEvaluate evaluating(this, time, context.thread);
    ++evaluations.depth;
    bool ok = expr->evaluate(context, value);
    --evaluations.depth;
    if (!ok)
        error = context.error;
    return ok;
}

void OP_Node::parmChanged(PRM_Parm &parm, int)
{
    // A multi-parameter's count makes or removes its instances, which changes the parameter
    // set as adding a spare parameter does.
    if (parm.getTemplatePtr()->isMultiParm() && getParmList()->syncMultiInstances(parm, this))
        countChange();
    int index = getParmList()->getParmIndex(parm.getToken());
    void *data = reinterpret_cast<void *>(static_cast<intptr_t>(index));
    // The node's own result stays valid, but whatever reads the value through ch() must
    // still hear of it.
    if (parm.getTemplatePtr()->getNoCook())
        noteChange(OP_PARM_CHANGED, data, false);
    else
        opChanged(OP_PARM_CHANGED, data);
}

bool OP_Node::getVariableString(int index, UT_String &value, int thread)
{
    return OP_Parameters::getVariableString(index, value, thread);
}

void OP_Node::getNodeSpecificInfoText(OP_Context &, int, UT_WorkBuffer &text)
{
    text.append("Node: ");
    text.append(getFullPath());
    text.append("\nType: ");
    const OP_Operator *op = getOperator();
    text.append(op ? op->getName() : std::string());
    text.append(" (");
    text.append(op ? op->getLabel() : std::string());
    text.append(")");
    for (const UT_Error &error : myErrors.getErrors())
    {
        text.append('\n');
        text.append(UTseverityName(error.getSeverity()));
        text.append(": ");
        text.append(error.getText());
    }
}

namespace
{
OP_CreateScriptRunner theCreateScriptRunner = nullptr;
} // namespace

void OP_Node::createGalleryEntry(OP_GalleryEntry &entry)
{
    const OP_Operator *op = getOperator();
    entry.setOperatorName(op ? op->getName().c_str() : "");
    entry.setLabel(op ? op->getLabel().c_str() : "");
    entry.setKeywords(op ? op->getName().c_str() : "");
    entry.setCategories("");
}

bool OP_Node::runCreateScript()
{
    return theCreateScriptRunner ? theCreateScriptRunner(*this) : true;
}

OP_CreateScriptRunner OP_Node::setCreateScriptRunner(OP_CreateScriptRunner runner)
{
    OP_CreateScriptRunner old = theCreateScriptRunner;
    theCreateScriptRunner = runner;
    return old;
}
