#include <OBJ/OBJ_Node.h>

#include <OP/OP_GenericNetwork.h>
#include <OP/OP_OperatorTable.h>
#include <SOP/SOP_Node.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_XYZ, 3, PRM_Name("t", "Translate")),
    PRM_Template(PRM_XYZ, 3, PRM_Name("r", "Rotate")),
    PRM_Template(PRM_XYZ, 3, PRM_Name("s", "Scale"), {PRM_Default(1)}),
    PRM_Template(PRM_FLT, 1, PRM_Name("scale", "Uniform Scale"), {PRM_Default(1)}),
    PRM_Template(),
};

UT_DMatrix4 obj_rotation(int axis, double degrees)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    UT_DMatrix4 m;
    // Row vectors: a point p becomes p * M.
    m(a, a) = c;
    m(a, b) = s;
    m(b, a) = -s;
    m(b, b) = c;
    return m;
}
} // namespace

OBJ_Node::OBJ_Node(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Network(parent, name, op)
{
}

OP_Node *OBJ_Node::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new OBJ_Node(parent, name, op);
}

UT_DMatrix4 OBJ_Node::getLocalTransform(float now) const
{
    const double uniform = evalFloat("scale", 0, now);
    UT_DMatrix4 scale;
    for (int i = 0; i < 3; ++i)
        scale(i, i) = evalFloat("s", i, now) * uniform;
    UT_DMatrix4 rotate;
    for (int axis = 0; axis < 3; ++axis)
        rotate = rotate * obj_rotation(axis, evalFloat("r", axis, now));
    UT_DMatrix4 translate;
    for (int i = 0; i < 3; ++i)
        translate(3, i) = evalFloat("t", i, now);
    return scale * rotate * translate;
}

UT_ErrorSeverity OBJ_Node::cookMe(OP_Context &context)
{
    UT_DMatrix4 world;
    getWorldTransform(world, context);
    return error();
}

bool OBJ_Node::getWorldTransform(UT_DMatrix4 &matrix, OP_Context &context)
{
    // Each object's local transform times its parent's world transform: gathered up the
    // parents and multiplied from the outermost down, the same products in the same order as
    // asking each parent in turn, without a call per level of nesting.
    std::vector<const OBJ_Node *> chain{this};
    while (OP_Network *up = chain.back()->getParent())
    {
        const OBJ_Node *object = up->castToOBJNode();
        if (!object)
            break;
        chain.push_back(object);
    }
    matrix = chain.back()->getLocalTransform(context.getTime());
    for (size_t i = chain.size() - 1; i-- > 0;)
        matrix = chain[i]->getLocalTransform(context.getTime()) * matrix;
    return true;
}

void OBJ_Node::buildOperatorTable(OP_OperatorTable &table, OP_OperatorTable &root)
{
    auto *objnet = new OP_Operator("objnet", "Object Network", OP_GenericNetwork::myConstructor,
                                   nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER);
    objnet->setChildTableName(theTableName);
    root.addOperator(objnet);

    auto *geo = new OP_Operator("geo", "Geometry", myConstructor, theTemplates, 0, 1, nullptr,
                                OP_FLAG_NETWORK);
    geo->setChildTableName(SOP_Node::theTableName);
    table.addOperator(geo);
    auto *subnet = new OP_Operator("subnet", "Subnetwork", myConstructor, theTemplates, 0, 1,
                                   nullptr, OP_FLAG_NETWORK);
    subnet->setChildTableName(theTableName);
    table.addOperator(subnet);
    table.addOperator(new OP_Operator("null", "Null", myConstructor, theTemplates, 0, 1));
}
