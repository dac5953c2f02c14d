// Shader string generation: the generic translator on a node with 50 non-default parameters,
// next to its floor in the same run, formatting the same 50 names and values into one string
// with std::to_chars (and, for reference, with snprintf).

#include "BenchShaderNodes.h"
#include <shop/clerk/SHOP_Clerk.h>

#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_Options.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr int theParmCount = 50;

class bench_Clerk : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "VKorvit"; }
    bool generatesString() const override { return true; }
};

using bench_Surface = bench_Shader<theParmCount>;

// Names and values as a lookdev scene has them: floats and colours, none at its default.
std::string bench_name(int i)
{
    return "parm" + std::to_string(i);
}

float bench_value(int i, int component)
{
    return 0.1f * static_cast<float>(i + 1) + 0.01f * static_cast<float>(component);
}

int bench_size(int i)
{
    return i % 3 == 0 ? 3 : 1;
}

struct bench_Scene
{
    bench_Scene()
    {
        static bench_Clerk theClerk;
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &theClerk);
        std::vector<PRM_Template> templates;
        for (int i = 0; i < theParmCount; ++i)
            templates.emplace_back(bench_size(i) == 3 ? PRM_RGB : PRM_FLT, bench_size(i),
                                   PRM_Name(bench_name(i).c_str()));
        templates.emplace_back();

        OPgetDirector()
            ->getOperatorTable(SHOP_Node::theOpTypeName)
            ->addOperator(new SHOP_Operator("benchsurface", "Bench Surface",
                                            bench_Surface::myConstructor, templates.data(), 0, 0,
                                            SHOP_Node::getVariables(), 0));
        node = static_cast<SHOP_Node *>(bench_makeNet()->createNode("benchsurface"));
        for (int i = 0; i < theParmCount; ++i)
            for (int c = 0; c < bench_size(i); ++c)
                node->getParmPtr(bench_name(i).c_str())->setValue(c, bench_value(i, c));
    }
    SHOP_Node *node;
};

bench_Scene &scene()
{
    static bench_Scene theScene;
    return theScene;
}

// The names and values of the shader string, each number written by `format` after a blank.
template <typename Format>
void bench_formatAll(benchmark::State &state, Format format)
{
    std::vector<std::string> names;
    for (int i = 0; i < theParmCount; ++i)
        names.push_back(bench_name(i));
    for (auto _ : state)
    {
        std::string text = "benchsurface";
        for (int i = 0; i < theParmCount; ++i)
        {
            text += ' ';
            text += names[i];
            for (int c = 0; c < bench_size(i); ++c)
            {
                text += ' ';
                format(text, static_cast<double>(bench_value(i, c)));
            }
        }
        benchmark::DoNotOptimize(text);
    }
}

void BM_SnprintfFormatting(benchmark::State &state)
{
    bench_formatAll(state,
                    [](std::string &text, double value)
                    {
                        char number[64];
                        std::snprintf(number, sizeof(number), "%.*g", 12, value);
                        text += number;
                    });
}
BENCHMARK(BM_SnprintfFormatting);

void BM_FloorToChars(benchmark::State &state)
{
    bench_formatAll(state,
                    [](std::string &text, double value)
                    {
                        char number[64];
                        const auto end = std::to_chars(number, number + sizeof(number), value,
                                                       std::chars_format::general, 12);
                        text.append(number, end.ptr);
                    });
}
BENCHMARK(BM_FloorToChars);

void BM_BuildShaderString(benchmark::State &state)
{
    SHOP_Node *node = scene().node;
    UT_String result;
    for (auto _ : state)
    {
        node->buildShaderString(result, 0.0f, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_BuildShaderString);
} // namespace

BENCHMARK_MAIN();
