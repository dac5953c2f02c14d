// Materials and their output nodes, shader network managers, and the notification passes of
// variable-input nodes.

#include "../ShopTestNodes.h"

#include <shop/network/SHOP_Output.h>
#include <shop/network/SHOP_SubNet.h>
#include <shop/network/SHOP_VariableInput.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <UT/UT_UndoManager.h>

using namespace shoptest;

namespace
{
/// A variable-input node that counts the changes it handles itself.
class CountingInput : public SHOP_VariableInput
{
public:
    CountingInput(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_VariableInput(parent, name, op, SHOP_SURFACE)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new CountingInput(parent, name, op);
    }
    unsigned maxInputs() const override { return 4; }
    void ensureParametersAreValid() override { ++validated; }
    int validated = 0;
};

class Subnets : public ShopTest
{
protected:
    void SetUp() override
    {
        ShopTest::SetUp();
        static bool once = []
        {
            OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
            SHOP_TableBuilder::addNetworkOperators(*table);
            table->addOperator(SHOP_TableBuilder::getManagementOperator());
            addShopOperator("t_any", TestShopNode::myConstructor, SHOP_ANY, {}, 0);
            addShopOperator("t_varin", CountingInput::myConstructor, SHOP_SURFACE, {}, 4);
            addShop("t_withparm", SHOP_PROPERTIES, "*",
                    {PRM_Template(PRM_FLT, 1, PRM_Name("prop"), {PRM_Default(3)})});
            return true;
        }();
        (void)once;
    }

    // Nodes of the library's own classes.
    SHOP_Node *shop(const char *type, OP_Network *in = nullptr, const char *name = nullptr)
    {
        return make<SHOP_Node>(type, in, name);
    }
    SHOP_SubNet *material(const char *name = nullptr)
    {
        return make<SHOP_SubNet>("material", nullptr, name);
    }
};
} // namespace

TEST_F(Subnets, TheOutputNodePlacesShadersByTypeAndAnswersOnlyThroughThatInput)
{
    SHOP_SubNet *mat = material();
    SHOP_Node *out = shop("suboutput", mat);
    SHOP_Node *bumps = make("t_displace", mat);
    SHOP_Node *any = make("t_any", mat);
    SHOP_Node *surface = make("t_surface", mat);

    wire(out, 0, bumps);
    EXPECT_EQ(out->getInput(0), nullptr);
    EXPECT_EQ(out->getInput(2), bumps);
    wire(out, 5, any); // no input of its own: stays where it was dropped
    EXPECT_EQ(out->getInput(5), any);
    // Properties have an input of their own too, the first one.
    SHOP_Node *props = shop("properties", mat);
    wire(out, 7, props);
    EXPECT_EQ(out->getInput(7), nullptr);
    EXPECT_EQ(out->getInput(0), props);
    EXPECT_EQ(mat->findShader(SHOP_PROPERTIES, 0, nullptr), props);

    UT_String name;
    out->getInputName(name, 23);
    EXPECT_STREQ(name.c_str(), "next");
    out->getInputName(name, 0);
    EXPECT_STREQ(name.c_str(), "Properties");
    EXPECT_FALSE(out->isInputVisible(24));
    EXPECT_FALSE(out->isInputVisible(-1));
    EXPECT_FALSE(out->isInputVisible(1));
    EXPECT_EQ(out->getNumVisibleInputs(), 24u);

    // Input 1 is empty: no surface, though another input holds a surface-capable node.
    wire(out, 5, surface);
    EXPECT_EQ(out->getInput(1), surface);
    std::string error;
    ASSERT_TRUE(out->setInput(1, nullptr, 0, error));
    EXPECT_EQ(mat->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    wire(out, 1, surface);
    EXPECT_EQ(mat->findShader(SHOP_SURFACE, 0, nullptr), surface);
    EXPECT_EQ(mat->findShader(SHOP_DISPLACEMENT, 0, nullptr), bumps);
    EXPECT_EQ(mat->findShader(SHOP_MATERIAL, 0, nullptr), nullptr);
    EXPECT_EQ(mat->findShader(static_cast<SHOP_TYPE>(77), 0, nullptr), nullptr);
    EXPECT_EQ(mat->getOutputType(1), SHOP_SURFACE);
    EXPECT_EQ(mat->getOutputType(3), SHOP_UNDEFINED);
    EXPECT_TRUE(mat->isOutputVisible(2));
    EXPECT_FALSE(mat->isOutputVisible(3));
    UT_PtrArray<SHOP_Node *> list;
    EXPECT_EQ(mat->collectShaders(list, SHOP_SURFACE, 0, nullptr), 1);
}

TEST_F(Subnets, OneOutputNodeIsAllowedAndTheCacheFollowsItsDeletion)
{
    SHOP_SubNet *mat = material();
    EXPECT_EQ(mat->getOutputNode(), nullptr);
    EXPECT_EQ(mat->maxOutputs(), 24u);
    EXPECT_EQ(mat->getNumVisibleOutputs(), 0u);

    SHOP_Node *out = shop("suboutput", mat, "out");
    EXPECT_EQ(mat->getOutputNode(), out);
    std::string error;
    EXPECT_EQ(mat->createNode("suboutput", "second", error), nullptr);
    EXPECT_NE(error.find("not allowed"), std::string::npos) << error;
    // Other types are the enclosing network's to decide (it allows all).
    EXPECT_NE(mat->createNode("t_surface", nullptr, error), nullptr) << error;

    std::vector<OP_EventType> events;
    mat->addEventHandler([&](OP_Node &, OP_EventType type, void *) { events.push_back(type); });
    mat->destroyNode(out);
    EXPECT_NE(std::find(events.begin(), events.end(), OP_CHILD_CHANGED), events.end());
    EXPECT_EQ(mat->getOutputNode(), nullptr);
    SHOP_Node *again = shop("suboutput", mat, "out");
    EXPECT_EQ(mat->getOutputNode(), again);

    // A node moved out is no longer the output node, even while the cache still names it.
    SHOP_SubNet *other = material();
    ASSERT_TRUE(mat->moveNode(again, other, error)) << error;
    EXPECT_EQ(mat->getOutputNode(), nullptr);
    EXPECT_EQ(other->getOutputNode(), again);
}

TEST_F(Subnets, ManagersHoldNetworksButAnswerNothing)
{
    SHOP_Node *net = shop("shopnet");
    SHOP_Node *surface = make("t_surface", net);
    EXPECT_NE(surface, nullptr);
    EXPECT_EQ(net->getOutputNode(), nullptr);
    EXPECT_EQ(net->maxOutputs(), 0u);
    EXPECT_EQ(net->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    UT_String name;
    net->getOutputName(name, 0);
    EXPECT_STREQ(name.c_str(), "unknown");
    // A manager never gets an output node, not even after loading.
    net->finishedLoadingNetwork();
    EXPECT_EQ(net->getNchildren(), 1);
}

TEST_F(Subnets, LoadingGivesAMaterialWithoutOneAnOutputNodeExceptDuringUndo)
{
    SHOP_SubNet *mat = material();
    {
        UT_UndoRedoScope undo;
        mat->finishedLoadingNetwork();
    }
    EXPECT_EQ(mat->getOutputNode(), nullptr);
    mat->finishedLoadingNetwork();
    ASSERT_NE(mat->getOutputNode(), nullptr);
    mat->finishedLoadingNetwork();
    EXPECT_EQ(mat->getNchildren(), 1);
}

TEST_F(Subnets, PropertiesComeFromTheSubnetFirstThenFromItsPropertiesInput)
{
    SHOP_SubNet *mat = material();
    std::string error;
    ASSERT_TRUE(mat->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("prop"), {7.0}), error));
    SHOP_Node *out = shop("suboutput", mat);
    SHOP_Node *props = make("t_withparm", mat);
    ASSERT_TRUE(props->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("other"), {5.0}), error));
    wire(out, 0, props);

    OP_Node *node = nullptr;
    PRM_Parm *parm = nullptr;
    ASSERT_TRUE(mat->getParameterOrProperty("prop", 0, node, parm, nullptr, false));
    EXPECT_EQ(node, mat);
    ASSERT_TRUE(mat->getParameterOrProperty("other", 0, node, parm, nullptr, false));
    EXPECT_EQ(node, props);
    int component = -1;
    ASSERT_TRUE(mat->getParameterOrPropertyByChannel("other", 0, node, parm, component, nullptr));
    EXPECT_EQ(node, props);
    EXPECT_FALSE(mat->getParameterOrProperty("missing", 0, node, parm, nullptr, false));
}

