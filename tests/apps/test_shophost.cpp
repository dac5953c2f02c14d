// End-to-end runs of the shophost program: scripts in, text and exit status out.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct HostRun
{
    std::string out;
    std::string err;
    int status = -1;
};

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs shophost with `args` (already quoted for the shell) and `input` on standard input.
HostRun shophost(const std::string &args, const std::string &input = "")
{
    char dir[] = "/tmp/shophost_testXXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string base = dir;
    std::ofstream(base + "/in", std::ios::binary) << input;
    const std::string command = std::string(SHOPHOST_EXE) + " " + args + " <" + base + "/in >" +
                                base + "/out 2>" + base + "/err";
    HostRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readFile(base + "/out");
    run.err = readFile(base + "/err");
    std::system(("rm -rf " + base).c_str());
    return run;
}

std::string writeScript(const std::string &name, const std::string &text)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}
} // namespace

TEST(Shophost, BuildsNodesAndFollowsRenamedReferences)
{
    HostRun run = shophost("", "cd /obj\n"
                               "add null mover\n"
                               "add null p\n"
                               "set mover t 1 2 3\n"
                               "set -e p scale 'ch(\"../mover/ty\") * 2'\n"
                               "eval p scale\n"
                               "rename mover shifter\n"
                               "set shifter ty 5\n"
                               "eval p scale\n"
                               "ls\n"
                               "pwd\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "4\n10\nshifter\np\n/obj\n");
    EXPECT_EQ(run.err, "");
}

TEST(Shophost, FailingLineNamesFileAndLineAndStopsTheScript)
{
    std::string script = writeScript("bad.cmd", "echo first\n"
                                                "# a comment\n"
                                                "\n"
                                                "add nosuchtype\n"
                                                "echo never\n");
    HostRun run = shophost(script);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "first\n");
    EXPECT_EQ(run.err, "Error: Unknown node type 'nosuchtype' in / (" + script + ":4)\n");

    HostRun c = shophost("-c 'echo a' -c 'rm /nowhere' -c 'echo b'");
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "a\n");
    EXPECT_EQ(c.err, "Error: No node '/nowhere' (-c:1)\n");
}

