#pragma once

#include <shop/clerk/SHOP_Clerk.h>
#include <shop/clerk/SHOP_ClerkCacheEntry.h>
#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_Operator.h>

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <PRM/PRM_Parm.h>
#include <UT/UT_DMatrix4.h>
#include <UT/UT_Options.h>
#include <UT/UT_String.h>
#include <UT/UT_WorkBuffer.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Shader node types, clerks and a fresh manager network per test. Every template has defaults:
// one without any never counts as default and so would be written into every shader string. The
// clerk registry and the operator tables live for the whole test program, so everything here is
// installed once and under names no other suite uses.
namespace shoptest
{

inline constexpr const char *theManagerType = "t_shopmgr";

/// A plain shader node whose shader parameters are all of its operator's templates. Its
/// reported type can differ from its type field, as choosing nodes do.
class TestShopNode : public SHOP_Node
{
public:
    TestShopNode(OP_Network *parent, const char *name, OP_Operator *op)
        : SHOP_Node(parent, name, op, typeOf(op))
    {
    }
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new TestShopNode(parent, name, op);
    }
    static SHOP_TYPE typeOf(OP_Operator *op)
    {
        auto *info = dynamic_cast<SHOP_OperatorInfo *>(op->getOpSpecificData());
        return info ? info->getShaderType() : SHOP_UNDEFINED;
    }

    SHOP_TYPE getShaderType() const override
    {
        return myReported == SHOP_UNDEFINED ? SHOP_Node::getShaderType() : myReported;
    }
    int getFirstParameter() const override { return myFirst; }
    int getLastParameter() const override
    {
        return myLast < 0 ? getOperator()->getNumParmTemplates() : myLast;
    }

    using SHOP_Node::getShaderType;
    using SHOP_Node::renderMatch;
    using SHOP_Node::setShaderType;

    SHOP_TYPE myReported = SHOP_UNDEFINED;
    int myFirst = 0;
    int myLast = -1; // all of the operator's templates
};

/// A node of no shader kind with a fixed world transform whose rows all differ.
class XformNode : public OP_Node
{
public:
    XformNode(OP_Network *parent, const char *name, OP_Operator *op) : OP_Node(parent, name, op) {}
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new XformNode(parent, name, op);
    }
    bool getWorldTransform(UT_DMatrix4 &matrix, OP_Context &) override
    {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                matrix(r, c) = r * 4 + c + 0.1;
        return true;
    }
};

/// A clerk whose descriptive answers are set at construction; it counts its string builds and
/// records what the node looked like while it ran.
class TestClerk : public SHOP_Clerk
{
public:
    TestClerk(const char *name, bool strings, bool autoAdd = false, bool vex = false)
        : myName(name), myStrings(strings), myAutoAdd(autoAdd), myVex(vex)
    {
    }
    const char *getRenderName() const override { return myName.c_str(); }
    bool generatesString() const override { return myStrings; }
    bool requireAutoAdd(SHOP_TYPE) const override { return myAutoAdd; }
    bool getIsVexClerk() const override { return myVex; }

    bool buildShaderString(SHOP_Node *node, UT_String &result, float now,
                           const UT_Options *overrides) override
    {
        ++builds;
        seenObject = node->getCallingOBJ();
        seenSop = node->getCallingSOP();
        seenObjVariable.clear();
        node->getVariableString(0, seenObjVariable, 0); // $OBJ
        seenSopVariable.clear();
        node->getVariableString(1, seenSopVariable, 0); // $SOP
        if (node->hasParm("objpath"))
            node->evalString(seenObjParm, "objpath", 0, now);
        return SHOP_Clerk::buildShaderString(node, result, now, overrides);
    }

    // For the declaration-style writer, which only subclasses may call.
    using SHOP_Clerk::buildParmCommand;
    using SHOP_Clerk::buildRenderManParm;

    int builds = 0;
    OP_Node *seenObject = nullptr;
    OP_Node *seenSop = nullptr;
    UT_String seenObjVariable;
    UT_String seenSopVariable;
    UT_String seenObjParm;

private:
    std::string myName;
    bool myStrings;
    bool myAutoAdd;
    bool myVex;
};

/// A cache entry that counts its deletions.
struct CountedEntry : SHOP_ClerkCacheEntry
{
    explicit CountedEntry(int &deleted) : myDeleted(deleted) {}
    ~CountedEntry() override { ++myDeleted; }
    int &myDeleted;
};

