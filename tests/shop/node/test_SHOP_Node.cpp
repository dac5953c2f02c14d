#include "../ShopTestNodes.h"

#include <OP/OP_Context.h>

using namespace shoptest;

namespace
{

using ShopNode = ShopTest;

TEST_F(ShopNode, ContainedTypesFollowCreateRetypeMoveAndDelete)
{
    TestShopNode *outer = make("t_net");
    TestShopNode *inner = make("t_net", outer);
    TestShopNode *other = make("t_net");
    EXPECT_TRUE(outer->containsShopType(SHOP_MATERIAL));
    EXPECT_FALSE(outer->containsShopType(SHOP_SURFACE));
    EXPECT_FALSE(inner->containsShopType(SHOP_MATERIAL)); // a node never counts itself

    TestShopNode *surface = make("t_surface", inner);
    EXPECT_TRUE(inner->containsShopType(SHOP_SURFACE));
    EXPECT_TRUE(outer->containsShopType(SHOP_SURFACE));
    EXPECT_FALSE(other->containsShopType(SHOP_SURFACE));

    surface->setShaderType(SHOP_DISPLACEMENT);
    EXPECT_EQ(surface->getShaderType(), SHOP_DISPLACEMENT);
    EXPECT_FALSE(outer->containsShopType(SHOP_SURFACE));
    EXPECT_TRUE(outer->containsShopType(SHOP_DISPLACEMENT));
    EXPECT_TRUE(inner->containsShopType(SHOP_DISPLACEMENT));
    surface->setShaderType(SHOP_DISPLACEMENT); // no change, no count
    surface->setShaderType(SHOP_SURFACE);
    EXPECT_FALSE(outer->containsShopType(SHOP_DISPLACEMENT));
    EXPECT_TRUE(outer->containsShopType(SHOP_SURFACE));

    // Two of a type: one leaving keeps the type present.
    TestShopNode *second = make("t_surface", outer);
    ASSERT_TRUE(inner->destroyNode(surface));
    EXPECT_FALSE(inner->containsShopType(SHOP_SURFACE));
    EXPECT_TRUE(outer->containsShopType(SHOP_SURFACE));
    ASSERT_TRUE(outer->destroyNode(second));
    EXPECT_FALSE(outer->containsShopType(SHOP_SURFACE));

    // A move carries the node and everything inside it.
    surface = make("t_surface", inner);
    std::string error;
    ASSERT_TRUE(outer->moveNode(inner, other, error)) << error;
    EXPECT_FALSE(outer->containsShopType(SHOP_SURFACE));
    EXPECT_FALSE(outer->containsShopType(SHOP_MATERIAL));
    EXPECT_TRUE(other->containsShopType(SHOP_SURFACE));
    EXPECT_TRUE(other->containsShopType(SHOP_MATERIAL));
    ASSERT_TRUE(inner->moveNode(surface, mgr, error)) << error;
    EXPECT_FALSE(inner->containsShopType(SHOP_SURFACE));
    EXPECT_FALSE(other->containsShopType(SHOP_SURFACE));
    ASSERT_TRUE(mgr->moveNode(surface, inner, error)) << error;
    EXPECT_TRUE(other->containsShopType(SHOP_SURFACE));

    // Deleting a network takes what is inside it out of the networks above.
    ASSERT_TRUE(other->destroyNode(inner));
    EXPECT_FALSE(other->containsShopType(SHOP_SURFACE));
    EXPECT_FALSE(other->containsShopType(SHOP_MATERIAL));

    EXPECT_FALSE(other->containsShopType(static_cast<SHOP_TYPE>(-1)));
    EXPECT_FALSE(other->containsShopType(static_cast<SHOP_TYPE>(SHOP_MAX_TYPES)));
}

TEST_F(ShopNode, InputsAndOutputsShowWithinTheirBoundsAndTakeTheirTypesLabels)
{
    TestShopNode *node = make("t_surface");
    UT_String name;
    node->getInputName(name, 1);
    EXPECT_EQ(name, "Input 1");
    node->getOutputName(name, 0);
    EXPECT_EQ(name, "Surface Shader");
    node->getOutputName(name, 1);
    EXPECT_EQ(name, "Undefined Shader");
    for (int i : {-1, 0, 1, 2})
    {
        EXPECT_EQ(node->isInputVisible(i), i == 0 || i == 1) << i; // two inputs
        EXPECT_EQ(node->isOutputVisible(i), i == 0) << i;
    }
}

TEST_F(ShopNode, CookAndBypassEmptyTheClerkCache)
{
    TestShopNode *node = make("t_parms");
    const SHOP_Clerk *clerk = &clerks().vkorvit;
    int deleted = 0;
    OP_Context context(0);
    node->cook(context);

    node->addClerkData(clerk, new CountedEntry(deleted));
    node->addClerkData(&clerks().rib, new CountedEntry(deleted));
    EXPECT_NE(node->getClerkData(clerk), nullptr);
    node->cook(context); // nothing changed: no cook, the cache stays
    EXPECT_EQ(node->getClerkCacheSize(), 2);

    set(node, "f", {2});
    node->cook(context);
    EXPECT_EQ(node->getClerkData(clerk), nullptr);
    EXPECT_EQ(node->getClerkCacheSize(), 0);
    EXPECT_EQ(deleted, 2);

    node->addClerkData(clerk, new CountedEntry(deleted));
    node->setBypass(true);
    node->cook(context);
    EXPECT_EQ(node->getClerkCacheSize(), 0);
    EXPECT_EQ(deleted, 3);

    // A node going away deletes what it still holds.
    node->addClerkData(clerk, new CountedEntry(deleted));
    mgr->destroyNode(node);
    EXPECT_EQ(deleted, 4);
}

TEST_F(ShopNode, CacheEntriesAreKeptPerCallingObject)
{
    TestShopNode *node = make("t_surface");
    TestShopNode *objA = make("t_surface");
    TestShopNode *objB = make("t_surface");
    const SHOP_Clerk *clerk = &clerks().vkorvit;
    int deleted = 0;
    auto *entryA = new CountedEntry(deleted);
    auto *entryB = new CountedEntry(deleted);
    auto *entryNone = new CountedEntry(deleted);

    node->addClerkData(clerk, entryNone);
    node->setCallingOBJ(objA);
    EXPECT_EQ(node->getClerkData(clerk), nullptr);
    node->addClerkData(clerk, entryA);
    node->setCallingOBJ(objB);
    node->addClerkData(clerk, entryB);
    EXPECT_EQ(node->getClerkData(clerk), entryB);
    node->setCallingSOP(objA);
    EXPECT_EQ(node->getClerkData(clerk), nullptr);
    node->setCallingSOP(nullptr);

    node->setCallingOBJ(objA);
    EXPECT_EQ(node->getClerkData(clerk), entryA);
    EXPECT_EQ(node->getClerkData(&clerks().rib), nullptr);
    node->destroyClerkData(clerk);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(node->getClerkData(clerk), nullptr);
    node->setCallingOBJ(objB);
    EXPECT_EQ(node->getClerkData(clerk), entryB);

    // Replacing an entry deletes the old one.
    auto *replacement = new CountedEntry(deleted);
    node->addClerkData(clerk, replacement);
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(node->getClerkData(clerk), replacement);
    node->setCallingOBJ(nullptr);
    EXPECT_EQ(node->getClerkData(clerk), entryNone);

    node->destroyCache();
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(node->getClerkCacheSize(), 0);
}

TEST_F(ShopNode, FindAndCollectShaders)
{
    TestShopNode *vkOnly = make("t_vkonly");
    TestShopNode *displace = make("t_displace");
    UT_Options rib;
    rib.setOptionS("rendertype", "RIB");
    UT_Options vk;
    vk.setOptionS("rendertype", "VKorvit");
    UT_Options notText;
    notText.setOptionI("rendertype", 3);
    UT_Options star;
    star.setOptionS("rendertype", "*");
    UT_Options empty;
    empty.setOptionS("rendertype", "");

    EXPECT_EQ(displace->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, &rib), nullptr);
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, &vk), vkOnly);
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, nullptr), vkOnly);
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, &notText), vkOnly);
    // "*" and "" ask for any renderer: a mask need not list "*" to answer them.
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, &star), vkOnly);
    EXPECT_EQ(vkOnly->findShader(SHOP_SURFACE, 0, &empty), vkOnly);

    UT_PtrArray<SHOP_Node *> list;
    list.append(displace);
    list.append(displace);
    EXPECT_EQ(vkOnly->collectShaders(list, SHOP_SURFACE, 0, &rib), 3);
    EXPECT_EQ(list(2), vkOnly);
    EXPECT_EQ(displace->collectShaders(list, SHOP_SURFACE, 0, nullptr), 3);

    // The reported type decides, not the type field.
    displace->myReported = SHOP_SURFACE;
    EXPECT_EQ(displace->findShader(SHOP_SURFACE, 0, nullptr), displace);
    EXPECT_EQ(displace->findShader(SHOP_DISPLACEMENT, 0, nullptr), nullptr);
}

