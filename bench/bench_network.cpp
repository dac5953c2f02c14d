// Shader resolution through network nodes: findShader from a material through its output
// node, a switch, a select and a properties node (whose shader-path property names the
// surface), next to its floor in the same run, a bare pointer chase of the same depth. Both
// report the time per hop.

#include <shop/node/SHOP_Node.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace
{
// material -> suboutput -> switch -> select -> properties, which answers with the surface.
constexpr int theHops = 5;

SHOP_Node *bench_network()
{
    static SHOP_Node *theMaterial = []
    {
        OP_Director *director = OPgetDirector();
        SHOP_TableBuilder::buildShaderTable(*director->getOperatorTable(SHOP_Node::theOpTypeName));
        director->getOperatorTable(OP_Director::theRootTableName)
            ->addOperator(SHOP_TableBuilder::getManagementOperator());
        std::istringstream script("add shopnet shop\n"
                                  "cd /shop\n"
                                  "add gen_surface surface\n"
                                  "add material mat\n"
                                  "cd mat\n"
                                  "add suboutput out\n"
                                  "add switch sw\n"
                                  "add select sel\n"
                                  "add properties props\n"
                                  "spare props shop_surfacepath string 1 /shop/surface\n"
                                  // Downstream first: a node wired while its own
                                  // inputs are empty is of any type and stays on the
                                  // surface input.
                                  "wire sw out 1\n"
                                  "wire sel sw 0\n"
                                  "wire props sel 0\n");
        std::ostringstream out, err;
        if (!CMDgetManager()->runScript(script, "bench", out, err))
        {
            std::fprintf(stderr, "%s", err.str().c_str());
            std::abort();
        }
        return static_cast<SHOP_Node *>(director->findNode("/shop/mat")->castToSHOPNode());
    }();
    return theMaterial;
}

void BM_FindShaderThroughNetwork(benchmark::State &state)
{
    SHOP_Node *material = bench_network();
    SHOP_Node *surface = OPgetDirector()->findNode("/shop/surface")->castToSHOPNode();
    if (material->findShader(SHOP_SURFACE, 0, nullptr) != surface)
    {
        state.SkipWithError("the network does not resolve to the surface");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(material->findShader(SHOP_SURFACE, 0, nullptr));
    state.counters["per_hop_ns"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * theHops,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FindShaderThroughNetwork);

// The floor: following the same number of links, each a virtual call that may stop the walk,
// as the nodes' own calls are.
struct bench_Link
{
    virtual ~bench_Link() = default;
    virtual const bench_Link *find(int type) const { return next ? next->find(type) : this; }
    std::unique_ptr<bench_Link> next;
};

// A second kind of link, as a network mixes node kinds, so that the calls stay virtual.
struct bench_OtherLink : bench_Link
{
    const bench_Link *find(int type) const override { return next ? next->find(type + 1) : this; }
};

void BM_BaselinePointerChase(benchmark::State &state)
{
    std::unique_ptr<bench_Link> head = std::make_unique<bench_OtherLink>();
    bench_Link *tail = head.get();
    for (int i = 1; i < theHops; ++i)
    {
        tail->next = i % 2 ? std::make_unique<bench_Link>() : std::make_unique<bench_OtherLink>();
        tail = tail->next.get();
    }
    const bench_Link *start = head.get();
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(start);
        benchmark::DoNotOptimize(start->find(1));
    }
    state.counters["per_hop_ns"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * theHops,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BaselinePointerChase);
} // namespace

BENCHMARK_MAIN();
