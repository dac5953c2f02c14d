// Editable parameter sets: folders read as pairs of entries and made switchers again, entries
// moved and removed, and links made from other nodes' channels.

#include <OP/OP_Director.h>
#include <OP/OP_GenericNode.h>
#include <OP/OP_Network.h>
#include <PI/PI_DisableRule.h>
#include <PI/PI_EditScriptedParms.h>
#include <PRM/PRM_Parm.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const PRM_Template theNoTemplates[] = {PRM_Template()};

OP_Node *makeNode(const char *name)
{
    OP_OperatorTable *root = OPgetDirector()->getOperatorTable(OP_Director::theRootTableName);
    if (!root->getOperator("pi_plain"))
        root->addOperator(new OP_Operator("pi_plain", "Plain", OP_GenericNode::myConstructor,
                                          theNoTemplates, 0, 0));
    return OPgetDirector()->getRoot()->createNode("pi_plain", name);
}

std::string kinds(const PI_EditScriptedParms &edit)
{
    std::string text;
    for (int i = 0; i < edit.getNParms(); ++i)
    {
        const PI_EditScriptedParm &entry = *edit.getParm(i);
        text += entry.isGroupStart() ? std::string("[") + entry.getLabel()
                : entry.isGroupEnd() ? std::string("]")
                                     : std::string(entry.getName());
        text += " ";
    }
    return text;
}
} // namespace

TEST(PI_EditScriptedParms, FoldersAreEntryPairsThatBecomeTheSameSwitchersAgain)
{
    OP_Node *node = makeNode("folders");
    // A switcher of folders A (a and a nested switcher, which counts as one) and B (b), then a
    // parameter outside any folder.
    const std::vector<PRM_Template> spare = {
        PRM_Template(PRM_SWITCHER, 2, PRM_Name("sw", "Tabs"), {{2, "A"}, {1, "B"}}),
        PRM_Template(PRM_FLT, 1, PRM_Name("a")),
        PRM_Template(PRM_SWITCHER, 1, PRM_Name("inner"), {{1, "N"}}),
        PRM_Template(PRM_FLT, 1, PRM_Name("n")),
        PRM_Template(PRM_FLT, 1, PRM_Name("b")),
        PRM_Template(PRM_FLT, 1, PRM_Name("tail")),
        PRM_Template()};
    UT_String errors;
    OPgetDirector()->changeNodeSpareParms(*node, spare.data(), errors);
    ASSERT_FALSE(errors.isstring()) << errors.c_str();

    PI_EditScriptedParms edit(node, true, true);
    EXPECT_EQ(kinds(edit), "[A a [N n ] ] [B b ] tail ");
    EXPECT_EQ(edit.getMatchingGroupParm(0), 5);
    EXPECT_EQ(edit.getMatchingGroupParm(5), 0);
    EXPECT_EQ(edit.getMatchingGroupParm(2), 4);
    EXPECT_EQ(edit.getMatchingGroupParm(6), 8);
    EXPECT_EQ(edit.getMatchingGroupParm(1), -1);

    // Made again, the set is the node's own: a run of folders one switcher, sizes by level.
    const PRM_Template *made = edit.getTemplates();
    for (size_t i = 0; i + 1 < spare.size(); ++i)
    {
        EXPECT_STREQ(made[i].getToken(), spare[i].getToken());
        EXPECT_EQ(made[i].getVectorSize(), spare[i].getVectorSize()) << spare[i].getToken();
        for (int f = 0; made[i].getType().hasFlag(PRM_TYPE_SWITCHERLIST) && f < 2; ++f)
            if (const PRM_Default *def = spare[i].getDefault(f);
                def && f < spare[i].getVectorSize())
            {
                EXPECT_EQ(made[i].getDefault(f)->getOrdinal(), def->getOrdinal());
                EXPECT_STREQ(made[i].getDefault(f)->getString(), def->getString());
            }
    }
    EXPECT_TRUE(made[spare.size() - 1].isTerminator());

    // "tail" into folder B, before b; then folder A out, contents and all.
    edit.moveParms(9, 9, -2);
    EXPECT_EQ(kinds(edit), "[A a [N n ] ] [B tail b ] ");
    edit.removeParms(0, edit.getMatchingGroupParm(0));
    EXPECT_EQ(kinds(edit), "[B tail b ] ");
    OPgetDirector()->changeNodeSpareParms(*node, edit.getTemplates(), errors);
    EXPECT_EQ(node->getParmPtr("a"), nullptr);
    EXPECT_EQ(node->getParmList()->getParmIndex("tail") + 1,
              node->getParmList()->getParmIndex("b"));
    OPgetDirector()->getRoot()->destroyNode(node);
}