/// The clerks every suite can rely on. Surface: VKorvit (VEX strings), RIB (strings), OGL (no
/// strings). Displacement: OGL, then its own VKorvit, so that lookups by reported type and by
/// type field find different clerks.
struct Clerks
{
    TestClerk vkorvit{"VKorvit", true, false, true};
    TestClerk rib{"RIB", true};
    TestClerk ogl{"OGL", false};
    TestClerk dispOgl{"OGL", false};
    TestClerk dispVkorvit{"VKorvit", true, false, true};
};

inline Clerks &clerks()
{
    static Clerks *theClerks = []
    {
        auto *c = new Clerks;
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &c->vkorvit);
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &c->rib);
        SHOP_Node::addShaderClerk(SHOP_SURFACE, &c->ogl);
        SHOP_Node::addShaderClerk(SHOP_DISPLACEMENT, &c->dispOgl);
        SHOP_Node::addShaderClerk(SHOP_DISPLACEMENT, &c->dispVkorvit);
        SHOP_Node::addShaderClerk(SHOP_CVEX, &c->vkorvit);
        return c;
    }();
    return *theClerks;
}

/// Adds an operator of nodes that `constructor` makes to the "SHOP" table. Every test operator
/// can hold shader children.
inline SHOP_Operator *addShopOperator(const char *name, OP_Constructor constructor, SHOP_TYPE type,
                                      std::vector<PRM_Template> templates = {},
                                      unsigned maxInputs = 2, const char *mask = "*",
                                      unsigned flags = 0)
{
    templates.emplace_back();
    auto *op = new SHOP_Operator(name, name, constructor, templates.data(), 0, maxInputs,
                                 SHOP_Node::getVariables(), flags | OP_FLAG_NETWORK, 0);
    op->setChildTableName(SHOP_Node::theOpTypeName);
    op->getShopInfo().setShaderType(type);
    op->getShopInfo().setRenderMask(mask);
    OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(op);
    return op;
}

/// Adds an operator of test shader nodes with two inputs.
inline SHOP_Operator *addShop(const char *name, SHOP_TYPE type, const char *mask,
                              std::vector<PRM_Template> templates = {}, unsigned flags = 0)
{
    return addShopOperator(name, TestShopNode::myConstructor, type, std::move(templates), 2, mask,
                           flags);
}

inline PRM_Template noCook(PRM_Template tmpl)
{
    tmpl.setNoCook(true);
    return tmpl;
}

