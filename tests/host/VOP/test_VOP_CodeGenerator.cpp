#include "VOP_SourceCheck.h"
#include "VOP_TestOwner.h"

#include <EV/EV_Function.h>
#include <VOP/VOP_CodeWriter.h>
#include <functional>

using namespace voptest;

namespace
{

struct Surface
{
    OP_Node *global, *kd, *base, *map, *tex, *lit, *m1, *m2, *sum, *out;
};
} // namespace

class VOPCodeGeneratorTest : public VOPTest
{
protected:
    Surface surface(OP_Network *net)
    {
        Surface s{};
        s.global = add(net, "global", "global1");
        s.kd = add(net, "parameter", "kd");
        set(s.kd, "parmname", "Kd");
        set(s.kd, "parmlabel", "Diffuse weight");
        set(s.kd, "floatdef", "0.5");
        s.base = add(net, "parameter", "base");
        set(s.base, "parmname", "base");
        set(s.base, "parmtype", "color");
        set(s.base, "floatdef", "1");
        set(s.base, "floatdef", "0.5", 1);
        s.map = add(net, "parameter", "map");
        set(s.map, "parmname", "map");
        set(s.map, "parmtype", "string");
        set(s.map, "stringdef", "bricks \"old\".pic");
        s.tex = add(net, "texture", "tex");
        s.lit = add(net, "lighting", "lit");
        s.m1 = add(net, "multiply", "m1");
        s.m2 = add(net, "multiply", "m2");
        s.sum = add(net, "add", "sum");
        s.out = add(net, "surface_output", "out");
        wire(s.map, s.tex, 0);
        wire(s.global, s.lit, 0, 1); // N
        wire(s.tex, s.m1, 0);
        wire(s.lit, s.m1, 1);
        wire(s.m1, s.m2, 0);
        wire(s.kd, s.m2, 1);
        wire(s.m2, s.sum, 0);
        wire(s.lit, s.sum, 1, 1); // spec
        wire(s.sum, s.out, 0);
        wire(s.base, s.out, 1); // Of
        return s;
    }
};

