#pragma once

#include <shop/network/SHOP_Chooser.h>

#include <cstdint>
#include <vector>

/// A set of render properties, held as (spare) parameters on the node and layered over the
/// properties nodes wired into it: a property the node lacks is looked up on its properties
/// inputs in input order, so the lower input wins. A shader-path property
/// ("shop_surfacepath", ...) names the shader of that type to use.
class SHOP_Properties : public SHOP_Chooser
{
public:
    SHOP_Properties(OP_Network *parent, const char *name, OP_Operator *op);
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    /// The node's own parameters first, then the properties inputs for what is still open.
    int findParametersOrProperties(float now, OP_PropertyLookupList &list) override;

    /// Itself for properties; the shader its shader-path property names; else what the
    /// properties inputs find.
    SHOP_Node *findShader(SHOP_TYPE type, float now, const UT_Options *overrides) override;
    SHOP_TYPE getInputType(int) const override { return SHOP_PROPERTIES; }

protected:
    UT_ErrorSeverity cookMe(OP_Context &context) override;
    /// Yields the properties inputs in order; inputs of other shader types are passed over.
    SHOP_Node *iterateNext(int &index, float now, const UT_Options *overrides) override;

private:
    /// Resolves what it can of `list` from this node's parameters alone.
    int findOwnParameters(float now, OP_PropertyLookupList &list);
    /// The node the shader-path property of `type` names, looked up afresh or taken from
    /// what the last lookup found while that still holds; null when the property is missing,
    /// empty or names no shader node.
    SHOP_Node *findNamedShader(SHOP_TYPE type, float now);
    /// Looks the shader-path property up and follows it.
    SHOP_Node *lookUpNamedShader(SHOP_TYPE type, float now, bool &plain);

    // What the shader-path properties named when last looked up, per shader type. Renderers
    // ask the same network again and again, and the lookup (a property search through the
    // inputs, then a path walk) costs more than all else on the way; an answer holds while the
    // scene has not changed at all since, at the same time, when the property is a value (an
    // expression may depend on anything).
    struct shop_NamedShader
    {
        SHOP_TYPE type;
        float now;
        uint64_t changeCount;
        SHOP_Node *node; // no node of the scene goes without changing the count
    };
    std::vector<shop_NamedShader> myNamedShaders;
};
