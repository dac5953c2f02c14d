// VOP network shaders, in a program of their own: the viewport clerk registered here asks to be
// added to the masks of surface operators, as the real one does.

#include "../../host/VOP/VOP_SourceCheck.h"
#include "../ShopTestNodes.h"

#include <shop/operator/SHOP_Vopnet.h>

#include <EV/EV_Function.h>
#include <VOP/VOP_CodeGenerator.h>

using namespace shoptest;

namespace
{
TestClerk theViewport{"OGL", false, true};

// The VOP operators these tests use, as the table builder makes them.
void installVopOperators()
{
    static const bool theDone = []
    {
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &theViewport);
        OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
        table->addOperator(SHOP_Vopnet::buildOperator("vopsurface", "VOP VEX Surface SHOP",
                                                      "VKorvit", SHOP_SURFACE));
        table->addOperator(SHOP_Vopnet::buildOperator("vopdisplace", "VOP VEX Displacement SHOP",
                                                      "VKorvit", SHOP_DISPLACEMENT));
        table->addOperator(
            SHOP_Vopnet::buildOperator("voplight", "VOP VEX Light SHOP", "VKorvit", SHOP_LIGHT));
        table->addOperator(SHOP_Vopnet::buildOperator("rsl_vopsurface", "VOP RSL Surface SHOP",
                                                      "RIB", SHOP_SURFACE));
        table->addOperator(
            SHOP_Vopnet::buildOperator("rsl_voplight", "VOP RSL Light SHOP", "RIB", SHOP_LIGHT));
        return true;
    }();
    (void)theDone;
}

const SHOP_OperatorInfo &infoOf(const char *type)
{
    const OP_Operator *op =
        OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->getOperator(type);
    return *dynamic_cast<const SHOP_OperatorInfo *>(op->getOpSpecificData());
}

std::vector<std::string> parmNames(const OP_Node &node)
{
    std::vector<std::string> names;
    for (int i = 0; i < node.getParmList()->getEntries(); ++i)
        names.push_back(node.getParmList()->getParmPtr(i)->getToken());
    return names;
}
} // namespace

class VopnetTest : public ShopTest
{
protected:
    void SetUp() override
    {
        ShopTest::SetUp();
        installVopOperators();
    }

    static OP_Node *vop(OP_Network *net, const char *type, const char *name)
    {
        std::string error;
        OP_Node *node = net->createNode(type, name, error);
        EXPECT_NE(node, nullptr) << error;
        return node;
    }
    // A float parameter Kd, scaled by the diffuse light, into the surface colour.
    SHOP_Vopnet *litSurface(const char *type, const char *name)
    {
        auto *net = make<SHOP_Vopnet>(type, nullptr, name);
        OP_Node *kd = vop(net, "parameter", "kd");
        setText(kd, "parmname", "Kd");
        set(kd, "floatdef", {0.5});
        OP_Node *lit = vop(net, "lighting", "lit");
        OP_Node *scaled = vop(net, "multiply", "scaled");
        wire(scaled, 0, lit);
        wire(scaled, 1, kd);
        wire(vop(net, "surface_output", "out"), 0, scaled);
        return net;
    }
};

