#include <UT/UT_Names.h>
#include <VOP/VOP_CodeWriter.h>

#include <cctype>
#include <charconv>
#include <set>

namespace
{
constexpr unsigned theShaded =
    VOP_CONTEXT_SURFACE | VOP_CONTEXT_PHOTON | VOP_CONTEXT_FOG | VOP_CONTEXT_DISPLACEMENT;

// Keywords and global variables of both languages: no parameter may take one.
const std::set<std::string> theReserved = {
    "P",       "N",       "I",       "s",         "t",           "u",
    "v",       "Cf",      "Of",      "Ci",        "Oi",          "Cs",
    "Os",      "Cl",      "Ol",      "L",         "Ps",          "E",
    "Ng",      "dPdu",    "dPdv",    "result",    "surface",     "displacement",
    "light",   "shadow",  "fog",     "photon",    "image3d",     "cvex",
    "volume",  "float",   "vector",  "color",     "point",       "normal",
    "string",  "matrix",  "int",     "void",      "export",      "output",
    "uniform", "varying", "return",  "if",        "else",        "for",
    "while",   "do",      "break",   "continue",  "illuminance", "illuminate",
    "solar",   "gather",  "texture", "diffuse",   "specular",    "normalize",
    "mix",     "lerp",    "set",     "forpoints",
};

bool vop_isNumeric(VOP_Type type)
{
    return type == VOP_TYPE_FLOAT || type == VOP_TYPE_VECTOR || type == VOP_TYPE_COLOR;
}

const char *vop_typeWord(VOP_Type type)
{
    switch (type)
    {
    case VOP_TYPE_FLOAT:
        return "a float";
    case VOP_TYPE_VECTOR:
        return "a vector";
    case VOP_TYPE_COLOR:
        return "a color";
    case VOP_TYPE_STRING:
        return "a string";
    default:
        return "a float, vector or color";
    }
}

// Parameters hold single-precision values, so the shortest text that reads back as the same
// float is the value exactly ("0.2", not the double nearest the float).
std::string vop_number(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    return std::string(text, result.ptr);
}
} // namespace

struct VOP_CodeWriter::vop_Writing
{
    const VOP_CodeWriter &writer;
    const VOP_Graph &graph;
    VOP_Code code;
    std::vector<int> order;
    std::vector<std::vector<VOP_Type>> types; // per node, per output
    std::vector<std::vector<std::string>> vars;
    std::vector<std::string> parmOf; // per node: the shader parameter a parameter node reads
    std::set<std::string> taken;
    std::vector<std::string> body;
    int output = -1;

    bool vex() const { return writer.myLanguage == VOP_LANGUAGE_VEX; }
    void fail(std::string message) { code.errors.push_back(std::move(message)); }

    const char *typeName(VOP_Type type) const
    {
        switch (type)
        {
        case VOP_TYPE_FLOAT:
            return "float";
        case VOP_TYPE_STRING:
            return "string";
        case VOP_TYPE_COLOR:
            return vex() ? "vector" : "color";
        default:
            return "vector";
        }
    }

    std::string triple(VOP_Type type, const std::string &a, const std::string &b,
                       const std::string &c) const
    {
        const std::string args = a + ", " + b + ", " + c;
        return vex() ? "set(" + args + ")" : std::string(typeName(type)) + "(" + args + ")";
    }

    std::string literal(VOP_Type type, const double *values) const
    {
        if (type == VOP_TYPE_FLOAT)
            return vop_number(values[0]);
        return triple(type, vop_number(values[0]), vop_number(values[1]), vop_number(values[2]));
    }

    // A text as a string literal of either language; false for bytes that a one-line literal
    // cannot carry.
    static bool quote(const std::string &text, std::string &out)
    {
        out.assign(1, '"');
        for (const char c : text)
        {
            if (c == '"' || c == '\\')
                out += '\\';
            else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                return false;
            out += c;
        }
        out += '"';
        return true;
    }

    // Whether the context reads a global variable.
    bool readable(const std::string &name) const
    {
        const unsigned context = writer.myContext;
        if (name == "P")
            return true;
        if (vex())
        {
            if (name == "N" || name == "I")
                return (context & (theShaded | VOP_CONTEXT_LIGHT | VOP_CONTEXT_SHADOW)) != 0;
            return (name == "s" || name == "t") && (context & theShaded) != 0;
        }
        if (context == VOP_CONTEXT_FOG)
            return name == "I";
        return (name == "N" || name == "I" || name == "s" || name == "t") &&
               (context & (VOP_CONTEXT_SURFACE | VOP_CONTEXT_DISPLACEMENT)) != 0;
    }

