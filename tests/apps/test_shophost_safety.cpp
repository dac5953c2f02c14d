// shophost against hostile input: clerks that call back into the host while they build, Python
// threads that race the command loop, names that try to become renderer directives or code,
// and plug-in folders holding things that are not libraries. Every run here once crashed, used
// freed memory, hung or ran code it was given as data.

#include "ShophostRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace shophosttest;

namespace
{
// A clerk whose builds run whatever command the driving script put in ACT, and say how it went
// in OUTCOME; an ACT that fails makes the build fail.
const char *const theRogueClerk = R"(import host
ACT = None
OUTCOME = []
def getName(): return 'Rogue'
def shaderSupported(t): return t in ('surface', 'geometry')
def addToRenderMask(t): return True
def _act():
    if ACT:
        try:
            host.cmd(ACT)
            OUTCOME.append('done')
        except RuntimeError as e:
            OUTCOME.append(str(e))
            raise
def buildShaderString(shadertype, path, time, parms, overrides):
    _act()
    return 'rogue ' + path
def buildShaderBounds(shadertype, path, time, overrides):
    _act()
    return (0, 0, 0, 1, 1, 1)
)";

// Runs each command line with ACT set for the rogue clerk, printing what became of it.
const char *const theDriver = R"(import host
import shopclerks.tc_rogue as rogue
import sys
def attempt(command, act=None):
    rogue.ACT = act
    rogue.OUTCOME.clear()
    try:
        text = host.cmd(command).strip().splitlines()
        print('ok:', text[-1] if text else '')
    except RuntimeError as e:
        print('failed:', e)
    for outcome in rogue.OUTCOME:
        print('  clerk:', outcome)
    rogue.ACT = None
for line in open(sys.argv[1]):
    command, _, act = line.rstrip('\n').partition(' => ')
    attempt(command, act or None)
)";

class ShophostSafety : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/shophost_safetyXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        myRoot = pattern;
        std::filesystem::create_directories(myRoot / "python" / "shopclerks");
        write("python/shopclerks/tc_rogue.py", theRogueClerk);
        write("driver.py", theDriver);
    }
    void TearDown() override { std::filesystem::remove_all(myRoot); }

    std::string write(const std::string &name, const std::string &text)
    {
        const std::filesystem::path path = myRoot / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    std::string environment() const { return "SHOP_HOST_PATH='" + myRoot.string() + "'"; }

    /// Builds `scene`, then runs the attempts ("COMMAND => ACT" lines) through the driver.
    HostRun attempts(const std::string &scene, const std::string &lines)
    {
        const std::string list = write("attempts.txt", lines);
        return shophost("", scene + "python " + (myRoot / "driver.py").string() + " " + list + "\n",
                        environment());
    }

    std::filesystem::path myRoot;
};

const char *const theScene = "cd /shop\n"
                             "add plastic p\n"
                             "add plastic other\n"
                             "add material mat\n"
                             "cd mat\n"
                             "add suboutput out\n"
                             "add plastic q\n"
                             "add switch pick\n"
                             "wire q pick 0\n"
                             "wire pick out 1\n"
                             "cd /shop\n"
                             "add gen_geometry proc\n"
                             "save SCENE\n";

// One definition of an asset file, with `script` as its dialog script.
std::string definition(const std::string &name, const std::string &script,
                       const std::string &type = "surface")
{
    return "definition " + name + "\n    type " + type + "\n    section DialogScript 0 " +
           std::to_string(script.size()) + "\n" + script + "\nend\n";
}
} // namespace