TEST_F(VopnetTest, MasksParameterListsAndContextsFollowFlavourAndType)
{
    // The viewport clerk adds itself to both surface flavours, and to nothing else.
    EXPECT_STREQ(infoOf("vopsurface").getRenderMask(), "VKorvit OGL");
    EXPECT_STREQ(infoOf("rsl_vopsurface").getRenderMask(), "RIB OGL");
    EXPECT_STREQ(infoOf("voplight").getRenderMask(), "VKorvit");
    EXPECT_STREQ(infoOf("rsl_voplight").getRenderMask(), "RIB");

    auto *vexSurface = make<SHOP_Vopnet>("vopsurface");
    auto *rslSurface = make<SHOP_Vopnet>("rsl_vopsurface");
    auto *vexLight = make<SHOP_Vopnet>("voplight");
    auto *rslLight = make<SHOP_Vopnet>("rsl_voplight");
    auto *vexDisplace = make<SHOP_Vopnet>("vopdisplace");
    ASSERT_TRUE(vexSurface && rslSurface && vexLight && rslLight && vexDisplace);

    const std::string compiler = VOP_CodeGenerator::theVopCompilerName;
    const std::string button = VOP_CodeGenerator::theVopForceCompileName;
    EXPECT_EQ(parmNames(*vexLight), (std::vector<std::string>{compiler, button}));
    EXPECT_EQ(parmNames(*rslLight), parmNames(*vexLight));
    const std::vector<std::string> surface = parmNames(*vexSurface);
    EXPECT_EQ(surface, parmNames(*rslSurface));
    ASSERT_EQ(surface.size(), 12u);
    EXPECT_EQ(surface[1], "ogl_amb");
    EXPECT_EQ(surface[8], "ogl_cutout");
    EXPECT_EQ(surface[9], "ogl_numtex");
    EXPECT_EQ(surface[10], compiler);
    const PRM_Template &folders = *vexSurface->getParmList()->getParmPtr(0)->getTemplatePtr();
    EXPECT_TRUE(folders.getType().hasFlag(PRM_TYPE_SWITCHERLIST));
    EXPECT_STREQ(folders.getDefault(0)->getString(), "OGL");
    EXPECT_EQ(folders.getDefault(0)->getOrdinal(), 9);
    // The texture layers: a count of none, numbered from one, each layer a file, two filters
    // and a clamping mode.
    const PRM_Template &layers = *vexSurface->getParmPtr("ogl_numtex")->getTemplatePtr();
    EXPECT_TRUE(layers.isMultiParm());
    EXPECT_STREQ(layers.getLabel(), "OGL Texture Layers");
    EXPECT_EQ(layers.getMultiStartOffset(), 1);
    EXPECT_EQ(vexSurface->evalInt("ogl_numtex", 0, 0), 0);
    ASSERT_EQ(PRM_Template::countTemplates(layers.getMultiParmTemplates().data()), 4);
    EXPECT_EQ(layers.getMultiParmTemplates()[0].getType(), PRM_FILE);
    EXPECT_STREQ(layers.getMultiParmTemplates()[3].getToken(), "ogl_clamping_mode#");
    EXPECT_EQ(layers.getMultiParmTemplates()[1].getChoiceList()->entries(), 6);
    EXPECT_EQ(layers.getMultiParmTemplates()[2].getChoiceList()->findToken("GL_NEAREST"), 0);
    EXPECT_STREQ(folders.getDefault(1)->getString(), "Compiler");
    EXPECT_EQ(folders.getDefault(1)->getOrdinal(), 2);
    EXPECT_FLOAT_EQ(vexSurface->evalFloat("ogl_rough", 0, 0), 0.1f);

    auto compilerOf = [&](SHOP_Node *node)
    {
        UT_String value;
        node->evalString(value, compiler.c_str(), 0, 0);
        return value.toStdString();
    };
    EXPECT_EQ(compilerOf(vexSurface), VOP_CodeGenerator::theVopCompilerVexDefault);
    EXPECT_EQ(compilerOf(vexDisplace), VOP_CodeGenerator::theVopCompilerVexDefault);
    EXPECT_EQ(compilerOf(rslSurface), VOP_CodeGenerator::theVopCompilerRslDefault);

    // The generator's context comes from the operator: the VEX clerk serves the VEX flavour,
    // the RSL flavour is RIB's.
    EXPECT_EQ(vexSurface->getVopCodeGenerator()->getLanguage(), VOP_LANGUAGE_VEX);
    EXPECT_EQ(vexSurface->getVopCodeGenerator()->getContext(), unsigned{VOP_CONTEXT_SURFACE});
    EXPECT_EQ(rslLight->getVopCodeGenerator()->getLanguage(), VOP_LANGUAGE_RSL);
    EXPECT_EQ(rslLight->getVopCodeGenerator()->getContext(), unsigned{VOP_CONTEXT_LIGHT});
    EXPECT_STREQ(vexSurface->getChildType(), "VOP");
    EXPECT_EQ(vexSurface->getChildTypeID(), 10);
}