    // The name the language gives a global that an output node writes.
    std::string written(const std::string &name) const
    {
        if (!vex() && name == "Cf")
            return "Ci";
        if (!vex() && name == "Of")
            return "Oi";
        return name;
    }

    void collectParameters()
    {
        parmOf.assign(graph.nodes.size(), {});
        std::map<std::string, std::string> owners;
        for (size_t i = 0; i < graph.nodes.size(); ++i)
        {
            const VOP_Graph::Node &node = graph.nodes[i];
            if (node.kind != VOP_KIND_PARAMETER)
                continue;
            VOP_ShaderParm parm;
            parm.name = node.string("parmname");
            if (!UTisIdentifier(parm.name) || isReserved(parm.name))
            {
                fail(node.path + ": '" + parm.name +
                     "' cannot name a parameter (a letter or '_', then letters, digits and '_'; "
                     "no keyword or global variable)");
                continue;
            }
            if (auto [it, fresh] = owners.emplace(parm.name, node.path); !fresh)
            {
                fail(node.path + ": the parameter '" + parm.name + "' is also made by " +
                     it->second);
                continue;
            }
            parm.label = node.string("parmlabel");
            if (parm.label.empty())
                parm.label = parm.name;
            parm.type = VOP_Operator::typeOfMenuEntry(static_cast<int>(node.number("parmtype")));
            for (int c = 0; c < 3; ++c)
                parm.defaults[c] = node.number("floatdef", c);
            parm.stringDefault = node.string("stringdef");
            std::string ignored;
            if (parm.type == VOP_TYPE_STRING && !quote(parm.stringDefault, ignored))
            {
                fail(node.path + ": the default of '" + parm.name + "' holds a control character");
                continue;
            }
            taken.insert(parm.name);
            parmOf[i] = parm.name;
            code.parms.push_back(std::move(parm));
        }
    }

    bool findOutput()
    {
        const char *context = contextName(writer.myLanguage, writer.myContext);
        for (size_t i = 0; i < graph.nodes.size(); ++i)
        {
            const VOP_Graph::Node &node = graph.nodes[i];
            if (node.kind != VOP_KIND_OUTPUT || !(node.contexts & writer.myContext))
                continue;
            if (output >= 0)
            {
                fail("Two output nodes for the " + std::string(context) + " context in " +
                     writer.myOwnerPath + ": " + graph.nodes[static_cast<size_t>(output)].path +
                     " and " + node.path);
                return false;
            }
            output = static_cast<int>(i);
        }
        if (output < 0)
            fail("No output node for the " + std::string(context) + " context in " +
                 writer.myOwnerPath);
        return output >= 0;
    }

    // The nodes feeding the output node, each after every node it reads. A walk with its own
    // stack: fuzzed or generated networks may chain far more nodes than calls may nest.
    bool sortFromOutput()
    {
        enum : char
        {
            UNSEEN,
            OPEN,
            DONE
        };
        std::vector<char> state(graph.nodes.size(), UNSEEN);
        std::vector<std::pair<int, size_t>> stack{{output, 0}}; // node, next input
        state[static_cast<size_t>(output)] = OPEN;
        while (!stack.empty())
        {
            auto &[node, next] = stack.back();
            const std::vector<VOP_Graph::Input> &inputs =
                graph.nodes[static_cast<size_t>(node)].inputs;
            if (next >= inputs.size())
            {
                state[static_cast<size_t>(node)] = DONE;
                order.push_back(node);
                stack.pop_back();
                continue;
            }
            const int source = inputs[next++].node;
            if (source < 0 || source >= static_cast<int>(graph.nodes.size()))
                continue;
            if (state[static_cast<size_t>(source)] == OPEN)
            {
                fail("Cycle through " + graph.nodes[static_cast<size_t>(source)].path);
                return false;
            }
            if (state[static_cast<size_t>(source)] == UNSEEN)
            {
                state[static_cast<size_t>(source)] = OPEN;
                stack.emplace_back(source, 0);
            }
        }
        return true;
    }

