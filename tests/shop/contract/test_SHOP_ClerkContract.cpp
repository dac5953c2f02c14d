// The contract every clerk keeps, checked for each clerk as the host installs it: the generic
// translator, the plug-ins loaded from dso/ and the shipped script clerk. Another clerk joins
// by one row in theClerks below.

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_ClerkRegistry.h>
#include <shop/clerk/SHOP_PyClerk.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_BoundingBox.h>
#include <UT/UT_DSO.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <climits>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace
{
/// Where a clerk under contract must come from, so that a stand-in cannot pass for it.
enum class contract_Origin
{
    Compiled, // a class of this program
    Plugin,   // a library in dso/, loaded by the host's plug-in loader
    Script,   // a module of the shopclerks package
};

struct contract_Clerk
{
    const char *name;
    contract_Origin origin;
    // A clerk that writes no shader strings may still name the node it would draw (the
    // viewport's answer): that, and never any parameter, is its string.
    bool namesNode = false;
};

// Test names and messages show the clerk by name.
void PrintTo(const contract_Clerk &clerk, std::ostream *out)
{
    *out << clerk.name;
}

// A clerk that writes no strings is held to answering none, or only the node's path.
const contract_Clerk theClerks[] = {
    {"CtBase", contract_Origin::Compiled},     {"OGL", contract_Origin::Compiled, true},
    {"OGL2", contract_Origin::Compiled, true}, {"VKorvit", contract_Origin::Plugin},
    {"RIB", contract_Origin::Plugin},          {"OSL", contract_Origin::Script},
};

/// The generic translator, as a clerk that overrides only what it must.
class contract_BaseClerk : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "CtBase"; }
    bool generatesString() const override { return true; }
};

/// A shader whose shader parameters are its operator's templates from myFirst on.
class contract_Node : public SHOP_Node
{
public:
    contract_Node(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op,
                    static_cast<SHOP_Operator *>(op)->getShopInfo().getShaderType())
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new contract_Node(parent, name, op);
    }
    int getFirstParameter() const override { return myFirst; }
    int getLastParameter() const override { return getOperator()->getNumParmTemplates(); }
    int myFirst = 0;
};

// One parameter of each kind every string clerk writes, and the kinds none may write.
const char *const theShaderParms[] = {"kfloat", "kint",  "ktoggle", "kcolor",
                                      "kuv",    "kquad", "kmatrix", "kstring"};
const char *const theDialogParms[] = {"kfolder", "ksep", "klabel"};

std::vector<PRM_Template> contract_templates(int boundsSize)
{
    std::vector<PRM_Template> t = {
        PRM_Template(PRM_SWITCHER, 1, PRM_Name("kfolder"), {PRM_Default(8, "Main")}),
        PRM_Template(PRM_FLT, 1, PRM_Name("kfloat"), {PRM_Default(0.5)}),
        PRM_Template(PRM_INT, 1, PRM_Name("kint"), {PRM_Default(3)}),
        PRM_Template(PRM_TOGGLE, 1, PRM_Name("ktoggle"), {PRM_Default(0)}),
        PRM_Template(PRM_RGB, 3, PRM_Name("kcolor"), {PRM_Default(1)}),
        PRM_Template(PRM_FLT, 2, PRM_Name("kuv"), {PRM_Default(0)}),
        PRM_Template(PRM_FLT, 4, PRM_Name("kquad"), {PRM_Default(0)}),
        PRM_Template(PRM_FLT, 16, PRM_Name("kmatrix"), {PRM_Default(0)}),
        PRM_Template(PRM_STRING, 1, PRM_Name("kstring"), {PRM_Default(0, "text")}),
        PRM_Template(PRM_SEPARATOR, 1, PRM_Name("ksep"), {PRM_Default(0, "")}),
        PRM_Template(PRM_LABEL, 1, PRM_Name("klabel"), {PRM_Default(0, "Label")}),
    };
    if (boundsSize > 0)
    {
        t.emplace_back(PRM_FLT, boundsSize, PRM_Name("bbox_min"), std::vector{PRM_Default(0)});
        t.emplace_back(PRM_FLT, boundsSize, PRM_Name("bbox_max"), std::vector{PRM_Default(0)});
    }
    t.emplace_back();
    return t;
}