TEST(Shophost, SourcedScriptReportsItsOwnLineOnce)
{
    std::string inner = writeScript("inner.cmd", "echo inner\nset /obj x 1\n");
    HostRun run = shophost("", "source " + inner + "\necho after\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "inner\n");
    EXPECT_EQ(run.err, "Error: No parameter 'x' on /obj (" + inner + ":2)\n");
}

TEST(Shophost, BadValueIsNamed)
{
    HostRun run =
        shophost("", "cd /obj\nadd null p\nspare p color color 3\nset p color 1 oops 1\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Bad value 'oops' for parameter 'color' (stdin:4)\n");
}

TEST(Shophost, QuotingAndBackquotesReachCommandsIntact)
{
    HostRun run = shophost("", "echo 'single \"q\" `1+1`' \"double `1+1` \\\"x\\\"\" plain\\ word\n"
                               "cd /obj\nadd null p\nspare p label string 1\n"
                               "set p label 'a b\\c'\n"
                               "eval p label\n"
                               "echo `chs(\"/obj/p/label\")`\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "single \"q\" `1+1` double 2 \"x\" plain word\na b\\c\na b\\c\n");
}

TEST(Shophost, ErrorsAndSpareParameters)
{
    HostRun run = shophost("", "cd /obj\n"
                               "add null p\n"
                               "spare p tint color 3 0.1 0.2 0.3\n"
                               "eval p tintb\n"
                               "eval p tint\n"
                               "set -e p scale 'ch(\"nothere\")'\n"
                               "errors p\n"
                               "spare p tint float 1\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "0.3\n0.1 0.2 0.3\nError: /obj/p scale: Unknown channel 'nothere'\n");
    EXPECT_EQ(run.err, "Error: Parameter 'tint' already exists (stdin:8)\n");
}

TEST(Shophost, HelpAndUsage)
{
    HostRun help = shophost("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: shophost"), std::string::npos);
    HostRun bad = shophost("-c");
    EXPECT_EQ(bad.status, 2);
    HostRun commands = shophost("", "help\n");
    EXPECT_NE(commands.out.find("wire SRC DST INPUT [OUTPUT]"), std::string::npos);
}

TEST(Shophost, PluginClerksServeGenericShadersForBothRenderers)
{
    HostRun run = shophost("", "clerks surface\n"
                               "cd /shop\n"
                               "add gen_surface s\n"
                               "set s VKorvit 'plastic Kd 0.5'\n"
                               "set s RIB 'Surface \"plastic\" \"float Kd\" [ 0.5]'\n"
                               "shader s\n"
                               "shader s -r RIB\n"
                               "shader s -t displace\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "surface: RIB VKorvit OSL\n"
                       "plastic Kd 0.5\n"
                       "Surface \"plastic\" \"float Kd\" [ 0.5]\n");
    EXPECT_EQ(run.err, "Error: No displace shader at /shop/s for VKorvit (stdin:8)\n");

    HostRun empty = shophost("", "cd /shop\nadd gen_surface s\nshader s -r RIB\n");
    EXPECT_EQ(empty.err, "Error: Cannot build the surface shader of /shop/s for RIB (stdin:3)\n");
    HostRun unknown = shophost("", "cd /shop\nadd gen_surface s\nshader s -r Nobody\n");
    EXPECT_EQ(unknown.err, "Error: No surface shader at /shop/s for Nobody (stdin:3)\n");
}

TEST(Shophost, GalleryEntryAndShippedCreationScript)
{
    // The OSL clerk's creation script names the layer after the node.
    HostRun run = shophost("", "cd /shop\nadd plastic p\ngallery p\neval p osl_layer\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("keywords: plastic "), std::string::npos) << run.out;
    for (const char *word : {" VKorvit", " VEX", " RIB", " RenderMan"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word << " in " << run.out;
    EXPECT_NE(run.out.find("\ncategory: Surface Shader\np\n"), std::string::npos) << run.out;
}

TEST(Shophost, BoundsOfProceduralsFromParametersOrGeometry)
{
    HostRun run = shophost("", "cd /obj\n"
                               "add geo geo1\n"
                               "cd geo1\n"
                               "add box box1\n"
                               "cd /shop\n"
                               "add gen_geometry explicit\n"
                               "spare explicit bbox_min vector 3 -1 -2 -3\n"
                               "spare explicit bbox_max vector 3 1 2 3\n"
                               "bounds explicit\n"
                               "add gen_geometry fromsop\n"
                               "spare fromsop geometry string 1 /obj/geo1/box1\n"
                               "set /obj/geo1/box1 size 2 4 6\n"
                               "bounds fromsop\n"
                               "bounds fromsop -r RIB\n");
    EXPECT_EQ(run.out, "-1 -2 -3 1 2 3\n-1 -2 -3 1 2 3\n");
    EXPECT_EQ(run.err, "Error: No bounds for /shop/fromsop from RIB (stdin:14)\n");
}

TEST(Shophost, ShippedPlasticForBothRenderers)
{
    HostRun run = shophost("", "cd /shop\n"
                               "add plastic red\n"
                               "shader red\n"
                               "set red Kd 0.5\n"
                               "set red Cs 1 0 0\n"
                               "set red uv 0.25 0.75\n"
                               "set red enable 1\n"
                               "shader red\n"
                               "shader red -r RIB\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "plastic\n"
                       "plastic Kd 0.5 Cs 1 0 0 uv 0.25 0.75 0 enable 1\n"
                       "Surface \"plastic\" \"float Kd\" [ 0.5] \"color Cs\" [ 1 0 0] "
                       "\"float[2] uv\" [ 0.25 0.75] \"float enable\" [ 1]\n");
}

TEST(Shophost, PythonScriptsReachTheSceneAndFailLikeCommands)
{
    std::string script = writeScript("scene.py", "import host, sys\n"
                                                 "print(host.cmd('ls /').split(), sys.argv[1:])\n"
                                                 "print(host.node('/obj').path())\n"
                                                 "host.cmd('cd /obj\\nadd null fromPython')\n");
    std::string bad = writeScript("bad.py", "print('partial')\n1 / 0\n");
    HostRun run = shophost("", "python " + script + " first\nls /obj\npython " + bad + "\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "['obj', 'shop'] ['first']\n/obj\nfromPython\npartial\n");
    EXPECT_NE(run.err.find("Traceback (most recent call last):\n"), std::string::npos) << run.err;
    const std::string last = "Error: ZeroDivisionError: division by zero (stdin:3)\n";
    ASSERT_GE(run.err.size(), last.size()) << run.err;
    EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last);
}

TEST(Shophost, ShippedScriptClerkWritesOslShaderGroups)
{
    HostRun run = shophost("", "clerks surface\n"
                               "cd /shop\n"
                               "add plastic red\n"
                               "set red Kd 0.5\n"
                               "shader red -r OSL\n"
                               "shader red -r OSL -o 'map=a \"b\"'\n"
                               "add gen_fog mist\n"
                               "shader mist -t fog -r OSL\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "surface: RIB VKorvit OSL\n"
                       "param float Kd 0.5 ;\n"
                       "shader plastic red ;\n"
                       "param float Kd 0.5 ;\n"
                       "param string map \"a \\\"b\\\"\" ;\n"
                       "shader plastic red ;\n");
    EXPECT_EQ(run.err, "Error: No fog shader at /shop/mist for OSL (stdin:8)\n");
}

TEST(Shophost, EveryShippedExampleSavesAndLoadsToTheSameBytes)
{
    const std::filesystem::path source = SHOP_SOURCE_DIR;
    const std::string dir = ::testing::TempDir() + "roundtrip_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    int examples = 0;
    for (const auto &entry : std::filesystem::directory_iterator(source / "examples"))
    {
        if (entry.path().extension() != ".cmd")
            continue;
        ++examples;
        const std::string name = entry.path().stem().string();
        const std::string first = dir + "/" + name + ".a", second = dir + "/" + name + ".b";
        // The examples name their files relative to the source folder, as `make demo` runs them.
        const std::string build = "cd '" + source.string() + "' && " + SHOPHOST_EXE + " '" +
                                  entry.path().string() + "' -c 'save " + first +
                                  "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(build.c_str()), 0) << name;
        HostRun again = shophost("-c 'load " + first + "' -c 'save " + second + "'");
        EXPECT_EQ(again.status, 0) << name << ": " << again.err;
        EXPECT_EQ(again.err, "") << name;
        const std::string text = readFile(first);
        EXPECT_NE(text.find("\nadd shopnet shop\n"), std::string::npos) << name;
        EXPECT_EQ(readFile(second), text) << name;
    }
    EXPECT_GE(examples, 5);
    std::filesystem::remove_all(dir);
}

TEST(Shophost, ExplainTellsWhereARequestWentAndWhyItFailed)
{
    HostRun run = shophost("", "cd /shop\n"
                               "add material mat\n"
                               "cd mat\n"
                               "add suboutput out\n"
                               "add plastic red\n"
                               "wire red out 5\n"
                               "shader /shop/mat --explain -r RIB\n"
                               "shader /shop/mat\n"
                               "shader /shop/mat -t light --explain\n");
    EXPECT_EQ(run.out, "/shop/mat (material): answers through its output node out\n"
                       "/shop/mat/out (suboutput): input 1 (Surface Shader) holds /shop/mat/red\n"
                       "/shop/mat/red (plastic): answers as the Surface Shader\n"
                       "/shop/mat/red (plastic): written by the clerk RIB\n"
                       "Surface \"plastic\"\n"
                       "plastic\n"
                       "/shop/mat (material): answers through its output node out\n"
                       "/shop/mat/out (suboutput): input 3 (Light Shader) is empty\n");
    EXPECT_EQ(run.err, "Error: No light shader at /shop/mat for VKorvit (stdin:9)\n");
}

TEST(Shophost, DeeplyNestedNetworksChangeSaveLoadAndGo)
{
    // The real object and shader networks, nested deeper than the program's stack (smaller
    // still under the sanitizers) could hold a call per level of every walk over them.
    std::string script = "cd /obj\n";
    for (int i = 0; i < 10000; ++i)
        script += "add subnet s\ncd s\n";
    // Cooking the innermost object takes the transforms of all those around it.
    script += "set .. tx 1\nadd null n\nset n ty 2\nerrors n\n";
    // Materials inside materials, each answering through the one inside it.
    script += "cd /shop\nadd material m\ncd m\nadd suboutput out\n";
    for (int i = 1; i < 500; ++i)
        script += "add material m\nwire m out 1 1\ncd m\nadd suboutput out\n";
    script += "add plastic p\nset p Kd 0.25\nwire p out 1\ncd /shop\nshader m\n";
    const std::string dir = ::testing::TempDir() + "deep_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const std::string first = dir + "/first.cmd", second = dir + "/second.cmd";
    script +=
        "save " + first + "\nload " + first + "\nsave " + second + "\nrm /obj/s /shop/m\nls /obj\n";
    HostRun run = shophost("", script);
    EXPECT_EQ(run.status, 0) << run.err.substr(0, 2000);
    EXPECT_EQ(run.out, "plastic Kd 0.25\n");
    EXPECT_LT(std::filesystem::file_size(first), 1000000u);
    EXPECT_EQ(readFile(second), readFile(first));
    std::filesystem::remove_all(dir);
}
