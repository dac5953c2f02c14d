// Costs of the command language on the lines a saved scene is made of, each next to its
// baseline in the same run:
// - splitting a line into words against splitting it on spaces with string_view;
// - running a line through the manager (words, options, arguments, the history step) of a
//   command that does nothing, against the same split on spaces;
// - a `set` of a parameter through the manager against setting it directly.

#include "BenchThingNetwork.h"

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_UndoManager.h>

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace
{
// The longest kind of line a saved surface has, and the commonest.
const std::string theSpareLine = "spare -m ogl_numtex -l 'Minification Filter #' /bench/a "
                                 "'ogl_tex_min_filter#' string 1 GL_LINEAR_MIPMAP_LINEAR";
const std::string theSetLine = "set /bench/a value 0.25";

const PRM_Template theTemplates[] = {
    PRM_Template(PRM_FLT, 1, PRM_Name("value"), {PRM_Default(0.5)}),
    PRM_Template(),
};

void bench_nothing(CMD_Args &args)
{
    benchmark::DoNotOptimize(args.argc());
}

struct bench_Scene
{
    bench_Scene()
    {
        OP_Network *root = benchThingNetwork(theTemplates, "bench");
        a = root->createNode("thing", "a");
        // As while a scene loads: a history of millions of steps would measure the history.
        UTgetUndoManager()->disable();
        // The options of `spare`, on a command that does nothing with them.
        CMDgetManager()->installCommand("benchspare", "m:l:t:", bench_nothing);
    }
    OP_Node *a;
};

bench_Scene &scene()
{
    static bench_Scene theScene;
    return theScene;
}

void bench_splitOnSpaces(std::string_view line, std::vector<std::string_view> &words)
{
    words.clear();
    for (size_t pos = 0; pos < line.size();)
    {
        const size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos)
            words.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
}

void BM_BaselineSplitOnSpaces(benchmark::State &state)
{
    std::vector<std::string_view> words;
    for (auto _ : state)
    {
        bench_splitOnSpaces(theSpareLine, words);
        benchmark::DoNotOptimize(words.data());
    }
}
BENCHMARK(BM_BaselineSplitOnSpaces);

void BM_TokenizerSplit(benchmark::State &state)
{
    CMD_Tokenizer::Words words;
    std::string error;
    for (auto _ : state)
    {
        CMD_Tokenizer::split(theSpareLine, words, error);
        benchmark::DoNotOptimize(words.c_str(0));
    }
}
BENCHMARK(BM_TokenizerSplit);

void BM_ExecuteLineDoingNothing(benchmark::State &state)
{
    scene();
    const std::string line = "bench" + theSpareLine;
    std::ostringstream out;
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(CMDgetManager()->execute(line, out, out, error));
}
BENCHMARK(BM_ExecuteLineDoingNothing);

void BM_BaselineSetDirectly(benchmark::State &state)
{
    PRM_Parm *parm = scene().a->getParmPtr("value");
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(parm->setValueFromText(0, "0.25", error));
}
BENCHMARK(BM_BaselineSetDirectly);

void BM_ExecuteSet(benchmark::State &state)
{
    scene();
    std::ostringstream out;
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(CMDgetManager()->execute(theSetLine, out, out, error));
}
BENCHMARK(BM_ExecuteSet);
} // namespace

BENCHMARK_MAIN();
