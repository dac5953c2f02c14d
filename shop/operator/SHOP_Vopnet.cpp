#include <shop/operator/SHOP_Vopnet.h>

#include <shop/node/SHOP_OperatorInfo.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>
#include <UT/UT_WorkBuffer.h>
#include <VOP/VOP_Operator.h>

#include <memory>
#include <vector>

namespace
{
// The parameter lists of one flavour: for surface shaders, and for every other type. Built
// once on first use and shared by every operator of the flavour.
struct shop_VopLists
{
    std::vector<PRM_Template> surface;
    std::vector<PRM_Template> other;
};

PRM_Template shop_compilerParm(bool rsl)
{
    return PRM_Template(PRM_STRING, 1, PRM_Name(VOP_CodeGenerator::theVopCompilerName, "Compiler"),
                        {PRM_Default(0, rsl ? VOP_CodeGenerator::theVopCompilerRslDefault
                                            : VOP_CodeGenerator::theVopCompilerVexDefault)},
                        VOP_CodeGenerator::theVopCompilerChoices);
}

PRM_Template shop_forceCompileParm()
{
    return PRM_Template(PRM_CALLBACK, 1,
                        PRM_Name(VOP_CodeGenerator::theVopForceCompileName, "Force Compile"));
}

// The filter menus of a texture layer: the tokens the texture callback reads, with the labels
// users pick them by; magnification offers no mipmaps.
std::shared_ptr<PRM_ChoiceList> shop_filterMenu(bool minification)
{
    auto menu = std::make_shared<PRM_ChoiceList>();
    menu->addItem("GL_NEAREST", minification ? "Poor: Nearest" : "Nearest");
    menu->addItem("GL_LINEAR", minification ? "Poor: Linear" : "Linear");
    if (!minification)
        return menu;
    menu->addItem("GL_NEAREST_MIPMAP_NEAREST", "Fastest (Nearest/Nearest)");
    menu->addItem("GL_LINEAR_MIPMAP_NEAREST", "Better (Linear/Nearest)");
    menu->addItem("GL_NEAREST_MIPMAP_LINEAR", "Good (Nearest/Linear)");
    menu->addItem("GL_LINEAR_MIPMAP_LINEAR", "Best (Linear/Linear)");
    return menu;
}

// The texture layers: a count whose instances, numbered from one, each hold a layer's file,
// filters and clamping.
PRM_Template shop_textureLayers()
{
    PRM_Template layers(PRM_MULTIPARM, 1, PRM_Name("ogl_numtex", "OGL Texture Layers"),
                        {PRM_Default(0)});
    layers.setMultiParmTemplates({
        PRM_Template(PRM_FILE, 1, PRM_Name("ogl_tex#", "Texture #")),
        PRM_Template(PRM_STRING, 1, PRM_Name("ogl_tex_min_filter#", "Minification Filter #"),
                     {PRM_Default(0, "GL_LINEAR_MIPMAP_LINEAR")}, shop_filterMenu(true)),
        PRM_Template(PRM_STRING, 1, PRM_Name("ogl_tex_mag_filter#", "Magnification Filter #"),
                     {PRM_Default(0, "GL_LINEAR")}, shop_filterMenu(false)),
        PRM_Template(PRM_INT, 1, PRM_Name("ogl_clamping_mode#", "Clamping #"), {PRM_Default(0)}),
    });
    layers.setMultiStartOffset(1);
    return layers;
}

// The viewport material parameters, which the viewport clerk reads by name, so that a surface
// VOP network shows in the viewport like any other surface shader.
std::vector<PRM_Template> shop_viewportParms()
{
    const std::vector<PRM_Default> white = {PRM_Default(1)};
    return {
        PRM_Template(PRM_RGB, 3, PRM_Name("ogl_amb", "OGL Ambient"), white),
        PRM_Template(PRM_RGB, 3, PRM_Name("ogl_diff", "OGL Diffuse"), white),
        PRM_Template(PRM_RGB, 3, PRM_Name("ogl_spec", "OGL Specular"), white),
        PRM_Template(PRM_RGB, 3, PRM_Name("ogl_emit", "OGL Emission"), {PRM_Default(0)}),
        PRM_Template(PRM_FLT, 1, PRM_Name("ogl_rough", "OGL Roughness"), {PRM_Default(0.1)}),
        PRM_Template(PRM_FLT, 1, PRM_Name("ogl_alpha", "OGL Alpha"), {PRM_Default(1)}),
        PRM_Template(PRM_TOGGLE, 1, PRM_Name("ogl_light", "OGL Use Lighting"), {PRM_Default(1)}),
        PRM_Template(PRM_TOGGLE, 1, PRM_Name("ogl_cutout", "OGL Transparent Texture"),
                     {PRM_Default(1)}),
        shop_textureLayers(),
    };
}

shop_VopLists shop_makeLists(bool rsl)
{
    shop_VopLists lists;
    const std::vector<PRM_Template> viewport = shop_viewportParms();
    lists.surface.push_back(PRM_Template(
        PRM_SWITCHER, 2, PRM_Name("folder0"),
        {PRM_Default(static_cast<double>(viewport.size()), "OGL"), PRM_Default(2, "Compiler")}));
    lists.surface.insert(lists.surface.end(), viewport.begin(), viewport.end());
    for (std::vector<PRM_Template> *list : {&lists.surface, &lists.other})
    {
        list->push_back(shop_compilerParm(rsl));
        list->push_back(shop_forceCompileParm());
        list->emplace_back();
    }
    return lists;
}

const PRM_Template *shop_templates(bool rsl, bool surface)
{
    static const shop_VopLists theVex = shop_makeLists(false);
    static const shop_VopLists theRsl = shop_makeLists(true);
    const shop_VopLists &lists = rsl ? theRsl : theVex;
    return (surface ? lists.surface : lists.other).data();
}

const SHOP_OperatorInfo *shop_infoOf(OP_Operator *op)
{
    return op ? dynamic_cast<const SHOP_OperatorInfo *>(op->getOpSpecificData()) : nullptr;
}

// The VOP node types, in the director's table that every VOP network takes its children from.
void shop_ensureVopTable()
{
    OP_OperatorTable *table = OPgetDirector()->getOperatorTable(VOP_Operator::theTableName);
    if (table->entries() == 0)
        VOP_Operator::buildOperatorTable(*table);
}
} // namespace

