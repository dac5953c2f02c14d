// Script clerks, in a program of their own: the clerk modules written here must be on the
// interpreter's path before it starts, and the clerks they register stay for the whole program.

#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/clerk/SHOP_PyClerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>
#include <shop/table/SHOP_TableBuilder.h>

#include <OP/OP_Director.h>
#include <PRM/PRM_DialogScripts.h>
#include <PRM/PRM_Parm.h>
#include <PY/PY_InterpreterAutoLock.h>
#include <PY/PY_Python.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_Options.h>
#include <UT/UT_PathSearch.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace
{
// Records every question so that the order and the type names can be checked.
const char *const theFullClerk = R"(
calls = []
def _log(text):
    calls.append(text)
def getName():
    _log('getName'); return 'TcFull'
def getLabel():
    _log('getLabel'); return 'Test Full'
def getKeywords():
    _log('getKeywords'); return 'tc, full'
def isVexClerk():
    _log('isVexClerk'); return True
_SERVED = ('surface', 'displace', 'light', 'fog', 'coshader')
def shaderSupported(t):
    _log('shaderSupported ' + t); return t in _SERVED
def creationScript(t):
    _log('creationScript ' + t)
    if t == 'light': raise RuntimeError('no script')
    return 'tc_' + t + '.cmd'
def addToRenderMask(t):
    _log('addToRenderMask ' + t); return 7 if t == 'surface' else 0
_DIALOGS = {'surface': 'tcdialog.ds', 'light': 'nosuch.ds', 'displace': 'None.ds', 'fog': ''}
def getDialogScript(t):
    _log('getDialogScript ' + t); return _DIALOGS.get(t)
def getGeometryAttribute(t):
    _log('getGeometryAttribute ' + t)
    if t == 'light': raise RuntimeError('no attribute')
    return 'attr_' + t
def getIndirectAttribute(t):
    _log('getIndirectAttribute ' + t); return 'ind_' + t
last = ''
def buildShaderString(shadertype, path, time, parms, overrides):
    global last
    last = repr((shadertype, path, time, parms, overrides))
    if 'fail' in overrides: raise ValueError('asked to fail')
    if 'nul' in overrides: return 'keep\x00cut'
    return overrides.get('echo', 'built')
def buildShaderBounds(shadertype, path, time, overrides):
    global last
    last = repr((shadertype, path, time, overrides))
    if 'corner' in overrides: return [float(overrides['corner'])] * 6
    return overrides['result']
)";

struct ClerkModules : ::testing::Environment
{
    void SetUp() override
    {
        char pattern[] = "/tmp/pyclerk_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        myRoot = pattern;
        const std::filesystem::path package = myRoot / "python" / "shopclerks";
        std::filesystem::create_directories(package);
        auto write = [&](const char *name, const char *text)
        { std::ofstream(package / name, std::ios::binary) << text; };
        write("tc_full.py", theFullClerk);
        write("tc_minimal.py", "def getName(): return 'TcMin'\n"
                               "def shaderSupported(t): return t == 'fog'\n");
        write("tc_raises.py", "def getName(): raise RuntimeError('broken')\n");
        write("tc_syntax.py", "def getName(:\n");
        write("tc_wrongkind.py", "def getName(): return 42\n");
        write("tc_noname.py", "def getLabel(): return 'x'\n");
        // Integer answers at and beyond the 32-bit limits.
        write("tc_numbers.py", "def getName(): return 'TcNumbers'\n"
                               "def isVexClerk(): return 2**40\n"
                               "_SUPPORT = {'lens': 2**32, 'contour': 2**31 - 1,\n"
                               "            'texture': -2**31 - 1, 'image3d': True}\n"
                               "def shaderSupported(t): return _SUPPORT.get(t, 0)\n"
                               "def addToRenderMask(t): return 2**70\n"
                               "def number(text): return True if text == 'True' else int(text)\n");
        write("tc_none.py", "def getName(): return 'TcNone'\n"
                            "def shaderSupported(t):\n"
                            "    if t == 'surface': raise ValueError('nope')\n"
                            "    return 0\n");
        // Dialog-script answers are looked up by name, so one must exist before installation.
        myDialog = PRMaddDialogScript("tcdialog", "{ name tcdialog }");
        setenv("SHOP_HOST_PATH", myRoot.c_str(), 1);
        UT_PathSearch::getInstance()->rehash();
    }
    void TearDown() override { std::filesystem::remove_all(myRoot); }