TEST_F(VopnetTest, ShaderStringNamesTheNetworkAndItsChangedParameters)
{
    SHOP_Vopnet *net = litSurface("vopsurface", "vs");
    const std::string name = "op:" + net->getFullPath();
    EXPECT_EQ(build(net), name);
    set(net, "Kd", {0.25});
    EXPECT_EQ(build(net), name + " Kd 0.25");
    // The viewport parameters are no shader parameters.
    set(net, "ogl_alpha", {0.5});
    EXPECT_EQ(build(net), name + " Kd 0.25");
    EXPECT_EQ(net->getLastParameter(), 1);

    // RSL networks serve RIB alone.
    SHOP_Vopnet *rsl = litSurface("rsl_vopsurface", "rs");
    UT_Options rib;
    rib.setOptionS("rendertype", "RIB");
    EXPECT_EQ(build(rsl, &rib), "op:" + rsl->getFullPath());
    EXPECT_EQ(rsl->findShader(SHOP_SURFACE, 0, nullptr), rsl);
    UT_Options vex;
    vex.setOptionS("rendertype", "VKorvit");
    EXPECT_EQ(rsl->findShader(SHOP_SURFACE, 0, &vex), nullptr);
}

TEST_F(VopnetTest, VariablesComeFromTheGeneratorThenTheShaderNode)
{
    SHOP_Vopnet *net = litSurface("rsl_vopsurface", "vs");
    EV_Value value;
    std::string error;
    ASSERT_TRUE(net->evaluateExpression("$VOP_LANGUAGE + \":\" + $VOP_CONTEXT", 0, value, error))
        << error;
    EXPECT_EQ(value.asString(), "rsl:surface");

    // $OBJ and $SOP are the shader node's: the object and geometry a build runs for.
    OP_Node *object = make<OP_Node>("t_xform", nullptr, "geo");
    OP_Node *geometry = make<OP_Node>("t_xform", nullptr, "sop");
    TestClerk &rib = clerks().rib;
    UT_Options options;
    options.setOptionS("rendertype", "RIB");
    build(net, &options, object, geometry);
    EXPECT_EQ(rib.seenObjVariable.toStdString(), object->getFullPath());
    EXPECT_EQ(rib.seenSopVariable.toStdString(), geometry->getFullPath());
}

TEST_F(VopnetTest, CompileErrorsAreTheNodesAtEveryCookAndFailItsBuilds)
{
    SHOP_Vopnet *net = litSurface("vopsurface", "vs");
    OP_Node *scaled = net->getChild("scaled");
    ASSERT_TRUE(scaled->setInput(1, nullptr));
    const std::string message = "/vs/scaled: input 'input2' is not connected";

    auto nodeErrors = [&]
    {
        OP_Context context(0);
        net->cook(context);
        std::string text;
        for (const UT_Error &error : net->getErrorManager().getErrors())
            text += error.getText() + "\n";
        return text;
    };
    EXPECT_NE(nodeErrors().find(message), std::string::npos) << nodeErrors();
    // A cook that starts afresh (a changed parameter) takes them over again.
    set(net, "ogl_alpha", {0.5});
    EXPECT_NE(nodeErrors().find(message), std::string::npos);
    EXPECT_GE(net->error(), UT_ERROR_ABORT);

    UT_WorkBuffer info;
    OP_Context context(0);
    net->getNodeSpecificInfoText(context, 1, info);
    EXPECT_NE(info.toStdString().find("Compile errors:"), std::string::npos);
    EXPECT_NE(info.toStdString().find(message), std::string::npos);

    // A string would name code that does not exist.
    EXPECT_EQ(build(net), "<failed:<untouched>>");

    ASSERT_TRUE(scaled->setInput(1, net->getChild("kd")));
    EXPECT_EQ(nodeErrors(), "");
    EXPECT_EQ(build(net), "op:" + net->getFullPath());
}

TEST_F(VopnetTest, GeneratedSourceIsOneCheckedFunctionPerFlavour)
{
    struct Case
    {
        const char *type;
        voptest::Language language;
        const char *written;
    };
    for (const Case &c : {Case{"vopsurface", voptest::vexSurface(), "Cf"},
                          Case{"rsl_vopsurface", voptest::rslSurface(), "Ci"}})
    {
        SCOPED_TRACE(c.type);
        SHOP_Vopnet *net = litSurface(c.type, c.type);
        const std::string source = net->getVopCodeGenerator()->getSource();
        voptest::SourceCheck check(c.language, "surface");
        EXPECT_EQ(check.check(source), "") << source;
        EXPECT_EQ(check.parameters, std::vector<std::string>{"Kd"});
        EXPECT_EQ(check.assigned, std::vector<std::string>{c.written});
    }
}