OP_Operator *SHOP_Vopnet::buildOperator(const char *name, const char *label, const char *mask,
                                        SHOP_TYPE type)
{
    shop_ensureVopTable();
    const bool rsl = SHOP_OperatorInfo::maskMatches("RIB", mask);
    auto *op =
        new SHOP_Operator(name, label, myConstructor, shop_templates(rsl, type == SHOP_SURFACE), 0,
                          0, VOP_CodeGenerator::theLocalVariables, OP_FLAG_GENERATOR, 2);
    op->setChildTableName(VOP_Operator::theTableName);
    op->getShopInfo().setRenderMask(mask);
    op->getShopInfo().setShaderType(type);
    return op;
}

OP_Node *SHOP_Vopnet::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    const SHOP_OperatorInfo *info = shop_infoOf(op);
    return new SHOP_Vopnet(parent, name, op, info ? info->getShaderType() : SHOP_UNDEFINED);
}

SHOP_Vopnet::SHOP_Vopnet(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type)
    : SHOP_Node(parent, name, op, type),
      myCodeGenerator(this, shop_infoOf(op) ? shop_infoOf(op)->getVexContextType() : 0,
                      shop_infoOf(op) ? shop_infoOf(op)->getRslContextType() : 0, 0, 0)
{
}

SHOP_Vopnet::~SHOP_Vopnet() = default;

bool SHOP_Vopnet::getVariableString(int index, UT_String &value, int thread)
{
    return myCodeGenerator.getVariableString(index, value) ||
           SHOP_Node::getVariableString(index, value, thread);
}

void SHOP_Vopnet::opChanged(OP_EventType reason, void *data)
{
    SHOP_Node::opChanged(reason, data);
    myCodeGenerator.ownerChanged(reason, data);
}

void SHOP_Vopnet::finishedLoadingNetwork()
{
    myCodeGenerator.ownerFinishedLoadingNetwork();
    SHOP_Node::finishedLoadingNetwork();
}

void SHOP_Vopnet::childCreated(OP_Node *node)
{
    myCodeGenerator.beforeAddNode(node);
    SHOP_Node::childCreated(node);
    myCodeGenerator.afterAddNode(node);
}

UT_ErrorSeverity SHOP_Vopnet::cookMe(OP_Context &context)
{
    // The errors are taken over however the base cook is left.
    struct shop_TakeErrors
    {
        SHOP_Vopnet &node;
        ~shop_TakeErrors()
        {
            for (const UT_Error &error : node.myCodeGenerator.getErrorManager().getErrors())
                node.getErrorManager().addError(error);
        }
    } take{*this};
    return SHOP_Node::cookMe(context);
}

void SHOP_Vopnet::getNodeSpecificInfoText(OP_Context &context, int verbose, UT_WorkBuffer &text)
{
    cook(context);
    SHOP_Node::getNodeSpecificInfoText(context, verbose, text);
    myCodeGenerator.appendCompileErrors(text, verbose, false);
}

OP_OperatorFilter *SHOP_Vopnet::getOperatorFilter()
{
    return myCodeGenerator.getOperatorFilter();
}

int SHOP_Vopnet::getLastParameter() const
{
    return getNumSpareParms();
}

const char *SHOP_Vopnet::getShaderName(bool) const
{
    myShaderName = "op:" + getFullPath();
    return myShaderName.c_str();
}

bool SHOP_Vopnet::buildShaderString(UT_String &result, float now, const UT_Options *overrides,
                                    OP_Node *obj, OP_Node *sop)
{
    OP_Context context(now);
    cook(context);
    if (myCodeGenerator.getErrorManager().getSeverity() >= UT_ERROR_ABORT)
        return false;
    return SHOP_Node::buildShaderString(result, now, overrides, obj, sop);
}
