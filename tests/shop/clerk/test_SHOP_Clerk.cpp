#include "../ShopTestNodes.h"

#include <shop/clerk/SHOP_ClerkCacheHash.h>
#include <shop/clerk/SHOP_StringData.h>

#include <OP/OP_Context.h>
#include <UT/UT_BoundingBox.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace shoptest;

namespace
{

int directorCount(const char *name)
{
    const auto &names = OPgetDirector()->getShopClerks();
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

std::string formatG(int precision, double value)
{
    const int n = std::snprintf(nullptr, 0, "%.*g", precision, value);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*g", precision, value);
    text.resize(static_cast<size_t>(n));
    return text;
}

TEST(ClerkRegistry, SameNameReplacesInPlaceAndInvalidIsRefused)
{
    static TestClerk first("RegA", true);
    static TestClerk other("RegB", false);
    static TestClerk second("RegA", false);
    UT_PtrArray<SHOP_Clerk *> &list = SHOP_Node::getClerkList(SHOP_CONTOUR);
    const int before = list.entries();

    EXPECT_TRUE(SHOP_Node::addShaderClerk(SHOP_CONTOUR, &first));
    EXPECT_TRUE(SHOP_Node::addShaderClerk(SHOP_CONTOUR, &other));
    EXPECT_TRUE(SHOP_Node::addShaderClerk(SHOP_CONTOUR, &second));
    ASSERT_EQ(list.entries(), before + 2);
    EXPECT_EQ(list(before), &second);
    EXPECT_EQ(list(before + 1), &other);
    EXPECT_EQ(directorCount("RegA"), 1);
    EXPECT_EQ(directorCount("RegB"), 1);

    // The same clerk may serve another type; that list is separate.
    EXPECT_TRUE(SHOP_Node::addShaderClerk(SHOP_CONTOURSTORE, &first));
    EXPECT_EQ(SHOP_Node::getClerkList(SHOP_CONTOURSTORE).entries(), 1);
    EXPECT_EQ(list(before), &second);

    static TestClerk refused("RegRefused", true);
    const int undefinedBefore = SHOP_Node::getClerkList(SHOP_UNDEFINED).entries();
    EXPECT_FALSE(SHOP_Node::addShaderClerk(static_cast<SHOP_TYPE>(7), &refused));
    EXPECT_FALSE(SHOP_Node::addShaderClerk(static_cast<SHOP_TYPE>(-1), &refused));
    EXPECT_FALSE(SHOP_Node::addShaderClerk(static_cast<SHOP_TYPE>(39), &refused));
    EXPECT_FALSE(SHOP_Node::addShaderClerk(SHOP_CONTOUR, nullptr));
    EXPECT_EQ(list.entries(), before + 2);
    EXPECT_EQ(SHOP_Node::getClerkList(SHOP_UNDEFINED).entries(), undefinedBefore);
    EXPECT_EQ(directorCount("RegRefused"), 0);
}

TEST(ClerkRegistry, InvalidTypesShareTheUndefinedList)
{
    UT_PtrArray<SHOP_Clerk *> *undefined = &SHOP_Node::getClerkList(SHOP_UNDEFINED);
    for (int type : {5, -1, 39, 1, 13, 1000})
        EXPECT_EQ(&SHOP_Node::getClerkList(static_cast<SHOP_TYPE>(type)), undefined) << type;
    EXPECT_NE(&SHOP_Node::getClerkList(SHOP_SURFACE), undefined);
    EXPECT_NE(&SHOP_Node::getClerkList(SHOP_MATERIAL), undefined);
}

TEST(RenderData, StringDataOwnsItsText)
{
    TestClerk clerk("DataClerk", true);
    SHOP_StringData data(&clerk);
    EXPECT_EQ(data.getStringData(), nullptr);

    char text[] = "plastic Kd 1";
    data.setString(text);
    ASSERT_NE(data.getStringData(), nullptr);
    EXPECT_NE(data.getStringData(), text);
    EXPECT_STREQ(data.getStringData(), "plastic Kd 1");
    EXPECT_EQ(data.getRenderData(), data.getStringData());

    char *adopted = strdup("adopted");
    data.adoptString(adopted); // frees the copy; a leak shows under the sanitizer
    EXPECT_EQ(data.getStringData(), adopted);
    data.adoptString(adopted); // the same text again must not be freed
    EXPECT_STREQ(data.getStringData(), "adopted");
    data.adoptString(strdup("replacement"));
    EXPECT_STREQ(data.getStringData(), "replacement");
    data.setString(nullptr);
    EXPECT_EQ(data.getStringData(), nullptr);
    data.setString("last");
    // The copy may be freed by the destructor, with no one else holding it.
}

// Answers bounds from nothing but the context it is given, so that its time shows.
class BoundsClerk : public SHOP_Clerk
{
public:
    const char *getRenderName() const override { return "BoundsOnly"; }
    bool getBoundingBox(UT_BoundingBox &, SHOP_Node &, OP_Context &context) override
    {
        seenTime = context.getTime();
        return answer;
    }
    bool answer = true;
    float seenTime = -1;
};

using ClerkBase = ShopTest;

TEST_F(ClerkBase, BoundsComeFromGetBoundingBoxAtTheRequestedTime)
{
    static BoundsClerk clerk;
    SHOP_Node::addShaderClerk(SHOP_SURFACE, &clerk);
    TestShopNode *node = make("t_surface");
    UT_BoundingBox box;
    EXPECT_TRUE(clerk.buildShaderBounds(node, box, 2.5f, nullptr));
    EXPECT_FLOAT_EQ(clerk.seenTime, 2.5f);
    clerk.answer = false;
    EXPECT_FALSE(clerk.buildShaderBounds(node, box, 0, nullptr));
}

TEST_F(ClerkBase, CacheKeyComparesAllFourIdentities)
{
    TestShopNode *node = make("t_surface");
    TestShopNode *obj = make("t_surface");
    TestShopNode *sop = make("t_surface");
    const SHOP_Clerk *clerk = &clerks().vkorvit;

    SHOP_ClerkCacheHash plain(clerk, node, nullptr, nullptr);
    SHOP_ClerkCacheHash same(clerk, node, nullptr, nullptr);
    SHOP_ClerkCacheHash withObject(clerk, node, obj, nullptr);
    SHOP_ClerkCacheHash withSop(clerk, node, nullptr, sop);
    SHOP_ClerkCacheHash otherClerk(&clerks().rib, node, nullptr, nullptr);
    SHOP_ClerkCacheHash otherNode(clerk, obj, nullptr, nullptr);

    EXPECT_EQ(plain.compare(same), 0);
    EXPECT_EQ(plain.hash(), same.hash());
    EXPECT_EQ(plain.getObjectId(), -1);
    EXPECT_EQ(withObject.getObjectId(), obj->getUniqueId());
    for (const SHOP_ClerkCacheHash *key : {&withObject, &withSop, &otherClerk, &otherNode})
    {
        EXPECT_EQ(plain.compare(*key), -1);
        EXPECT_EQ(key->compare(plain), -1);
        EXPECT_FALSE(plain == *key);
    }

    // The documented mix, checked against values worked out by hand: -1 enters as all ones.
    EXPECT_EQ(SHOP_ClerkCacheHash::mix(0xffffffffu), 0xee985707u);
    EXPECT_EQ(SHOP_ClerkCacheHash::mix(5u), 0x5b7b44cau);
    const auto clerkBits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(clerk));
    EXPECT_EQ(plain.hash(),
              clerkBits ^ static_cast<uint32_t>(node->getUniqueId()) ^ 0xee985707u ^ 0xf13f67d8u);
}

// The generic translator ---------------------------------------------------------------------

using Translator = ShopTest;

TEST_F(Translator, WritesNonDefaultParametersInOrder)
{
    TestShopNode *node = make("plastic");
    EXPECT_EQ(build(node), "plastic");
    set(node, "Kd", {0.5});
    set(node, "Cs", {1, 0, 0});
    set(node, "uv", {0.25, 0.75});
    set(node, "enable", {1});
    EXPECT_EQ(build(node), "plastic Kd 0.5 Cs 1 0 0 uv 0.25 0.75 0 enable 1");

    // A component back at its default does not make a vector default as a whole.
    set(node, "Cs", {1, 1, 1});
    set(node, "Kd", {0.1});
    EXPECT_EQ(build(node), "plastic Kd 0.10000000149 uv 0.25 0.75 0 enable 1");

    // The base build hands the string through render data the caller owns.
    std::unique_ptr<SHOP_Data> data(clerks().rib.buildRenderData(node, 0, 3));
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(data->getStringData(), "plastic Kd 0.1 uv 0.25 0.75 0 enable 1");
    EXPECT_EQ(data->getClerk(), &clerks().rib);
    std::unique_ptr<SHOP_Data> geo(clerks().rib.buildGeometryData(node, 0, 3));
    ASSERT_NE(geo, nullptr);
    EXPECT_STREQ(geo->getStringData(), data->getStringData());
}

TEST_F(Translator, PrecisionComesFromTheOverridesAtAnySize)
{
    TestShopNode *node = make("t_pi");
    set(node, "val", {3.14159});
    UT_Options options;
    options.setOptionI("qelo_precision", 3);
    EXPECT_EQ(build(node, &options), "t_pi val 3.14");
    EXPECT_EQ(build(node), "t_pi val 3.14159011841");
    const double widened = static_cast<double>(3.14159f);
    for (int precision : {0, 1, 17, 40, 1000, 100000})
    {
        options.setOptionI("qelo_precision", precision);
        EXPECT_EQ(build(node, &options), "t_pi val " + formatG(precision, widened)) << precision;
    }
    // The smallest float has the longest exact expansion a float can have.
    set(node, "val", {1.401298464324817e-45});
    options.setOptionI("qelo_precision", 1000);
    EXPECT_EQ(build(node, &options),
              "t_pi val " + formatG(1000, static_cast<double>(node->evalFloat("val", 0, 0))));
}

TEST_F(Translator, KindsTheBaseCannotWriteLeaveOnlyABlank)
{
    TestShopNode *node = make("t_parms");
    EXPECT_EQ(build(node), "t_parms");

    set(node, "f5", {1, 2, 3, 4, 5});
    EXPECT_EQ(build(node), "t_parms ");
    set(node, "f5", {0, 0, 0, 0, 0});
    set(node, "i3", {1, 2, 3});
    EXPECT_EQ(build(node), "t_parms ");
    set(node, "i3", {0, 0, 0});

    // Folders, separators and labels are never shader parameters, whatever they hold.
    set(node, "folder", {1});
    setText(node, "sep", "x");
    setText(node, "lab", "other");
    EXPECT_EQ(build(node), "t_parms");

    set(node, "i", {-4});
    set(node, "tog", {1});
    set(node, "v2", {1, 2});
    setText(node, "s", "two words");
    EXPECT_EQ(build(node), "t_parms i -4 tog 1 v2 1 2 0 s \"two words\"");
}

TEST_F(Translator, AFailingParameterFailsTheWholeBuild)
{
    TestShopNode *node = make("t_parms");
    set(node, "f", {2});
    setExpr(node, "col", "ch(\"../nowhere/val\")", 1);
    UT_String result("keep");
    EXPECT_FALSE(node->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(result, "keep");
    EXPECT_EQ(clerks().vkorvit.buildRenderData(node, 0, 12), nullptr);

    setExpr(node, "col", "0.25", 1);
    EXPECT_EQ(build(node), "t_parms f 2 col 1 0.25 1");
}

TEST_F(Translator, TheNodeChoosesItsRangeOfShaderParameters)
{
    TestShopNode *node = make("plastic");
    set(node, "Kd", {0.5});
    set(node, "Ks", {0.25});
    node->myFirst = 1;
    node->myLast = 4;
    EXPECT_EQ(build(node), "plastic");
    node->myLast = 5;
    EXPECT_EQ(build(node), "plastic Ks 0.25");
    node->myLast = 50; // the terminator ends the walk
    EXPECT_EQ(build(node), "plastic Ks 0.25");
    // A range starting outside the list gives no string at all, never templates read from
    // outside it.
    for (int first : {6, 1000, -1})
    {
        node->myFirst = first;
        EXPECT_EQ(build(node), "<failed:<untouched>>") << first;
        EXPECT_EQ(clerks().vkorvit.buildRenderData(node, 0, 12), nullptr) << first;
    }
    TestShopNode *bare = make("t_surface"); // no parameters at all
    bare->myFirst = 1;
    EXPECT_EQ(build(bare), "<failed:<untouched>>");
}

TEST_F(Translator, DeclarationStyleParameters)
{
    TestShopNode *node = make("plastic");
    set(node, "Kd", {0.5});
    set(node, "Cs", {1, 0, 0});
    set(node, "enable", {1});
    set(node, "uv", {0.25, 0.75});
    TestClerk &clerk = clerks().rib;
    PRM_Template *templates = node->getParmTemplates();
    UT_WorkBuffer buffer("junk");

    EXPECT_EQ(clerk.buildRenderManParm(buffer, node, &templates[0], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"float Kd\" [ 0.5]");
    EXPECT_EQ(clerk.buildRenderManParm(buffer, node, &templates[1], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"Cs\" [ 1 0 0]");
    EXPECT_EQ(clerk.buildRenderManParm(buffer, node, &templates[2], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"uv\" [ 0.25 0.75]");
    EXPECT_EQ(clerk.buildRenderManParm(buffer, node, &templates[3], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"enable\" [ 1]");

    TestShopNode *parms = make("t_parms");
    PRM_Template *ptemplates = parms->getParmTemplates();
    EXPECT_EQ(clerk.buildRenderManParm(buffer, parms, &ptemplates[8], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"s\" [ \"text\"]");
    // Quotes and backslashes inside are escaped, so the value cannot end the string early.
    setText(parms, "s", "say \"hi\" C:\\dir");
    EXPECT_EQ(clerk.buildRenderManParm(buffer, parms, &ptemplates[8], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"s\" [ \"say \\\"hi\\\" C:\\\\dir\"]");

    // The plain writer replaces the buffer too, and leaves it alone when it writes nothing.
    EXPECT_EQ(clerk.buildParmCommand(buffer, node, &templates[1], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "Cs 1 0 0");
    EXPECT_EQ(clerk.buildParmCommand(buffer, parms, &ptemplates[6], 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "Cs 1 0 0");
}

TEST_F(Translator, MatrixStringsAreWrittenBare)
{
    TestShopNode *node = make("t_parms");
    std::string error;
    ASSERT_TRUE(node->addSpareParm(
        PRM_Template(PRM_STRING, 1, PRM_Name("xform"), {PRM_Default(0, "")}, nullptr, {},
                     std::make_shared<PRM_SpareData>(
                         std::initializer_list<std::pair<const std::string, std::string>>{
                             {"opmatrix", "on"}})),
        error))
        << error;
    setText(node, "xform", "nowhere");
    PRM_Template *tmpl = node->getParmPtr("xform")->getTemplatePtr();
    UT_WorkBuffer buffer;
    EXPECT_EQ(clerks().rib.buildParmCommand(buffer, node, tmpl, 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "xform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1");
    EXPECT_EQ(clerks().rib.buildRenderManParm(buffer, node, tmpl, 0, 12), 1);
    EXPECT_EQ(buffer.toStdString(), "\"xform\" [1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1]");
}

} // namespace