TEST_F(ShophostSafety, ClerksCannotDeleteOrReplaceWhatIsBeingBuilt)
{
    const std::string saved = (myRoot / "saved.cmd").string();
    std::string scene = theScene;
    scene.replace(scene.find("SCENE"), 5, saved);
    HostRun run = attempts(scene, "shader /shop/p -r Rogue => rm /shop/p\n"
                                  "shader /shop/mat -r Rogue => rm /shop/mat\n"
                                  "shader /shop/mat -r Rogue --explain => rm /shop/mat/q\n"
                                  "shader /shop/p -r Rogue => load " +
                                      saved +
                                      "\n"
                                      "bounds /shop/proc -r Rogue => rm /shop/proc\n"
                                      "shader /shop/p -r Rogue => rm /shop/other\n"
                                      "shader /shop/mat -r Rogue => rm /shop/mat/pick\n"
                                      "shader /shop/p -r Rogue\n"
                                      "ls /shop\n");
    EXPECT_EQ(run.status, 0) << run.err;
    // What is in use stays; what the build no longer needs (the switch that has answered
    // already) may go.
    EXPECT_EQ(run.out, "failed: Error: Cannot build the surface shader of /shop/p for Rogue\n"
                       "  clerk: Error: Cannot delete /shop/p: it is being built\n"
                       "failed: Error: Cannot build the surface shader of /shop/mat/q for Rogue\n"
                       "  clerk: Error: Cannot delete /shop/mat: /shop/mat/q is being built\n"
                       "failed: Error: Cannot build the surface shader of /shop/mat/q for Rogue\n"
                       "  clerk: Error: Cannot delete /shop/mat/q: it is being built\n"
                       "failed: Error: Cannot build the surface shader of /shop/p for Rogue\n"
                       "  clerk: Error: Cannot load a scene while /shop/p is being built\n"
                       "failed: Error: No bounds for /shop/proc from Rogue\n"
                       "  clerk: Error: Cannot delete /shop/proc: it is being built\n"
                       "ok: rogue /shop/p\n"
                       "  clerk: done\n"
                       "ok: rogue /shop/mat/q\n"
                       "  clerk: done\n"
                       "ok: rogue /shop/p\n"
                       "ok: proc\n");
}

TEST_F(ShophostSafety, CvexReferencesThatComeBackGiveNothing)
{
    // A CVEX function naming itself, and two naming each other, once recursed until the stack
    // ran out. Now the reference back is the empty value and an error of the node it came
    // back to.
    std::filesystem::create_directories(myRoot / "assets");
    write("assets/loop.asset",
          "assetfile 1\n" +
              definition("loopy",
                         "{\n name loopy\n parm { name fn type oppath default { \"\" } "
                         "parmtag { opfilter \"!!SHOP/CVEX!!\" } }\n}",
                         "cvex"));
    HostRun run = attempts("cd /shop\n"
                           "add loopy a\n"
                           "set a fn ../a\n"
                           "add loopy b\n"
                           "add loopy c\n"
                           "set b fn ../c\n"
                           "set c fn ../b\n",
                           "shader /shop/a -t cvex\n"
                           "errors /shop/a\n"
                           "shader /shop/b -t cvex\n"
                           "errors /shop/b\n"
                           "set /shop/c fn ''\n"
                           "shader /shop/b -t cvex\n"
                           "errors /shop/b\n");
    EXPECT_EQ(run.status, 0) << run.err;
    // Around a loop of two, each node names the one it could not build.
    EXPECT_EQ(run.out, "failed: Error: Cannot build the cvex shader of /shop/a for VKorvit: "
                       "/shop/a: references loop back to its build\n"
                       "ok: Error: /shop/a: references loop back to its build\n"
                       "failed: Error: Cannot build the cvex shader of /shop/b for VKorvit: "
                       "/shop/b fn: the CVEX shader /shop/c cannot be built\n"
                       "ok: Error: /shop/b fn: the CVEX shader /shop/c cannot be built\n"
                       "ok: \n"
                       "ok: loopy fn loopy\n"
                       "ok: \n");
}

TEST_F(ShophostSafety, PythonThreadsTakeTurnsWithTheCommandLoop)
{
    // Workers change /obj through the host module while the command loop fills and empties it,
    // and are still working when the script that started them has ended; the program waits for
    // them before it exits.
    const std::string start = write("start.py", R"(import host, sys, threading
folder = sys.argv[1]
def work(n):
    host.cmd('cd /obj')
    for i in range(200):
        name = 'w%d_%d' % (n, i)
        host.cmd('add null ' + name)
        host.cmd('set %s tx %d' % (name, i))
        host.cmd('rm ' + name)
    with open('%s/worker%d' % (folder, n), 'w') as done:
        done.write('done')
for n in range(3):
    threading.Thread(target=work, args=(n,)).start()
)");
    const std::string tick = write("tick.py", "import host, time\n"
                                              "host.cmd('add null t')\n"
                                              "time.sleep(0.0005)\n"
                                              "host.cmd('rm t')\n");
    std::string script = "python " + start + " " + myRoot.string() + "\ncd /obj\n";
    for (int round = 0; round < 30; ++round)
    {
        for (int i = 0; i < 40; ++i)
            script += "add null m" + std::to_string(i) + "\n";
        script += "set m1 tx 2\npython " + tick + "\n";
        for (int i = 0; i < 40; ++i)
            script += "rm m" + std::to_string(i) + "\n";
    }
    for (int run = 0; run < 2; ++run)
    {
        for (int n = 0; n < 3; ++n)
            std::filesystem::remove(myRoot / ("worker" + std::to_string(n)));
        HostRun host = shophost("", script, environment());
        EXPECT_EQ(host.status, 0) << host.err;
        EXPECT_EQ(host.err, "");
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(readFile((myRoot / ("worker" + std::to_string(n))).string()), "done")
                << "worker " << n;
    }
}

