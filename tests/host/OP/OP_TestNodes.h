#pragma once

#include <EV/EV_Expression.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>

#include <gtest/gtest.h>

#include <string>

// Node types of the OP tests, in a table of their own, below a manager network that each test
// makes fresh under the director's root and deletes again.
namespace optest
{

inline constexpr const char *theTable = "OPTestNodes";
inline constexpr const char *theManagerType = "optestmgr";

enum
{
    VAR_NAME = 1,
    VAR_TWICE = 2,
};

class TestNode : public OP_Node
{
public:
    TestNode(OP_Network *parent, const char *name, OP_Operator *op) : OP_Node(parent, name, op) {}
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new TestNode(parent, name, op);
    }

    bool getVariableString(int index, UT_String &value, int thread) override
    {
        if (index != VAR_NAME)
            return OP_Node::getVariableString(index, value, thread);
        value = "var_" + getName();
        return true;
    }
    bool getVariableValue(int index, double &value, int) override
    {
        if (index != VAR_TWICE)
            return false;
        value = 2 * evalFloat("val", 0, 0);
        return true;
    }

    unsigned maxInputs() const override
    {
        return inputLimit >= 0 ? inputLimit : OP_Node::maxInputs();
    }

    int cookMeCount = 0;
    float lastValue = 0;
    int inputLimit = -1; // the operator's, unless set

protected:
    // Cooks its inputs, then reads "val": enough to see dirtiness, time and errors travel.
    UT_ErrorSeverity cookMe(OP_Context &context) override
    {
        ++cookMeCount;
        for (unsigned i = 0; i < nInputs(); ++i)
            if (OP_Node *in = getInput(i))
                in->cook(context);
        lastValue = evalFloat("val", 0, context.getTime());
        return error();
    }
};

inline const CH_LocalVariable theVariables[] = {
    {"NAME", VAR_NAME, CH_VARIABLE_STRING},
    {"TWICE", VAR_TWICE, CH_VARIABLE_FLOAT},
    {"MISSING", 99, CH_VARIABLE_FLOAT},
    {nullptr, 0, CH_VARIABLE_FLOAT},
};

inline void install()
{
    static bool done = []
    {
        OP_Director *director = OPgetDirector();
        OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
        OP_OperatorTable *table = director->getOperatorTable(theTable);
        // Operators copy their templates, so the array need not outlive this.
        PRM_Template templates[] = {
            PRM_Template(PRM_FLT, 1, PRM_Name("val"), {PRM_Default(1)}),
            PRM_Template(PRM_XYZ, 3, PRM_Name("t")),
            PRM_Template(PRM_STRING, 1, PRM_Name("label"), {PRM_Default(0, "x")}),
            PRM_Template(PRM_FLT, 1, PRM_Name("ui")),
            PRM_Template(),
        };
        templates[3].setNoCook(true);
        auto *manager =
            new OP_Operator(theManagerType, "OP Test Manager", OP_GenericNetwork::myConstructor,
                            nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER);
        manager->setChildTableName(theTable);
        root->addOperator(manager);
        table->addOperator(new OP_Operator("leaf", "Leaf", TestNode::myConstructor, templates, 0, 2,
                                           theVariables));
        auto *net = new OP_Operator("net", "Net", OP_GenericNetwork::myConstructor, templates, 0, 1,
                                    nullptr, OP_FLAG_NETWORK);
        net->setChildTableName(theTable);
        table->addOperator(net);
        return true;
    }();
    (void)done;
}

class OPTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        install();
        mgr = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode(theManagerType));
        ASSERT_NE(mgr, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(mgr); }

    TestNode *leaf(const char *name = nullptr, OP_Network *in = nullptr)
    {
        return static_cast<TestNode *>((in ? in : mgr)->createNode("leaf", name));
    }
    OP_Network *net(const char *name = nullptr, OP_Network *in = nullptr)
    {
        return static_cast<OP_Network *>((in ? in : mgr)->createNode("net", name));
    }
    static void setExpr(OP_Node *node, const char *parm, const char *text, int component = 0)
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr(parm)->setExpression(component, text, error)) << error;
    }
    static std::string exprText(OP_Node *node, const char *parm, int component = 0)
    {
        const EV_Expression *expr = node->getParmPtr(parm)->getExpression(component);
        return expr ? expr->getText() : std::string("<none>");
    }

    OP_Network *mgr = nullptr;
};

} // namespace optest
