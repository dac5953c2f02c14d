// Spare parameters made from a property class through an edit applied in one step.

#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>
#include <PI/PI_EditScriptedParms.h>
#include <PI/PI_PropertyClass.h>
#include <PI/PI_PropertyMap.h>
#include <PRM/PRM_Parm.h>

#include <gtest/gtest.h>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_FLT, 1, PRM_Name("ogl_alpha")), // the operator's own, not a spare one
    PRM_Template(),
};

OP_Node *makeNode()
{
    OP_Director *director = OPgetDirector();
    OP_OperatorTable *root = director->getOperatorTable(OP_Director::theRootTableName);
    if (!root->getOperator("pi_thing"))
        root->addOperator(new OP_Operator("pi_thing", "Thing", OP_GenericNode::myConstructor,
                                          theTemplates, 0, 0));
    return director->getRoot()->createNode("pi_thing");
}
} // namespace

TEST(PI_PropertyMap, ChannelsCallForTheirParameterOnceAndOnlyAfterIndexing)
{
    OP_Node *node = makeNode();
    PI_PropertyMap map("shop", {{"ogl_spec", {"ogl_specr", "ogl_specg", "ogl_specb"}, "look"},
                                {"ogl_alpha", {"ogl_alpha"}, ""},
                                {"not_in_class", {"nic"}, ""}});
    PI_EditScriptedParms edit(node, true, true);
    EXPECT_FALSE(map.createFromChannel(edit, nullptr, "ogl_specr")); // no token map yet
    map.createTokenMap();
    EXPECT_TRUE(map.createFromChannel(edit, nullptr, "ogl_specr"));
    EXPECT_TRUE(map.createFromChannel(edit, nullptr, "ogl_specb"));
    EXPECT_TRUE(map.createFromChannel(edit, nullptr, "ogl_spec"));
    EXPECT_FALSE(map.createFromChannel(edit, nullptr, "ogl_alpha")); // the operator has it
    EXPECT_FALSE(map.createFromChannel(edit, nullptr, "nic"));       // the class lacks it
    EXPECT_FALSE(map.createFromChannel(edit, nullptr, "unknown"));
    EXPECT_FALSE(map.createFromChannel(edit, nullptr, ""));
    ASSERT_EQ(edit.getNParms(), 1);
    EXPECT_EQ(edit.getGroup(0), "look");

    UT_String errors;
    OPgetDirector()->changeNodeSpareParms(*node, edit.getTemplates(), errors);
    EXPECT_FALSE(errors.isstring()) << errors.c_str();
    const PRM_Parm *spec = node->getParmPtr("ogl_spec");
    ASSERT_NE(spec, nullptr);
    EXPECT_TRUE(spec->isSpareParm());
    EXPECT_STREQ(spec->getLabel(), "OGL Specular");
    EXPECT_FLOAT_EQ(node->evalFloat("ogl_spec", 2, 0), 1.0f);
    OPgetDirector()->getRoot()->destroyNode(node);
}

TEST(PI_EditScriptedParms, ApplyingKeepsValuesRemovesWhatIsGoneAndReportsWhatCannotBeAdded)
{
    OP_Node *node = makeNode();
    std::string error;
    ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("keep")), error));
    ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("drop")), error));
    node->getParmPtr("keep")->setValue(0, 4);

    PI_EditScriptedParms edit(node, false, false);
    EXPECT_EQ(edit.getNParms(), 0);
    EXPECT_TRUE(edit.addParm(PRM_Template(PRM_FLT, 1, PRM_Name("keep"))));
    EXPECT_FALSE(edit.addParm(PRM_Template(PRM_FLT, 1, PRM_Name("keep"))));
    // Not refused by the edit (its second flag is off), so the apply step reports it.
    EXPECT_TRUE(edit.addParm(PRM_Template(PRM_FLT, 1, PRM_Name("ogl_alpha"))));
    EXPECT_TRUE(edit.addParm(PRM_Template(PRM_RGB, 3, PRM_Name("tint"))));

    UT_String errors;
    OPgetDirector()->changeNodeSpareParms(*node, edit.getTemplates(), errors);
    EXPECT_EQ(errors.toStdString(), "Parameter 'ogl_alpha' already exists");
    EXPECT_EQ(node->getParmPtr("drop"), nullptr);
    EXPECT_FLOAT_EQ(node->evalFloat("keep", 0, 0), 4.0f);
    EXPECT_NE(node->getParmPtr("tint"), nullptr);
    EXPECT_EQ(PI_PropertyClass::find("nope"), nullptr);
    ASSERT_NE(PI_PropertyClass::find("shop"), nullptr);
    EXPECT_EQ(PI_PropertyClass::find("shop")->getTemplates().size(), 16u);
    OPgetDirector()->getRoot()->destroyNode(node);
}
