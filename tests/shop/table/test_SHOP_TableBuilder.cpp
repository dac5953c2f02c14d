// The operator table of the shader context as the host finds it after registration, held row by
// row: asset index files, network node types, VOP network types, bundle filters, the default
// type, and what a second registration in the same process leaves alone.

#include "../ShopTestNodes.h"

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/table/SHOP_TableBuilder.h>
#include <shop/table/SHOP_VexReserved.h>
#include <shop/types/SHOP_TypeTable.h>

#include <OP/OP_BundleFilter.h>
#include <OP/OP_Director.h>
#include <OP/OP_OperatorTable.h>
#include <PRM/PRM_Template.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
OP_OperatorTable &shaderTable()
{
    OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
    static const bool theBuilt = [table]
    {
        unsetenv("SHOP_SWITCH_NOFLAGS");
        SHOP_TableBuilder::buildShaderTable(*table);
        OPgetDirector()
            ->getOperatorTable(OP_Director::theRootTableName)
            ->addOperator(SHOP_TableBuilder::getManagementOperator());
        return true;
    }();
    (void)theBuilt;
    return *table;
}

const SHOP_OperatorInfo &infoOf(const OP_Operator &op)
{
    return *dynamic_cast<const SHOP_OperatorInfo *>(op.getOpSpecificData());
}

// The names of an operator's parameters, joined by blanks.
std::string parmNames(const OP_Operator &op)
{
    std::string names;
    for (const PRM_Template *t = op.getParmTemplates(); !t->isTerminator(); ++t)
        names += (names.empty() ? "" : " ") + std::string(t->getToken());
    return names;
}

struct table_NetworkRow
{
    const char *name, *label;
    unsigned minInputs, maxInputs, outputs, flags;
    SHOP_TYPE type;
    const char *mask;
    bool skipEditor;
    const char *parms;
};

// The switch row takes its flags from the environment at registration.
std::vector<table_NetworkRow> networkRows(unsigned switchFlags)
{
    return {
        {"material", "Material", 0, 0, 24, 0x32, SHOP_MATERIAL, "*", false, ""},
        {"suboutput", "Output Shaders", 0, 24, 1, 0x02, SHOP_PROPERTIES, "*", true, ""},
        {"select", "Select", 1, 4, 1, 0, SHOP_ANY, "*", false,
         "activate1 activate2 activate3 activate4"},
        {"switch", "Switch", 1, 9999, 1, switchFlags, SHOP_ANY, "*", false, "input"},
        {"properties", "Properties", 0, 9999, 1, 0x04, SHOP_PROPERTIES, "*", false, ""},
        {"mergecoshader", "Merge Co-Shader", 0, 9999, 1, 0x04, SHOP_COSHADER, "RIB", false, ""},
    };
}

void expectNetworkRow(const OP_Operator *op, const table_NetworkRow &row)
{
    SCOPED_TRACE(row.name);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->getName(), row.name);
    EXPECT_EQ(op->getLabel(), row.label);
    EXPECT_EQ(op->minInputs(), row.minInputs);
    EXPECT_EQ(op->maxInputs(), row.maxInputs);
    EXPECT_EQ(op->maxOutputs(), row.outputs);
    EXPECT_EQ(op->getFlags(), row.flags);
    EXPECT_EQ(infoOf(*op).getShaderType(), row.type);
    EXPECT_STREQ(infoOf(*op).getRenderMask(), row.mask);
    EXPECT_EQ(infoOf(*op).skipInputEditor(), row.skipEditor);
    EXPECT_EQ(parmNames(*op), row.parms);
    EXPECT_NE(op->findVariable("OBJ"), nullptr);
    EXPECT_NE(op->findVariable("SOP"), nullptr);
    EXPECT_EQ(op->getChildTableName(), SHOP_Node::theOpTypeName);
}

// What the host sees of every registered operator, by name, to compare two registrations.
std::map<std::string, const OP_Operator *> operatorsOf(const OP_OperatorTable &table)
{
    std::map<std::string, const OP_Operator *> ops;
    for (const OP_Operator *op : table.getOperators())
        ops[op->getName()] = op;
    return ops;
}

