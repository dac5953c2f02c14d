#pragma once

/// The shader type of a node, operator, clerk list or shader request. The numeric values are
/// stored in saved files and compared across the library, so they never change; 1 to 13 are
/// deliberately left unassigned. The fixed underlying type makes any int a representable value,
/// so stray integers cast to the type can be rejected instead of being undefined behaviour.
enum SHOP_TYPE : int
{
    SHOP_UNDEFINED = 0,
    SHOP_SURFACE = 14,
    SHOP_SURFACE_SHADOW = 15,
    SHOP_DISPLACEMENT = 16,
    SHOP_GEOMETRY = 17,
    SHOP_INTERIOR = 18,
    SHOP_LIGHT = 19,
    SHOP_LIGHT_SHADOW = 20,
    SHOP_ATMOSPHERE = 21,
    SHOP_LENS = 22,
    SHOP_OUTPUT = 23,
    SHOP_BACKGROUND = 24,
    SHOP_PHOTON = 25,
    SHOP_EMITTER = 26,
    SHOP_PHOTONVOLUME = 27,
    SHOP_ENVIRONMENT = 28,
    SHOP_CONTOUR = 29,
    SHOP_CONTOURSTORE = 30,
    SHOP_CONTOURCONTRAST = 31,
    SHOP_TEXTURE = 32,
    SHOP_IMAGE3D = 33,
    SHOP_CVEX = 34,
    SHOP_COSHADER = 35,
    SHOP_PROPERTIES = 36,
    SHOP_ANY = 37,
    SHOP_MATERIAL = 38
};

/// Number of slots of the type tables: every value below this may be passed to the accessors.
constexpr int SHOP_MAX_TYPES = 39;

/// The outputs of a material: one per shader type the output node of its network takes.
constexpr int SHOP_MATERIAL_OUTPUTS = 24;

/// Turns an integer read from a file, a parameter or arithmetic into a type a node may carry.
/// SHOP_ANY is a request wildcard, never a node's type, so it maps to SHOP_UNDEFINED as well.
SHOP_TYPE SHOPgetType(int value);
