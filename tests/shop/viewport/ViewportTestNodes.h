#pragma once

#include <shop/node/SHOP_Node.h>
#include <shop/operator/SHOP_ScriptNode.h>
#include <shop/operator/SHOP_ScriptOperator.h>
#include <shop/viewport/SHOP_ReData.h>

#include <FS/DS_Stream.h>
#include <OP/OP_Director.h>
#include <OP/OP_OTLDefinition.h>
#include <RE/RE_Material.h>
#include <UT/UT_Options.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

// Surface shaders defined as assets, as the host installs them, with GLSL sections that a
// test can change; one manager network per test.
namespace vptest
{
/// A script node whose render mask a test may change, as an operator's new mask would.
class MaskNode : public SHOP_ScriptNode
{
public:
    using SHOP_ScriptNode::SHOP_ScriptNode;
    static OP_Node *myConstructor(OP_Network *parent, const char *name, OP_Operator *op)
    {
        return new MaskNode(parent, name, static_cast<SHOP_ScriptOperator *>(op));
    }
    using SHOP_Node::setRenderMask;
};

/// The definitions behind the operators, kept so that tests can touch their sections.
inline std::map<std::string, OP_OTLDefinition> &definitions()
{
    static std::map<std::string, OP_OTLDefinition> theDefinitions;
    return theDefinitions;
}

inline void install()
{
    static const bool theInstalled = []
    {
        OP_Director *director = OPgetDirector();
        SHOP_Node::buildShaderTable(*director->getOperatorTable(SHOP_Node::theOpTypeName));
        director->getOperatorTable(OP_Director::theRootTableName)
            ->addOperator(SHOP_Node::getManagementOperator());
        return true;
    }();
    (void)theInstalled;
}

/// Adds (once) a surface operator `name` from a dialog script, with the given GLSL sections
/// (empty: none), and returns its definition.
inline OP_OTLDefinition &addShader(const std::string &name, const std::string &script,
                                   const std::string &vertex = "", const std::string &fragment = "")
{
    install();
    auto found = definitions().find(name);
    if (found != definitions().end())
        return found->second;
    OP_OTLDefinition &def = definitions()[name];
    def.setName(name);
    def.setLabel(name);
    def.setOpType("surface");
    def.setSourcePath("vp.asset?" + name);
    def.setAssetPath("vp.asset", 1);
    def.indexFile().addSection({"DialogScript", 1, script});
    if (!vertex.empty())
        def.indexFile().addSection({"GlslVertex", 100, vertex});
    if (!fragment.empty())
        def.indexFile().addSection({"GlslFragment", 100, fragment});
    auto *op = new SHOP_ScriptOperator(def.getSourcePath().c_str(), name.c_str(), name.c_str(),
                                       MaskNode::myConstructor, SHOP_SURFACE);
    DS_Stream stream(script, "vp.asset", name);
    EXPECT_TRUE(op->loadParmTemplates(stream)) << stream.getErrorText();
    op->setOTLIndexFile(def.shareIndexFile());
    OPgetDirector()->getOperatorTable(SHOP_Node::theOpTypeName)->addOperator(op);
    return def;
}

/// Sets an environment variable for as long as it lives.
struct ScopedEnv
{
    ScopedEnv(const char *name, const char *value) : myName(name) { setenv(name, value, 1); }
    ~ScopedEnv() { unsetenv(myName); }
    const char *myName;
};

class ViewportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        install();
        myNet = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode("shopnet"));
        ASSERT_NE(myNet, nullptr);
    }
    void TearDown() override
    {
        if (myNet)
            OPgetDirector()->getRoot()->destroyNode(myNet);
    }
    MaskNode *make(const char *type)
    {
        OP_Node *node = myNet->createNode(type);
        EXPECT_NE(node, nullptr) << type;
        return static_cast<MaskNode *>(node);
    }
    /// The material of the node for the request; null when there is none.
    static RE_Material *material(SHOP_Node *node, SHOP_ReData &data,
                                 const UT_Options *overrides = nullptr, float now = 0)
    {
        if (!node->buildShaderData(data, now, overrides, nullptr, nullptr))
            return nullptr;
        return data.getMaterial();
    }

    OP_Network *myNet = nullptr;
};
} // namespace vptest