std::vector<const SHOP_Clerk *> allClerks()
{
    std::vector<const SHOP_Clerk *> clerks;
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        for (const SHOP_Clerk *clerk : SHOP_Node::getClerkList(static_cast<SHOP_TYPE>(v)))
            clerks.push_back(clerk);
    return clerks;
}

std::vector<const OP_BundleFilter *> shaderFilters()
{
    std::vector<const OP_BundleFilter *> filters;
    for (const OP_BundleFilter *filter : OP_BundleFilter::getFilters())
        if (std::string(filter->getName()).starts_with("!!SHOP/"))
            filters.push_back(filter);
    return filters;
}
} // namespace

TEST(ShopTable, IndexFilesPerTypeThenMaterialsInRegistrationOrder)
{
    const char *const perType[] = {
        "surface", "surfaceshadow", "displace",    "geometry", "interior",     "light",
        "shadow",  "fog",           "lens",        "output",   "background",   "photon",
        "emitter", "photonvolume",  "environment", "contour",  "contourstore", "contourcontrast",
        "texture", "image3d",       "cvex",        "coshader", "material",
    };
    std::vector<OP_OperatorTable::ScriptIndex> expected;
    for (const char *type : perType)
        expected.push_back(
            {"shop", std::string("SHOP") + type, "SHOP_ScriptNode", type, 0, 0, false, false});
    expected.push_back({"shop", "SHOPmaterial", "SHOP_ScriptNode", "subnet", 0, 0, true, false});

    const auto &files = shaderTable().getScriptIndexFiles();
    ASSERT_EQ(files.size(), expected.size());
    for (size_t i = 0; i < files.size(); ++i)
    {
        SCOPED_TRACE(expected[i].indexName + " " + expected[i].opType);
        EXPECT_EQ(files[i].directory, expected[i].directory);
        EXPECT_EQ(files[i].indexName, expected[i].indexName);
        EXPECT_EQ(files[i].nodeClass, expected[i].nodeClass);
        EXPECT_EQ(files[i].opType, expected[i].opType);
        EXPECT_EQ(files[i].a, 0);
        EXPECT_EQ(files[i].b, 0);
        EXPECT_EQ(files[i].subnet, expected[i].subnet);
        EXPECT_FALSE(files[i].c);
    }
}

TEST(ShopTable, NetworkAndManagementOperatorsAsRegistered)
{
    OP_OperatorTable &table = shaderTable();
    for (const table_NetworkRow &row : networkRows(0x04))
    {
        expectNetworkRow(table.getOperator(row.name), row);
        EXPECT_EQ(table.getOperator(row.name)->getIconName(), "");
    }

    // Each call makes a new "shopnet" operator for the caller, alike in every setting.
    const table_NetworkRow shopnet = {"shopnet", "SHOP Network", 0,   0,     1,
                                      0x12,      SHOP_ANY,       "*", false, ""};
    std::unique_ptr<OP_Operator> first(SHOP_Node::getManagementOperator());
    std::unique_ptr<OP_Operator> second(SHOP_Node::getManagementOperator());
    EXPECT_NE(first.get(), second.get());
    for (const OP_Operator *op : {first.get(), second.get()})
    {
        expectNetworkRow(op, shopnet);
        EXPECT_EQ(op->getIconName(), "NETWORKS_shop");
        EXPECT_EQ(op->getOperatorTable(), nullptr);
    }
    EXPECT_EQ(table.getOperator("shopnet"), nullptr);

    // Reserved VEX parameter lists: the library adds none and leaves what is there.
    PRM_Template entry;
    UT_PtrArray<PRM_Template *> lists;
    lists.append(&entry);
    lists.append(&entry);
    SHOPgetVexReservedTemplateLists(lists);
    ASSERT_EQ(lists.entries(), 2);
    EXPECT_EQ(lists[0], &entry);
    EXPECT_EQ(lists[1], &entry);
}

