#include <shop/operator/SHOP_TableBuilder.h>

#include <shop/clerk/SHOP_PyClerk.h>
#include <shop/network/SHOP_CoShader.h>
#include <shop/network/SHOP_Output.h>
#include <shop/network/SHOP_Properties.h>
#include <shop/network/SHOP_Select.h>
#include <shop/network/SHOP_SubNet.h>
#include <shop/network/SHOP_Switch.h>
#include <shop/operator/SHOP_BundleFilter.h>
#include <shop/operator/SHOP_Generic.h>
#include <shop/operator/SHOP_Operator.h>

#include <shop/operator/SHOP_ScriptOperator.h>

#include <OP/OP_OTLDefinition.h>
#include <OP/OP_OperatorTable.h>
#include <UT/UT_DSO.h>
#include <UT/UT_EnvControl.h>

namespace
{
// Asset definitions: shader assets make script operators. Material assets (the subnet mark)
// make no operator yet.
OP_ScriptOperator *shop_scriptCreator(const OP_OTLDefinition &definition, std::string &why)
{
    if (definition.getIsSubnet())
    {
        why = "material assets are not supported";
        return nullptr;
    }
    OP_ScriptOperator *op = SHOP_ScriptOperator::createScriptOperator(definition);
    if (!op)
        why = "'" + definition.getOpType() + "' is not a shader type";
    return op;
}
} // namespace

void SHOP_TableBuilder::installClerks()
{
    static bool theInstalled = false;
    if (theInstalled)
        return;
    theInstalled = true;
    UT_DSO::run("newShopClerk", nullptr, 1);
    SHOP_PyClerk::installClerks();
}

void SHOP_TableBuilder::buildShaderTable(OP_OperatorTable &table)
{
    installClerks();
    table.setScriptCreator(shop_scriptCreator);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        if (SHOPgetType(v) == SHOP_UNDEFINED || type == SHOP_PROPERTIES)
            continue;
        const std::string name = SHOP_Node::getShaderType(type);
        table.addScriptIndexFile("shop", ("SHOP" + name).c_str(), "SHOP_ScriptNode", name.c_str(),
                                 0, 0, false, false);
    }
    addNetworkOperators(table);
    table.addScriptIndexFile("shop", "SHOPmaterial", "SHOP_ScriptNode", "subnet", 0, 0, true,
                             false);
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        if (SHOPgetType(v) != SHOP_UNDEFINED)
            if (OP_Operator *op = SHOP_Generic::buildOperator(static_cast<SHOP_TYPE>(v)))
                table.addOperator(op);
    table.setDefaultType("gen_surface");
    SHOP_BundleFilter::createFilters();
}

SHOP_Operator *SHOP_TableBuilder::makeOperator(const shop_NetworkOperator &row)
{
    auto *op = new SHOP_Operator(row.name, row.label, row.constructor, row.templates, row.minInputs,
                                 row.maxInputs, SHOP_Node::getVariables(), row.flags, 0);
    // Every shader node can hold shader nodes.
    op->setChildTableName(SHOP_Node::theOpTypeName);
    SHOP_OperatorInfo &info = op->getShopInfo();
    info.setNumOutputs(row.outputs);
    info.setShaderType(row.type);
    info.setRenderMask(row.mask);
    return op;
}

void SHOP_TableBuilder::addNetworkOperators(OP_OperatorTable &table)
{
    // As many inputs as users wire.
    constexpr unsigned theUnlimitedInputs = 9999;
    const unsigned switchFlags = UT_EnvControl::getInt(ENV_SHOP_SWITCH_NOFLAGS) ? 0 : 0x04;
    // OP_FLAG_NETWORK marks the containers; the other bits are the operators' own.
    const shop_NetworkOperator rows[] = {
        {"material", "Material", SHOP_SubNet::myConstructor, nullptr, 0, 0,
         SHOP_Output::getMaterialOutputCount(), 0x32 | OP_FLAG_NETWORK, SHOP_MATERIAL, "*"},
        {"suboutput", "Output Shaders", SHOP_Output::myConstructor, nullptr, 0,
         SHOP_Output::theMaxInputSize, 1, 0x02, SHOP_PROPERTIES, "*"},
        {"select", "Select", SHOP_Select::myConstructor, SHOP_Select::getTemplates(), 1, 4, 1, 0,
         SHOP_ANY, "*"},
        {"switch", "Switch", SHOP_Switch::myConstructor, SHOP_Switch::getTemplates(), 1,
         theUnlimitedInputs, 1, switchFlags, SHOP_ANY, "*"},
        {"properties", "Properties", SHOP_Properties::myConstructor, nullptr, 0, theUnlimitedInputs,
         1, 0x04, SHOP_PROPERTIES, "*"},
        {"mergecoshader", "Merge Co-Shader", SHOP_CoShader::myConstructor, nullptr, 0,
         theUnlimitedInputs, 1, 0x04, SHOP_COSHADER, "RIB"},
    };
    for (const shop_NetworkOperator &row : rows)
    {
        SHOP_Operator *op = makeOperator(row);
        if (std::string(row.name) == "suboutput")
            op->getShopInfo().setSkipInputEditor(true);
        table.addOperator(op);
    }
}

OP_Operator *SHOP_TableBuilder::getManagementOperator()
{
    SHOP_Operator *op = makeOperator({"shopnet", "SHOP Network", SHOP_SubNet::myManagerConstruct,
                                      nullptr, 0, 0, 1, 0x12 | OP_FLAG_NETWORK, SHOP_ANY, "*"});
    op->setIconName("NETWORKS_shop");
    return op;
}