TEST_F(VOPCodeGeneratorTest, SurfaceNetworkWritesCheckedCodeInEitherLanguage)
{
    struct Case
    {
        const char *owner;
        Language language;
        const char *written;
    };
    for (const Case &c :
         {Case{"vexsurface", vexSurface(), "Cf"}, Case{"rslsurface", rslSurface(), "Ci"}})
    {
        SCOPED_TRACE(c.owner);
        TestOwner *net = owner(c.owner, c.owner);
        surface(net);
        const std::string source = net->getVopCodeGenerator()->getSource();
        ASSERT_EQ(errors(net), "");
        SourceCheck check(c.language, "surface");
        EXPECT_EQ(check.check(source), "") << source;
        EXPECT_EQ(check.parameters, (std::vector<std::string>{"Kd", "base", "map"}));
        EXPECT_EQ(check.assigned.front(), c.written) << source;
        EXPECT_NE(source.find(std::string("surface ") + c.owner + "("), std::string::npos);
        // The quote in the default is escaped, not the end of the literal.
        EXPECT_NE(source.find(R"("bricks \"old\".pic")"), std::string::npos) << source;

        // Every parameter node is a spare parameter of the owner, as it was declared.
        const PRM_Parm *kd = net->getParmPtr("Kd");
        ASSERT_TRUE(kd && kd->isSpareParm());
        EXPECT_STREQ(kd->getLabel(), "Diffuse weight");
        EXPECT_FLOAT_EQ(net->evalFloat("Kd", 0, 0), 0.5f);
        const PRM_Parm *base = net->getParmPtr("base");
        ASSERT_TRUE(base);
        EXPECT_TRUE(base->getTemplatePtr()->getType() == PRM_RGB);
        EXPECT_FLOAT_EQ(net->evalFloat("base", 1, 0), 0.5f);
        UT_String map;
        net->evalString(map, "map", 0, 0);
        EXPECT_EQ(map.toStdString(), "bricks \"old\".pic");
        EXPECT_EQ(net->getNumSpareParms(), 3);
    }
}

TEST_F(VOPCodeGeneratorTest, FaultsAreErrorsNamingTheirNodeAndLeaveNoSource)
{
    struct Case
    {
        const char *owner;
        std::function<void(OP_Network *)> build;
        const char *message;
    };
    const Case cases[] = {
        {"vexsurface",
         [](OP_Network *net)
         {
             OP_Node *sum = add(net, "add", "sum");
             wire(add(net, "constant", "c"), sum, 0);
             wire(sum, add(net, "surface_output", "out"), 0);
         },
         "/sum: input 'input2' is not connected"},
        {"rslsurface",
         [](OP_Network *net)
         {
             OP_Node *g = add(net, "global", "g");
             OP_Node *sum = add(net, "add", "sum");
             wire(g, sum, 0);
             wire(add(net, "texture", "tex"), sum, 1);
             wire(sum, add(net, "surface_output", "out"), 0);
         },
         "/sum: its inputs join a vector and a color"},
        {"vexsurface",
         [](OP_Network *net)
         {
             OP_Node *mix = add(net, "mix", "mix");
             wire(add(net, "texture", "tex"), mix, 0);
             wire(add(net, "texture", "tex2"), mix, 1);
             wire(mix, add(net, "surface_output", "out"), 1);
             OP_Node *sum = add(net, "add", "sum");
             wire(add(net, "global", "g"), sum, 0);
             wire(add(net, "global", "g2"), sum, 1);
             wire(sum, net->getChild("out"), 0); // a vector into the colour Cf
         },
         "/out: input 'Cf' takes a color, not a vector from"},
        {"vexsurface", [](OP_Network *net) { add(net, "constant", "c"); },
         "No output node for the surface context in"},
        {"vexsurface",
         [](OP_Network *net)
         {
             add(net, "surface_output", "out1");
             add(net, "surface_output", "out2");
         },
         "Two output nodes for the surface context in"},
        {"vexsurface",
         [](OP_Network *net)
         {
             add(net, "surface_output", "out");
             set(add(net, "parameter", "p"), "parmname", "two words");
             set(add(net, "parameter", "q"), "parmname", "N");
         },
         "/p: 'two words' cannot name a parameter"},
        {"vexsurface",
         [](OP_Network *net)
         {
             add(net, "surface_output", "out");
             set(add(net, "parameter", "p"), "parmname", "Kd");
             set(add(net, "parameter", "q"), "parmname", "Kd");
         },
         "/q: the parameter 'Kd' is also made by"},
        {"vexlight",
         [](OP_Network *net)
         { wire(add(net, "texture", "tex"), add(net, "light_output", "out"), 0); },
         "/tex: input 's' reads the global 's', which the light context does not have"},
        {"nocontext", [](OP_Network *) {}, ": no VEX or RSL context serves its renderers"},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.message);
        TestOwner *net = owner(c.owner);
        c.build(net);
        EXPECT_NE(errors(net).find(c.message), std::string::npos) << errors(net);
        EXPECT_EQ(net->getVopCodeGenerator()->getSource(), "");
        mgr->destroyNode(net);
    }
    // A reserved name is refused too, beside the bad one.
    TestOwner *net = owner("vexsurface");
    add(net, "surface_output", "out");
    set(add(net, "parameter", "q"), "parmname", "N");
    EXPECT_NE(errors(net).find("/q: 'N' cannot name a parameter"), std::string::npos);
    EXPECT_EQ(net->getParmPtr("N"), nullptr);
}

TEST(VOPCodeWriterTest, CycleIsAnErrorNotAnEndlessWalk)
{
    // The host refuses to wire a loop, so the loop is made as data, as a damaged file or a
    // future host might hand it over.
    VOP_Graph graph;
    auto node = [&](const char *name, VOP_Kind kind, int inputs)
    {
        VOP_Graph::Node n;
        n.path = std::string("/net/") + name;
        n.name = name;
        n.kind = kind;
        for (int i = 0; i < inputs; ++i)
        {
            n.inputSpecs.push_back({"in" + std::to_string(i), VOP_TYPE_NUMERIC, true, "", false});
            n.inputs.emplace_back();
        }
        if (kind != VOP_KIND_OUTPUT)
            n.outputSpecs.push_back({"out", VOP_TYPE_NUMERIC});
        graph.nodes.push_back(n);
    };
    node("a", VOP_KIND_ADD, 2);
    node("b", VOP_KIND_ADD, 2);
    node("out", VOP_KIND_OUTPUT, 1);
    graph.nodes[0].inputs[0].node = 1;
    graph.nodes[1].inputs[0].node = 0;
    graph.nodes[2].inputs[0].node = 0;
    const VOP_Code code =
        VOP_CodeWriter(VOP_LANGUAGE_VEX, VOP_CONTEXT_SURFACE, "net", "/net").write(graph);
    ASSERT_EQ(code.errors.size(), 1u);
    EXPECT_NE(code.errors[0].find("Cycle through /net/"), std::string::npos);
    EXPECT_EQ(code.source, "");
}