TEST(ShopTable, VopNetworkOperatorsWithTheViewportClerksAdded)
{
    OP_OperatorTable &table = shaderTable();
    // The viewport clerks serve surfaces only; they join the surface masks by the auto-add step.
    const struct
    {
        const char *name, *label, *mask;
        SHOP_TYPE type;
    } rows[] = {
        {"vopsurface", "VOP VEX Surface SHOP", "VKorvit OGL", SHOP_SURFACE},
        {"vopdisplace", "VOP VEX Displacement SHOP", "VKorvit", SHOP_DISPLACEMENT},
        {"voplight", "VOP VEX Light SHOP", "VKorvit", SHOP_LIGHT},
        {"vopshadow", "VOP VEX Shadow SHOP", "VKorvit", SHOP_LIGHT_SHADOW},
        {"vopfog", "VOP VEX Fog SHOP", "VKorvit", SHOP_ATMOSPHERE},
        {"vopphoton", "VOP VEX Photon SHOP", "VKorvit", SHOP_PHOTON},
        {"vopimage3d", "VOP VEX Image3D SHOP", "I3D", SHOP_IMAGE3D},
        {"vopcvex", "VOP CVEX SHOP", "VKorvit", SHOP_CVEX},
        {"rsl_vopsurface", "VOP RSL Surface SHOP", "RIB OGL", SHOP_SURFACE},
        {"rsl_vopdisplace", "VOP RSL Displacement SHOP", "RIB", SHOP_DISPLACEMENT},
        {"rsl_voplight", "VOP RSL Light SHOP", "RIB", SHOP_LIGHT},
        {"rsl_vopvolume", "VOP RSL Volume SHOP", "RIB", SHOP_ATMOSPHERE},
    };
    for (const auto &row : rows)
    {
        SCOPED_TRACE(row.name);
        const OP_Operator *op = table.getOperator(row.name);
        ASSERT_NE(op, nullptr);
        EXPECT_EQ(op->getLabel(), row.label);
        EXPECT_STREQ(infoOf(*op).getRenderMask(), row.mask);
        EXPECT_EQ(infoOf(*op).getShaderType(), row.type);
        EXPECT_EQ(op->getChildTableName(), "Vop");
        EXPECT_EQ(op->maxInputs(), 0u);
    }

    // The default type is set whether or not its operator was made: it exists exactly when a
    // string clerk serves surfaces.
    EXPECT_EQ(table.getDefaultType(), "gen_surface");
    bool surfaceStrings = false;
    for (const SHOP_Clerk *clerk : SHOP_Node::getClerkList(SHOP_SURFACE))
        surfaceStrings = surfaceStrings || clerk->generatesString();
    EXPECT_EQ(table.getOperator("gen_surface") != nullptr, surfaceStrings);
    // Materials are containers, listed before every other shader type.
    EXPECT_EQ(table.getOperators().front()->getName(), "material");
}