inline void install()
{
    static bool done = []
    {
        clerks();
        OP_Director *director = OPgetDirector();
        auto *manager =
            new OP_Operator(theManagerType, "Shop Test Manager", OP_GenericNetwork::myConstructor,
                            nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER);
        manager->setChildTableName(SHOP_Node::theOpTypeName);
        director->getOperatorTable(OP_Director::theRootTableName)->addOperator(manager);

        director->getOperatorTable(SHOP_Node::theOpTypeName)
            ->addOperator(
                new OP_Operator("t_xform", "Transform", XformNode::myConstructor, nullptr, 0, 0));
        addShop("t_surface", SHOP_SURFACE, "*");
        addShop("t_displace", SHOP_DISPLACEMENT, "*");
        addShop("t_net", SHOP_MATERIAL, "*");
        addShop("t_vkonly", SHOP_SURFACE, "VKorvit");
        addShop("t_riboglmask", SHOP_SURFACE, "RIB OGL");
        addShop("t_oglmask", SHOP_DISPLACEMENT, "OGL");

        // Ks stays at its default and so must not be written.
        auto rman = std::make_shared<PRM_SpareData>(
            std::initializer_list<std::pair<const std::string, std::string>>{
                {PRM_SpareData::theRenderManTypeKey, "float"}});
        addShop("plastic", SHOP_SURFACE, "*",
                {PRM_Template(PRM_FLT, 1, PRM_Name("Kd"), {PRM_Default(1)}, nullptr, {}, rman),
                 PRM_Template(PRM_RGB, 3, PRM_Name("Cs"), {PRM_Default(1)}),
                 PRM_Template(PRM_FLT, 2, PRM_Name("uv"), {PRM_Default(0)}),
                 PRM_Template(PRM_TOGGLE, 1, PRM_Name("enable"), {PRM_Default(0)}),
                 PRM_Template(PRM_FLT, 1, PRM_Name("Ks"), {PRM_Default(0.5)})});

        addShop("t_pi", SHOP_SURFACE, "*",
                {PRM_Template(PRM_FLT, 1, PRM_Name("val"), {PRM_Default(0)})});

        // One parameter of every kind the translator distinguishes.
        addShop("t_parms", SHOP_SURFACE, "*",
                {PRM_Template(PRM_SWITCHER, 1, PRM_Name("folder"), {PRM_Default(9, "Main")}),
                 PRM_Template(PRM_FLT, 1, PRM_Name("f"), {PRM_Default(0.5)}),
                 PRM_Template(PRM_INT, 1, PRM_Name("i"), {PRM_Default(3)}),
                 PRM_Template(PRM_TOGGLE, 1, PRM_Name("tog"), {PRM_Default(0)}),
                 PRM_Template(PRM_RGB, 3, PRM_Name("col"), {PRM_Default(1)}),
                 PRM_Template(PRM_FLT, 2, PRM_Name("v2"), {PRM_Default(0)}),
                 PRM_Template(PRM_FLT, 5, PRM_Name("f5"), {PRM_Default(0)}),
                 PRM_Template(PRM_INT, 3, PRM_Name("i3"), {PRM_Default(0)}),
                 PRM_Template(PRM_STRING, 1, PRM_Name("s"), {PRM_Default(0, "text")}),
                 PRM_Template(PRM_SEPARATOR, 1, PRM_Name("sep"), {PRM_Default(0, "")}),
                 PRM_Template(PRM_LABEL, 1, PRM_Name("lab"), {PRM_Default(0, "Label")}),
                 PRM_Template(PRM_STRING, 1, PRM_Name("objpath"), {PRM_Default(0, "")}),
                 noCook(PRM_Template(PRM_FLT, 1, PRM_Name("nc"), {PRM_Default(0)})),
                 noCook(PRM_Template(PRM_FLT, 1, PRM_Name("ncref"), {PRM_Default(0)})),
                 noCook(PRM_Template(PRM_FLT, 1, PRM_Name("ncover"), {PRM_Default(0)})),
                 noCook(PRM_Template(PRM_FLT, 1, PRM_Name("ncoff"), {PRM_Default(0)}))});

        // Defaults that are expressions never count as held.
        addShop("t_exprdef", SHOP_SURFACE, "*",
                {PRM_Template(PRM_FLT, 1, PRM_Name("fexpr"),
                              {PRM_Default(0, "1+1", PRM_DEFAULT_EXPRESSION)}),
                 PRM_Template(PRM_INT, 1, PRM_Name("iexpr"),
                              {PRM_Default(0, "2", PRM_DEFAULT_EXPRESSION)}),
                 PRM_Template(PRM_STRING, 1, PRM_Name("sexpr"),
                              {PRM_Default(0, "$OS", PRM_DEFAULT_EXPRESSION)})});
        return true;
    }();
    (void)done;
}

class ShopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        install();
        mgr = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode(theManagerType));
        ASSERT_NE(mgr, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(mgr); }

    /// A new node of `type` in `in` (the manager network by default), as a T.
    template <typename T = TestShopNode>
    T *make(const char *type, OP_Network *in = nullptr, const char *name = nullptr)
    {
        std::string error;
        OP_Node *node = (in ? in : mgr)->createNode(type, name, error);
        EXPECT_NE(node, nullptr) << error;
        return dynamic_cast<T *>(node);
    }
    static void wire(OP_Node *dst, unsigned input, OP_Node *src)
    {
        std::string error;
        ASSERT_TRUE(dst->setInput(input, src, 0, error)) << error;
    }
    static void setExpr(OP_Node *node, const char *parm, const char *text, int component = 0)
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr(parm)->setExpression(component, text, error)) << error;
    }
    static void set(OP_Node *node, const char *parm, std::vector<double> values)
    {
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_TRUE(node->getParmPtr(parm)->setValue(static_cast<int>(i), values[i]));
    }
    static void setText(OP_Node *node, const char *parm, const char *text)
    {
        std::string error;
        ASSERT_TRUE(node->getParmPtr(parm)->setValueFromText(0, text, error)) << error;
    }
    static std::string build(SHOP_Node *node, const UT_Options *overrides = nullptr,
                             OP_Node *obj = nullptr, OP_Node *sop = nullptr)
    {
        UT_String result("<untouched>");
        if (!node->buildShaderString(result, 0, overrides, obj, sop))
            return "<failed:" + result.toStdString() + ">";
        return result.toStdString();
    }

    OP_Network *mgr = nullptr;
};

} // namespace shoptest
