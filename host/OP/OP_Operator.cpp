#include <OP/OP_Operator.h>

#include <UT/UT_InfoTree.h>

#include <cstring>
#include <string>

OP_Operator::OP_Operator(const char *name, const char *label, OP_Constructor constructor,
                         const PRM_Template *templates, unsigned minInputs, unsigned maxInputs,
                         const CH_LocalVariable *variables, unsigned flags, const char *icon,
                         unsigned maxOutputs)
    : myName(name ? name : ""), myLabel(label ? label : (name ? name : "")),
      myIcon(icon ? icon : ""), myConstructor(constructor), myMinInputs(minInputs),
      myMaxInputs(maxInputs < minInputs ? minInputs : maxInputs), myMaxOutputs(maxOutputs),
      myFlags(flags), myVariables(variables)
{
    for (const PRM_Template *t = templates; t && !t->isTerminator(); ++t)
        myTemplates.push_back(*t);
    myTemplates.emplace_back();
}

OP_Operator::~OP_Operator() = default;

const CH_LocalVariable *OP_Operator::findVariable(const char *name) const
{
    for (const CH_LocalVariable *v = myVariables; v && v->name; ++v)
        if (std::strcmp(v->name, name) == 0)
            return v;
    return nullptr;
}

OP_Node *OP_Operator::constructNode(OP_Network *parent, const char *name)
{
    return myConstructor ? myConstructor(parent, name, this) : nullptr;
}

int OP_Operator::compareOperator(const OP_Operator *other, int) const
{
    if (!other)
        return -1;
    return myName.compare(other->getName()) < 0 ? -1 : (myName == other->getName() ? 0 : 1);
}

void OP_Operator::setObsoleteTemplates(const PRM_Template *templates)
{
    myObsolete.clear();
    for (const PRM_Template *t = templates; t && !t->isTerminator(); ++t)
        myObsolete.push_back(*t);
    if (!myObsolete.empty())
        myObsolete.emplace_back();
}

void OP_Operator::setParmTemplates(const PRM_Template *templates)
{
    myTemplates.clear();
    for (const PRM_Template *t = templates; t && !t->isTerminator(); ++t)
        myTemplates.push_back(*t);
    myTemplates.emplace_back();
}

void OP_Operator::fillInfoTree(UT_InfoTree &tree) const
{
    tree.addProperties("Name", myName.c_str());
    tree.addProperties("Label", myLabel.c_str());
    const std::string inputs = std::to_string(myMinInputs) + "-" + std::to_string(myMaxInputs);
    tree.addProperties("Inputs", inputs.c_str());
    tree.addProperties("Outputs", std::to_string(maxOutputs()).c_str());
    tree.addProperties("Icon", myIcon.c_str());
}
