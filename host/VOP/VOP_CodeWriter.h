#pragma once

#include <VOP/VOP_Graph.h>

#include <string>
#include <vector>

/// The shading languages networks compile to.
enum VOP_Language
{
    VOP_LANGUAGE_VEX,
    VOP_LANGUAGE_RSL,
};

/// A parameter of the generated shader, made from a parameter node.
struct VOP_ShaderParm
{
    std::string name;
    std::string label;
    VOP_Type type = VOP_TYPE_FLOAT;
    double defaults[3] = {0, 0, 0};
    std::string stringDefault;
};

/// What writing a network gives: the source (empty when there are errors), the shader's
/// parameters and the errors, each naming the node it is about.
struct VOP_Code
{
    std::string source;
    std::vector<VOP_ShaderParm> parms;
    std::vector<std::string> errors;
};

/// Writes the shader function of one context from a network: one function, its parameters
/// declared, the nodes feeding the context's output node in an order where every variable is
/// assigned before it is read.
class VOP_CodeWriter
{
public:
    /// `shaderName` is the owner's name (made into an identifier), `ownerPath` its path for
    /// messages.
    VOP_CodeWriter(VOP_Language language, VOP_ContextKind context, std::string shaderName,
                   std::string ownerPath);

    VOP_Code write(const VOP_Graph &graph) const;

    /// The context's keyword in the language ("surface", "volume", ...).
    static const char *contextName(VOP_Language language, VOP_ContextKind context);
    /// `text` with every character an identifier may not hold replaced by '_' (and '_' put
    /// first when it starts with a digit).
    static std::string toIdentifier(const std::string &text);
    /// Whether a name is taken by the languages (keywords, global variables).
    static bool isReserved(const std::string &name);

private:
    struct vop_Writing;

    VOP_Language myLanguage;
    VOP_ContextKind myContext;
    std::string myShaderName;
    std::string myOwnerPath;
};
