// Script-clerk shader strings: one build through a clerk written in Python, next to its floor in
// the same run, the very call the clerk makes evaluated directly. What separates the two is what
// the clerk adds around the interpreter: cooking and choosing the clerk, listing the written
// parameters, composing the call text and taking the answer back.

#include "BenchShaderNodes.h"
#include <shop/clerk/SHOP_PyClerk.h>

#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>
#include <PRM/PRM_Parm.h>
#include <PY/PY_Python.h>
#include <UT/UT_Options.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_WorkBuffer.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
// A shader of 40 parameters with half of them edited: the clerk looks at all of them and lists
// only the edited ones in the call.
constexpr int theParmCount = 40;
constexpr const char *theModule = "benchpy";

// The answer repeats every argument, so equal answers show that the floor sends what the clerk
// sends; `calls` shows that no build was answered without asking the module.
const char *const theClerkSource = R"(
calls = 0
def getName():
    return 'BenchPy'
def shaderSupported(shadertype):
    return shadertype == 'surface'
def buildShaderString(shadertype, path, time, parms, overrides):
    global calls
    calls += 1
    return repr((shadertype, path, time, parms, overrides))
)";

// The interpreter puts the search path on sys.path once, when it starts, so the module's folder
// must be on the path before anything touches Python.
class bench_ClerkFolder
{
public:
    bench_ClerkFolder()
    {
        char pattern[] = "/tmp/bench_pyclerkXXXXXX";
        if (!mkdtemp(pattern))
        {
            std::perror("mkdtemp");
            std::exit(1);
        }
        myRoot = pattern;
        const std::filesystem::path package = myRoot / "python" / "shopclerks";
        std::filesystem::create_directories(package);
        std::ofstream(package / (std::string(theModule) + ".py"), std::ios::binary)
            << theClerkSource;
        std::string path = myRoot.string();
        if (const char *old = std::getenv("SHOP_HOST_PATH"); old && *old)
            path += std::string(":") + old;
        setenv("SHOP_HOST_PATH", path.c_str(), 1);
        UT_PathSearch::getInstance()->rehash();
    }
    ~bench_ClerkFolder() { std::filesystem::remove_all(myRoot); }

    bench_ClerkFolder(const bench_ClerkFolder &) = delete;
    bench_ClerkFolder &operator=(const bench_ClerkFolder &) = delete;

private:
    std::filesystem::path myRoot;
};

using bench_Surface = bench_Shader<theParmCount>;

std::string bench_name(int i)
{
    return "parm" + std::to_string(i);
}

bool bench_edited(int i)
{
    return i % 2 == 0;
}

struct bench_Scene
{
    bench_Scene()
    {
        // The normal installation: the loader lists the module from the search path.
        SHOP_PyClerk::installClerks();

        std::vector<PRM_Template> templates;
        for (int i = 0; i < theParmCount; ++i)
            templates.emplace_back(PRM_FLT, 1, PRM_Name(bench_name(i).c_str()),
                                   std::vector<PRM_Default>{PRM_Default(0.0)});
        templates.emplace_back();
        OP_Director *director = OPgetDirector();
        auto *net = new SHOP_Operator("benchpynet", "Net", bench_Net::myConstructor, nullptr, 0, 0,
                                      nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER, 0);
        net->setChildTableName(SHOP_Node::theOpTypeName);
        director->getOperatorTable(OP_Director::theRootTableName)->addOperator(net);
        director->getOperatorTable(SHOP_Node::theOpTypeName)
            ->addOperator(new SHOP_Operator("benchpysurface", "Bench Surface",
                                            bench_Surface::myConstructor, templates.data(), 0, 0,
                                            SHOP_Node::getVariables(), 0));
        auto *root = static_cast<OP_Network *>(director->getRoot()->createNode("benchpynet"));
        node = static_cast<SHOP_Node *>(root->createNode("benchpysurface"));
        for (int i = 0; i < theParmCount; ++i)
            if (bench_edited(i))
                node->getParmPtr(bench_name(i).c_str())->setValue(0, 0.5 + i);

        // A renderer names itself in the request; that is how it reaches a clerk other than
        // the default renderer's.
        overrides.setOptionS("rendertype", "BenchPy");

        // Written out the way the clerk composes it, rather than taken from it, so that a change
        // to the clerk's call shows up as differing answers instead of silently moving the floor.
        UT_WorkBuffer text;
        text.sprintf("__import__('shopclerks.%s').%s.buildShaderString('surface', '%s', %g, [",
                     theModule, theModule, node->getFullPath().c_str(), 0.0);
        const char *separator = "";
        for (int i = 0; i < theParmCount; ++i)
            if (bench_edited(i))
            {
                text.appendSprintf("%s'%s'", separator, bench_name(i).c_str());
                separator = ",";
            }
        text.append("],");
        overrides.appendPyDictionary(text);
        text.append(')');
        call = text.toStdString();
    }
    SHOP_Node *node;
    UT_Options overrides;
    std::string call;
};

bench_Scene &scene()
{
    static bench_Scene theScene;
    return theScene;
}

int64_t bench_callCount()
{
    const std::string expression =
        "__import__('shopclerks." + std::string(theModule) + "')." + theModule + ".calls";
    return PYrunPythonExpression(expression.c_str(), PY_Result::INT).myIntValue;
}

void BM_FloorDirectCall(benchmark::State &state)
{
    bench_Scene &s = scene();
    UT_String built;
    const PY_Result direct = PYrunPythonExpression(s.call.c_str(), PY_Result::STRING);
    if (!s.node->buildShaderString(built, 0.0f, &s.overrides, nullptr, nullptr) ||
        direct.myResultType != PY_Result::STRING || direct.myStringValue != built.str())
    {
        state.SkipWithError("the direct call does not match the clerk's");
        return;
    }
    for (auto _ : state)
    {
        PY_Result value = PYrunPythonExpression(s.call.c_str(), PY_Result::STRING);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_FloorDirectCall);

// A script clerk keeps nothing in the node's clerk cache (the module may answer differently at
// any moment), so there is nothing to empty: every build asks Python again, and the call count
// confirms it. The node is cooked by the first build and then stays clean, so this is what a
// renderer pays on asking again for an unchanged shader, without the cost of a recook.
void BM_ScriptClerkBuild(benchmark::State &state)
{
    bench_Scene &s = scene();
    UT_String result;
    const int64_t before = bench_callCount();
    for (auto _ : state)
    {
        if (!s.node->buildShaderString(result, 0.0f, &s.overrides, nullptr, nullptr))
        {
            state.SkipWithError("the build failed");
            break;
        }
        benchmark::DoNotOptimize(result);
    }
    if (!state.error_occurred() && bench_callCount() - before != state.iterations())
        state.SkipWithError("a build did not reach the module");
}
BENCHMARK(BM_ScriptClerkBuild);
} // namespace

int main(int argc, char **argv)
{
    const bench_ClerkFolder folder;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