    std::filesystem::path myRoot;
    static inline int myDialog = -1;
};

const auto *const theModules = ::testing::AddGlobalTestEnvironment(new ClerkModules);

class OpenClerk : public SHOP_PyClerk
{
public:
    using SHOP_PyClerk::dump;
    using SHOP_PyClerk::runPy;
    using SHOP_PyClerk::SHOP_PyClerk;
};

SHOP_PyClerk *findClerk(SHOP_TYPE type, const char *name)
{
    for (SHOP_Clerk *clerk : SHOP_ClerkRegistry::getClerkList(type))
        if (std::string(clerk->getRenderName()) == name)
            return dynamic_cast<SHOP_PyClerk *>(clerk);
    return nullptr;
}

std::string pyText(const char *expression)
{
    const PY_Result result = PYrunPythonExpression(expression, PY_Result::STRING);
    return result.myResultType == PY_Result::STRING ? result.myStringValue
                                                    : "<" + result.myErrValue + ">";
}

// The shader table, built once with the shipped shaders, which installs the script clerks.
class PyClerkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool theTable = []
        {
            OP_Director *director = OPgetDirector();
            OP_OperatorTable *shaders = director->getOperatorTable(SHOP_Node::theOpTypeName);
            SHOP_TableBuilder::buildShaderTable(*shaders);
            shaders->loadScriptOperators(std::cerr);
            director->getOperatorTable(OP_Director::theRootTableName)
                ->addOperator(SHOP_TableBuilder::getManagementOperator());
            return true;
        }();
        (void)theTable;
        myNet = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet"));
        ASSERT_NE(myNet, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(myNet); }

    SHOP_Node *plastic(const char *name)
    {
        OP_Node *node = myNet->createNode("plastic", name);
        return node ? node->castToSHOPNode() : nullptr;
    }
    static void set(SHOP_Node *node, const char *parm, int component, const char *text)
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr(parm)->setValueFromText(component, text, error)) << error;
    }

    OP_Network *myNet = nullptr;
};
} // namespace

