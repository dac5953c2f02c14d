#pragma once

#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>

// The shader nodes the benchmarks build on: a surface whose shader parameters are its first
// `ParmCount` templates, and a plain network to hold it.

template <int ParmCount>
class bench_Shader : public SHOP_Node
{
public:
    bench_Shader(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op, SHOP_SURFACE)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new bench_Shader(parent, name, op);
    }
    int getLastParameter() const override { return ParmCount; }
};

class bench_Net : public SHOP_Node
{
public:
    bench_Net(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op, SHOP_ANY)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new bench_Net(parent, name, op);
    }
};

/// A network to hold the benchmark's shaders, with the operator that makes it.
inline OP_Network *bench_makeNet()
{
    OP_Director *director = OPgetDirector();
    auto *net = new SHOP_Operator("benchshopnet", "Net", bench_Net::myConstructor, nullptr, 0, 0,
                                  nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER, 0);
    net->setChildTableName(SHOP_Node::theOpTypeName);
    director->getOperatorTable(OP_Director::theRootTableName)->addOperator(net);
    return static_cast<OP_Network *>(director->getRoot()->createNode("benchshopnet"));
}
