#include <shop/types/SHOP_TypeTable.h>

#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <unordered_map>

namespace
{

class shop_TypeInfo
{
public:
    // The icon and bundle words default to the type name; a few types share or rename them
    // because their icons and bundles predate the current type names.
    shop_TypeInfo(SHOP_TYPE type, const char *name, const char *label, const char *icon,
                  const char *bundle)
        : myType(type), myName(name), myLabel(label),
          myIconName(std::string("SHOP_") + (icon ? icon : name)),
          myBundleFilter(std::string("!!SHOP/") + (bundle ? bundle : name) + "!!"),
          myParmPath(std::string("shop_") + name + "path"),
          mySpaceParm(std::string("space_shop") + name)
    {
        for (char &c : myBundleFilter)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }

    SHOP_TYPE myType;
    const char *myName;
    const char *myLabel;
    std::string myIconName;
    std::string myBundleFilter;
    std::string myParmPath;
    std::string mySpaceParm;
};

// Keys are views into the entries, which are never freed, so no key outlives its text.
using shop_NameMap = std::unordered_map<std::string_view, SHOP_TYPE>;

class shop_TypeRegistry
{
public:
    shop_TypeRegistry()
    {
        myEntries.fill(nullptr);
        myValidTypes.fill(0);

        add(SHOP_SURFACE, "surface", "Surface Shader");
        add(SHOP_SURFACE_SHADOW, "surfaceshadow", "Surface Shadow Shader", nullptr,
            "SURFACE_SHADOW");
        add(SHOP_DISPLACEMENT, "displace", "Displacement Shader", nullptr, "DISPLACEMENT");
        add(SHOP_GEOMETRY, "geometry", "Geometry Shader");
        add(SHOP_LIGHT, "light", "Light Shader");
        add(SHOP_LIGHT_SHADOW, "shadow", "Light Shadow Shader", nullptr, "LIGHT_SHADOW");
        add(SHOP_INTERIOR, "interior", "Interior Shader", "fog");
        add(SHOP_ATMOSPHERE, "fog", "Fog Shader", "fog", "ATMOSPHERE");
        add(SHOP_LENS, "lens", "Camera Lens Shader");
        add(SHOP_OUTPUT, "output", "Output Shader");
        add(SHOP_BACKGROUND, "background", "Background Shader");
        add(SHOP_TEXTURE, "texture", "Texture Shader");
        add(SHOP_ENVIRONMENT, "environment", "Environment Shader");
        add(SHOP_PHOTON, "photon", "Photon Shader");
        add(SHOP_EMITTER, "emitter", "Light Emitter Shader");
        add(SHOP_PHOTONVOLUME, "photonvolume", "Photon Volume Shader", "generic");
        add(SHOP_CONTOUR, "contour", "Contour Shader");
        add(SHOP_CONTOURSTORE, "contourstore", "Contour Store Shader", "generic");
        add(SHOP_CONTOURCONTRAST, "contourcontrast", "Contour Contrast Shader", "generic");
        add(SHOP_IMAGE3D, "image3d", "Image3d Shader");
        add(SHOP_PROPERTIES, "properties", "Properties");
        add(SHOP_COSHADER, "coshader", "Co-Shader");
        add(SHOP_CVEX, "cvex", "CVEX", "generic");
        add(SHOP_MATERIAL, "material", "Material", "material");
        add(SHOP_UNDEFINED, "undefined", "Undefined Shader");
        add(SHOP_ANY, "any", "Any Shader");

        // SHOP_ANY keeps its entry for labels and icons, but it is a request wildcard: stored
        // integers must never turn into it and it cannot be asked for by name.
        myValidTypes[SHOP_ANY] = 0;

        for (int value = 0; value < SHOP_MAX_TYPES; ++value)
        {
            if (!myValidTypes[value])
                continue;
            const shop_TypeInfo *entry = myEntries[value];
            myNames.emplace(entry->myName, entry->myType);
            myParmPaths.emplace(entry->myParmPath, entry->myType);
            mySpaceParms.emplace(entry->mySpaceParm, entry->myType);
        }
    }

    const shop_TypeInfo *entry(int value) const
    {
        if (value < 0 || value >= SHOP_MAX_TYPES)
            return nullptr;
        return myEntries[value];
    }

    SHOP_TYPE validType(int value) const
    {
        if (value < 0 || value >= SHOP_MAX_TYPES)
            return SHOP_UNDEFINED;
        return static_cast<SHOP_TYPE>(myValidTypes[value]);
    }

    static SHOP_TYPE find(const shop_NameMap &map, const char *name)
    {
        if (!name)
            return SHOP_UNDEFINED;
        auto it = map.find(name);
        return it == map.end() ? SHOP_UNDEFINED : it->second;
    }

    const shop_NameMap &names() const { return myNames; }
    const shop_NameMap &parmPaths() const { return myParmPaths; }
    const shop_NameMap &spaceParms() const { return mySpaceParms; }

private:
    void add(SHOP_TYPE type, const char *name, const char *label, const char *icon = nullptr,
             const char *bundle = nullptr)
    {
        myEntries[type] = new shop_TypeInfo(type, name, label, icon, bundle);
        myValidTypes[type] = type;
    }

    // Entries are deliberately never deleted: callers keep the returned pointers until exit.
    std::array<const shop_TypeInfo *, SHOP_MAX_TYPES> myEntries;
    std::array<int, SHOP_MAX_TYPES> myValidTypes;
    shop_NameMap myNames;
    shop_NameMap myParmPaths;
    shop_NameMap mySpaceParms;
};

const shop_TypeRegistry &shop_registry()
{
    // Leaked on purpose so that no static destructor can invalidate the returned texts; the
    // static pointer keeps the registry reachable for leak checkers.
    static const shop_TypeRegistry *theRegistry = new shop_TypeRegistry;
    return *theRegistry;
}

} // namespace

SHOP_TYPE
SHOPgetType(int value)
{
    return shop_registry().validType(value);
}

const char *SHOP_TypeTable::getShaderType(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->myName : "invalid";
}

const char *SHOP_TypeTable::getShaderLabel(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->myLabel : nullptr;
}

const char *SHOP_TypeTable::getIconName(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->myIconName.c_str() : "SHOP_generic";
}

const char *SHOP_TypeTable::getBundleFilter(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->myBundleFilter.c_str() : "!!SHOP!!";
}

const char *SHOP_TypeTable::getShaderParmPath(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->myParmPath.c_str() : nullptr;
}

const char *SHOP_TypeTable::getShaderSpaceParm(SHOP_TYPE type)
{
    const shop_TypeInfo *entry = shop_registry().entry(type);
    return entry ? entry->mySpaceParm.c_str() : nullptr;
}

SHOP_TYPE
SHOP_TypeTable::getShaderType(const char *name)
{
    return shop_TypeRegistry::find(shop_registry().names(), name);
}

SHOP_TYPE
SHOP_TypeTable::getTypeFromParm(const char *parm)
{
    return shop_TypeRegistry::find(shop_registry().parmPaths(), parm);
}

SHOP_TYPE
SHOP_TypeTable::getTypeFromSpaceParm(const char *parm)
{
    return shop_TypeRegistry::find(shop_registry().spaceParms(), parm);
}

bool SHOP_TypeTable::isValidType(int value)
{
    return shop_registry().entry(value) != nullptr;
}