TEST_F(PyClerkTest, InstallationAsksEveryQuestionInOrderAndCachesTheAnswers)
{
    SHOP_PyClerk *clerk = findClerk(SHOP_SURFACE, "TcFull");
    ASSERT_NE(clerk, nullptr);
    EXPECT_STREQ(clerk->getModule(), "tc_full");
    EXPECT_STREQ(clerk->getRenderLabel(), "Test Full");
    EXPECT_STREQ(clerk->getDefaultKeywords(), "tc, full");
    EXPECT_TRUE(clerk->getIsVexClerk());
    EXPECT_TRUE(clerk->generatesString());
    EXPECT_FALSE(clerk->differentGeometryData());

    std::string expected = "getName,getLabel,getKeywords,isVexClerk";
    for (int v = SHOP_SURFACE; v <= SHOP_COSHADER; ++v)
    {
        const std::string t = SHOP_Node::getShaderType(static_cast<SHOP_TYPE>(v));
        expected += ",shaderSupported " + t;
        if (t == "surface" || t == "displace" || t == "light" || t == "fog" || t == "coshader")
            for (const char *q : {"creationScript", "addToRenderMask", "getDialogScript",
                                  "getGeometryAttribute", "getIndirectAttribute"})
                expected += "," + std::string(q) + " " + t;
    }
    PY_InterpreterAutoLock lock;
    EXPECT_EQ(pyText("','.join(__import__('shopclerks.tc_full').tc_full.calls)"), expected);

    // Registered exactly under the supported types, in slot order.
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        const bool served = type == SHOP_SURFACE || type == SHOP_DISPLACEMENT ||
                            type == SHOP_LIGHT || type == SHOP_ATMOSPHERE || type == SHOP_COSHADER;
        EXPECT_EQ(findClerk(type, "TcFull") != nullptr, served) << SHOP_Node::getShaderType(type);
    }

    EXPECT_EQ(clerk->getDialogScriptEnum(SHOP_SURFACE), ClerkModules::myDialog);
    EXPECT_LT(clerk->getDialogScriptEnum(SHOP_LIGHT), 0);
    EXPECT_EQ(clerk->getDialogScriptEnum(SHOP_DISPLACEMENT), -1);
    EXPECT_EQ(clerk->getDialogScriptEnum(SHOP_ATMOSPHERE), -1);
    EXPECT_EQ(clerk->getDialogScriptEnum(SHOP_COSHADER), -1);
    EXPECT_TRUE(clerk->requireAutoAdd(SHOP_SURFACE));
    EXPECT_FALSE(clerk->requireAutoAdd(SHOP_LIGHT));
    EXPECT_STREQ(clerk->getCreationScript(SHOP_SURFACE), "tc_surface.cmd");
    EXPECT_EQ(clerk->getCreationScript(SHOP_LIGHT), nullptr);
    EXPECT_STREQ(clerk->getGeometryAttribute(SHOP_SURFACE), "attr_surface");
    EXPECT_STREQ(clerk->getGeometryAttribute(SHOP_LIGHT), "");
    EXPECT_STREQ(clerk->getGeometryIndirect(SHOP_LIGHT), "ind_light");
    // Types the clerk does not serve answer "none", never another slot's values.
    EXPECT_EQ(clerk->getDialogScriptEnum(SHOP_LENS), -1);
    EXPECT_STREQ(clerk->getGeometryAttribute(SHOP_LENS), "");
    EXPECT_STREQ(clerk->getCreationScript(SHOP_LENS), "");

    // Optional questions left out give the render name and the empty defaults.
    SHOP_PyClerk *minimal = findClerk(SHOP_ATMOSPHERE, "TcMin");
    ASSERT_NE(minimal, nullptr);
    EXPECT_STREQ(minimal->getRenderLabel(), "TcMin");
    EXPECT_STREQ(minimal->getDefaultKeywords(), "TcMin");
    EXPECT_FALSE(minimal->getIsVexClerk());
    EXPECT_FALSE(minimal->requireAutoAdd(SHOP_ATMOSPHERE));
    EXPECT_EQ(minimal->getDialogScriptEnum(SHOP_ATMOSPHERE), -1);
    EXPECT_EQ(minimal->getCreationScript(SHOP_ATMOSPHERE), nullptr);
    EXPECT_STREQ(minimal->getGeometryIndirect(SHOP_ATMOSPHERE), "");

    for (const char *broken : {"tc_raises", "tc_syntax", "tc_wrongkind", "tc_noname", "tc_none"})
        for (int v = 0; v < SHOP_MAX_TYPES; ++v)
            for (SHOP_Clerk *c : SHOP_ClerkRegistry::getClerkList(v))
            {
                if (auto *py = dynamic_cast<SHOP_PyClerk *>(c))
                {
                    EXPECT_STRNE(py->getModule(), broken);
                }
            }
}