TEST_F(ShopNode, ClerkLookupByNameAndByMask)
{
    Clerks &c = clerks();
    TestShopNode *any = make("t_surface");
    TestShopNode *vkOnly = make("t_vkonly");
    TestShopNode *ribOgl = make("t_riboglmask");
    TestShopNode *oglOnly = make("t_oglmask");

    EXPECT_EQ(any->getClerk("VKorvit"), &c.vkorvit);
    EXPECT_EQ(any->getClerk("OGL"), &c.ogl);
    EXPECT_EQ(any->getClerk("vkorvit"), nullptr);
    EXPECT_EQ(any->getClerk("I3D"), nullptr);
    EXPECT_EQ(vkOnly->getClerk("RIB"), nullptr);
    EXPECT_EQ(vkOnly->getClerk("VKorvit"), &c.vkorvit);
    EXPECT_TRUE(ribOgl->renderMatch("OGL"));
    EXPECT_FALSE(ribOgl->renderMatch("VKorvit"));
    EXPECT_TRUE(ribOgl->renderMatch(c.rib));

    EXPECT_EQ(any->getAnyClerk(true), &c.vkorvit);
    EXPECT_EQ(ribOgl->getAnyClerk(true), &c.rib);
    EXPECT_EQ(ribOgl->getAnyClerk(false), &c.rib);
    EXPECT_EQ(oglOnly->getAnyClerk(true), nullptr);
    EXPECT_EQ(oglOnly->getAnyClerk(false), &c.dispOgl);

    // By name through the type field, by mask through the reported type.
    any->myReported = SHOP_DISPLACEMENT;
    EXPECT_EQ(any->getClerk("VKorvit"), &c.vkorvit);
    EXPECT_EQ(any->getAnyClerk(true), &c.dispVkorvit);
    EXPECT_EQ(any->getAnyClerk(false), &c.dispOgl);
}