TEST(ShopTable, BundleFiltersAcceptShaderNodesOfTheirTypeAlone)
{
    OP_OperatorTable &table = shaderTable();
    const struct
    {
        const char *name, *label;
        SHOP_TYPE type;
    } rows[] = {
        {"!!SHOP/MATERIAL!!", "SHOP: Materials", SHOP_MATERIAL},
        {"!!SHOP/PROPERTIES!!", "SHOP: Properties", SHOP_PROPERTIES},
        {"!!SHOP/SURFACE!!", "SHOP: Surface Only", SHOP_SURFACE},
        {"!!SHOP/DISPLACEMENT!!", "SHOP: Displacement Only", SHOP_DISPLACEMENT},
        {"!!SHOP/INTERIOR!!", "SHOP: Interior Only", SHOP_INTERIOR},
        {"!!SHOP/LIGHT!!", "SHOP: Light Only", SHOP_LIGHT},
        {"!!SHOP/LIGHT_SHADOW!!", "SHOP: Shadow Only", SHOP_LIGHT_SHADOW},
        {"!!SHOP/ATMOSPHERE!!", "SHOP: Fog Only", SHOP_ATMOSPHERE},
        {"!!SHOP/PHOTON!!", "SHOP: Photon Only", SHOP_PHOTON},
        {"!!SHOP/IMAGE3D!!", "SHOP: Image3D Only", SHOP_IMAGE3D},
        {"!!SHOP/CVEX!!", "SHOP: CVEX", SHOP_CVEX},
    };
    const std::vector<const OP_BundleFilter *> filters = shaderFilters();
    ASSERT_EQ(filters.size(), std::size(rows));

    // A probe node reports each shader type in turn, as choosing nodes report what they choose.
    if (!table.getOperator("t_table_probe"))
        table.addOperator(new SHOP_Operator("t_table_probe", "Probe",
                                            shoptest::TestShopNode::myConstructor, nullptr, 0, 0,
                                            SHOP_Node::getVariables(), 0, 0));
    OP_Network *net =
        static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet", "filters"));
    ASSERT_NE(net, nullptr);
    auto *probe = static_cast<shoptest::TestShopNode *>(net->createNode("t_table_probe"));
    ASSERT_NE(probe, nullptr);
    const std::map<std::string, SHOP_TYPE> real = {
        {"material", SHOP_MATERIAL},
        {"properties", SHOP_PROPERTIES},
        {"vopsurface", SHOP_SURFACE},
        {"vopdisplace", SHOP_DISPLACEMENT},
    };
    for (size_t i = 0; i < filters.size(); ++i)
    {
        SCOPED_TRACE(rows[i].name);
        const OP_BundleFilter *filter = filters[i];
        EXPECT_STREQ(filter->getName(), rows[i].name);
        EXPECT_STREQ(filter->getLabel(), rows[i].label);
        EXPECT_STREQ(SHOP_TypeTable::getBundleFilter(rows[i].type), rows[i].name);
        EXPECT_EQ(OP_BundleFilter::findFilter(rows[i].name), filter);
        for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        {
            if (!SHOP_TypeTable::isValidType(v) && v != SHOP_PROPERTIES && v != SHOP_ANY)
                continue;
            probe->myReported = static_cast<SHOP_TYPE>(v);
            EXPECT_EQ(filter->isNodeValid(nullptr, probe), v == rows[i].type) << v;
        }
        for (const auto &[type, shaderType] : real)
            EXPECT_EQ(filter->isNodeValid(nullptr, net->createNode(type.c_str())),
                      shaderType == rows[i].type)
                << type;
        // Not a shader node at all, or none.
        EXPECT_FALSE(filter->isNodeValid(nullptr, net->getParent()));
        EXPECT_FALSE(filter->isNodeValid(nullptr, nullptr));
    }
    OPgetDirector()->getRoot()->destroyNode(net);
}

TEST(ShopTable, SecondRegistrationInstallsNothingTwiceAndSharesNoOperator)
{
    OP_OperatorTable &first = shaderTable();
    const std::vector<const SHOP_Clerk *> clerks = allClerks();
    const std::vector<const OP_BundleFilter *> filters = OP_BundleFilter::getFilters();
    ASSERT_FALSE(clerks.empty());

    // The switch takes its flags from the environment at registration, so the second table
    // shows the switch cleared and every other type as before.
    auto second = std::make_unique<OP_OperatorTable>("Shop2");
    setenv("SHOP_SWITCH_NOFLAGS", "1", 1);
    SHOP_TableBuilder::buildShaderTable(*second);
    unsetenv("SHOP_SWITCH_NOFLAGS");
    for (const table_NetworkRow &row : networkRows(0))
        expectNetworkRow(second->getOperator(row.name), row);
    expectNetworkRow(first.getOperator("switch"), networkRows(0x04)[3]);

    // The same clerk objects (none made again), the same filters in the same order.
    EXPECT_EQ(allClerks(), clerks);
    EXPECT_EQ(OP_BundleFilter::getFilters(), filters);
    EXPECT_EQ(second->getDefaultType(), "gen_surface");
    EXPECT_EQ(second->getScriptIndexFiles().size(), first.getScriptIndexFiles().size());

    // Operators have one owner: the memoised generic ones stay with the first table.
    const auto firstOps = operatorsOf(first);
    for (const auto &[name, op] : operatorsOf(*second))
    {
        SCOPED_TRACE(name);
        auto it = firstOps.find(name);
        if (it != firstOps.end())
        {
            EXPECT_NE(it->second, op);
        }
        EXPECT_EQ(op->getOperatorTable(), second.get());
    }
    for (const auto &[name, op] : firstOps)
        EXPECT_EQ(op->getOperatorTable(), &first) << name;

    // Built again into the same table: nothing it holds is replaced or freed.
    const auto secondOps = operatorsOf(*second);
    SHOP_TableBuilder::buildShaderTable(*second);
    EXPECT_EQ(operatorsOf(*second), secondOps);
    EXPECT_EQ(allClerks(), clerks);
}
