// Script clerks that call back into the host while they build: the input chooses what the
// clerk's builds do (delete the node being built, its material or switch, load a scene, set
// values and expressions, add parameters, rewire, rename, build other shaders) and which
// requests the harness makes (`shader`, `shader --explain`, `bounds`, `eval`). Nothing may
// crash or touch freed memory, and a build that succeeds must be of a node that still exists.

#include "HostSetup.h"
#include "ShopCommands.h"

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <PY/PY_HostLock.h>
#include <PY/PY_Python.h>
#include <UT/UT_Options.h>
#include <UT/UT_PathSearch.h>
#include <UT/UT_WorkBuffer.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// Each build takes the next list of commands from ACTIONS and runs them; a list that starts
// with "!" gives up at its first refused command, as a strict clerk would. ANSWER is the node
// of the last outermost build that succeeded, as the module sees it (by identity, not path):
// the one a request's answer is about.
const char *const theClerk = R"(import host
ACTIONS = []
DEPTH = [0]
ANSWER = [None]
def setActions(actions):
    ACTIONS[:] = actions
    ANSWER[0] = None
    return len(ACTIONS)
def answerAlive():
    try:
        return 1 if ANSWER[0] is None or ANSWER[0].path() else 0
    except RuntimeError:
        return 0
def getName(): return 'Rogue'
def shaderSupported(t): return t in ('surface', 'geometry', 'cvex')
def addToRenderMask(t): return True
def _act():
    if not ACTIONS:
        return
    actions = ACTIONS.pop(0)
    strict = actions[:1] == ['!']
    for command in actions[1:] if strict else actions:
        try:
            host.cmd(command)
        except RuntimeError:
            if strict:
                raise
def _build(path, result):
    node = host.node(path)
    DEPTH[0] += 1
    try:
        _act()
    finally:
        DEPTH[0] -= 1
    if DEPTH[0] == 0:
        ANSWER[0] = node
    return result
def buildShaderString(shadertype, path, time, parms, overrides):
    return _build(path, 'rogue ' + path)
def buildShaderBounds(shadertype, path, time, overrides):
    return _build(path, (0, 0, 0, 1, 1, 1))
)";

const char *const theScene = "cd /obj\n"
                             "add geo geo1\n"
                             "cd /shop\n"
                             "add plastic p\n"
                             "add plastic p2\n"
                             "add material mat\n"
                             "cd mat\n"
                             "add suboutput out\n"
                             "add plastic q\n"
                             "add plastic r\n"
                             "add switch pick\n"
                             "wire q pick 0\n"
                             "wire r pick 1\n"
                             "wire pick out 1\n"
                             "cd /shop\n"
                             "add select sel\n"
                             "wire p sel 0\n"
                             "wire p2 sel 1\n"
                             "add properties props\n"
                             "add gen_geometry proc\n"
                             "add gen_cvex fn\n"
                             "cd /\n";

const char *const thePaths[] = {
    "/shop/p",        "/shop/p2",      "/shop/mat", "/shop/mat/q", "/shop/mat/r",
    "/shop/mat/pick", "/shop/mat/out", "/shop/sel", "/shop/props", "/shop/proc",
    "/shop/fn",       "/obj/geo1",     "/shop",     "/shop/mat/x", "/shop/y",
};
constexpr size_t thePathCount = sizeof(thePaths) / sizeof(thePaths[0]);

std::string theSaved; // a scene file for `load`

// Reads the input a byte at a time; past its end every byte is 0.
class fuzz_Bytes
{
public:
    fuzz_Bytes(const uint8_t *data, size_t size) : myData(data), mySize(size) {}
    unsigned next() { return myPos < mySize ? myData[myPos++] : 0; }
    bool done() const { return myPos >= mySize; }
    const char *path() { return thePaths[next() % thePathCount]; }

private:
    const uint8_t *myData;
    size_t mySize;
    size_t myPos = 0;
};

