#pragma once

#include <shop/node/SHOP_Node.h>

class OP_Operator;
class PRM_ParmList;

/// A shader typed in by the user: for each renderer that takes shaders of its type as strings,
/// one parameter holding that renderer's shader string. Its build reads the parameter of the
/// renderer asked for; nothing is translated.
class SHOP_Generic : public SHOP_Node
{
public:
    /// The generic operator "gen_<type>" of a shader type, made once and kept; null when no
    /// clerk of the type writes strings.
    static OP_Operator *buildOperator(SHOP_TYPE type);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    bool buildShaderString(UT_String &result, float now, const UT_Options *overrides, OP_Node *obj,
                           OP_Node *sop) override;
    /// Reads values saved under obsolete parameter names into the current parameters: an
    /// image3d shader string saved as "VKorvit" belongs to "I3D".
    void resolveObsoleteParms(PRM_ParmList *obsolete) override;

protected:
    SHOP_Generic(OP_Network *parent, const char *name, OP_Operator *op, SHOP_TYPE type);
};
