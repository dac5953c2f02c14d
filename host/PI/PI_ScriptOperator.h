#pragma once

#include <OP/OP_ScriptOperator.h>

/// A script operator whose parameters come from a dialog script.
///
/// Dialog-script syntax (tokens as CPP_TokenStream reads them):
///
///     {
///         name    plastic             # the operator's internal name (checked, not changed)
///         script  plastic             # the script name; shader strings call the shader so
///         label   "Plastic"
///         help    "A plastic surface"
///         parm {
///             name    Kd              # required
///             label   "Diffuse"
///             type    float           # int float toggle color vector string file image
///                                     # oppath separator label button menu direction
///             size    1               # components (default 1; color and vector 3)
///             default { 0.5 }         # one value per component; text for strings
///             range   { 0 1 }         # slider; "range! { 0 1 }" restricts both ends
///             menu    { "a" "A" "b" "B" }    # token/label pairs (for int/menu/string)
///             parmtag { opfilter "!!SHOP/CVEX!!" }   # spare data, any key
///             help    "..."
///         }
///         group {                     # a folder: a switcher holding the parms inside
///             name "surface" label "Surface"
///             parm { ... } ...
///         }
///         <any other token>           # handed to handleUnknownToken
///     }
///
/// Every malformed script gives an error naming the asset file, the definition and the line,
/// and no templates.
class PI_ScriptOperator : public OP_ScriptOperator
{
public:
    using OP_ScriptOperator::OP_ScriptOperator;

    bool loadParmTemplates(DS_Stream &stream) override;
};
