#include <shop/types/SHOP_TypeTable.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace
{

struct Row
{
    int value;
    SHOP_TYPE type;
    const char *name;
    const char *label;
    const char *icon;
    const char *bundle;
    const char *parm;
    const char *space;
};

// Saved scenes, object parameters and operator icons refer to these texts, so every column is
// written out literally rather than derived.
const Row theRows[] = {
    {0, SHOP_UNDEFINED, "undefined", "Undefined Shader", "SHOP_undefined", "!!SHOP/UNDEFINED!!",
     "shop_undefinedpath", "space_shopundefined"},
    {14, SHOP_SURFACE, "surface", "Surface Shader", "SHOP_surface", "!!SHOP/SURFACE!!",
     "shop_surfacepath", "space_shopsurface"},
    {15, SHOP_SURFACE_SHADOW, "surfaceshadow", "Surface Shadow Shader", "SHOP_surfaceshadow",
     "!!SHOP/SURFACE_SHADOW!!", "shop_surfaceshadowpath", "space_shopsurfaceshadow"},
    {16, SHOP_DISPLACEMENT, "displace", "Displacement Shader", "SHOP_displace",
     "!!SHOP/DISPLACEMENT!!", "shop_displacepath", "space_shopdisplace"},
    {17, SHOP_GEOMETRY, "geometry", "Geometry Shader", "SHOP_geometry", "!!SHOP/GEOMETRY!!",
     "shop_geometrypath", "space_shopgeometry"},
    {18, SHOP_INTERIOR, "interior", "Interior Shader", "SHOP_fog", "!!SHOP/INTERIOR!!",
     "shop_interiorpath", "space_shopinterior"},
    {19, SHOP_LIGHT, "light", "Light Shader", "SHOP_light", "!!SHOP/LIGHT!!", "shop_lightpath",
     "space_shoplight"},
    {20, SHOP_LIGHT_SHADOW, "shadow", "Light Shadow Shader", "SHOP_shadow", "!!SHOP/LIGHT_SHADOW!!",
     "shop_shadowpath", "space_shopshadow"},
    {21, SHOP_ATMOSPHERE, "fog", "Fog Shader", "SHOP_fog", "!!SHOP/ATMOSPHERE!!", "shop_fogpath",
     "space_shopfog"},
    {22, SHOP_LENS, "lens", "Camera Lens Shader", "SHOP_lens", "!!SHOP/LENS!!", "shop_lenspath",
     "space_shoplens"},
    {23, SHOP_OUTPUT, "output", "Output Shader", "SHOP_output", "!!SHOP/OUTPUT!!",
     "shop_outputpath", "space_shopoutput"},
    {24, SHOP_BACKGROUND, "background", "Background Shader", "SHOP_background",
     "!!SHOP/BACKGROUND!!", "shop_backgroundpath", "space_shopbackground"},
    {25, SHOP_PHOTON, "photon", "Photon Shader", "SHOP_photon", "!!SHOP/PHOTON!!",
     "shop_photonpath", "space_shopphoton"},
    {26, SHOP_EMITTER, "emitter", "Light Emitter Shader", "SHOP_emitter", "!!SHOP/EMITTER!!",
     "shop_emitterpath", "space_shopemitter"},
    {27, SHOP_PHOTONVOLUME, "photonvolume", "Photon Volume Shader", "SHOP_generic",
     "!!SHOP/PHOTONVOLUME!!", "shop_photonvolumepath", "space_shopphotonvolume"},
    {28, SHOP_ENVIRONMENT, "environment", "Environment Shader", "SHOP_environment",
     "!!SHOP/ENVIRONMENT!!", "shop_environmentpath", "space_shopenvironment"},
    {29, SHOP_CONTOUR, "contour", "Contour Shader", "SHOP_contour", "!!SHOP/CONTOUR!!",
     "shop_contourpath", "space_shopcontour"},
    {30, SHOP_CONTOURSTORE, "contourstore", "Contour Store Shader", "SHOP_generic",
     "!!SHOP/CONTOURSTORE!!", "shop_contourstorepath", "space_shopcontourstore"},
    {31, SHOP_CONTOURCONTRAST, "contourcontrast", "Contour Contrast Shader", "SHOP_generic",
     "!!SHOP/CONTOURCONTRAST!!", "shop_contourcontrastpath", "space_shopcontourcontrast"},
    {32, SHOP_TEXTURE, "texture", "Texture Shader", "SHOP_texture", "!!SHOP/TEXTURE!!",
     "shop_texturepath", "space_shoptexture"},
    {33, SHOP_IMAGE3D, "image3d", "Image3d Shader", "SHOP_image3d", "!!SHOP/IMAGE3D!!",
     "shop_image3dpath", "space_shopimage3d"},
    {34, SHOP_CVEX, "cvex", "CVEX", "SHOP_generic", "!!SHOP/CVEX!!", "shop_cvexpath",
     "space_shopcvex"},
    {35, SHOP_COSHADER, "coshader", "Co-Shader", "SHOP_coshader", "!!SHOP/COSHADER!!",
     "shop_coshaderpath", "space_shopcoshader"},
    {36, SHOP_PROPERTIES, "properties", "Properties", "SHOP_properties", "!!SHOP/PROPERTIES!!",
     "shop_propertiespath", "space_shopproperties"},
    {37, SHOP_ANY, "any", "Any Shader", "SHOP_any", "!!SHOP/ANY!!", "shop_anypath",
     "space_shopany"},
    {38, SHOP_MATERIAL, "material", "Material", "SHOP_material", "!!SHOP/MATERIAL!!",
     "shop_materialpath", "space_shopmaterial"},
};

// Undefined and any have entries but must never come back from a stored integer or a name.
bool isSelectable(const Row &row)
{
    return row.type != SHOP_UNDEFINED && row.type != SHOP_ANY;
}

const Row *findRow(int value)
{
    for (const Row &row : theRows)
        if (row.value == value)
            return &row;
    return nullptr;
}

std::string text(const char *s)
{
    return s ? s : "<null>";
}

} // namespace

