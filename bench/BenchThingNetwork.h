#pragma once

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>

// A network type "benchnet" holding nodes of type "thing" with the given parameters, made
// once, and a network of it under the root: the scene of the host-level benchmarks.
inline OP_Network *benchThingNetwork(const PRM_Template *templates, const char *name = nullptr)
{
    OP_Director *director = OPgetDirector();
    auto *net = new OP_Operator("benchnet", "Net", OP_GenericNetwork::myConstructor, nullptr, 0, 0,
                                nullptr, OP_FLAG_NETWORK);
    net->setChildTableName("Bench");
    director->getOperatorTable(OP_Director::theRootTableName)->addOperator(net);
    director->getOperatorTable("Bench")->addOperator(
        new OP_Operator("thing", "Thing", OP_GenericNode::myConstructor, templates, 0, 1));
    return static_cast<OP_Network *>(director->getRoot()->createNode("benchnet", name));
}
