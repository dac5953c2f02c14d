// Viewport materials: a cache hit of the OGL clerk, without and with overrides, each beside
// its floor in the same run. Without overrides the floor is the clerk-cache lookup and the
// holder's reference hand-over that any cached answer needs; with overrides it adds the digest
// of the overrides' dictionary text, which keys the cache.

#include "BenchShaderNodes.h"

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/viewport/SHOP_OGL.h>
#include <shop/viewport/SHOP_ReData.h>

#include <OP/OP_Director.h>
#include <PRM/PRM_Parm.h>
#include <RE/RE_Material.h>
#include <UT/UT_MD5.h>
#include <UT/UT_Options.h>
#include <UT/UT_WorkBuffer.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
using bench_Surface = bench_Shader<0>;

struct bench_Scene
{
    bench_Scene()
    {
        SHOP_OGL::installShaders();
        std::vector<PRM_Template> templates;
        templates.emplace_back(PRM_RGB, 3, PRM_Name("ogl_diff"), std::vector{PRM_Default(0.5)});
        templates.emplace_back(PRM_FLT, 1, PRM_Name("ogl_rough"), std::vector{PRM_Default(0.1)});
        templates.emplace_back();
        auto *op = new SHOP_Operator("benchsurface", "Bench Surface", bench_Surface::myConstructor,
                                     templates.data(), 0, 0, SHOP_Node::getVariables(), 0);
        op->getShopInfo().setShaderType(SHOP_SURFACE);
        op->getShopInfo().setRenderMask("OGL");
        OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(op);
        OP_Network *root = bench_makeNet();
        node = static_cast<SHOP_Node *>(root->createNode("benchsurface"));
        clerk = node->getClerk("OGL");
        overrides.setOptionF("ogl_rough", 0.25);
        overrides.setOptionS("rendertype", "OGL");
    }
    SHOP_Node *node;
    SHOP_Clerk *clerk;
    UT_Options overrides;
};

bench_Scene &bench_scene()
{
    static bench_Scene theScene;
    return theScene;
}

void bench_hit(benchmark::State &state, const UT_Options *overrides)
{
    bench_Scene &scene = bench_scene();
    SHOP_ReData data;
    if (!scene.clerk || !scene.clerk->buildShaderData(scene.node, data, 0, overrides))
    {
        state.SkipWithError("no material");
        return;
    }
    for (auto _ : state)
    {
        scene.clerk->buildShaderData(scene.node, data, 0, overrides);
        benchmark::DoNotOptimize(data.getMaterial());
    }
}

void BM_CacheHit(benchmark::State &state)
{
    bench_hit(state, nullptr);
}
BENCHMARK(BM_CacheHit);

void BM_CacheHitFloor(benchmark::State &state)
{
    bench_Scene &scene = bench_scene();
    SHOP_ReData data;
    scene.clerk->buildShaderData(scene.node, data, 0, nullptr);
    RE_Material *material = data.getMaterial();
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(scene.node->getClerkData(scene.clerk));
        data.setMaterial(material);
        benchmark::DoNotOptimize(data.getMaterial());
    }
}
BENCHMARK(BM_CacheHitFloor);

void BM_CacheHitWithOverrides(benchmark::State &state)
{
    bench_hit(state, &bench_scene().overrides);
}
BENCHMARK(BM_CacheHitWithOverrides);

void BM_CacheHitWithOverridesFloor(benchmark::State &state)
{
    bench_Scene &scene = bench_scene();
    SHOP_ReData data;
    scene.clerk->buildShaderData(scene.node, data, 0, &scene.overrides);
    RE_Material *material = data.getMaterial();
    for (auto _ : state)
    {
        UT_WorkBuffer text;
        scene.overrides.appendPyDictionary(text);
        benchmark::DoNotOptimize(UT_md5_base64(text.buffer(), text.length()));
        benchmark::DoNotOptimize(scene.node->getClerkData(scene.clerk));
        data.setMaterial(material);
    }
}
BENCHMARK(BM_CacheHitWithOverridesFloor);
} // namespace

BENCHMARK_MAIN();
