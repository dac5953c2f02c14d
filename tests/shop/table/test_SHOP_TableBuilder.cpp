// The operator table of the shader context as users get it: built once for this program, with
// the network node types from the rows that registration uses.

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <OP/OP_BundleFilter.h>
#include <OP/OP_Director.h>
#include <OP/OP_OperatorTable.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{
OP_OperatorTable &shaderTable()
{
    OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
    static const bool theBuilt = [table]
    {
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
} // namespace

TEST(ShopTable, NetworkNodeTypesAreTheRowsRegisteredAsTheyStand)
{
    OP_OperatorTable &table = shaderTable();
    for (const SHOP_TableBuilder::NetworkOperator &row : SHOP_TableBuilder::networkOperators())
    {
        SCOPED_TRACE(row.name);
        const OP_Operator *op = table.getOperator(row.name);
        ASSERT_NE(op, nullptr);
        EXPECT_EQ(op->getFlags(), row.flags);
        EXPECT_EQ(op->maxInputs(), row.maxInputs);
        EXPECT_EQ(op->wantsInputEditor(), row.inputEditor && row.maxInputs > 0);
        EXPECT_EQ(infoOf(*op).getShaderType(), row.type);
        EXPECT_STREQ(infoOf(*op).getRenderMask(), row.mask);
        EXPECT_EQ(op->getChildTableName(), SHOP_Node::theOpTypeName);
    }
    // The output node takes every shader type a material puts out, and no editor of its own
    // inputs (they are placed by type).
    const OP_Operator *material = table.getOperator("material");
    const OP_Operator *output = table.getOperator("suboutput");
    ASSERT_TRUE(material && output);
    EXPECT_EQ(material->maxOutputs(), output->maxInputs());
    EXPECT_FALSE(output->wantsInputEditor());
    EXPECT_TRUE(table.getOperator("switch")->wantsInputEditor());
    // Materials are containers, listed before every other shader type.
    EXPECT_EQ(table.getOperators().front()->getName(), "material");
}

TEST(ShopTable, SwitchNoFlagsClearsTheFlagsOfTheSwitchAlone)
{
    unsetenv("SHOP_SWITCH_NOFLAGS");
    const auto plain = SHOP_TableBuilder::networkOperators();
    setenv("SHOP_SWITCH_NOFLAGS", "1", 1);
    const auto cleared = SHOP_TableBuilder::networkOperators();
    unsetenv("SHOP_SWITCH_NOFLAGS");

    ASSERT_EQ(plain.size(), cleared.size());
    for (size_t i = 0; i < plain.size(); ++i)
    {
        SCOPED_TRACE(plain[i].name);
        ASSERT_STREQ(plain[i].name, cleared[i].name);
        if (std::string(plain[i].name) == "switch")
        {
            EXPECT_NE(plain[i].flags, 0u);
            EXPECT_EQ(cleared[i].flags, 0u);
        }
        else
            EXPECT_EQ(plain[i].flags, cleared[i].flags);
    }
}

TEST(ShopTable, DefaultTypeFiltersAndManagementOperator)
{
    OP_OperatorTable &table = shaderTable();
    // Set whether or not the surface type has a generic operator: it has one exactly when a
    // string clerk (here only from the shipped plug-ins, if found) serves surfaces.
    EXPECT_EQ(table.getDefaultType(), "gen_surface");
    bool surfaceStrings = false;
    for (const SHOP_Clerk *clerk : SHOP_Node::getClerkList(SHOP_SURFACE))
        surfaceStrings = surfaceStrings || clerk->generatesString();
    EXPECT_EQ(table.getOperator("gen_surface") != nullptr, surfaceStrings);

    const OP_BundleFilter *surfaces = OP_BundleFilter::findFilter("!!SHOP/SURFACE!!");
    ASSERT_NE(surfaces, nullptr);
    ASSERT_NE(OP_BundleFilter::findFilter("!!SHOP/CVEX!!"), nullptr);
    OP_Network *net =
        static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet", "net"));
    ASSERT_NE(net, nullptr);
    EXPECT_FALSE(surfaces->isNodeValid(nullptr, net->createNode("properties")));
    EXPECT_FALSE(surfaces->isNodeValid(nullptr, net->getParent()));
    EXPECT_EQ(infoOf(*net->getOperator()).getShaderType(), SHOP_ANY);
    OPgetDirector()->getRoot()->destroyNode(net);
}

TEST(ShopTable, VopNetworkTypesServeTheirRenderersWithVopChildren)
{
    OP_OperatorTable &table = shaderTable();
    struct Row
    {
        const char *name;
        SHOP_TYPE type;
        const char *renderer;
    };
    const Row rows[] = {
        {"vopsurface", SHOP_SURFACE, "VKorvit"}, {"vopdisplace", SHOP_DISPLACEMENT, "VKorvit"},
        {"voplight", SHOP_LIGHT, "VKorvit"},     {"vopshadow", SHOP_LIGHT_SHADOW, "VKorvit"},
        {"vopfog", SHOP_ATMOSPHERE, "VKorvit"},  {"vopphoton", SHOP_PHOTON, "VKorvit"},
        {"vopimage3d", SHOP_IMAGE3D, "I3D"},     {"vopcvex", SHOP_CVEX, "VKorvit"},
        {"rsl_vopsurface", SHOP_SURFACE, "RIB"}, {"rsl_vopdisplace", SHOP_DISPLACEMENT, "RIB"},
        {"rsl_voplight", SHOP_LIGHT, "RIB"},     {"rsl_vopvolume", SHOP_ATMOSPHERE, "RIB"},
    };
    for (const Row &row : rows)
    {
        SCOPED_TRACE(row.name);
        const OP_Operator *op = table.getOperator(row.name);
        ASSERT_NE(op, nullptr);
        EXPECT_EQ(infoOf(*op).getShaderType(), row.type);
        EXPECT_TRUE(SHOP_OperatorInfo::maskMatches(row.renderer, infoOf(*op).getRenderMask()));
        EXPECT_EQ(op->getChildTableName(), "Vop");
        EXPECT_EQ(op->maxInputs(), 0u);
    }
}
