#pragma once

#include <OP/OP_Operator.h>

#include <string>
#include <vector>

class OP_OperatorTable;

/// The kinds of values that flow along VOP wires. VOP_TYPE_NUMERIC on an input takes a float,
/// vector or colour; on an output it stands for the type the node's inputs agree on.
enum VOP_Type
{
    VOP_TYPE_FLOAT,
    VOP_TYPE_VECTOR,
    VOP_TYPE_COLOR,
    VOP_TYPE_STRING,
    VOP_TYPE_NUMERIC,
    VOP_TYPE_FROM_PARM, ///< an output whose type the node's type menu chooses
};

/// The shading contexts, one bit each, whatever language they are written in (the RSL volume
/// context is VOP_CONTEXT_FOG).
enum VOP_ContextKind : unsigned
{
    VOP_CONTEXT_SURFACE = 1u << 0,
    VOP_CONTEXT_DISPLACEMENT = 1u << 1,
    VOP_CONTEXT_LIGHT = 1u << 2,
    VOP_CONTEXT_SHADOW = 1u << 3,
    VOP_CONTEXT_FOG = 1u << 4,
    VOP_CONTEXT_PHOTON = 1u << 5,
    VOP_CONTEXT_IMAGE3D = 1u << 6,
    VOP_CONTEXT_CVEX = 1u << 7,
    VOP_CONTEXT_ALL = 0xffu,
};

/// What a node does in generated code.
enum VOP_Kind
{
    VOP_KIND_GLOBAL,
    VOP_KIND_PARAMETER,
    VOP_KIND_CONSTANT,
    VOP_KIND_ADD,
    VOP_KIND_MULTIPLY,
    VOP_KIND_MIX,
    VOP_KIND_LIGHTING,
    VOP_KIND_TEXTURE,
    VOP_KIND_OUTPUT,
};

/// One input of a VOP node type. An unwired input that is not required reads its fallback: a
/// global variable ("N"), or the node's own parameter of that name when `fromParm` is set; an
/// output node's unwired input leaves its global untouched.
struct VOP_InputSpec
{
    std::string name;
    VOP_Type type;
    bool required;
    std::string fallback;
    bool fromParm;
};

struct VOP_OutputSpec
{
    std::string name;
    VOP_Type type;
};

/// A VOP node type: a host operator with what the code generator needs to know of its nodes.
class VOP_Operator : public OP_Operator
{
public:
    /// The name of the table VOP networks take their children from.
    static constexpr const char *theTableName = "Vop";
    /// The host's type identifier of VOP nodes.
    static constexpr int theOpTypeID = 10;

    VOP_Operator(const char *name, const char *label, const PRM_Template *templates, VOP_Kind kind,
                 unsigned contexts, std::vector<VOP_InputSpec> inputs,
                 std::vector<VOP_OutputSpec> outputs);

    VOP_Kind getKind() const { return myKind; }
    /// The contexts whose networks may hold nodes of this type.
    unsigned getContexts() const { return myContexts; }
    const std::vector<VOP_InputSpec> &getInputSpecs() const { return myInputs; }
    const std::vector<VOP_OutputSpec> &getOutputSpecs() const { return myOutputs; }

    /// Fills a table with the VOP node types; once per table.
    static void buildOperatorTable(OP_OperatorTable &table);
    /// The VOP type of a type menu's entry (parameter and constant nodes).
    static VOP_Type typeOfMenuEntry(int entry);

private:
    VOP_Kind myKind;
    unsigned myContexts;
    std::vector<VOP_InputSpec> myInputs;
    std::vector<VOP_OutputSpec> myOutputs;
};