TEST_F(PyClerkTest, BrokenModulesAreReportedAndRefused)
{
    auto messages = [](const char *module)
    {
        OpenClerk clerk(module);
        testing::internal::CaptureStderr();
        const bool ok = clerk.initialize();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << module;
        return err;
    };
    EXPECT_EQ(messages("tc_raises.py"), "PyClerk[tc_raises]: RuntimeError: broken\n"
                                        "PyClerk[tc_raises]: No getName() method found\n");
    EXPECT_EQ(messages("tc_wrongkind"), "PyClerk[tc_wrongkind]: No getName() method found\n");
    EXPECT_EQ(messages("tc_noname"), "PyClerk[tc_noname]: AttributeError: module "
                                     "'shopclerks.tc_noname' has no attribute 'getName'\n"
                                     "PyClerk[tc_noname]: No getName() method found\n");
    const std::string syntax = messages("tc_syntax");
    EXPECT_EQ(syntax.rfind("PyClerk[tc_syntax]: SyntaxError: ", 0), 0u) << syntax;
    EXPECT_NE(syntax.find("\nPyClerk[tc_syntax]: No getName() method found\n"), std::string::npos)
        << syntax;
    EXPECT_EQ(messages("tc_none"), "PyClerk[tc_none]: ValueError: nope\n"
                                   "PyClerk[tc_none]: No supported shader types\n");
    EXPECT_EQ(messages("tc_absent"),
              "PyClerk[tc_absent]: ModuleNotFoundError: No module named 'shopclerks.tc_absent'\n"
              "PyClerk[tc_absent]: No getName() method found\n");

    // Re-initialising a good module reports only the unknown dialog script, and the dump shows
    // what was kept.
    OpenClerk again("tc_full.py");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(again.initialize());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PyClerk[tc_full]: Invalid dialog script string 'nosuch'\n");
    EXPECT_EQ(findClerk(SHOP_SURFACE, "TcFull"), &again); // replaced the installed one
    testing::internal::CaptureStderr();
    again.dump();
    const std::string dump = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dump.rfind("=== Python SHOP Clerk [tc_full] ===\n    Name: TcFull\n"
                         "   Label: Test Full\nKeywords: tc, full\n  VEX: true\n    surface:\n"
                         "\tGeometry: attr_surface\n\tIndirect: ind_surface\n"
                         "\tCreateScript: tc_surface.cmd\n\tDialogScript: " +
                             std::to_string(ClerkModules::myDialog) + "\n\tAutoAdd: true\n",
                         0),
              0u)
        << dump;
    // The installed one must stay findable for the other tests: put it back.
    static SHOP_PyClerk installed("tc_full");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(installed.initialize());
    testing::internal::GetCapturedStderr();

    // Results keep the first argument untouched unless they have the asked kind.
    int number = 5;
    EXPECT_FALSE(again.runPy(number, "getLabel()", true));
    EXPECT_EQ(number, 5);
    std::vector<float> numbers{9};
    EXPECT_TRUE(again.runPy(numbers, "calls[:0]", true)); // empty list
    EXPECT_TRUE(numbers.empty());
}

