#include <shop/table/SHOP_TableBuilder.h>

#include <shop/clerk/SHOP_PyClerk.h>
#include <shop/network/SHOP_CoShader.h>
#include <shop/network/SHOP_Material.h>
#include <shop/network/SHOP_Output.h>
#include <shop/network/SHOP_Properties.h>
#include <shop/network/SHOP_Select.h>
#include <shop/network/SHOP_SubNet.h>
#include <shop/network/SHOP_Switch.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_BundleFilter.h>
#include <shop/operator/SHOP_Generic.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/operator/SHOP_ScriptOperator.h>
#include <shop/operator/SHOP_Vopnet.h>
#include <shop/types/SHOP_TypeTable.h>
#include <shop/viewport/SHOP_OGL.h>

#include <OP/OP_OTLDefinition.h>
#include <OP/OP_OperatorTable.h>
#include <UT/UT_DSO.h>
#include <UT/UT_EnvControl.h>

namespace
{
// As many inputs as users wire.
constexpr unsigned theUnlimitedInputs = 9999;

// Asset definitions: material assets (the subnet mark) make materials, shader assets script
// operators.
OP_ScriptOperator *shop_scriptCreator(const OP_OTLDefinition &definition, std::string &why)
{
    if (definition.getIsSubnet())
        return SHOP_Material::createScriptOperator(definition);
    OP_ScriptOperator *op = SHOP_ScriptOperator::createScriptOperator(definition);
    if (!op)
        why = "'" + definition.getOpType() + "' is not a shader type";
    return op;
}

// The shaders written from VOP networks: eight VEX flavours, then four RSL ones.
void shop_addVopOperators(OP_OperatorTable &table)
{
    struct Row
    {
        const char *name, *label, *mask;
        SHOP_TYPE type;
    };
    const Row rows[] = {
        {"vopsurface", "VOP VEX Surface SHOP", "VKorvit", SHOP_SURFACE},
        {"vopdisplace", "VOP VEX Displacement SHOP", "VKorvit", SHOP_DISPLACEMENT},
        {"voplight", "VOP VEX Light SHOP", "VKorvit", SHOP_LIGHT},
        {"vopshadow", "VOP VEX Shadow SHOP", "VKorvit", SHOP_LIGHT_SHADOW},
        {"vopfog", "VOP VEX Fog SHOP", "VKorvit", SHOP_ATMOSPHERE},
        {"vopphoton", "VOP VEX Photon SHOP", "VKorvit", SHOP_PHOTON},
        {"vopimage3d", "VOP VEX Image3D SHOP", "I3D", SHOP_IMAGE3D},
        {"vopcvex", "VOP CVEX SHOP", "VKorvit", SHOP_CVEX},
        {"rsl_vopsurface", "VOP RSL Surface SHOP", "RIB", SHOP_SURFACE},
        {"rsl_vopdisplace", "VOP RSL Displacement SHOP", "RIB", SHOP_DISPLACEMENT},
        {"rsl_voplight", "VOP RSL Light SHOP", "RIB", SHOP_LIGHT},
        {"rsl_vopvolume", "VOP RSL Volume SHOP", "RIB", SHOP_ATMOSPHERE},
    };
    for (const Row &row : rows)
        table.addOperator(SHOP_Vopnet::buildOperator(row.name, row.label, row.mask, row.type));
}
} // namespace

void SHOP_TableBuilder::installClerks()
{
    static bool theInstalled = false;
    if (theInstalled)
        return;
    theInstalled = true;
    // The viewport clerks first, so that a plug-in or script clerk of the same name replaces
    // them.
    SHOP_OGL::installShaders();
    UT_DSO::run("newShopClerk", nullptr, 1);
    SHOP_PyClerk::installClerks();
}

void SHOP_TableBuilder::buildShaderTable(OP_OperatorTable &table)
{
    installClerks();
    SHOP_Node::installCommands();
    table.setScriptCreator(shop_scriptCreator);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        if (SHOPgetType(v) == SHOP_UNDEFINED || type == SHOP_PROPERTIES)
            continue;
        const std::string name = SHOP_TypeTable::getShaderType(type);
        table.addScriptIndexFile("shop", ("SHOP" + name).c_str(), "SHOP_ScriptNode", name.c_str(),
                                 0, 0, false, false);
    }
    addNetworkOperators(table);
    table.addScriptIndexFile("shop", "SHOPmaterial", "SHOP_ScriptNode", "subnet", 0, 0, true,
                             false);
    addGenericOperators(table);
    table.setDefaultType("gen_surface");
    shop_addVopOperators(table);
    SHOP_Node::initializeExpressions();
    SHOP_BundleFilter::createFilters();
}

