// End-to-end runs of the shophost program: scripts in, text and exit status out.

#include "ShophostRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace shophosttest;

namespace
{
// Runs each line on its own and prints its output or its error, so that one run shows many
// failures where a script would stop at the first.
HostRun eachLine(const std::string &lines)
{
    const std::string python = writeScript("each_line.py", "import host, sys\n"
                                                           "for line in open(sys.argv[1]):\n"
                                                           "    try:\n"
                                                           "        print(host.cmd(line), end='')\n"
                                                           "    except RuntimeError as e:\n"
                                                           "        print(e)\n");
    return shophost("", "python " + python + " " + writeScript("each_line.cmd", lines) + "\n");
}

// The lines of `text` that begin with one of `prefixes`.
std::string linesStarting(const std::string &text, std::initializer_list<const char *> prefixes)
{
    std::istringstream in(text);
    std::string line, kept;
    while (std::getline(in, line))
        for (const char *prefix : prefixes)
            if (line.starts_with(prefix))
                kept += line + "\n";
    return kept;
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

TEST(Shophost, ListsTheShadersABundleFilterAccepts)
{
    HostRun run = shophost("", "cd /shop\n"
                               "add plastic p\n"
                               "add gen_displace d\n"
                               "add switch s\n"
                               "wire p s 0\n"
                               "ls -f '!!SHOP/SURFACE!!'\n"
                               "ls -f '!!SHOP/DISPLACEMENT!!' /shop\n"
                               "ls -f nope\n");
    EXPECT_EQ(run.status, 1);
    // A switch passes on the type of what it chooses.
    EXPECT_EQ(run.out, "p\ns\nd\n");
    EXPECT_NE(run.err.find("Unknown bundle filter 'nope'; the filters are: !!SHOP/MATERIAL!!"),
              std::string::npos)
        << run.err;
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
    EXPECT_EQ(run.out, "surface: OGL OGL2 RIB VKorvit OSL\n"
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
    EXPECT_EQ(run.out, "surface: OGL OGL2 RIB VKorvit OSL\n"
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

TEST(Shophost, NumbersNoRendererReadsAreRefusedWhereTheyEnter)
{
    HostRun run = eachLine("cd /shop\n"
                           "add plastic p\n"
                           "set -e p Kd 'sqrt(-1)'\n"
                           "eval p Kd\n"
                           "shader p\n"
                           "set -e p Kd '1e300'\n"
                           "shader p -r RIB\n"
                           "spare p n int 1\n"
                           "set -e p n '2^40'\n"
                           "eval p n\n"
                           "set p enable 1e10\n"
                           "spare p big int 1 1e10\n"
                           "spare / f float 1\n"
                           "set -e p Kd '1/0 + 0.5'\n"
                           "set -e p n '7 % 0'\n"
                           "shader p\n"
                           "eval p n\n"
                           "errors p\n"
                           "shader p -f nan\n"
                           "shader p -f 1e39\n"
                           "shader p -o Kd=nan\n"
                           "set p Kd -0\n"
                           "eval p Kd\n"
                           "shader p\n"
                           "set p Kd 0.1\n"
                           "shader p -o qelo_precision=800\n"
                           "shader p -o qelo_precision=2147483648\n");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string nan = "/shop/p Kd: the expression gives nan, not a finite single-precision "
                            "number";
    const std::string exact = "plastic Kd 0.100000001490116119384765625";
    EXPECT_EQ(run.out,
              "Error: " + nan +
                  "\n"
                  "Error: Cannot build the surface shader of /shop/p for VKorvit: " +
                  nan +
                  "\n"
                  "Error: Cannot build the surface shader of /shop/p for RIB: /shop/p Kd: the "
                  "expression gives 1e+300, not a finite single-precision number\n"
                  "Error: /shop/p n: the expression gives 1099511627776, beyond the range of an "
                  "integer parameter\n"
                  "Error: Value '1e10' is beyond the range of parameter 'enable'\n"
                  "Error: Bad default '1e10'\n"
                  "Error: The root takes no spare parameters\n"
                  "plastic Kd 0.5\n"
                  "0\n"
                  "Warning: /shop/p Kd: division by zero gives 0\n"
                  "Warning: /shop/p n: modulo by zero gives 0\n"
                  "Error: Bad time 'nan'\n"
                  "Error: Bad time '1e39'\n"
                  "Error: Bad override 'Kd=nan' (not a finite number)\n"
                  "0\n"
                  "plastic Kd 0\n" +
                  exact + "\n" + exact + "\n");
}

TEST(Shophost, UnwritableOutputAndUnreadableScriptsAreErrors)
{
    const std::string dir = ::testing::TempDir() + "script_dir_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    // Standard output closed: every answer is lost, which is no success.
    const std::string lost =
        std::string(SHOPHOST_EXE) + " -c 'echo answer' >&- 2>'" + dir + "/err'";
    const int raw = std::system(lost.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
    EXPECT_EQ(readFile(dir + "/err"), "Error: cannot write standard output: Bad file descriptor\n");
    std::filesystem::remove(dir + "/err");

    HostRun folder = shophost("'" + dir + "'");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err,
              "Error: Cannot open script '" + dir + "': it is a folder, not a regular file\n");
    HostRun sourced = shophost("", "source " + dir + "\necho never\n");
    EXPECT_EQ(sourced.status, 1);
    EXPECT_EQ(sourced.out, "");
    std::filesystem::remove_all(dir);
}

TEST(Shophost, ASwitchWiredBeforeItsInputsLoadsWhereItWas)
{
    // Dropped on input 5 while it has no type, the switch stays there; the file wires the
    // switch's own inputs first (it comes first), so the loaded scene must not then move it to
    // the surface input.
    const std::string scene = ::testing::TempDir() + "wired_" + std::to_string(::getpid());
    HostRun first = eachLine("cd /shop\n"
                             "add material m\n"
                             "cd m\n"
                             "add switch pick\n"
                             "add suboutput out\n"
                             "wire pick out 5\n"
                             "add plastic red\n"
                             "wire red pick 0\n"
                             "shader /shop/m -t fog\n"
                             "shader /shop/m\n"
                             "save " +
                             scene + ".a\n");
    HostRun again = eachLine("load " + scene +
                             ".a\n"
                             "shader /shop/m -t fog\n"
                             "shader /shop/m\n"
                             "save " +
                             scene + ".b\n");
    EXPECT_EQ(again.out, first.out);
    EXPECT_EQ(again.err, first.err);
    EXPECT_EQ(readFile(scene + ".b"), readFile(scene + ".a"));
    EXPECT_NE(readFile(scene + ".a").find("wire /shop/m/pick /shop/m/out 5\n"), std::string::npos);
    std::remove((scene + ".a").c_str());
    std::remove((scene + ".b").c_str());

    HostRun empty = shophost("", "cd /shop\nadd switch s\nshader s --explain\n");
    EXPECT_NE(empty.out.find("/shop/s (switch): has no inputs to choose from\n"), std::string::npos)
        << empty.out;
}

TEST(Shophost, RenderMasksNameOnlyTheRenderersAShaderServes)
{
    UserFolder user;
    user.write("assets/user.asset",
               "assetfile 1\n" + UserFolder::definition("ribonly", "surface", false,
                                                        "{ name ribonly rendermask RIB }"));
    // Every shipped shader, the user's RenderMan-only one, a generic shader and a network node;
    // all three renderer clerks (two plug-ins and the script clerk) are installed.
    std::string script = "cd /shop\n";
    const char *types[] = {"plastic",   "matte",      "metal",       "constant",
                           "bumps",     "pointlight", "uniformfog",  "noisecoshader",
                           "cvex_warp", "ribonly",    "gen_surface", "switch"};
    for (const char *type : types)
        script += std::string("add ") + type + " " + type + "\ninfo " + type + "\n";
    HostRun run = shophost("", script + "shader ribonly -r RIB\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(linesStarting(run.out, {"Shader type: ", "Render mask: ", "Surface"}),
              "Shader type: surface\nRender mask: VKorvit RIB OSL OGL2 OGL\n"
              "Shader type: surface\nRender mask: VKorvit RIB OSL OGL\n"
              "Shader type: surface\nRender mask: VKorvit RIB OSL OGL2 OGL\n"
              "Shader type: surface\nRender mask: VKorvit RIB OSL OGL2 OGL\n"
              "Shader type: displace\nRender mask: VKorvit RIB OSL\n"
              "Shader type: light\nRender mask: VKorvit RIB OSL\n"
              "Shader type: fog\nRender mask: VKorvit RIB\n"
              "Shader type: coshader\nRender mask: RIB OSL\n"
              "Shader type: cvex\nRender mask: VKorvit\n"
              "Shader type: surface\nRender mask: RIB OGL\n"
              "Shader type: surface\nRender mask: RIB VKorvit OSL\n"
              "Shader type: any\nRender mask: *\n"
              "Surface \"ribonly\"\n");

    // A shader that exists only for RenderMan is no shader for the other renderers.
    for (const char *renderer : {"VKorvit", "OSL"})
    {
        HostRun other = shophost(std::string("-c 'cd /shop' -c 'add ribonly r' -c 'shader r -r ") +
                                 renderer + "'");
        EXPECT_EQ(other.status, 1) << renderer;
        EXPECT_EQ(other.out, "") << renderer;
        EXPECT_EQ(other.err,
                  std::string("Error: No surface shader at /shop/r for ") + renderer + " (-c:1)\n");
    }
}

TEST(Shophost, DefinitionsThatMakeNoNodeTypeAreReported)
{
    UserFolder user;
    const std::string file =
        user.write("assets/dropped.asset",
                   "assetfile 1\n" + UserFolder::definition("unknown", "nosuchtype", false) +
                       UserFolder::definition("anything", "any", false) +
                       UserFolder::definition("nothing", "undefined", false) +
                       UserFolder::definition("settings", "properties", false) +
                       UserFolder::definition("surfacenet", "surface", true) +
                       UserFolder::definition("kept", "surface", false));
    HostRun run = shophost("-c 'cd /shop' -c 'add kept'");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string where = "Warning: " + file + ": ";
    EXPECT_EQ(run.err,
              where + "unknown: makes no node type: SHOP makes none of type 'nosuchtype'\n" +
                  where + "anything: makes no node type: SHOP makes none of type 'any'\n" + where +
                  "nothing: makes no node type: SHOP makes none of type 'undefined'\n" + where +
                  "settings: makes no node type: SHOP makes none of type 'properties'\n" + where +
                  "surfacenet: makes no node type: SHOP makes none of type 'surface' "
                  "marked as a subnet\n");
}

TEST(Shophost, ScriptClerkWithAnEmptyCreationScriptRunsNone)
{
    UserFolder user;
    user.write("python/shopclerks/blank.py", "def getName():\n    return 'Blank'\n"
                                             "def shaderSupported(t):\n    return t == 'displace'\n"
                                             "def creationScript(t):\n    return ''\n");
    HostRun run = shophost("", "cd /shop\nadd gen_displace a\nadd bumps b\nls\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "a\nb\n");
    EXPECT_EQ(run.err, "");
}

TEST(Shophost, ScriptClerkNamesTheDialogScriptOfAnAsset)
{
    UserFolder user;
    const std::string script = "{ name ramp\n  parm { name k type float default { 1 } }\n}";
    user.write("assets/ramp.asset",
               "assetfile 1\n" + UserFolder::definition("ramp", "surface", false, script));
    user.write("python/shopclerks/named.py", "def getName():\n    return 'Named'\n"
                                             "def shaderSupported(t):\n    return t == 'surface'\n"
                                             "def getDialogScript(t):\n    return 'ramp.ds'\n");
    // The generic surface's parameter for the clerk starts with the named script's text.
    HostRun run = shophost("", "cd /shop\nadd gen_surface g\neval g Named\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, script + "\n");
    EXPECT_EQ(run.err, "");
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