TEST_F(VOPCodeGeneratorTest, WritesAgainOnlyWhenTheNetworkChanges)
{
    TestOwner *net = owner("vexsurface");
    Surface s = surface(net);
    VOP_CodeGenerator &gen = *net->getVopCodeGenerator();
    const std::string before = gen.getSource();
    const int count = gen.getGenerationCount();

    // Questions and the values of the shader's own parameters leave the code alone.
    gen.getSource();
    gen.getErrorManager();
    UT_String value;
    gen.getVariableString(VOP_CodeGenerator::theFirstVariable, value);
    set(net, "Kd", "0.8");
    EXPECT_EQ(gen.getGenerationCount(), count);
    EXPECT_FLOAT_EQ(net->evalFloat("Kd", 0, 0), 0.8f);

    // Each of several edits between two cooks is heard, not only the first.
    set(s.kd, "parmname", "Kd1");
    set(s.kd, "parmname", "Kd2");
    set(s.kd, "floatdef", "0.25");
    EXPECT_GT(gen.getGenerationCount(), count);
    EXPECT_EQ(net->getParmPtr("Kd"), nullptr);
    ASSERT_NE(net->getParmPtr("Kd2"), nullptr);
    EXPECT_FLOAT_EQ(net->evalFloat("Kd2", 0, 0), 0.25f);
    EXPECT_NE(gen.getSource(), before);

    // A changed default keeps a value the user set; a parameter node's removal takes its
    // parameter along, and a spare parameter the generator did not make stays.
    std::string error;
    ASSERT_TRUE(net->getParmPtr("Kd2")->setExpression(0, "0.5 + 0.25", error)) << error;
    // One change reaching every node downstream writes the code once.
    const int beforeEdit = gen.getGenerationCount();
    set(s.kd, "floatdef", "0.3");
    EXPECT_EQ(gen.getGenerationCount(), beforeEdit + 1);
    EXPECT_FLOAT_EQ(net->evalFloat("Kd2", 0, 0), 0.75f);
    EXPECT_TRUE(net->getParmPtr("Kd2")->isExpression(0));
    ASSERT_TRUE(net->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("mine")), error)) << error;
    ASSERT_TRUE(net->destroyNode(s.base));
    EXPECT_EQ(net->getParmPtr("base"), nullptr);
    EXPECT_NE(net->getParmPtr("mine"), nullptr);

    // The button writes the code again whatever changed.
    const int beforeButton = gen.getGenerationCount();
    set(net, VOP_CodeGenerator::theVopForceCompileName, "1");
    EXPECT_EQ(gen.getGenerationCount(), beforeButton + 1);
}

TEST_F(VOPCodeGeneratorTest, ContextDecidesChildrenVariablesAndLanguage)
{
    TestOwner *displace = owner("vexdisplace", "bumpy");
    std::string error;
    EXPECT_EQ(displace->createNode("lighting", nullptr, error), nullptr);
    EXPECT_NE(error.find("not allowed"), std::string::npos);
    EXPECT_EQ(displace->createNode("surface_output", nullptr, error), nullptr);
    EXPECT_NE(displace->createNode("displace_output", nullptr, error), nullptr) << error;

    auto variable = [](OP_Node *node, const char *text)
    {
        EV_Value value;
        std::string why;
        EXPECT_TRUE(node->evaluateExpression(text, 0, value, why)) << why;
        return value.asString();
    };
    EXPECT_EQ(variable(displace, "$VOP_CONTEXT"), "displacement");
    EXPECT_EQ(variable(displace, "$VOP_LANGUAGE"), "vex");

    // With both languages the compiler parameter chooses, and choosing again writes again.
    TestOwner *both = owner("bothsurface", "both");
    wire(add(both, "texture", "tex"), add(both, "surface_output", "out"), 0);
    EXPECT_EQ(SourceCheck(vexSurface(), "surface").check(both->getVopCodeGenerator()->getSource()),
              "");
    set(both, VOP_CodeGenerator::theVopCompilerName, VOP_CodeGenerator::theVopCompilerRslDefault);
    EXPECT_EQ(variable(both, "$VOP_LANGUAGE"), "rsl");
    const std::string rsl = both->getVopCodeGenerator()->getSource();
    EXPECT_EQ(SourceCheck(rslSurface(), "surface").check(rsl), "") << rsl;
}