// "ct_<type>" serves every renderer; "ct_flatgeometry" has bounds of two numbers per corner.
std::string contract_operator(SHOP_TYPE type, int boundsSize = 3)
{
    const std::string name =
        boundsSize == 2 ? "ct_flatgeometry" : std::string("ct_") + SHOP_Node::getShaderType(type);
    OP_OperatorTable *table = OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName);
    if (table->getOperator(name.c_str()))
        return name;
    const std::vector<PRM_Template> templates = contract_templates(boundsSize);
    auto *op = new SHOP_Operator(name.c_str(), name.c_str(), contract_Node::myConstructor,
                                 templates.data(), 0, 0, SHOP_Node::getVariables(), 0, 0);
    op->getShopInfo().setShaderType(type);
    op->getShopInfo().setRenderMask("*");
    table->addOperator(op);
    return name;
}

// The shader table as the host builds it, which loads the plug-ins and the script clerks.
void contract_install()
{
    static const bool theInstalled = []
    {
        static contract_BaseClerk theBase;
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &theBase);
        OP_Director *director = OPgetDirector();
        SHOP_Node::buildShaderTable(*director->getOperatorTable(SHOP_Node::theOpTypeName));
        director->getOperatorTable(OP_Director::theRootTableName)
            ->addOperator(SHOP_Node::getManagementOperator());
        return true;
    }();
    (void)theInstalled;
}

bool contract_registered(const SHOP_Clerk &clerk, SHOP_TYPE type)
{
    for (const SHOP_Clerk *listed : SHOP_ClerkRegistry::getClerkList(type))
        if (listed == &clerk)
            return true;
    return false;
}

SHOP_Clerk *contract_find(const char *name)
{
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
        for (SHOP_Clerk *clerk : SHOP_ClerkRegistry::getClerkList(v))
            if (std::string(clerk->getRenderName()) == name)
                return clerk;
    return nullptr;
}

bool contract_pluginLoaded(const char *name)
{
    const std::string file = std::string("/dso/") + name + ".so";
    for (const std::string &path : UT_DSO::getLoadedLibraries())
        if (path.size() > file.size() &&
            path.compare(path.size() - file.size(), file.size(), file) == 0)
            return true;
    return false;
}

// Whether `name` stands in the text as a word of its own, not inside a longer name.
bool contract_mentions(const std::string &text, const std::string &name)
{
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
    {
        const size_t end = at + name.size();
        if ((at == 0 || !word(text[at - 1])) && (end == text.size() || !word(text[end])))
            return true;
    }
    return false;
}

/// Sets SHOP_ALL_PARMS for as long as it lives.
struct contract_AllParms
{
    contract_AllParms() { setenv("SHOP_ALL_PARMS", "1", 1); }
    ~contract_AllParms() { unsetenv("SHOP_ALL_PARMS"); }
};

class ClerkContract : public ::testing::TestWithParam<contract_Clerk>
{
protected:
    void SetUp() override
    {
        contract_install();
        myClerk = contract_find(GetParam().name);
        ASSERT_NE(myClerk, nullptr) << GetParam().name << " is not installed";
        const contract_Origin origin = GetParam().origin;
        ASSERT_TRUE(origin != contract_Origin::Plugin || contract_pluginLoaded(GetParam().name))
            << GetParam().name << " is not the plug-in's";
        ASSERT_TRUE(origin != contract_Origin::Script || dynamic_cast<SHOP_PyClerk *>(myClerk))
            << GetParam().name << " is not the script clerk";
        myNet = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet"));
        ASSERT_NE(myNet, nullptr);
    }
    void TearDown() override
    {
        if (myNet)
            OPgetDirector()->getRoot()->destroyNode(myNet);
    }

    SHOP_Node *make(SHOP_TYPE type, int boundsSize = 3)
    {
        OP_Node *node = myNet->createNode(contract_operator(type, boundsSize).c_str());
        EXPECT_NE(node, nullptr);
        return node ? node->castToSHOPNode() : nullptr;
    }
    static void set(SHOP_Node *node, const char *parm, double value)
    {
        PRM_Parm *p = node->getParmPtr(parm);
        for (int i = 0; i < p->getVectorSize(); ++i)
            ASSERT_TRUE(p->setValue(i, value)) << parm << " " << value;
    }
    static void setText(SHOP_Node *node, const char *parm, const std::string &text)
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr(parm)->setValueFromText(0, text.c_str(), error)) << error;
    }

    /// The clerk's shader string, asked twice: the same request must give the same answer.
    /// "<none>" when it answers false, which must leave the result untouched.
    std::string build(SHOP_Node *node, const UT_Options *overrides = nullptr)
    {
        std::string answers[2];
        for (std::string &answer : answers)
        {
            UT_String result("<untouched>");
            const bool built = myClerk->buildShaderString(node, result, 0, overrides);
            EXPECT_TRUE(built || result.toStdString() == "<untouched>") << result.toStdString();
            answer = built ? result.toStdString() : "<none>";
        }
        EXPECT_EQ(answers[0], answers[1]);
        return answers[0];
    }
    /// A string from a clerk that writes strings, none from any other (or only the node's
    /// path, from one that names nodes).
    std::string mustBuild(SHOP_Node *node, const UT_Options *overrides = nullptr)
    {
        const std::string text = build(node, overrides);
        if (GetParam().namesNode)
            EXPECT_EQ(text, node->getFullPath());
        else
            EXPECT_EQ(text == "<none>", !myClerk->generatesString()) << text;
        return text;
    }
    /// What a clerk writes when it may write no parameters.
    std::string nothingFor(SHOP_Node *node) const
    {
        return GetParam().namesNode ? node->getFullPath() : "<none>";
    }

    SHOP_Clerk *myClerk = nullptr;
    OP_Network *myNet = nullptr;
};