std::vector<SHOP_TableBuilder::NetworkOperator> SHOP_TableBuilder::networkOperators()
{
    const unsigned switchFlags =
        UT_EnvControl::getInt(ENV_SHOP_SWITCH_NOFLAGS) ? 0u : unsigned{OP_FLAG_UNORDERED};
    return {
        {"material", "Material", SHOP_SubNet::myConstructor, nullptr, 0, 0, SHOP_MATERIAL_OUTPUTS,
         OP_FLAG_GENERATOR | OP_FLAG_MANAGER | OP_FLAG_OUTPUT, SHOP_MATERIAL, "*", true},
        {SHOP_Output::theOperatorName, "Output Shaders", SHOP_Output::myConstructor, nullptr, 0,
         SHOP_MATERIAL_OUTPUTS, 1, OP_FLAG_GENERATOR, SHOP_PROPERTIES, "*", false},
        {"select", "Select", SHOP_Select::myConstructor, SHOP_Select::getTemplates(), 1, 4, 1, 0,
         SHOP_ANY, "*", true},
        {"switch", "Switch", SHOP_Switch::myConstructor, SHOP_Switch::getTemplates(), 1,
         theUnlimitedInputs, 1, switchFlags, SHOP_ANY, "*", true},
        {"properties", "Properties", SHOP_Properties::myConstructor, nullptr, 0, theUnlimitedInputs,
         1, OP_FLAG_UNORDERED, SHOP_PROPERTIES, "*", true},
        {"mergecoshader", "Merge Co-Shader", SHOP_CoShader::myConstructor, nullptr, 0,
         theUnlimitedInputs, 1, OP_FLAG_UNORDERED, SHOP_COSHADER, "RIB", true},
    };
}

void SHOP_TableBuilder::addNetworkOperators(OP_OperatorTable &table)
{
    for (const NetworkOperator &row : networkOperators())
        table.addOperator(makeOperator(row));
}

void SHOP_TableBuilder::addGenericOperators(OP_OperatorTable &table)
{
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        if (SHOPgetType(v) == SHOP_UNDEFINED)
            continue;
        OP_Operator *op = SHOP_Generic::buildOperator(static_cast<SHOP_TYPE>(v));
        // Generic operators are made once per process: one already in a table stays there
        // alone, since a second owner (or the same table refusing its name) would free it under
        // the first.
        if (op && !op->getOperatorTable())
            table.addOperator(op);
    }
}

SHOP_Operator *SHOP_TableBuilder::makeOperator(const NetworkOperator &row)
{
    auto *op = new SHOP_Operator(row.name, row.label, row.constructor, row.templates, row.minInputs,
                                 row.maxInputs, SHOP_Node::getVariables(), row.flags, 0);
    // Every shader node can hold shader nodes.
    op->setChildTableName(SHOP_Node::theOpTypeName);
    SHOP_OperatorInfo &info = op->getShopInfo();
    info.setNumOutputs(row.outputs);
    info.setShaderType(row.type);
    info.setRenderMask(row.mask);
    info.setSkipInputEditor(!row.inputEditor);
    return op;
}

OP_Operator *SHOP_TableBuilder::getManagementOperator()
{
    SHOP_Operator *op =
        makeOperator({"shopnet", "SHOP Network", SHOP_SubNet::myManagerConstruct, nullptr, 0, 0, 1,
                      OP_FLAG_GENERATOR | OP_FLAG_MANAGER, SHOP_ANY, "*", true});
    op->setIconName("NETWORKS_shop");
    return op;
}

// The library's entry points, declared with the node base and defined here, above every node
// type they register.
void SHOP_Node::buildShaderTable(OP_OperatorTable &table)
{
    SHOP_TableBuilder::buildShaderTable(table);
}

OP_Operator *SHOP_Node::getManagementOperator()
{
    return SHOP_TableBuilder::getManagementOperator();
}
