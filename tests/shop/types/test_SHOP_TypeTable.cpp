#include <shop/types/SHOP_TypeTable.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

TEST(SHOP_TypeTable, NamesAndParametersLeadBackToEveryTypeANodeMayCarry)
{
    for (int value = 0; value < SHOP_MAX_TYPES; ++value)
    {
        SCOPED_TRACE(value);
        const auto type = static_cast<SHOP_TYPE>(value);
        // 1 to 13 are unassigned; undefined and any have entries but are no type a node carries.
        const bool assigned = value == 0 || value >= 14;
        const bool carried = assigned && type != SHOP_UNDEFINED && type != SHOP_ANY;
        ASSERT_EQ(SHOP_TypeTable::isValidType(value), assigned);
        EXPECT_EQ(SHOPgetType(value), carried ? type : SHOP_UNDEFINED);
        if (!assigned)
            continue;
        const char *name = SHOP_TypeTable::getShaderType(type);
        const char *parm = SHOP_TypeTable::getShaderParmPath(type);
        const char *space = SHOP_TypeTable::getShaderSpaceParm(type);
        ASSERT_TRUE(name && parm && space && SHOP_TypeTable::getShaderLabel(type));
        const SHOP_TYPE back = carried ? type : SHOP_UNDEFINED;
        EXPECT_EQ(SHOP_TypeTable::getShaderType(name), back);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(parm), back);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm(space), back);
        // Each lookup knows only its own kind of name.
        EXPECT_EQ(SHOP_TypeTable::getShaderType(parm), SHOP_UNDEFINED);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(space), SHOP_UNDEFINED);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm(name), SHOP_UNDEFINED);
        // Callers keep the texts for the life of the process.
        EXPECT_EQ(SHOP_TypeTable::getShaderParmPath(type), parm);
    }
}

TEST(SHOP_TypeTable, ValuesWithoutAnEntryGiveTheFallbacks)
{
    std::vector<int> values = {-1, SHOP_MAX_TYPES, 1000, INT_MIN, INT_MAX};
    for (int value = 1; value <= 13; ++value)
        values.push_back(value);
    for (int value : values)
    {
        SCOPED_TRACE(value);
        const auto type = static_cast<SHOP_TYPE>(value);
        EXPECT_FALSE(SHOP_TypeTable::isValidType(value));
        EXPECT_STREQ(SHOP_TypeTable::getShaderType(type), "invalid");
        EXPECT_EQ(SHOP_TypeTable::getShaderLabel(type), nullptr);
        EXPECT_STREQ(SHOP_TypeTable::getIconName(type), "SHOP_generic");
        EXPECT_STREQ(SHOP_TypeTable::getBundleFilter(type), "!!SHOP!!");
        EXPECT_EQ(SHOP_TypeTable::getShaderParmPath(type), nullptr);
        EXPECT_EQ(SHOP_TypeTable::getShaderSpaceParm(type), nullptr);
        EXPECT_EQ(SHOPgetType(value), SHOP_UNDEFINED);
    }
}

TEST(SHOP_TypeTable, OnlyExactNamesAreFound)
{
    EXPECT_EQ(SHOP_TypeTable::getShaderType("surface"), SHOP_SURFACE);
    // Labels, icons and bundle words are not names: "atmosphere" and "displacement" only
    // appear in bundle filters.
    for (const char *name :
         {"Surface", "surface ", " surface", "SURFACE", "surf", "", "invalid", "undefined", "any",
          "atmosphere", "displacement", "Surface Shader", "SHOP_surface"})
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(SHOP_TypeTable::getShaderType(name), SHOP_UNDEFINED);
    }
    EXPECT_EQ(SHOP_TypeTable::getTypeFromParm("shop_surfacepath "), SHOP_UNDEFINED);
    EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm("Space_shopsurface"), SHOP_UNDEFINED);
    EXPECT_EQ(SHOP_TypeTable::getShaderType(static_cast<const char *>(nullptr)), SHOP_UNDEFINED);
    EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(nullptr), SHOP_UNDEFINED);
    EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm(nullptr), SHOP_UNDEFINED);
}
