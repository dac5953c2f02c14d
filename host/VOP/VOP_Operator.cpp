#include <VOP/VOP_Operator.h>

#include <OP/OP_OperatorTable.h>
#include <VOP/VOP_Node.h>

#include <array>
#include <memory>

namespace
{
// The menu of value types of parameter and constant nodes, in VOP_Type order.
std::shared_ptr<PRM_ChoiceList> vop_typeMenu(bool withString)
{
    auto menu = std::make_shared<PRM_ChoiceList>();
    menu->addItem("float", "Float");
    menu->addItem("vector", "Vector");
    menu->addItem("color", "Color");
    if (withString)
        menu->addItem("string", "String");
    return menu;
}

const PRM_Template *vop_parameterTemplates()
{
    static const PRM_Template theTemplates[] = {
        PRM_Template(PRM_STRING, 1, PRM_Name("parmname", "Parameter Name"),
                     {PRM_Default(0, "parm")}),
        PRM_Template(PRM_STRING, 1, PRM_Name("parmlabel", "Parameter Label")),
        PRM_Template(PRM_ORD, 1, PRM_Name("parmtype", "Type"), {}, vop_typeMenu(true)),
        PRM_Template(PRM_FLT, 3, PRM_Name("floatdef", "Default")),
        PRM_Template(PRM_STRING, 1, PRM_Name("stringdef", "String Default")),
        PRM_Template(),
    };
    return theTemplates;
}

const PRM_Template *vop_constantTemplates()
{
    static const PRM_Template theTemplates[] = {
        PRM_Template(PRM_ORD, 1, PRM_Name("consttype", "Type"), {}, vop_typeMenu(false)),
        PRM_Template(PRM_FLT, 3, PRM_Name("value", "Value")),
        PRM_Template(),
    };
    return theTemplates;
}

// A list of one float parameter; operators copy their templates, so a temporary serves.
std::array<PRM_Template, 2> vop_oneFloat(const char *name, const char *label, double value)
{
    return {PRM_Template(PRM_FLT, 1, PRM_Name(name, label), {PRM_Default(value)}), PRM_Template()};
}

const PRM_Template *vop_textureTemplates()
{
    static const PRM_Template theTemplates[] = {
        PRM_Template(PRM_FILE, 1, PRM_Name("map", "Texture Map")),
        PRM_Template(),
    };
    return theTemplates;
}

constexpr unsigned theShadedContexts = VOP_CONTEXT_SURFACE | VOP_CONTEXT_PHOTON;

struct vop_OutputRow
{
    const char *name;
    const char *label;
    unsigned contexts;
    std::vector<VOP_InputSpec> globals;
};

VOP_InputSpec vop_global(const char *name, VOP_Type type)
{
    return {name, type, false, "", false};
}
} // namespace

VOP_Operator::VOP_Operator(const char *name, const char *label, const PRM_Template *templates,
                           VOP_Kind kind, unsigned contexts, std::vector<VOP_InputSpec> inputs,
                           std::vector<VOP_OutputSpec> outputs)
    : OP_Operator(name, label, VOP_Node::myConstructor, templates, 0,
                  static_cast<unsigned>(inputs.size()), nullptr, OP_FLAG_GENERATOR, nullptr,
                  static_cast<unsigned>(outputs.size())),
      myKind(kind), myContexts(contexts), myInputs(std::move(inputs)), myOutputs(std::move(outputs))
{
}

VOP_Type VOP_Operator::typeOfMenuEntry(int entry)
{
    return entry >= VOP_TYPE_FLOAT && entry <= VOP_TYPE_STRING ? static_cast<VOP_Type>(entry)
                                                               : VOP_TYPE_FLOAT;
}