TEST_P(ClerkContract, AnUnservedTypeAnswersFalseAndLeavesTheResultUntouched)
{
    int unserved = 0;
    for (int v = 0; v < SHOP_MAX_TYPES; ++v)
    {
        const SHOP_TYPE type = static_cast<SHOP_TYPE>(v);
        if (SHOPgetType(v) == SHOP_UNDEFINED || contract_registered(*myClerk, type))
            continue;
        ++unserved;
        SHOP_Node *node = make(type);
        ASSERT_NE(node, nullptr);
        set(node, "kfloat", 0.25);
        EXPECT_EQ(build(node), "<none>") << SHOP_Node::getShaderType(type);
        UT_BoundingBox box(-7, -7, -7, 7, 7, 7);
        EXPECT_FALSE(myClerk->buildShaderBounds(node, box, 0, nullptr));
        EXPECT_EQ(box.xmin(), -7);
        EXPECT_EQ(box.zmax(), 7);
    }
    EXPECT_GT(unserved, 0);

    // A clerk that writes no strings writes none for the types it serves either.
    if (!myClerk->generatesString())
    {
        SHOP_Node *served = make(SHOP_SURFACE);
        EXPECT_EQ(build(served), nothingFor(served));
    }
}

TEST_P(ClerkContract, OnlyParametersAwayFromTheirDefaultsAreWritten)
{
    SHOP_Node *node = make(SHOP_SURFACE);
    ASSERT_NE(node, nullptr);
    std::string text = mustBuild(node);
    for (const char *parm : theShaderParms)
        EXPECT_FALSE(contract_mentions(text, parm)) << parm << " in " << text;

    set(node, "kfloat", 0.25);
    setText(node, "kstring", "other");
    text = mustBuild(node);
    if (myClerk->generatesString())
        for (const char *parm : theShaderParms)
        {
            const bool changed = std::string(parm) == "kfloat" || std::string(parm) == "kstring";
            EXPECT_EQ(contract_mentions(text, parm), changed) << parm << " in " << text;
        }

    // A folder, separator or label holds no shader value, whatever it holds.
    set(node, "kfolder", 1);
    setText(node, "ksep", "x");
    setText(node, "klabel", "other");
    contract_AllParms all;
    text = mustBuild(node);
    if (!myClerk->generatesString())
        return;
    for (const char *parm : theShaderParms)
        EXPECT_TRUE(contract_mentions(text, parm)) << parm << " in " << text;
    for (const char *parm : theDialogParms)
        EXPECT_FALSE(contract_mentions(text, parm)) << parm << " in " << text;
}

TEST_P(ClerkContract, NumbersHonourThePrecisionAsked)
{
    SHOP_Node *node = make(SHOP_SURFACE);
    ASSERT_NE(node, nullptr);
    set(node, "kfloat", 1.0 / 3);
    UT_Options options;
    options.setOptionI("qelo_precision", 3);
    const std::string three = mustBuild(node, &options);
    options.setOptionI("qelo_precision", 1);
    const std::string one = mustBuild(node, &options);
    const std::string unasked = mustBuild(node);
    if (myClerk->generatesString())
    {
        EXPECT_NE(three.find("0.333"), std::string::npos) << three;
        EXPECT_EQ(three.find("0.3333"), std::string::npos) << three;
        EXPECT_NE(one.find("0.3"), std::string::npos) << one;
        EXPECT_EQ(one.find("0.33"), std::string::npos) << one;
        EXPECT_NE(unasked.find("0.333333"), std::string::npos) << unasked;
    }
    // Counts no formatter takes as they are: none may fail a build or read outside a buffer.
    for (int precision : {0, -1, INT_MIN, 17, 1000, INT_MAX})
    {
        options.setOptionI("qelo_precision", precision);
        mustBuild(node, &options);
    }
}

