#pragma once

// A network that owns a code generator and forwards its events as shader networks do, in a
// table of its own below a manager each test makes fresh.

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_Network.h>
#include <VOP/VOP_CodeGenerator.h>
#include <VOP/VOP_Operator.h>

#include "VOP_ForwardingOwner.h"

#include <gtest/gtest.h>

#include <string>

namespace voptest
{

using TestOwner = ForwardingOwner;

inline constexpr const char *theOwnerTable = "VOPTestOwners";
inline constexpr const char *theManagerType = "voptestmgr";

template <int VEX, int RSL>
OP_Node *makeOwner(OP_Network *parent, const char *name, OP_Operator *op)
{
    return new TestOwner(parent, name, op, VEX, RSL);
}

inline void install()
{
    static bool done = []
    {
        OP_Director *director = OPgetDirector();
        VOP_Operator::buildOperatorTable(*director->getOperatorTable(VOP_Operator::theTableName));
        OP_OperatorTable *owners = director->getOperatorTable(theOwnerTable);
        const PRM_Template compiler[] = {
            PRM_Template(PRM_STRING, 1, PRM_Name(VOP_CodeGenerator::theVopCompilerName),
                         {PRM_Default(0, VOP_CodeGenerator::theVopCompilerVexDefault)},
                         VOP_CodeGenerator::theVopCompilerChoices),
            PRM_Template(PRM_CALLBACK, 1, PRM_Name(VOP_CodeGenerator::theVopForceCompileName)),
            PRM_Template(),
        };
        auto owner = [&](const char *name, OP_Constructor make)
        {
            auto *op = new OP_Operator(name, name, make, compiler, 0, 0,
                                       VOP_CodeGenerator::theLocalVariables, OP_FLAG_NETWORK);
            op->setChildTableName(VOP_Operator::theTableName);
            owners->addOperator(op);
        };
        owner("vexsurface", makeOwner<1, 0>);
        owner("rslsurface", makeOwner<0, 1>);
        owner("bothsurface", makeOwner<1, 1>);
        owner("vexlight", makeOwner<4, 0>);
        owner("vexdisplace", makeOwner<2, 0>);
        owner("nocontext", makeOwner<0, 0>);
        auto *manager =
            new OP_Operator(theManagerType, "VOP Test Manager", OP_GenericNetwork::myConstructor,
                            nullptr, 0, 0, nullptr, OP_FLAG_NETWORK | OP_FLAG_MANAGER);
        manager->setChildTableName(theOwnerTable);
        director->getOperatorTable(OP_Director::theRootTableName)->addOperator(manager);
        return true;
    }();
    (void)done;
}

class VOPTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        install();
        mgr = static_cast<OP_Network *>(OPgetDirector()->getRoot()->createNode(theManagerType));
        ASSERT_NE(mgr, nullptr);
    }
    void TearDown() override { OPgetDirector()->getRoot()->destroyNode(mgr); }

    TestOwner *owner(const char *type, const char *name = "shader")
    {
        return static_cast<TestOwner *>(mgr->createNode(type, name));
    }
    static OP_Node *add(OP_Network *net, const char *type, const char *name)
    {
        std::string error;
        OP_Node *node = net->createNode(type, name, error);
        EXPECT_NE(node, nullptr) << error;
        return node;
    }
    static void set(OP_Node *node, const char *parm, const char *value, int component = 0)
    {
        std::string error;
        ASSERT_NE(node->getParmPtr(parm), nullptr) << parm;
        ASSERT_TRUE(node->getParmPtr(parm)->setValueFromText(component, value, error)) << error;
    }
    static void wire(OP_Node *src, OP_Node *dst, unsigned input, unsigned output = 0)
    {
        ASSERT_TRUE(dst->setInput(input, src, output));
    }
    static std::string errors(TestOwner *net)
    {
        std::string text;
        for (const UT_Error &e : net->getVopCodeGenerator()->getErrorManager().getErrors())
            text += e.getMessage() + "\n";
        return text;
    }

    OP_Network *mgr = nullptr;
};

} // namespace voptest
