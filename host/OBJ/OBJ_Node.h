#pragma once

#include <OP/OP_Network.h>
#include <UT/UT_DMatrix4.h>

class OP_OperatorTable;

/// An object: a network placed in the world by its translate, rotate (degrees, applied x, then
/// y, then z) and scale parameters, under the transform of the object network that holds it.
/// Geometry objects hold geometry nodes.
class OBJ_Node : public OP_Network
{
public:
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op);

    OBJ_Node *castToOBJNode() override { return this; }
    const char *getOpType() const override { return "OBJ"; }
    int getOpTypeID() const override { return 1; }

    /// The transform made of this object's own parameters.
    UT_DMatrix4 getLocalTransform(float now) const;
    /// Local transform times the world transform of the enclosing object, if any.
    bool getWorldTransform(UT_DMatrix4 &matrix, OP_Context &context) override;

    /// Adds the object types ("geo", "null", "subnet") to `table` and the object network
    /// "objnet" to `root`.
    static void buildOperatorTable(OP_OperatorTable &table, OP_OperatorTable &root);

    static constexpr const char *theTableName = "Object";

protected:
    OBJ_Node(OP_Network *parent, const char *name, OP_Operator *op);
    /// Works out the transform, so that bad transform parameters show as errors.
    UT_ErrorSeverity cookMe(OP_Context &context) override;
};
