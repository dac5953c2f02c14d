#pragma once

#include <shop/types/SHOP_Type.h>

/// Process-wide table of the names, labels, icons, bundle filters and object parameter names of
/// the shader types, and the lookups from those names back to types. Built on first use and kept
/// until exit, so every returned pointer stays valid for the life of the process.
class SHOP_TypeTable
{
public:
    /// The type name; "invalid" for a value without an entry.
    static const char *getShaderType(SHOP_TYPE type);
    /// The user label; null for a value without an entry.
    static const char *getShaderLabel(SHOP_TYPE type);
    /// The operator icon name; "SHOP_generic" for a value without an entry.
    static const char *getIconName(SHOP_TYPE type);
    /// The name of the bundle selecting nodes of the type; "!!SHOP!!" for a value without one.
    static const char *getBundleFilter(SHOP_TYPE type);
    /// The object parameter holding the path of the shader of the type; null if none.
    static const char *getShaderParmPath(SHOP_TYPE type);
    /// The object parameter holding the coordinate space of the shader of the type; null if none.
    static const char *getShaderSpaceParm(SHOP_TYPE type);

    /// The type with exactly this name. "undefined" and "any" are not types a user may ask
    /// for by name, so they give SHOP_UNDEFINED like unknown names and null.
    static SHOP_TYPE getShaderType(const char *name);
    /// The type whose parameter path name is exactly `parm`; SHOP_UNDEFINED otherwise.
    static SHOP_TYPE getTypeFromParm(const char *parm);
    /// The type whose space parameter name is exactly `parm`; SHOP_UNDEFINED otherwise.
    static SHOP_TYPE getTypeFromSpaceParm(const char *parm);

    /// Whether the value has an entry in the table (0 and 14 to 38, SHOP_ANY included).
    static bool isValidType(int value);
};