TEST_P(ClerkContract, BoundsAreSixFiniteNumbersOfAProceduralOrNothing)
{
    UT_Options asked;
    asked.setOptionS("rendertype", GetParam().name);
    const UT_BoundingBox untouched(-7, -7, -7, 7, 7, 7);
    auto bounds = [&](SHOP_Node *node, UT_BoundingBox &box)
    {
        box = untouched;
        const bool set = node->buildShaderBounds(box, 0, &asked, nullptr, nullptr);
        EXPECT_TRUE(set || (box.xmin() == -7 && box.ymin() == -7 && box.zmin() == -7 &&
                            box.xmax() == 7 && box.ymax() == 7 && box.zmax() == 7))
            << "a refused box was changed: " << box.xmin() << " " << box.xmax();
        return set;
    };

    SHOP_Node *node = make(SHOP_GEOMETRY);
    ASSERT_NE(node, nullptr);
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(node->getParmPtr("bbox_min")->setValue(i, -1 - i));
        ASSERT_TRUE(node->getParmPtr("bbox_max")->setValue(i, 4 + i));
    }
    UT_BoundingBox box;
    if (bounds(node, box))
    {
        EXPECT_EQ(box.xmin(), -1);
        EXPECT_EQ(box.ymin(), -2);
        EXPECT_EQ(box.zmin(), -3);
        EXPECT_EQ(box.xmax(), 4);
        EXPECT_EQ(box.ymax(), 5);
        EXPECT_EQ(box.zmax(), 6);
    }

    // A corner that fails to evaluate (it reads as 0) is no bound, nor is one beyond a float.
    for (const char *expression : {"ch(\"../nowhere/x\")", "1e39"})
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr("bbox_max")->setExpression(1, expression, error)) << error;
        EXPECT_FALSE(bounds(node, box)) << expression;
    }

    SHOP_Node *flat = make(SHOP_GEOMETRY, 2);
    ASSERT_NE(flat, nullptr);
    set(flat, "bbox_max", 1);
    EXPECT_FALSE(bounds(flat, box));

    // Only procedural geometry has bounds, whatever parameters another shader holds.
    SHOP_Node *surface = make(SHOP_SURFACE);
    ASSERT_NE(surface, nullptr);
    set(surface, "bbox_max", 1);
    EXPECT_FALSE(bounds(surface, box));
}

TEST_P(ClerkContract, ARangeStartingOutsideTheParameterListWritesNothing)
{
    SHOP_Node *node = make(SHOP_SURFACE);
    ASSERT_NE(node, nullptr);
    set(node, "kfloat", 0.25);
    for (int first : {1000, -1})
    {
        static_cast<contract_Node *>(node)->myFirst = first;
        EXPECT_EQ(build(node), nothingFor(node)) << first;
    }
}

TEST_P(ClerkContract, ExtremeValuesNeverCrashAClerkNorGetCut)
{
    SHOP_Node *node = make(SHOP_SURFACE);
    ASSERT_NE(node, nullptr);
    const std::string longText(100000, 'w');
    struct Extreme
    {
        int integer;
        float number;
        std::string text;
    };
    const Extreme extremes[] = {
        {INT_MAX, FLT_MAX, longText},
        {INT_MIN, -FLT_MAX, ""},
        {0, FLT_TRUE_MIN, "\"quoted\" back\\slash\nnew line\ttab \x01 \xff\xfe bytes"},
    };
    for (const Extreme &extreme : extremes)
    {
        set(node, "kint", extreme.integer);
        set(node, "ktoggle", extreme.integer != 0);
        for (const char *parm : {"kfloat", "kcolor", "kuv", "kquad", "kmatrix"})
            set(node, parm, extreme.number);
        setText(node, "kstring", extreme.text);
        // Bytes that are no text may be refused; anything else must come out whole.
        if (extreme.integer == 0)
        {
            build(node);
            continue;
        }
        const std::string text = mustBuild(node);
        if (!myClerk->generatesString())
            continue;
        EXPECT_NE(text.find(std::to_string(extreme.integer)), std::string::npos) << extreme.integer;
        EXPECT_NE(text.find(extreme.text), std::string::npos) << "the text was cut";
    }
}

INSTANTIATE_TEST_SUITE_P(Clerks, ClerkContract, ::testing::ValuesIn(theClerks),
                         [](const ::testing::TestParamInfo<contract_Clerk> &info)
                         { return std::string(info.param.name); });
} // namespace
