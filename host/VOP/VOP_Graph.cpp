#include <VOP/VOP_Graph.h>

#include <OP/OP_Network.h>
#include <VOP/VOP_Node.h>

#include <unordered_map>

double VOP_Graph::Node::number(const std::string &parm, int component) const
{
    const auto it = numbers.find(parm);
    return it != numbers.end() && component < static_cast<int>(it->second.size())
               ? it->second[static_cast<size_t>(component)]
               : 0.0;
}

std::string VOP_Graph::Node::string(const std::string &parm) const
{
    const auto it = strings.find(parm);
    return it != strings.end() ? it->second : std::string();
}

namespace
{
void vop_readParms(const VOP_Node &vop, VOP_Graph::Node &node)
{
    const PRM_ParmList &parms = *vop.getParmList();
    for (int i = 0; i < parms.getEntries(); ++i)
    {
        const PRM_Parm &parm = *parms.getParmPtr(i);
        const PRM_BasicType type = parm.getTemplatePtr()->getBasicType();
        if (type == PRM_BASIC_STRING)
        {
            UT_String text;
            vop.evalString(text, i, 0, 0.0f);
            node.strings[parm.getToken()] = text.toStdString();
            continue;
        }
        std::vector<double> &values = node.numbers[parm.getToken()];
        for (int c = 0; c < parm.getVectorSize(); ++c)
            values.push_back(type == PRM_BASIC_ORDINAL ? vop.evalInt(i, c, 0.0f)
                                                       : vop.evalFloat(i, c, 0.0f));
    }
}
} // namespace

VOP_Graph VOP_Graph::fromNetwork(const OP_Network &network)
{
    VOP_Graph graph;
    std::unordered_map<const OP_Node *, int> index;
    std::vector<const VOP_Node *> vops;
    for (int i = 0; i < network.getNchildren(); ++i)
        if (const auto *vop = dynamic_cast<const VOP_Node *>(network.getChild(i)))
        {
            index[vop] = static_cast<int>(vops.size());
            vops.push_back(vop);
        }
    for (const VOP_Node *vop : vops)
    {
        const VOP_Operator &op = vop->getVopOperator();
        Node node;
        node.path = vop->getFullPath();
        node.name = vop->getName();
        node.type = op.getName();
        node.kind = op.getKind();
        node.contexts = op.getContexts();
        node.inputSpecs = op.getInputSpecs();
        node.outputSpecs = op.getOutputSpecs();
        for (unsigned i = 0; i < node.inputSpecs.size(); ++i)
        {
            Input input;
            const auto it = index.find(vop->getInput(i));
            if (it != index.end())
                input = {it->second, vop->getInputOutputIndex(i)};
            node.inputs.push_back(input);
        }
        vop_readParms(*vop, node);
        graph.nodes.push_back(std::move(node));
    }
    return graph;
}
