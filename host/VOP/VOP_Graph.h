#pragma once

#include <VOP/VOP_Operator.h>

#include <map>
#include <string>
#include <vector>

class OP_Network;

/// What a VOP network is at one moment, as plain data: each node's kind, wires and parameter
/// values. The code writer works on this rather than on live nodes, so that it can be tested on
/// any shape of network, also those the host refuses to wire (a cycle).
struct VOP_Graph
{
    struct Input
    {
        int node = -1; ///< index into nodes, -1 when unwired
        int output = 0;
    };
    struct Node
    {
        std::string path;
        std::string name;
        std::string type; ///< the operator's name
        VOP_Kind kind = VOP_KIND_GLOBAL;
        unsigned contexts = VOP_CONTEXT_ALL;
        std::vector<VOP_InputSpec> inputSpecs;
        std::vector<VOP_OutputSpec> outputSpecs;
        std::vector<Input> inputs; ///< one per input spec
        std::map<std::string, std::vector<double>> numbers;
        std::map<std::string, std::string> strings;

        double number(const std::string &parm, int component = 0) const;
        std::string string(const std::string &parm) const;
    };

    std::vector<Node> nodes;

    /// The VOP nodes among the children of `network`, in their order, with their parameters
    /// as they are at time 0 (generated code depends on no time).
    static VOP_Graph fromNetwork(const OP_Network &network);
};