TEST_F(PyClerkTest, ShaderStringCallCarriesNamesTimeAndOverridesUnchanged)
{
    SHOP_Node *node = plastic("p");
    ASSERT_NE(node, nullptr);
    SHOP_PyClerk *clerk = findClerk(SHOP_SURFACE, "TcFull");
    ASSERT_NE(clerk, nullptr);
    const std::string path = node->getFullPath();
    auto last = []
    {
        PY_InterpreterAutoLock lock;
        return pyText("__import__('shopclerks.tc_full').tc_full.last");
    };

    UT_String result;
    EXPECT_TRUE(clerk->buildShaderString(node, result, 10, nullptr));
    EXPECT_STREQ(result.c_str(), "built");
    EXPECT_EQ(last(), "('surface', '" + path + "', 10, [], {})");

    set(node, "Kd", 0, "0.5");
    set(node, "Cs", 1, "0");
    UT_Options overrides;
    overrides.setOptionF("Ks", 0.5); // the default value, but overridden
    EXPECT_TRUE(clerk->buildShaderString(node, result, 1.0f / 24, &overrides));
    EXPECT_EQ(last(), "('surface', '" + path + "', 0.0416667, ['Kd', 'Cs', 'Ks'], {'Ks': 0.5})");

    const std::string awkward = "a \"quoted\" 'one' ''' \\ back\\\\slash\nnew line \t tab é ✓";
    overrides.setOptionS("echo", awkward.c_str());
    EXPECT_TRUE(clerk->buildShaderString(node, result, 0.5, &overrides));
    EXPECT_EQ(result.str(), awkward);
    EXPECT_NE(last().find("', 0.5, ['Kd', 'Cs', 'Ks'], {"), std::string::npos) << last();

    overrides.setOptionS("echo", "");
    EXPECT_TRUE(clerk->buildShaderString(node, result, 0, &overrides));
    EXPECT_STREQ(result.c_str(), "");

    result.harden("kept");
    overrides.setOptionI("fail", 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(clerk->buildShaderString(node, result, 0, &overrides));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PyClerk[tc_full]: ValueError: asked to fail\n");
    EXPECT_STREQ(result.c_str(), "kept");
    overrides.removeOption("fail");
    // A NUL byte would cut the text short: no shader rather than part of one.
    overrides.setOptionI("nul", 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(clerk->buildShaderString(node, result, 0, &overrides));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PyClerk[tc_full]: buildShaderString() returned a text holding a NUL byte\n");
    EXPECT_STREQ(result.c_str(), "kept");
    overrides.removeOption("nul");
    overrides.setOptionI("echo", 3); // a number where text is expected: refused silently
    testing::internal::CaptureStderr();
    EXPECT_FALSE(clerk->buildShaderString(node, result, 0, &overrides));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(clerk->buildShaderString(nullptr, result, 0, nullptr));

    // A node of a type the clerk does not serve is never sent to the module.
    OP_Node *geometry = myNet->createNode("gen_geometry", "g");
    ASSERT_NE(geometry, nullptr);
    EXPECT_FALSE(clerk->buildShaderString(geometry->castToSHOPNode(), result, 0, nullptr));
    UT_BoundingBox box;
    EXPECT_FALSE(clerk->buildShaderBounds(geometry->castToSHOPNode(), box, 0, nullptr));
}

TEST_F(PyClerkTest, BoundsNeedExactlySixNumbers)
{
    SHOP_Node *node = plastic("b");
    ASSERT_NE(node, nullptr);
    SHOP_PyClerk *clerk = findClerk(SHOP_SURFACE, "TcFull");
    ASSERT_NE(clerk, nullptr);
    UT_Options overrides;
    UT_BoundingBox box;
    overrides.setOptionFArray("result", {0, 0, 0, 1, 2.5, 3});
    ASSERT_TRUE(clerk->buildShaderBounds(node, box, 0, &overrides));
    EXPECT_EQ(box.xmin(), 0);
    EXPECT_EQ(box.xmax(), 1);
    EXPECT_EQ(box.ymax(), 2.5f);
    EXPECT_EQ(box.zmax(), 3);
    overrides.setOptionIArray("result", {-1, -1, -1, 1, 1, 1});
    ASSERT_TRUE(clerk->buildShaderBounds(node, box, 0, &overrides));
    EXPECT_EQ(box.ymin(), -1);

    testing::internal::CaptureStderr();
    overrides.setOptionFArray("result", {0, 0, 0, 1, 1});
    EXPECT_FALSE(clerk->buildShaderBounds(node, box, 0, &overrides));
    overrides.setOptionIArray("result", {0, 0, 0, 1, 1, 1, 1});
    EXPECT_FALSE(clerk->buildShaderBounds(node, box, 0, &overrides));
    overrides.setOptionF("result", 4);
    EXPECT_FALSE(clerk->buildShaderBounds(node, box, 0, &overrides));
    overrides.setOptionS("result", "0 0 0 1 1 1");
    EXPECT_FALSE(clerk->buildShaderBounds(node, box, 0, &overrides));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(box.ymin(), -1); // untouched by the refusals

    testing::internal::CaptureStderr();
    EXPECT_FALSE(clerk->buildShaderBounds(node, box, 2, nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "PyClerk[tc_full]: KeyError: 'result'\n");

    // Six numbers that are no bounds: NaN, and a number no single-precision corner holds.
    for (const char *corner : {"nan", "1e39"})
    {
        UT_Options asked;
        asked.setOptionS("rendertype", "TcFull");
        asked.setOptionS("corner", corner);
        EXPECT_FALSE(node->buildShaderBounds(box, 0, &asked, nullptr, nullptr)) << corner;
        const UT_ErrorManager &errors = node->getErrorManager();
        ASSERT_GT(errors.getNumErrors(), 0) << corner;
        EXPECT_EQ(errors.getError(errors.getNumErrors() - 1).getText(),
                  node->getFullPath() + " bounds xmin: " + (corner[0] == 'n' ? "nan" : "inf") +
                      " is not a finite number");
    }
}

TEST_F(PyClerkTest, ShippedOslClerkWritesShaderGroupText)
{
    SHOP_PyClerk *osl = findClerk(SHOP_SURFACE, "OSL");
    ASSERT_NE(osl, nullptr);
    EXPECT_NE(findClerk(SHOP_LIGHT, "OSL"), nullptr);
    EXPECT_EQ(findClerk(SHOP_ATMOSPHERE, "OSL"), nullptr);
    SHOP_Node *node = plastic("red");
    ASSERT_NE(node, nullptr);
    set(node, "Kd", 0, "0.25");
    set(node, "Cs", 1, "0");
    set(node, "Cs", 2, "0.125");
    set(node, "uv", 0, "0.5");
    set(node, "enable", 0, "1");
    set(node, "map", 0, "C:\\maps\\\"red\".rat");
    UT_String result;
    ASSERT_TRUE(osl->buildShaderString(node, result, 0, nullptr));
    EXPECT_STREQ(result.c_str(), "param float Kd 0.25 ;\n"
                                 "param color Cs 1 0 0.125 ;\n"
                                 "param float[2] uv 0.5 0 ;\n"
                                 "param int enable 1 ;\n"
                                 "param string map \"C:\\\\maps\\\\\\\"red\\\".rat\" ;\n"
                                 "shader plastic red ;");

    UT_Options overrides;
    overrides.setOptionF("Kd", 0.75);
    overrides.setOptionS("map", "line\none");
    overrides.setOptionI("Ks", 1); // at its default, listed because overridden
    overrides.setOptionS("rendertype", "OSL");
    ASSERT_TRUE(osl->buildShaderString(node, result, 0, &overrides));
    EXPECT_STREQ(result.c_str(), "param float Kd 0.75 ;\n"
                                 "param color Cs 1 0 0.125 ;\n"
                                 "param float[2] uv 0.5 0 ;\n"
                                 "param int enable 1 ;\n"
                                 "param string map \"line\\none\" ;\n"
                                 "param float Ks 1 ;\n"
                                 "shader plastic red ;");
}

namespace
{
// A shader whose parameter names no way into the host accepts, made directly as a plug-in
// could: names reach the module as data whatever they hold.
class SneakyNode : public SHOP_Node
{
public:
    SneakyNode(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op, SHOP_SURFACE)
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new SneakyNode(parent, name, op);
    }
    int getLastParameter() const override { return getOperator()->getNumParmTemplates(); }
};
} // namespace

TEST_F(PyClerkTest, ParameterNamesReachTheModuleAsData)
{
    const std::filesystem::path marker =
        std::filesystem::path(::testing::TempDir()) / "pyclerk_name_ran";
    std::filesystem::remove(marker);
    const std::string name = "x'+__import__('os').system('touch " + marker.string() + "')+'";
    const std::string odd = "back\\slash\nnew line \"q\" \x01";
    const PRM_Template templates[] = {
        PRM_Template(PRM_FLT, 1, PRM_Name(name.c_str()), {PRM_Default(0)}),
        PRM_Template(PRM_FLT, 1, PRM_Name(odd.c_str()), {PRM_Default(0)}),
        PRM_Template(),
    };
    auto *op = new SHOP_Operator("tc_sneaky", "Sneaky", SneakyNode::myConstructor, templates, 0, 0,
                                 SHOP_Node::getVariables(), 0, 0);
    op->getShopInfo().setShaderType(SHOP_SURFACE);
    OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(op);
    SHOP_Node *node = myNet->createNode("tc_sneaky", "s")->castToSHOPNode();
    ASSERT_NE(node, nullptr);
    set(node, name.c_str(), 0, "1");
    set(node, odd.c_str(), 0, "1");

    SHOP_PyClerk *clerk = findClerk(SHOP_SURFACE, "TcFull");
    ASSERT_NE(clerk, nullptr);
    UT_String result;
    ASSERT_TRUE(clerk->buildShaderString(node, result, 0, nullptr));
    EXPECT_FALSE(std::filesystem::exists(marker));
    PY_InterpreterAutoLock lock;
    EXPECT_EQ(pyText("'|'.join(eval(__import__('shopclerks.tc_full').tc_full.last)[3])"),
              name + "|" + odd);
}

TEST_F(PyClerkTest, IntegerAnswersBeyond32BitsAreRefusedAndSaid)
{
    // Cutting 2**32 to 32 bits would read as 0, a silent "no"; clamping would hide the mistake.
    static OpenClerk clerk("tc_numbers");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(clerk.initialize());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "PyClerk[tc_numbers]: isVexClerk() returned 1099511627776, an integer beyond 32 "
              "bits\n"
              "PyClerk[tc_numbers]: shaderSupported() returned 4294967296, an integer beyond 32 "
              "bits\n"
              "PyClerk[tc_numbers]: addToRenderMask() returned an integer beyond 64 bits\n"
              "PyClerk[tc_numbers]: shaderSupported() returned -2147483649, an integer beyond 32 "
              "bits\n"
              "PyClerk[tc_numbers]: addToRenderMask() returned an integer beyond 64 bits\n");
    EXPECT_FALSE(clerk.getIsVexClerk());
    EXPECT_EQ(findClerk(SHOP_CONTOUR, "TcNumbers"), &clerk);
    EXPECT_EQ(findClerk(SHOP_IMAGE3D, "TcNumbers"), &clerk);
    EXPECT_EQ(findClerk(SHOP_LENS, "TcNumbers"), nullptr);
    EXPECT_EQ(findClerk(SHOP_TEXTURE, "TcNumbers"), nullptr);
    EXPECT_FALSE(clerk.requireAutoAdd(SHOP_CONTOUR));

    struct Case
    {
        const char *text;
        bool taken;
        int value;
    };
    const Case cases[] = {
        {"7", true, 7},
        {"-7", true, -7},
        {"True", true, 1},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"4294967296", false, 0},
        {"9223372036854775807", false, 0},
        {"18446744073709551616", false, 0},
    };
    for (const Case &c : cases)
    {
        int number = 5;
        testing::internal::CaptureStderr();
        EXPECT_EQ(clerk.runPy(number, ("number('" + std::string(c.text) + "')").c_str(), false),
                  c.taken)
            << c.text;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(number, c.taken ? c.value : 5) << c.text;
        const std::string beyond = std::string(c.text).size() > 19
                                       ? "an integer beyond 64 bits"
                                       : std::string(c.text) + ", an integer beyond 32 bits";
        EXPECT_EQ(said, c.taken ? "" : "PyClerk[tc_numbers]: number() returned " + beyond + "\n")
            << c.text;
    }
}
