#pragma once

#include <shop/node/SHOP_Node.h>

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