TEST(SHOP_TypeTable, EveryEntryMatchesTheSavedNames)
{
    EXPECT_EQ(SHOP_MAX_TYPES, 39);
    for (const Row &row : theRows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(static_cast<int>(row.type), row.value);
        EXPECT_TRUE(SHOP_TypeTable::isValidType(row.value));
        EXPECT_EQ(text(SHOP_TypeTable::getShaderType(row.type)), row.name);
        EXPECT_EQ(text(SHOP_TypeTable::getShaderLabel(row.type)), row.label);
        EXPECT_EQ(text(SHOP_TypeTable::getIconName(row.type)), row.icon);
        EXPECT_EQ(text(SHOP_TypeTable::getBundleFilter(row.type)), row.bundle);
        EXPECT_EQ(text(SHOP_TypeTable::getShaderParmPath(row.type)), row.parm);
        EXPECT_EQ(text(SHOP_TypeTable::getShaderSpaceParm(row.type)), row.space);
        // Callers keep these pointers for the life of the process.
        EXPECT_EQ(SHOP_TypeTable::getIconName(row.type), SHOP_TypeTable::getIconName(row.type));
        EXPECT_EQ(SHOP_TypeTable::getShaderParmPath(row.type),
                  SHOP_TypeTable::getShaderParmPath(row.type));
    }
}

TEST(SHOP_TypeTable, ValuesWithoutAnEntryGiveTheFallbacks)
{
    std::vector<int> values = {-1, 39, 1000, INT_MIN, INT_MAX};
    for (int value = 1; value <= 13; ++value)
        values.push_back(value);
    for (int value : values)
    {
        SCOPED_TRACE(value);
        auto type = static_cast<SHOP_TYPE>(value);
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

TEST(SHOP_TypeTable, GetTypeKeepsOnlyTypesANodeMayCarry)
{
    EXPECT_EQ(SHOPgetType(14), SHOP_SURFACE);
    EXPECT_EQ(SHOPgetType(38), SHOP_MATERIAL);
    EXPECT_EQ(SHOPgetType(37), SHOP_UNDEFINED);
    EXPECT_EQ(SHOPgetType(0), SHOP_UNDEFINED);
    for (int value = -2; value <= SHOP_MAX_TYPES + 1; ++value)
    {
        SCOPED_TRACE(value);
        const Row *row = findRow(value);
        SHOP_TYPE expected = row && isSelectable(*row) ? row->type : SHOP_UNDEFINED;
        EXPECT_EQ(SHOPgetType(value), expected);
    }
}

TEST(SHOP_TypeTable, NameLookupsAreExactAndSkipUndefinedAndAny)
{
    for (const Row &row : theRows)
    {
        SCOPED_TRACE(row.name);
        SHOP_TYPE expected = isSelectable(row) ? row.type : SHOP_UNDEFINED;
        EXPECT_EQ(SHOP_TypeTable::getShaderType(row.name), expected);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(row.parm), expected);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm(row.space), expected);
        // Each lookup knows only its own kind of name.
        EXPECT_EQ(SHOP_TypeTable::getShaderType(row.parm), SHOP_UNDEFINED);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(row.space), SHOP_UNDEFINED);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromSpaceParm(row.parm), SHOP_UNDEFINED);
        EXPECT_EQ(SHOP_TypeTable::getTypeFromParm(row.name), SHOP_UNDEFINED);
    }

    // Labels, icons and bundle words are not names: "atmosphere" and "displacement" only
    // appear in bundle filters.
    for (const char *name : {"Surface", "surface ", " surface", "SURFACE", "surf", "", "invalid",
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
