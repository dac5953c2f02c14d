#include <EV/EV_Expression.h>

#include <EV/ev_Evaluator.h>
#include <EV/ev_Parser.h>
#include <UT/UT_WorkBuffer.h>

#include <algorithm>
#include <utility>

namespace
{

// ---------------------------------------------------------------------------------------------
// Call site visits

EV_CallSite evCallSite(const ev_Node &node, const EV_FUNCTION &fn, void *owner)
{
    EV_CallSite site{fn, {}, {}, owner, node.myInstanceData};
    size_t count = node.myArgs.size();
    site.args.resize(count);
    site.literal.resize(count, false);
    for (size_t i = 0; i < count; ++i)
    {
        const ev_Node &arg = *node.myArgs[i];
        if (arg.myKind != ev_Kind::Literal)
            continue;
        site.args[i] = arg.myValue;
        EV_Type type;
        if (evArgType(fn, i, type))
            evConvert(site.args[i], type);
        site.literal[i] = true;
    }
    return site;
}

template <typename Visit>
void evVisit(ev_Node &node, const Visit &visit)
{
    visit(node);
    for (ev_NodePtr &child : node.myArgs)
        evVisit(*child, visit);
}

template <typename Visit>
void evVisit(const ev_Node &node, const Visit &visit)
{
    visit(node);
    for (const ev_NodePtr &child : node.myArgs)
        evVisit(static_cast<const ev_Node &>(*child), visit);
}

struct ev_Edit
{
    size_t myBegin;
    size_t myEnd;
    std::string myText;
};

} // namespace

EV_Expression::EV_Expression() = default;
EV_Expression::~EV_Expression() = default;

std::unique_ptr<EV_Expression> EV_Expression::parse(const std::string &text, std::string &error)
{
    std::unique_ptr<EV_Expression> expr(new EV_Expression());
    expr->myText = text;
    expr->myRoot = evParse(expr->myText, error);
    if (!expr->myRoot)
        return nullptr;
    return expr;
}

bool EV_Expression::evaluate(EV_Context &context, EV_Value &result) const
{
    return evEval(*myRoot, context, result);
}

const EV_FUNCTION *EV_Expression::getLiteralCall(const std::vector<EV_Value> **args,
                                                 void **instanceData) const
{
    if (myRoot->myKind != ev_Kind::Call || !myRoot->myLiteralCall)
        return nullptr;
    if (args)
        *args = &myRoot->myLiteralArgs;
    if (instanceData)
        *instanceData = myRoot->myInstanceData;
    return myRoot->myFunction.load(std::memory_order_acquire);
}

bool EV_Expression::isConstant() const
{
    bool constant = true;
    evVisit(static_cast<const ev_Node &>(*myRoot),
            [&](const ev_Node &node)
            {
                if (node.myKind == ev_Kind::Variable || node.myKind == ev_Kind::Call)
                    constant = false;
            });
    return constant;
}

void EV_Expression::collectDependencies(void *owner) const
{
    evVisit(static_cast<const ev_Node &>(*myRoot),
            [&](const ev_Node &node)
            {
                if (node.myKind != ev_Kind::Call)
                    return;
                const EV_FUNCTION *fn = evResolve(node);
                if (fn && fn->dependency)
                    fn->dependency(evCallSite(node, *fn, owner));
            });
}

bool EV_Expression::renameReferences(void *owner, const std::string &oldPath,
                                     const std::string &newPath)
{
    std::vector<ev_Edit> edits;
    evVisit(
        *myRoot,
        [&](ev_Node &node)
        {
            if (node.myKind != ev_Kind::Call)
                return;
            const EV_FUNCTION *fn = evResolve(node);
            if (!fn || !fn->rename)
                return;
            EV_CallSite site = evCallSite(node, *fn, owner);
            for (size_t i = 0; i < node.myArgs.size(); ++i)
            {
                ev_Node &arg = *node.myArgs[i];
                if (arg.myKind != ev_Kind::Literal || !arg.myValue.isString())
                    continue;
                std::string replacement;
                if (!fn->rename(site, static_cast<int>(i), oldPath, newPath, replacement) ||
                    replacement == arg.myValue.str)
                    continue;
                edits.push_back({arg.myBegin, arg.myEnd, UT_WorkBuffer::doubleQuote(replacement)});
                arg.myValue.str = std::move(replacement);
                // Later arguments of the same call see the site as it now reads.
                site.args[i] = arg.myValue;
                EV_Type type;
                if (evArgType(*fn, i, type))
                    evConvert(site.args[i], type);
            }
            if (node.myLiteralCall)
                evPrepareLiteralCall(node, *fn);
        });
    if (edits.empty())
        return false;

    std::sort(edits.begin(), edits.end(),
              [](const ev_Edit &a, const ev_Edit &b) { return a.myBegin < b.myBegin; });
    std::string text;
    size_t pos = 0;
    for (const ev_Edit &edit : edits)
    {
        text.append(myText, pos, edit.myBegin - pos);
        text += edit.myText;
        pos = edit.myEnd;
    }
    text.append(myText, pos, std::string::npos);
    myText = std::move(text);

    // Every position at or past the end of an edit moves by that edit's change in length.
    auto shift = [&](size_t p)
    {
        size_t q = p;
        for (const ev_Edit &edit : edits)
            if (edit.myEnd <= p)
                q = q + edit.myText.size() - (edit.myEnd - edit.myBegin);
        return q;
    };
    evVisit(*myRoot,
            [&](ev_Node &node)
            {
                node.myBegin = shift(node.myBegin);
                node.myEnd = shift(node.myEnd);
            });
    return true;
}
