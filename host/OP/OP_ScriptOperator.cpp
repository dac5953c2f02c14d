#include <OP/OP_ScriptOperator.h>

#include <FS/DS_Stream.h>
#include <UT/UT_InfoTree.h>
#include <UT/UT_WorkBuffer.h>

// Whatever flags the caller gives, the operator is one that a script or asset defines.
OP_ScriptOperator::OP_ScriptOperator(const char *name, const char *label,
                                     OP_Constructor constructor, const PRM_Template *templates,
                                     unsigned minInputs, unsigned maxInputs,
                                     const CH_LocalVariable *variables, unsigned flags)
    : OP_Operator(name, label, constructor, templates, minInputs, maxInputs, variables,
                  flags | OP_FLAG_SCRIPTDEF)
{
}

// Scripts are called by their plain name here, whoever asks and however.
void OP_ScriptOperator::getScriptName(UT_String &name, bool, bool) const
{
    name.str() = myScriptName;
}

void OP_ScriptOperator::getOperatorSpecificInfoText(int, UT_WorkBuffer &text)
{
    text.append("Operator: ");
    text.append(getName());
    text.append(" (");
    text.append(getLabel());
    text.append(")\nDefined in: ");
    text.append(myDefinition);
    text.append("\nScript: ");
    text.append(myScriptName);
}

void OP_ScriptOperator::fillInfoTreeOperatorSpecific(UT_InfoTree &tree)
{
    tree.addProperties("Definition", myDefinition.c_str());
    tree.addProperties("Script Name", myScriptName.c_str());
}

bool OP_ScriptOperator::loadParmTemplates(DS_Stream &)
{
    return true;
}

int OP_ScriptOperator::handleUnknownToken(DS_Stream &stream, UT_String &token)
{
    stream.error("Unknown token '" + token.toStdString() + "'");
    return 0;
}