    // The type arriving at an input, VOP_TYPE_NUMERIC when nothing is wired and the fallback
    // decides; false (with an error) when it cannot be read.
    bool arriving(int index, size_t input, VOP_Type &type)
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        const VOP_InputSpec &spec = node.inputSpecs[input];
        const VOP_Graph::Input &wire = node.inputs[input];
        if (wire.node >= 0)
        {
            const std::vector<VOP_Type> &out = types[static_cast<size_t>(wire.node)];
            if (wire.output < 0 || wire.output >= static_cast<int>(out.size()))
            {
                fail(node.path + ": input '" + spec.name + "' reads an output that " +
                     graph.nodes[static_cast<size_t>(wire.node)].path + " does not have");
                return false;
            }
            type = out[static_cast<size_t>(wire.output)];
            const bool fits = spec.type == VOP_TYPE_NUMERIC ? vop_isNumeric(type)
                              : spec.type == VOP_TYPE_VECTOR || spec.type == VOP_TYPE_COLOR
                                  ? type == spec.type || type == VOP_TYPE_FLOAT
                                  : type == spec.type;
            if (!fits)
                fail(node.path + ": input '" + spec.name + "' takes " + vop_typeWord(spec.type) +
                     ", not " + vop_typeWord(type) + " from " +
                     graph.nodes[static_cast<size_t>(wire.node)].path);
            return fits;
        }
        if (spec.required)
        {
            fail(node.path + ": input '" + spec.name + "' is not connected");
            return false;
        }
        type = spec.type == VOP_TYPE_NUMERIC ? VOP_TYPE_FLOAT : spec.type;
        if (!spec.fromParm && !spec.fallback.empty() && !readable(spec.fallback))
        {
            fail(node.path + ": input '" + spec.name + "' reads the global '" + spec.fallback +
                 "', which the " + contextName(writer.myLanguage, writer.myContext) +
                 " context does not have");
            return false;
        }
        return true;
    }

    // The expression an input reads as `wanted`: the source's variable (a float made into a
    // triple where a vector or colour is wanted), the global, or the node's parameter. Empty
    // for an output node's unwired input.
    std::string expression(int index, size_t input, VOP_Type wanted)
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        const VOP_InputSpec &spec = node.inputSpecs[input];
        const VOP_Graph::Input &wire = node.inputs[input];
        std::string text;
        VOP_Type type = wanted;
        if (wire.node >= 0)
        {
            text = vars[static_cast<size_t>(wire.node)][static_cast<size_t>(wire.output)];
            type = types[static_cast<size_t>(wire.node)][static_cast<size_t>(wire.output)];
        }
        else if (spec.fromParm && spec.type == VOP_TYPE_STRING)
        {
            if (!quote(node.string(spec.fallback), text))
            {
                fail(node.path + ": parameter '" + spec.fallback + "' holds a control character");
                return {};
            }
        }
        else if (spec.fromParm)
        {
            text = vop_number(node.number(spec.fallback));
            type = VOP_TYPE_FLOAT;
        }
        else
            return spec.fallback;
        if (type == VOP_TYPE_FLOAT && wanted != VOP_TYPE_FLOAT && vop_isNumeric(wanted))
            return vex() ? triple(wanted, text, text, text)
                         : std::string(typeName(wanted)) + "(" + text + ")";
        return text;
    }

    std::string declare(int index, size_t out, const std::string &value)
    {
        const size_t i = static_cast<size_t>(index);
        return std::string(typeName(types[i][out])) + " " + vars[i][out] + " = " + value + ";";
    }

    void nameVariables(int index)
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        std::vector<std::string> &names = vars[static_cast<size_t>(index)];
        for (const VOP_OutputSpec &spec : node.outputSpecs)
        {
            const std::string base = toIdentifier(node.name + "_" + spec.name);
            std::string name = base;
            for (int n = 2; taken.count(name) || isReserved(name); ++n)
                name = base + "_" + std::to_string(n);
            taken.insert(name);
            names.push_back(name);
        }
    }

    // Works out the node's output types, checking its inputs; false when they do not fit.
    bool typeNode(int index)
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        std::vector<VOP_Type> &out = types[static_cast<size_t>(index)];
        if (!(node.contexts & writer.myContext))
        {
            fail(node.path + ": a '" + node.type + "' node has no place in the " +
                 contextName(writer.myLanguage, writer.myContext) + " context");
            return false;
        }
        VOP_Type common = VOP_TYPE_FLOAT;
        bool ok = true;
        for (size_t i = 0; i < node.inputSpecs.size(); ++i)
        {
            VOP_Type type = VOP_TYPE_FLOAT;
            if (!arriving(index, i, type))
            {
                ok = false;
                continue;
            }
            if (node.inputSpecs[i].type != VOP_TYPE_NUMERIC || type == VOP_TYPE_FLOAT)
                continue;
            if (common != VOP_TYPE_FLOAT && common != type)
            {
                fail(node.path + ": its inputs join " + vop_typeWord(common) + " and " +
                     vop_typeWord(type));
                ok = false;
            }
            common = type;
        }
        for (const VOP_OutputSpec &spec : node.outputSpecs)
        {
            VOP_Type type = spec.type;
            if (type == VOP_TYPE_NUMERIC)
                type = common;
            else if (type == VOP_TYPE_FROM_PARM)
                type = VOP_Operator::typeOfMenuEntry(static_cast<int>(
                    node.number(node.kind == VOP_KIND_PARAMETER ? "parmtype" : "consttype")));
            out.push_back(type);
        }
        if (node.kind == VOP_KIND_GLOBAL)
            for (const VOP_OutputSpec &spec : node.outputSpecs)
                if (isRead(index, spec.name) && !readable(spec.name))
                {
                    fail(node.path + ": the global '" + spec.name + "' does not exist in the " +
                         contextName(writer.myLanguage, writer.myContext) + " context");
                    ok = false;
                }
        return ok;
    }

    // Whether an output of the node is wired to a node that the shader runs.
    bool isRead(int index, const std::string &output) const
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        int wanted = -1;
        for (size_t o = 0; o < node.outputSpecs.size(); ++o)
            if (node.outputSpecs[o].name == output)
                wanted = static_cast<int>(o);
        for (int reader : order)
            for (const VOP_Graph::Input &wire : graph.nodes[static_cast<size_t>(reader)].inputs)
                if (wire.node == index && wire.output == wanted)
                    return true;
        return false;
    }

    void emit(int index)
    {
        const VOP_Graph::Node &node = graph.nodes[static_cast<size_t>(index)];
        const size_t i = static_cast<size_t>(index);
        auto in = [&](size_t input, VOP_Type wanted) { return expression(index, input, wanted); };
        switch (node.kind)
        {
        case VOP_KIND_GLOBAL:
            for (size_t o = 0; o < node.outputSpecs.size(); ++o)
                if (isRead(index, node.outputSpecs[o].name))
                    body.push_back(declare(index, o, node.outputSpecs[o].name));
            break;
        case VOP_KIND_PARAMETER:
            // A parameter node whose parameter was refused has reported it; nothing runs.
            if (!parmOf[i].empty())
                body.push_back(declare(index, 0, parmOf[i]));
            break;
        case VOP_KIND_CONSTANT:
        {
            const double values[3] = {node.number("value", 0), node.number("value", 1),
                                      node.number("value", 2)};
            body.push_back(declare(index, 0, literal(types[i][0], values)));
            break;
        }
        case VOP_KIND_ADD:
        case VOP_KIND_MULTIPLY:
        {
            const char *op = node.kind == VOP_KIND_ADD ? " + " : " * ";
            body.push_back(declare(index, 0, in(0, types[i][0]) + op + in(1, types[i][0])));
            break;
        }
        case VOP_KIND_MIX:
            body.push_back(declare(index, 0,
                                   std::string(vex() ? "lerp(" : "mix(") + in(0, types[i][0]) +
                                       ", " + in(1, types[i][0]) + ", " + in(2, VOP_TYPE_FLOAT) +
                                       ")"));
            break;
        case VOP_KIND_LIGHTING:
        {
            const std::string nml = "normalize(" + in(0, VOP_TYPE_VECTOR) + ")";
            body.push_back(declare(index, 0, "diffuse(" + nml + ")"));
            body.push_back(declare(
                index, 1, "specular(" + nml + ", -normalize(I), " + in(1, VOP_TYPE_FLOAT) + ")"));
            break;
        }
        case VOP_KIND_TEXTURE:
            body.push_back(declare(index, 0,
                                   std::string(vex() ? "texture(" : "color texture(") +
                                       in(0, VOP_TYPE_STRING) + ", " + in(1, VOP_TYPE_FLOAT) +
                                       ", " + in(2, VOP_TYPE_FLOAT) + ")"));
            break;
        case VOP_KIND_OUTPUT:
            for (size_t o = 0; o < node.inputSpecs.size(); ++o)
                if (node.inputs[o].node >= 0)
                    body.push_back(written(node.inputSpecs[o].name) + " = " +
                                   in(o, node.inputSpecs[o].type) + ";");
            break;
        }
    }

    std::string parmDeclaration(const VOP_ShaderParm &parm) const
    {
        std::string value;
        if (parm.type == VOP_TYPE_STRING)
            quote(parm.stringDefault, value);
        else if (parm.type == VOP_TYPE_FLOAT || !vex())
            value = literal(parm.type, parm.defaults);
        else // parameter defaults are constants, which VEX writes in braces
            value.append("{")
                .append(vop_number(parm.defaults[0]))
                .append(", ")
                .append(vop_number(parm.defaults[1]))
                .append(", ")
                .append(vop_number(parm.defaults[2]))
                .append("}");
        return std::string(typeName(parm.type)) + " " + parm.name + " = " + value;
    }

    std::string assemble() const
    {
        const char *context = contextName(writer.myLanguage, writer.myContext);
        std::vector<std::string> declarations;
        for (const VOP_ShaderParm &parm : code.parms)
            declarations.push_back(parmDeclaration(parm));
        // A CVEX function hands its result back through an exported parameter.
        if (writer.myContext & (VOP_CONTEXT_CVEX | VOP_CONTEXT_IMAGE3D))
            declarations.push_back("export vector result = {0, 0, 0}");
        std::string text = "// Generated from " + writer.myOwnerPath + ": " +
                           (vex() ? "VEX " : "RSL ") + context + " shader\n";
        std::string function = toIdentifier(writer.myShaderName);
        if (isReserved(function))
            function += "_shader";
        text += std::string(context) + " " + function + "(";
        for (size_t i = 0; i < declarations.size(); ++i)
            text += (i ? "; " : "") + declarations[i];
        text += ")\n{\n";
        for (const std::string &line : body)
            text += "    " + line + "\n";
        text += "}\n";
        return text;
    }
};

