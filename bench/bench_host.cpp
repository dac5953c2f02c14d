// Parameter evaluation costs, each next to its baseline in the same run:
// - a parameter holding a value against reading a float member;
// - an expression parameter against the same arithmetic in C++;
// - a ch() reference to another node against a plain value, the same parameter of a node
//   alike holding the value (so both are found by name at the same place in their lists);
// - what keeping a node from deletion adds to each cook and evaluation (a pin held and
//   released) against reading a float member.

#include "BenchThingNetwork.h"

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>
#include <OP/OP_NodePin.h>

#include <benchmark/benchmark.h>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_FLT, 1, PRM_Name("value"), {PRM_Default(0.5)}),
    PRM_Template(PRM_FLT, 1, PRM_Name("expr")),
    PRM_Template(PRM_FLT, 1, PRM_Name("ref")),
    PRM_Template(),
};

struct bench_Scene
{
    bench_Scene()
    {
        OP_Network *root = benchThingNetwork(theTemplates);
        a = root->createNode("thing", "a");
        b = root->createNode("thing", "b");
        std::string error;
        b->getParmPtr("expr")->setExpression(0, "(1.5 + 2) * 3 - 4 / 2", error);
        a->getParmPtr("ref")->setValue(0, 0.5);
        b->getParmPtr("ref")->setExpression(0, "ch(\"../a/value\")", error);
    }
    OP_Node *a;
    OP_Node *b;
};

bench_Scene &scene()
{
    static bench_Scene theScene;
    return theScene;
}

void BM_BaselineFloatMember(benchmark::State &state)
{
    volatile float member = 0.5f;
    for (auto _ : state)
        benchmark::DoNotOptimize(member + 0.0f);
}
BENCHMARK(BM_BaselineFloatMember);

void BM_ParmValue(benchmark::State &state)
{
    OP_Node *node = scene().a;
    for (auto _ : state)
        benchmark::DoNotOptimize(node->evalFloat("ref", 0, 0.0f));
}
BENCHMARK(BM_ParmValue);

void BM_BaselineArithmetic(benchmark::State &state)
{
    volatile double x = 1.5;
    for (auto _ : state)
        benchmark::DoNotOptimize((x + 2) * 3 - 4 / 2.0);
}
BENCHMARK(BM_BaselineArithmetic);

void BM_ParmExpression(benchmark::State &state)
{
    OP_Node *node = scene().b;
    for (auto _ : state)
        benchmark::DoNotOptimize(node->evalFloat("expr", 0, 0.0f));
}
BENCHMARK(BM_ParmExpression);

void BM_ParmChannelReference(benchmark::State &state)
{
    OP_Node *node = scene().b;
    for (auto _ : state)
        benchmark::DoNotOptimize(node->evalFloat("ref", 0, 0.0f));
}
BENCHMARK(BM_ParmChannelReference);

void BM_NodePin(benchmark::State &state)
{
    OP_Node *node = scene().b;
    for (auto _ : state)
    {
        OP_NodePin pin(node, OP_USE_EVALUATION);
        benchmark::DoNotOptimize(&pin);
    }
}
BENCHMARK(BM_NodePin);
} // namespace

BENCHMARK_MAIN();