TEST(PI_EditScriptedParms, AutoLinksMakeReferencesRelativeToTheLinkedNodeAndNameFailures)
{
    OP_Node *holder = makeNode("holder");
    OP_Node *reader = makeNode("reader");
    std::string error;
    ASSERT_TRUE(reader->addSpareParm(PRM_Template(PRM_RGB, 3, PRM_Name("c")), error));
    PI_EditScriptedParms edit(holder, true, true);
    PI_EditScriptedParm tint(PRM_Template(PRM_RGB, 3, PRM_Name("tint"), {{0.5}}));
    tint.setAutoLinks({"/reader/cr", "/reader/cg", "/nobody/cb"});
    edit.addParm(tint);
    std::vector<std::string> messages;
    edit.applyAutoLinks(*holder, messages);
    UT_String errors;
    OPgetDirector()->changeNodeSpareParms(*holder, edit.getTemplates(), errors);
    EXPECT_FALSE(errors.isstring()) << errors.c_str();
    EXPECT_EQ(reader->getParmPtr("c")->getValueText(0), "ch(\"../holder/tintr\")");
    EXPECT_EQ(reader->getParmPtr("c")->getValueText(1), "ch(\"../holder/tintg\")");
    EXPECT_FALSE(reader->getParmPtr("c")->isExpression(2));
    EXPECT_FLOAT_EQ(reader->evalFloat("c", 1, 0), 0.5f);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Cannot link /nobody/cb to /holder/tintb: no such channel");
    OPgetDirector()->getRoot()->destroyNode(holder);
    OPgetDirector()->getRoot()->destroyNode(reader);
}

TEST(PI_DisableRule, WordsSplitAndComeBackProtected)
{
    EXPECT_EQ(PI_DisableRule::split("{ mode == \"a b\" }"),
              (std::vector<std::string>{"{", "mode", "==", "a b", "}"}));
    EXPECT_EQ(PI_DisableRule::protect("a b"), "\"a b\"");
    EXPECT_EQ(PI_DisableRule::protect("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(PI_DisableRule::protect(""), "\"\"");
    EXPECT_EQ(PI_DisableRule::split(PI_DisableRule::protect("x \"y\\z")),
              (std::vector<std::string>{"x \"y\\z"}));
}

TEST(PI_EditScriptedParms, AMultiParameterKeepsItsInstanceGroupAndNumbering)
{
    PRM_Template layers(PRM_MULTIPARM, 1, PRM_Name("layers"));
    layers.setMultiParmTemplates({PRM_Template(PRM_FILE, 1, PRM_Name("file#"))});
    layers.setMultiStartOffset(0);
    PI_EditScriptedParm entry(layers);
    entry.setName("renamed");
    const PRM_Template made = entry.makeTemplate();
    EXPECT_TRUE(made.isMultiParm());
    EXPECT_STREQ(made.getToken(), "renamed");
    EXPECT_EQ(made.getMultiStartOffset(), 0);
    ASSERT_EQ(PRM_Template::countTemplates(made.getMultiParmTemplates().data()), 1);
    EXPECT_STREQ(made.getMultiParmTemplates()[0].getToken(), "file#");
}