VOP_CodeWriter::VOP_CodeWriter(VOP_Language language, VOP_ContextKind context,
                               std::string shaderName, std::string ownerPath)
    : myLanguage(language), myContext(context), myShaderName(std::move(shaderName)),
      myOwnerPath(std::move(ownerPath))
{
}

VOP_Code VOP_CodeWriter::write(const VOP_Graph &graph) const
{
    vop_Writing w{*this, graph, {}, {}, {}, {}, {}, {}, {}, -1};
    w.collectParameters();
    if (!w.findOutput() || !w.sortFromOutput())
        return std::move(w.code);
    w.types.assign(graph.nodes.size(), {});
    w.vars.assign(graph.nodes.size(), {});
    bool ok = true;
    for (int index : w.order)
    {
        ok = w.typeNode(index) && ok;
        w.nameVariables(index);
    }
    if (!ok || !w.code.errors.empty())
        return std::move(w.code);
    for (int index : w.order)
        w.emit(index);
    if (w.code.errors.empty())
        w.code.source = w.assemble();
    return std::move(w.code);
}

const char *VOP_CodeWriter::contextName(VOP_Language language, VOP_ContextKind context)
{
    switch (context)
    {
    case VOP_CONTEXT_SURFACE:
        return "surface";
    case VOP_CONTEXT_DISPLACEMENT:
        return "displacement";
    case VOP_CONTEXT_LIGHT:
        return "light";
    case VOP_CONTEXT_SHADOW:
        return "shadow";
    case VOP_CONTEXT_FOG:
        return language == VOP_LANGUAGE_RSL ? "volume" : "fog";
    case VOP_CONTEXT_PHOTON:
        return "photon";
    case VOP_CONTEXT_IMAGE3D:
        return "image3d";
    case VOP_CONTEXT_CVEX:
        return "cvex";
    default:
        return "unknown";
    }
}

std::string VOP_CodeWriter::toIdentifier(const std::string &text)
{
    std::string out;
    for (const char c : text)
        out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (out.empty() || std::isdigit(static_cast<unsigned char>(out[0])))
        out.insert(out.begin(), '_');
    return out;
}

bool VOP_CodeWriter::isReserved(const std::string &name)
{
    return theReserved.count(name) != 0;
}