TEST_F(ShopNode, BuildPicksTheClerkAndRestoresTheCallingNodes)
{
    Clerks &c = clerks();
    TestShopNode *node = make("t_parms");
    TestShopNode *obj = make("t_net", nullptr, "obj1");
    TestShopNode *geo = make("t_surface", obj, "geo1");
    TestShopNode *outerObj = make("t_surface");
    setExpr(node, "objpath", "$OBJ");

    const int vk = c.vkorvit.builds;
    node->setCallingOBJ(outerObj);
    EXPECT_EQ(build(node, nullptr, obj), "t_parms objpath /t_shopmgr1/obj1");
    EXPECT_EQ(c.vkorvit.builds, vk + 1);
    EXPECT_EQ(c.vkorvit.seenObject, obj);
    EXPECT_EQ(c.vkorvit.seenSop, nullptr);
    EXPECT_EQ(c.vkorvit.seenObjVariable, obj->getFullPath().c_str());
    EXPECT_EQ(c.vkorvit.seenObjParm, obj->getFullPath().c_str());
    EXPECT_EQ(node->getCallingOBJ(), outerObj);
    EXPECT_EQ(node->getCallingSOP(), nullptr);

    // Only a geometry node: the object is the network holding it.
    node->setCallingOBJ(nullptr);
    build(node, nullptr, nullptr, geo);
    EXPECT_EQ(c.vkorvit.seenObject, obj);
    EXPECT_EQ(c.vkorvit.seenSop, geo);
    EXPECT_EQ(node->getCallingOBJ(), nullptr);
    EXPECT_EQ(node->getCallingSOP(), nullptr);

    // Neither: the build keeps what the node holds.
    node->setCallingOBJ(outerObj);
    node->setCallingSOP(geo);
    build(node);
    EXPECT_EQ(c.vkorvit.seenObject, outerObj);
    EXPECT_EQ(c.vkorvit.seenSop, geo);
    node->setCallingOBJ(nullptr);
    node->setCallingSOP(nullptr);

    UT_Options options;
    for (const char *any : {"*", ""})
    {
        options.setOptionS("rendertype", any);
        const int rib = c.rib.builds;
        EXPECT_EQ(build(make("t_riboglmask"), &options), "t_riboglmask");
        EXPECT_EQ(c.rib.builds, rib + 1) << any;
    }
    options.setOptionS("rendertype", "RIB");
    const int rib = c.rib.builds;
    build(node, &options);
    EXPECT_EQ(c.rib.builds, rib + 1);

    // No clerk for the renderer: false, the result as it was, and still a cook.
    TestShopNode *vkOnly = make("t_vkonly");
    const int cooks = vkOnly->getCookCount();
    UT_String result("keep");
    EXPECT_FALSE(vkOnly->buildShaderString(result, 0, &options, obj, nullptr));
    EXPECT_EQ(result, "keep");
    EXPECT_EQ(vkOnly->getCookCount(), cooks + 1);
    EXPECT_EQ(vkOnly->getCallingOBJ(), nullptr);
    options.setOptionS("rendertype", "OGL");
    EXPECT_FALSE(make("t_riboglmask")->buildShaderString(result, 0, &options, nullptr, nullptr));
    EXPECT_EQ(result, "keep");
    EXPECT_FALSE(make("t_oglmask")->buildShaderString(result, 0, nullptr, nullptr, nullptr));

    // The build's cook drops what clerks cached.
    int deleted = 0;
    set(node, "f", {4});
    node->addClerkData(&c.ogl, new CountedEntry(deleted));
    build(node);
    EXPECT_EQ(deleted, 1);
}

} // namespace
