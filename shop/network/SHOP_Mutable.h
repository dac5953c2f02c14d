#pragma once

#include <shop/network/SHOP_Chooser.h>

#include <cstdint>

/// The base of the choosers that stand for what they choose (switch, select): their shader
/// type follows their inputs, and every shader request and build goes to the chosen inputs in
/// the order `iterateNext` yields them; the first that answers wins.
///
/// Shader requests are guarded and cook first, as lookups do; builds are guarded but do not
/// cook, since the node was cooked when it was found. A new node of the kind supplies its
/// choice (`iterateNext`); the type and the cook below serve it unless it has its own rules.
class SHOP_Mutable : public SHOP_Chooser
{
public:
    /// The type of the first resolving input; undefined when a later one disagrees.
    SHOP_TYPE getShaderType() const override;
    using SHOP_Chooser::getShaderType;

    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    /// Not guarded: asks the chosen inputs after a cook with the context.
    bool getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *renderer) override;
    using SHOP_Chooser::getBoundingBox;
    /// Every input takes the node's current type; any type while that is undecided.
    SHOP_TYPE getInputType(int index) const override;
    bool buildShaderString(UT_String &result, float now, const UT_Options *overrides, OP_Node *obj,
                           OP_Node *sop) override;
    bool buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides, OP_Node *obj,
                         OP_Node *sop) override;
    bool buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                           OP_Node *obj, OP_Node *sop) override;

protected:
    SHOP_Mutable(OP_Network *parent, const char *name, OP_Operator *op);

    /// Cooks the choice, then takes the type of the inputs (see takeInputType).
    UT_ErrorSeverity cookMe(OP_Context &context) override;
    /// What the cook does for the choice: nothing unless a subclass says so.
    virtual void cookChoice(OP_Context &) {}

    /// The output type that the resolving inputs agree on: any type when none resolves,
    /// undefined when two disagree. With `decidedOnly`, inputs are skipped until one of
    /// defined type sets it (any type when none does); otherwise the first sets it.
    SHOP_TYPE agreedInputType(bool decidedOnly) const;
    /// The cook's part of the type: any type without inputs, else the type of the first
    /// resolving input; a later one of another type is error 1 and undefined.
    UT_ErrorSeverity takeInputType();

private:
    SHOP_TYPE findAgreedInputType(bool decidedOnly) const;

    // The agreed type found last, and the scene's change count then.
    struct shop_TypeMemo
    {
        uint64_t changes = UINT64_MAX;
        bool decidedOnly = false;
        SHOP_TYPE type = SHOP_UNDEFINED;
    };
    mutable shop_TypeMemo myTypeMemo;
};