TEST_F(Subnets, NotificationPassesReachEachNodeOnceAndAlwaysEnd)
{
    auto *a = dynamic_cast<CountingInput *>(shop("t_varin"));
    auto *b = dynamic_cast<CountingInput *>(shop("t_varin"));
    auto *c = dynamic_cast<CountingInput *>(shop("t_varin"));
    wire(b, 0, a);
    wire(c, 0, b);
    wire(c, 1, a); // c hears of a twice: directly and through b
    EXPECT_EQ(c->getNumVisibleInputs(), 3u);
    EXPECT_EQ(a->getNumVisibleInputs(), 1u);
    // References both ways make a loop that wires cannot.
    std::string error;
    ASSERT_TRUE(a->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("x")), error));
    ASSERT_TRUE(c->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("y")), error));
    setExpr(a, "x", ("ch(\"../" + std::string(c->getName()) + "/y\")").c_str());
    setExpr(c, "y", ("ch(\"../" + std::string(a->getName()) + "/x\")").c_str());
    OP_Context context(0);
    a->cook(context);
    c->cook(context);

    const int before[] = {a->validated, b->validated, c->validated};
    const int pass = SHOP_VariableInput::getLatestPass();
    a->opChanged(OP_INPUT_CHANGED, nullptr);
    EXPECT_FALSE(SHOP_VariableInput::isPassRunning());
    EXPECT_EQ(SHOP_VariableInput::getLatestPass(), pass + 1);
    EXPECT_EQ(a->validated - before[0], 1);
    EXPECT_EQ(b->validated - before[1], 1);
    EXPECT_EQ(c->validated - before[2], 1);
    for (const CountingInput *node : {a, b, c})
        EXPECT_EQ(node->getLastPass(), pass + 1);

    // A node that blocks modification leaves its changes to the host alone.
    b->setBlockModify(true);
    b->opChanged(OP_INPUT_CHANGED, nullptr);
    EXPECT_EQ(b->getLastPass(), pass + 1);
    b->setBlockModify(false);
}
