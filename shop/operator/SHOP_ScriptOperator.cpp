#include <shop/operator/SHOP_ScriptOperator.h>

#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/operator/SHOP_ScriptNode.h>

#include <FS/DS_Stream.h>
#include <OP/OP_OTLDefinition.h>
#include <UT/UT_InfoTree.h>
#include <UT/UT_WorkBuffer.h>

#include <cstring>

OP_ScriptOperator *SHOP_ScriptOperator::createScriptOperator(const OP_OTLDefinition &definition)
{
    const SHOP_TYPE type = SHOP_Node::getShaderType(definition.getOpType().c_str());
    if (SHOPgetType(type) == SHOP_UNDEFINED)
        return nullptr;
    auto *op = new SHOP_ScriptOperator(definition.getSourcePath().c_str(),
                                       definition.getName().c_str(), definition.getLabel().c_str(),
                                       SHOP_ScriptNode::myConstructor, type);
    op->setIconName(SHOP_Node::getIconName(type));
    // From the type alone: which clerks serve it is not known yet.
    if (const int context = SHOP_OperatorInfo::vexContextOf(type))
        op->setVexContext(context);
    return op;
}

SHOP_ScriptOperator::SHOP_ScriptOperator(const char *path, const char *name, const char *label,
                                         OP_Constructor constructor, SHOP_TYPE type)
    : PI_ScriptOperator(name, label, constructor, nullptr, 0, 0, SHOP_Node::getVariables(),
                        OP_FLAG_GENERATOR),
      myInfo(2, "*", SHOP_UNDEFINED)
{
    myInfo.setShaderType(type);
    setDefinition(path);
    setObsoleteTemplates(SHOP_Node::getObsolete(type));
    setTypeText(SHOP_Node::getShaderType(type));
}

unsigned SHOP_ScriptOperator::maxOutputs() const
{
    if (myInfo.getShaderType() == SHOP_MATERIAL)
        return SHOP_MATERIAL_OUTPUTS;
    return hasFlag(OP_FLAG_MANAGER) ? 0 : 1;
}

int SHOP_ScriptOperator::compareOperator(const OP_Operator *other, int column) const
{
    return SHOP_Operator::compareShaderOperators(*this, myInfo, other, column);
}

void SHOP_ScriptOperator::getOperatorSpecificInfoText(int verbose, UT_WorkBuffer &text)
{
    OP_ScriptOperator::getOperatorSpecificInfoText(verbose, text);
    text.append("\nShader type: ");
    text.append(SHOP_Node::getShaderType(myInfo.getShaderType()));
    text.append("\nRender mask: ");
    text.append(myInfo.getRenderMask());
}

// The branch gets the headings; the general rows and the shader rows go to the tree that was
// passed in, next to the host's own rows.
void SHOP_ScriptOperator::fillInfoTreeOperatorSpecific(UT_InfoTree &tree)
{
    OP_ScriptOperator::fillInfoTreeOperatorSpecific(tree);
    UT_InfoTree *branch = tree.addChildBranch("SHOP Script Operator Info");
    branch->addColumnHeading("Property", -1);
    branch->addColumnHeading("Value", -1);
    fillInfoTree(tree);
    tree.addProperties("Shader Type", SHOP_Node::getShaderType(myInfo.getShaderType()));
    tree.addProperties("Render Mask", myInfo.getRenderMask());
}

bool SHOP_ScriptOperator::loadParmTemplates(DS_Stream &stream)
{
    myInfo.setRenderMask("*");
    return PI_ScriptOperator::loadParmTemplates(stream);
}

int SHOP_ScriptOperator::handleUnknownToken(DS_Stream &stream, UT_String &token)
{
    if (token == "renderers" || token == "rendermask")
    {
        // A closing brace is the end of the script, not a mask: the mask is missing.
        if (stream.getToken(token) && (stream.wasQuoted() || (token != "{" && token != "}")))
        {
            myInfo.setRenderMask(token.c_str());
            return 1;
        }
        stream.error("Expected token for render mask specification");
        return 0;
    }
    return OP_ScriptOperator::handleUnknownToken(stream, token);
}
