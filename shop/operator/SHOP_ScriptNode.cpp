#include <shop/operator/SHOP_ScriptNode.h>

#include <shop/operator/SHOP_ScriptOperator.h>

#include <UT/UT_WorkBuffer.h>

#include <algorithm>
#include <string>

namespace
{
// The most parameters the info text lists; longer lists end in "  ...".
constexpr int theListedParms = 24;

const char *shop_typeWord(const PRM_Template &tmpl)
{
    const PRM_Type &type = tmpl.getType();
    switch (tmpl.getBasicType())
    {
    case PRM_BASIC_ORDINAL:
        return "int";
    case PRM_BASIC_FLOAT:
        if (type.hasFlag(PRM_TYPE_NAMERGB))
            return "color";
        if (type.getFlags() & PRM_TYPE_POLAR_MASK)
            return "vector";
        return "float";
    case PRM_BASIC_STRING:
        return "string";
    default:
        return "other";
    }
}
} // namespace

OP_Node *SHOP_ScriptNode::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    auto *script = dynamic_cast<SHOP_ScriptOperator *>(op);
    return script ? new SHOP_ScriptNode(parent, name, script) : nullptr;
}

SHOP_ScriptNode::SHOP_ScriptNode(OP_Network *parent, const char *name, SHOP_ScriptOperator *op)
    : SHOP_Node(parent, name, op, op->getShopInfo().getShaderType()), myScriptOperator(op)
{
    setShaderType(op->getShopInfo().getShaderType());
    setRenderMask(op->getShopInfo().getRenderMask());
}

const char *SHOP_ScriptNode::getShaderName(bool forVex) const
{
    myScriptOperator->getScriptName(myShaderName, forVex, false);
    if (!myShaderName.isstring())
        return SHOP_Node::getShaderName(forVex);
    return myShaderName.c_str();
}

int SHOP_ScriptNode::getLastParameter() const
{
    return PRM_Template::countTemplates(getParmTemplates(), false, false, false);
}

const char *SHOP_ScriptNode::inputLabel(unsigned index) const
{
    static thread_local std::string theLabel;
    theLabel = "Input " + std::to_string(index);
    return theLabel.c_str();
}

void SHOP_ScriptNode::changeParmTemplate(PRM_Template *tmpl)
{
    setRenderMask(myScriptOperator->getShopInfo().getRenderMask());
    SHOP_Node::changeParmTemplate(tmpl);
}

void SHOP_ScriptNode::childDeleted(OP_Node *child)
{
    SHOP_Node::childDeleted(child);
    opChanged(OP_CHILD_CHANGED, reinterpret_cast<void *>(intptr_t(-1)));
}

void SHOP_ScriptNode::getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text)
{
    cook(context);
    SHOP_Node::getNodeSpecificInfoText(context, verbose, text);
    const int first = getFirstParameter();
    const int last = getLastParameter();
    if (first == last)
        return;
    text.append("\nParameters\n");
    const int end = std::min(last, first + theListedParms);
    const PRM_Template *templates = getParmTemplates();
    int i = first;
    for (; i < end; ++i)
    {
        const PRM_Template &tmpl = templates[i];
        if (tmpl.isTerminator())
            return;
        if (tmpl.getBasicType() == PRM_BASIC_ORDINAL &&
            tmpl.getType().hasFlag(PRM_TYPE_SWITCHERLIST))
            continue;
        if (tmpl.getVectorSize() == 1)
            text.appendSprintf("  %s %s\n", shop_typeWord(tmpl), tmpl.getToken());
        else
            text.appendSprintf("  %s %s[%d]\n", shop_typeWord(tmpl), tmpl.getToken(),
                               tmpl.getVectorSize());
    }
    if (end < last)
        text.append("  ...");
}
