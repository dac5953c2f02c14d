#pragma once

#include <shop/network/SHOP_SubNet.h>

#include <UT/UT_String.h>

class OP_OTLDefinition;
class OP_ScriptOperator;

/// A material defined as an asset: a subnet with an output node, which a new one makes for
/// itself. Also the home of parameter promotion, which works on any material: the
/// parameters of the shaders a material gathers are copied up to it as spare parameters, one
/// folder per shader, and the shaders' parameters then read them.
class SHOP_Material : public SHOP_SubNet
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);
    ~SHOP_Material() override;

    /// The operator of a material asset (its dialog script gives the material's own
    /// parameters). Defined with the operator table, which knows the operator types.
    static OP_ScriptOperator *createScriptOperator(const OP_OTLDefinition &definition);

    /// Clears what an earlier promotion made (see clearPromotedParms), then copies the
    /// parameters of the shaders that `material` gathers for every shader type into folders
    /// ("Surface", "Surface 2", ...) as spare parameters "<shader>_<parameter>" marked
    /// "material_promoted", with the shaders' values as defaults, and links the shaders'
    /// parameters to them. Parameters that read from outside the material stay where they are.
    /// Messages are appended to `errors`, one per line; true when `errors` is empty after.
    /// One step of the history.
    static bool promoteShaderParms(SHOP_Node *material, UT_String &errors, bool all);
    /// Removes the promoted spare parameters (with `all`, every spare parameter) and the
    /// folders left empty; what read them keeps the values they gave. As above for `errors`.
    static bool clearPromotedParms(SHOP_Node *material, UT_String &errors, bool all);

    /// The spare-data key marking a promoted parameter.
    static constexpr const char *thePromotedKey = "material_promoted";

protected:
    SHOP_Material(OP_Network *parent, const char *name, OP_Operator *op);
    /// A new material gets its output node (not when an undo or a file makes it again).
    bool runCreateScript() override;
};
