#pragma once

#include <OP/OP_Node.h>
#include <UT/UT_BoundingBox.h>

class OP_OperatorTable;

/// A geometry node inside a geometry object. The host knows one kind: "box", an axis-aligned
/// box of a size about a centre, which is what procedural bounds and shaders ask about.
class SOP_Node : public OP_Node
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    SOP_Node *castToSOPNode() override { return this; }
    const char *getOpType() const override { return "SOP"; }
    int getOpTypeID() const override { return 2; }

    /// The box's bounds at the context's time; false when its parameters fail.
    bool getBoundingBox(UT_BoundingBox &box, OP_Context &context) override;

    /// Adds the geometry types to `table`.
    static void buildOperatorTable(OP_OperatorTable &table);

    static constexpr const char *theTableName = "Sop";

protected:
    SOP_Node(OP_Network *parent, const char *name, OP_Operator *op);
    /// Works out the box from its size and centre.
    UT_ErrorSeverity cookMe(OP_Context &context) override;

private:
    UT_BoundingBox myBounds;
};