void VOP_Operator::buildOperatorTable(OP_OperatorTable &table)
{
    const VOP_InputSpec a{"input1", VOP_TYPE_NUMERIC, true, "", false};
    const VOP_InputSpec b{"input2", VOP_TYPE_NUMERIC, true, "", false};
    const std::vector<VOP_OutputSpec> globals = {{"P", VOP_TYPE_VECTOR},
                                                 {"N", VOP_TYPE_VECTOR},
                                                 {"I", VOP_TYPE_VECTOR},
                                                 {"s", VOP_TYPE_FLOAT},
                                                 {"t", VOP_TYPE_FLOAT}};
    auto add = [&table](VOP_Operator *op) { table.addOperator(op); };
    add(new VOP_Operator("global", "Global Variables", nullptr, VOP_KIND_GLOBAL, VOP_CONTEXT_ALL,
                         {}, globals));
    add(new VOP_Operator("parameter", "Parameter", vop_parameterTemplates(), VOP_KIND_PARAMETER,
                         VOP_CONTEXT_ALL, {}, {{"value", VOP_TYPE_FROM_PARM}}));
    add(new VOP_Operator("constant", "Constant", vop_constantTemplates(), VOP_KIND_CONSTANT,
                         VOP_CONTEXT_ALL, {}, {{"value", VOP_TYPE_FROM_PARM}}));
    add(new VOP_Operator("add", "Add", nullptr, VOP_KIND_ADD, VOP_CONTEXT_ALL, {a, b},
                         {{"sum", VOP_TYPE_NUMERIC}}));
    add(new VOP_Operator("multiply", "Multiply", nullptr, VOP_KIND_MULTIPLY, VOP_CONTEXT_ALL,
                         {a, b}, {{"product", VOP_TYPE_NUMERIC}}));
    add(new VOP_Operator("mix", "Mix", vop_oneFloat("bias", "Bias", 0.5).data(), VOP_KIND_MIX,
                         VOP_CONTEXT_ALL, {a, b, {"bias", VOP_TYPE_FLOAT, false, "bias", true}},
                         {{"result", VOP_TYPE_NUMERIC}}));
    // Light arriving at a shaded point exists only where surfaces are shaded.
    add(new VOP_Operator("lighting", "Diffuse and Specular",
                         vop_oneFloat("rough", "Roughness", 0.1).data(), VOP_KIND_LIGHTING,
                         theShadedContexts,
                         {{"nml", VOP_TYPE_VECTOR, false, "N", false},
                          {"rough", VOP_TYPE_FLOAT, false, "rough", true}},
                         {{"diff", VOP_TYPE_COLOR}, {"spec", VOP_TYPE_COLOR}}));
    add(new VOP_Operator("texture", "Texture Map", vop_textureTemplates(), VOP_KIND_TEXTURE,
                         VOP_CONTEXT_ALL,
                         {{"map", VOP_TYPE_STRING, false, "map", true},
                          {"s", VOP_TYPE_FLOAT, false, "s", false},
                          {"t", VOP_TYPE_FLOAT, false, "t", false}},
                         {{"clr", VOP_TYPE_COLOR}}));

    const vop_OutputRow outputs[] = {
        {"surface_output",
         "Surface Output",
         theShadedContexts,
         {vop_global("Cf", VOP_TYPE_COLOR), vop_global("Of", VOP_TYPE_COLOR)}},
        {"displace_output",
         "Displacement Output",
         VOP_CONTEXT_DISPLACEMENT,
         {vop_global("P", VOP_TYPE_VECTOR), vop_global("N", VOP_TYPE_VECTOR)}},
        {"light_output",
         "Light Output",
         VOP_CONTEXT_LIGHT | VOP_CONTEXT_SHADOW,
         {vop_global("Cl", VOP_TYPE_COLOR)}},
        {"fog_output",
         "Fog Output",
         VOP_CONTEXT_FOG,
         {vop_global("Cf", VOP_TYPE_COLOR), vop_global("Of", VOP_TYPE_COLOR)}},
        {"cvex_output",
         "CVEX Output",
         VOP_CONTEXT_CVEX | VOP_CONTEXT_IMAGE3D,
         {vop_global("result", VOP_TYPE_VECTOR)}},
    };
    for (const vop_OutputRow &row : outputs)
    {
        auto *op = new VOP_Operator(row.name, row.label, nullptr, VOP_KIND_OUTPUT, row.contexts,
                                    row.globals, {});
        op->setFlags(OP_FLAG_GENERATOR | OP_FLAG_OUTPUT);
        add(op);
    }
}