std::string fuzz_action(fuzz_Bytes &in)
{
    const unsigned kind = in.next() % 14;
    const std::string a = in.path();
    const std::string b = in.path();
    const std::string n = std::to_string(in.next() % 4);
    switch (kind)
    {
    case 0:
        return "rm " + a;
    case 1:
        return "load " + theSaved;
    case 2:
        return "set " + a + " Kd " + n;
    case 3:
        return "set -e " + a + " Kd 'ch(\"" + b + "/Kd\")'";
    case 4:
        return "wire " + a + " " + b + " " + n;
    case 5:
        return "unwire " + a + " " + n;
    case 6:
        return "rename " + a + " " + (n == "0" ? "x" : "y");
    case 7:
        return "shader " + a + " -r Rogue";
    case 8:
        return "bounds " + a + " -r Rogue";
    case 9:
        return "set /shop/mat/pick input " + n;
    case 10:
        return "eval /shop/p Kd";
    case 11:
        return "cd " + a;
    case 12:
        return "spare " + a + " extra" + n + " float 1";
    default:
        return "add plastic";
    }
}

void fuzz_setActions(fuzz_Bytes &in)
{
    UT_WorkBuffer call;
    call.append("__import__('shopclerks.fz_rogue').fz_rogue.setActions([");
    const unsigned lists = in.next() % 5;
    for (unsigned l = 0; l < lists; ++l)
    {
        call.append(l ? ", [" : "[");
        const unsigned count = in.next() % 4;
        bool first = true;
        if (in.next() % 2)
        {
            call.append("'!'");
            first = false;
        }
        for (unsigned c = 0; c < count; ++c, first = false)
        {
            if (!first)
                call.append(", ");
            UT_Options::appendPyString(call, fuzz_action(in));
        }
        call.append("]");
    }
    call.append("])");
    const PY_Result result = PYrunPythonExpression(call.buffer(), PY_Result::INT);
    if (result.myResultType != PY_Result::INT)
    {
        std::fprintf(stderr, "cannot set the clerk's actions: %s\n%s\n", result.myErrValue.c_str(),
                     call.buffer());
        std::abort();
    }
}

std::string fuzz_request(fuzz_Bytes &in)
{
    const std::string target = in.path();
    switch (in.next() % 5)
    {
    case 0:
        return "shader " + target + " -r Rogue";
    case 1:
        return "shader " + target + " -r Rogue --explain";
    case 2:
        return "bounds " + target + " -r Rogue";
    case 3:
        return "eval /shop/p Kd";
    default:
        return "shader " + target + " -t geometry -r Rogue";
    }
}

// A build that answered must be of a node that is still there (renamed or moved, maybe).
void fuzz_checkAnswer(const std::string &request)
{
    const PY_Result alive = PYrunPythonExpression(
        "__import__('shopclerks.fz_rogue').fz_rogue.answerAlive()", PY_Result::INT);
    if (alive.myResultType == PY_Result::INT && alive.myIntValue == 1)
        return;
    std::fprintf(stderr, "%s answered for a node that no longer exists %s\n", request.c_str(),
                 alive.myErrValue.c_str());
    std::abort();
}

void fuzz_setUp()
{
    char pattern[] = "/tmp/fuzz_reentrantXXXXXX";
    if (!mkdtemp(pattern))
        std::abort();
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "python" / "shopclerks");
    std::ofstream(root / "python" / "shopclerks" / "fz_rogue.py") << theClerk;
    setenv("SHOP_HOST_PATH", root.c_str(), 1);
    UT_PathSearch::getInstance()->rehash();
    PY_HostLock::hold();
    HostSetup::install();
    ShopCommands::install(*CMDgetManager());

    theSaved = (root / "saved.cmd").string();
    std::ostringstream out, err;
    std::istringstream scene(std::string(theScene) + "save " + theSaved + "\n");
    if (!CMDgetManager()->runScript(scene, "scene", out, err))
    {
        std::fprintf(stderr, "the scene does not build:\n%s", err.str().c_str());
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool theSetup = []
    {
        fuzz_setUp();
        return true;
    }();
    (void)theSetup;

    OP_Director *director = OPgetDirector();
    director->setCwd(nullptr);
    if (!director->clearNetwork())
    {
        std::fprintf(stderr, "a node is still in use between runs\n");
        std::abort();
    }
    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
    std::ostringstream out, err;
    std::istringstream scene(theScene);
    CMDgetManager()->runScript(scene, "scene", out, err);

    fuzz_Bytes in(data, size);
    for (int request = 0; request < 4 && !in.done(); ++request)
    {
        fuzz_setActions(in);
        const std::string command = fuzz_request(in);
        std::ostringstream answer, warnings;
        std::string error;
        if (CMDgetManager()->execute(command, answer, warnings, error))
            fuzz_checkAnswer(command);
    }
    return 0;
}