TEST_F(ShophostSafety, NamesCannotCarryDirectivesOrCode)
{
    std::filesystem::create_directories(myRoot / "assets");
    const std::string marker = (myRoot / "ran").string();
    const std::string name = "x'+__import__('os').system('touch " + marker + "')+'";
    write("assets/evil.asset",
          "assetfile 1\n" +
              definition("evil", "{\n name evil\n script \"ev\\\"il\\nSurface \\\"x\\\"\"\n}") +
              definition("sneaky", "{\n name sneaky\n parm {\n  name \"" + name +
                                       "\"\n  default { 1 }\n }\n}"));
    HostRun run = shophost("",
                           "cd /shop\nadd evil e\nshader e -r RIB\nadd sneaky s\nset s \"" + name +
                               "\" 2\nshader s -r OSL\n",
                           environment());
    const std::string asset = (myRoot / "assets/evil.asset").string();
    EXPECT_NE(
        run.err.find("Error: " + asset + ": evil: line 3: Bad shader name 'ev\"il\nSurface \"x\"'"),
        std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Error: " + asset + ": sneaky: line 4: Bad parameter name"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Unknown node type 'evil'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    run = shophost("", "cd /shop\nadd sneaky s\n", environment());
    EXPECT_NE(run.err.find("Unknown node type 'sneaky'"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(marker));

    // The shipped shaders are unaffected.
    HostRun shipped = shophost("", "cd /shop\nadd plastic p\nset p Kd 0.5\nshader p -r RIB\n");
    EXPECT_EQ(shipped.out, "Surface \"plastic\" \"float Kd\" [ 0.5]\n");
    EXPECT_EQ(shipped.err, "");
}

TEST_F(ShophostSafety, OnlyRegularFilesAreOpenedAsPluginsOrAssets)
{
    std::filesystem::create_directories(myRoot / "dso");
    std::filesystem::create_directories(myRoot / "assets");
    std::filesystem::create_directories(myRoot / "dso/folder.so");
    ASSERT_EQ(mkfifo((myRoot / "dso/x.so").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((myRoot / "assets/x.asset").c_str(), 0600), 0);
    std::filesystem::copy_file(TEST_NOENTRY_SO, myRoot / "dso/noentry.so");
    std::filesystem::create_symlink(TEST_NOENTRY_SO, myRoot / "dso/linked.so");
    write("dso/broken.so", "not a library");

    // A start-up that opened the pipes would wait for a writer for ever. Each plug-in that
    // does not load or register anything is named once, and the others still serve.
    HostRun run = shophost("", "clerks surface\n", environment() + " timeout 60");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "surface: OGL OGL2 RIB VKorvit OSL Rogue\n");
    const std::string dso = (myRoot / "dso").string();
    const std::string broken = "Warning: plug-in " + dso + "/broken.so cannot be loaded: ";
    ASSERT_EQ(run.err.rfind(broken, 0), 0u) << run.err;
    const std::string::size_type rest = run.err.find('\n') + 1;
    EXPECT_EQ(run.err.substr(rest),
              "Warning: plug-in " + dso + "/folder.so is not a file; it is not loaded\n" +
                  "Warning: plug-in " + dso + "/linked.so has no newShopClerk\n" +
                  "Warning: plug-in " + dso + "/noentry.so has no newShopClerk\n" +
                  "Warning: plug-in " + dso + "/x.so is not a file; it is not loaded\n");
}
