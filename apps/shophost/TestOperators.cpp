#include "TestOperators.h"

#include <OP/OP_Director.h>

namespace
{
const char *theObjectTable = "Object";

class shophost_Node : public OP_Node
{
public:
    shophost_Node(OP_Network *parent, const char *name, OP_Operator *op)
        : OP_Node(parent, name, op)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new shophost_Node(parent, name, op);
    }
    const char *getOpType() const override { return "OBJ"; }

protected:
    // Reads every parameter, as a node that uses them would, so that bad expressions show.
    UT_ErrorSeverity cookMe(OP_Context &context) override
    {
        UT_String value;
        for (int i = 0; i < getParmList()->getEntries(); ++i)
            for (int c = 0; c < getParmList()->getParmPtr(i)->getVectorSize(); ++c)
                evalString(value, i, c, context.getTime());
        return error();
    }
};

class shophost_Network : public OP_Network
{
public:
    shophost_Network(OP_Network *parent, const char *name, OP_Operator *op)
        : OP_Network(parent, name, op)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new shophost_Network(parent, name, op);
    }
    const char *getOpType() const override { return "OBJ"; }
};

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
                 new OP_Operator("objnet", "Object Network", shophost_Network::myConstructor,
                                 nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER),
                 theObjectTable);
    shophost_add(objects,
                 new OP_Operator("subnet", "Subnetwork", shophost_Network::myConstructor,
                                 theTransformTemplates, 0, 4, nullptr, OP_FLAG_NETWORK),
                 theObjectTable);
    shophost_add(objects, new OP_Operator("null", "Null", shophost_Node::myConstructor,
                                          theTransformTemplates, 0, 1));
    shophost_add(objects, new OP_Operator("parmtest", "Parameter Test",
                                          shophost_Node::myConstructor, theParmTestTemplates, 0,
                                          2));
    director->getRoot()->createNode("objnet", "obj");
}
