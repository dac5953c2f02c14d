#include "TestOperators.h"

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>

namespace
{
const char *theObjectTable = "Object";

const PRM_Template theTransformTemplates[] = {
    PRM_Template(PRM_XYZ, 3, PRM_Name("t", "Translate")),
    PRM_Template(PRM_XYZ, 3, PRM_Name("r", "Rotate")),
    PRM_Template(PRM_XYZ, 3, PRM_Name("s", "Scale"), {PRM_Default(1)}),
    PRM_Template(),
};

auto theMenu = std::make_shared<PRM_ChoiceList>(
    std::vector<PRM_ChoiceList::Item>{{"low", "Low"}, {"medium", "Medium"}, {"high", "High"}});

const PRM_Template theParmTestTemplates[] = {
    PRM_Template(PRM_SWITCHER, 2, PRM_Name("folder", "Folder"),
                 {PRM_Default(4, "Numbers"), PRM_Default(4, "Text")}),
    PRM_Template(PRM_INT, 1, PRM_Name("count", "Count"), {PRM_Default(3)}, nullptr,
                 PRM_Range(0, 10, true, false)),
    PRM_Template(PRM_FLT, 1, PRM_Name("scale", "Scale"), {PRM_Default(1)}),
    PRM_Template(PRM_RGB, 3, PRM_Name("color", "Colour"), {PRM_Default(1), PRM_Default(0.5)}),
    PRM_Template(PRM_TOGGLE, 1, PRM_Name("enable", "Enable")),
    PRM_Template(PRM_STRING, 1, PRM_Name("label", "Label"), {PRM_Default(0, "hello")}),
    PRM_Template(PRM_FILE, 1, PRM_Name("file", "File")),
    PRM_Template(PRM_STRING_OPREF, 1, PRM_Name("target", "Target Node")),
    PRM_Template(PRM_ORD, 1, PRM_Name("quality", "Quality"), {PRM_Default(1)}, theMenu),
    PRM_Template(PRM_FLT, 1, PRM_Name("frame", "Frame"),
                 {PRM_Default(0, "$F", PRM_DEFAULT_EXPRESSION)}),
    PRM_Template(),
};

void shophost_add(OP_OperatorTable *table, OP_Operator *op, const char *childTable = nullptr)
{
    if (childTable)
        op->setChildTableName(childTable);
    table->addOperator(op);
}
} // namespace

void TestOperators::install()
{
    OP_Director *director = OPgetDirector();
    OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
    OP_OperatorTable *objects = director->getOperatorTable(theObjectTable);
    shophost_add(root,
                 new OP_Operator("objnet", "Object Network", OP_GenericNetwork::myConstructor,
                                 nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER),
                 theObjectTable);
    shophost_add(objects,
                 new OP_Operator("subnet", "Subnetwork", OP_GenericNetwork::myConstructor,
                                 theTransformTemplates, 0, 4, nullptr, OP_FLAG_NETWORK),
                 theObjectTable);
    shophost_add(objects, new OP_Operator("null", "Null", OP_GenericNode::myConstructor,
                                          theTransformTemplates, 0, 1));
    shophost_add(objects,
                 new OP_Operator("parmtest", "Parameter Test", OP_GenericNode::myConstructor,
                                 theParmTestTemplates, 0, 2));
    director->getRoot()->createNode("objnet", "obj");
}
