#include <SOP/SOP_Node.h>

#include <OP/OP_OperatorTable.h>

#include <cmath>

namespace
{
const PRM_Template theBoxTemplates[] = {
    PRM_Template(PRM_XYZ, 3, PRM_Name("size", "Size"), {PRM_Default(1)}),
    PRM_Template(PRM_XYZ, 3, PRM_Name("t", "Center")),
    PRM_Template(),
};
} // namespace

SOP_Node::SOP_Node(OP_Network *parent, const char *name, OP_Operator *op)
    : OP_Node(parent, name, op)
{
}

OP_Node *SOP_Node::myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new SOP_Node(parent, name, op);
}

UT_ErrorSeverity SOP_Node::cookMe(OP_Context &context)
{
    const float now = context.getTime();
    float lo[3], hi[3];
    for (int i = 0; i < 3; ++i)
    {
        const float half = std::fabs(evalFloat("size", i, now)) * 0.5f;
        const float centre = evalFloat("t", i, now);
        lo[i] = centre - half;
        hi[i] = centre + half;
    }
    myBounds.setBounds(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    return error();
}

bool SOP_Node::getBoundingBox(UT_BoundingBox &box, OP_Context &context)
{
    if (cook(context) >= UT_ERROR_ABORT)
        return false;
    box = myBounds;
    return true;
}

void SOP_Node::buildOperatorTable(OP_OperatorTable &table)
{
    table.addOperator(new OP_Operator("box", "Box", myConstructor, theBoxTemplates, 0, 1));
}
