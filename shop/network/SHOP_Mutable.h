#pragma once

#include <shop/network/SHOP_VariableInput.h>

#include <cstdint>

/// The base of the choosing nodes (switch, select): every shader request is passed to the
/// chosen inputs in the order `iterateNext` yields them, and the first that answers wins.
///
/// Requests are guarded: one that comes back to a node already answering (a loop through
/// references) answers nothing. Lookups and `findShader` cook first so that the choice follows
/// animated parameters; builds do not, since the node was cooked when it was found.
class SHOP_Mutable : public SHOP_VariableInput
{
public:
    SHOP_TYPE getShaderType() const override = 0;
    using SHOP_VariableInput::getShaderType;

    bool getParameterOrProperty(const char *name, float now, OP_Node *&node, PRM_Parm *&parm,
                                PRM_ParmList *obsolete, bool createMissingMultiParms) override;
    bool getParameterOrPropertyByChannel(const char *channel, float now, OP_Node *&node,
                                         PRM_Parm *&parm, int &component,
                                         PRM_ParmList *obsolete) override;
    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    /// Not guarded: asks the chosen inputs after a cook with the context.
    bool getBoundingBox(UT_BoundingBox &box, OP_Context &context, const char *renderer) override;
    using SHOP_VariableInput::getBoundingBox;
    /// Every input takes the node's current type; any type while that is undecided.
    SHOP_TYPE getInputType(int index) const override;
    bool buildShaderString(UT_String &result, float now, const UT_Options *overrides, OP_Node *obj,
                           OP_Node *sop) override;
    bool buildShaderData(SHOP_ReData &data, float now, const UT_Options *overrides, OP_Node *obj,
                         OP_Node *sop) override;
    bool buildShaderBounds(UT_BoundingBox &box, float now, const UT_Options *overrides,
                           OP_Node *obj, OP_Node *sop) override;

    /// Whether a guarded request is running on this node.
    bool isBusy() const { return myBusy; }

protected:
    SHOP_Mutable(OP_Network *parent, const char *name, OP_Operator *op);

    /// The next chosen input after `index` (start with -1), moving `index` to it; null when
    /// the choice is exhausted.
    virtual SHOP_Node *iterateNext(int &index, float now, const UT_Options *overrides) = 0;

    /// The flag the guarded requests share; subclasses guard their own requests with it.
    bool &busyFlag() const { return myBusy; }

    /// The output type that the resolving inputs below `count` agree on: any type when none
    /// resolves, undefined when two disagree. With `decidedOnly`, inputs are skipped until
    /// one of defined type sets it (any type when none does); otherwise the first sets it.
    SHOP_TYPE agreedInputType(int count, bool decidedOnly) const;
    /// The cook's part of the type: any type without inputs, else the type of the first
    /// resolving input below `count`; a later one of another type is error 1 and undefined.
    UT_ErrorSeverity takeInputType(int count);

private:
    /// The first chosen input for which `ask` is true; false when none is.
    template <typename Ask>
    bool askChosen(float now, const UT_Options *overrides, Ask ask);
    /// askChosen, unless this node is already answering (a loop): then false at once.
    template <typename Ask>
    bool askChosenOnce(float now, const UT_Options *overrides, Ask ask);

    SHOP_TYPE findAgreedInputType(int count, bool decidedOnly) const;

    // Guarded requests also come through const operations (the type queries).
    mutable bool myBusy = false;
    // The agreed type found last, and the scene's change count then.
    struct shop_TypeMemo
    {
        uint64_t changes = UINT64_MAX;
        int count = 0;
        bool decidedOnly = false;
        SHOP_TYPE type = SHOP_UNDEFINED;
    };
    mutable shop_TypeMemo myTypeMemo;
};
