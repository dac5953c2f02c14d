#include "ChoosingTestNodes.h"

#include <OP/OP_PropertyLookupList.h>

using namespace choosetest;

namespace
{

using ShopProperties = ChoosingTest;

TEST_F(ShopProperties, OwnPropertiesComeFirstThenThePropertiesInputsInOrderAtEveryLevel)
{
    // Each name is found on the first of outer, probe, middle and inner that holds it; every
    // node holds the names of the one before it and one more.
    auto *outer = add<SHOP_Properties>("properties", "outer");
    ProbeNode *probe = add("t_probe_props", "probe");
    auto *middle = add<SHOP_Properties>("properties", "middle");
    auto *inner = add<SHOP_Properties>("properties", "inner");
    const std::vector<const char *> names = {"ka", "kb", "kc", "kd", "ke"};
    const std::vector<OP_Node *> holders = {outer, probe, middle, inner};
    for (size_t n = 0; n < holders.size(); ++n)
        for (size_t i = 0; i <= n; ++i)
            addSpare(holders[n], names[i], 1);
    wire(outer, 0, probe);
    wire(outer, 1, middle);
    wire(middle, 0, inner);

    // Looked up all at once, an inner node must not take a name an outer one holds.
    const std::vector<OP_Node *> expected = {outer, probe, middle, inner, nullptr};
    OP_PropertyLookupList list;
    for (const char *name : names)
        list.addName(name);
    EXPECT_EQ(outer->findParametersOrProperties(0, list), 4);
    std::vector<OP_Node *> all, single;
    for (int i = 0; i < list.entries(); ++i)
    {
        all.push_back(list.isFound(i) ? list.getNode(i) : nullptr);
        single.push_back(lookup(outer, names[static_cast<size_t>(i)]));
    }
    EXPECT_EQ(all, expected);
    EXPECT_EQ(single, expected);

    EXPECT_EQ(lookupChannel(outer, "val2", 0), std::make_pair<OP_Node *>(probe, 1));
}

TEST_F(ShopProperties, PropertiesInputsCookWithItAndAnInputOfAnotherTypeIsErrorOne)
{
    auto *p = add<SHOP_Properties>("properties", "p");
    auto *q = add<SHOP_Properties>("properties", "q");
    ProbeNode *surface = add("t_probe_surface", "surface");
    ProbeNode *named = add("t_probe_surface", "named");
    addSpare(p, "ka", 1);
    addSpare(q, "kb", 2);
    addSpareText(q, "shop_surfacepath", "../named");
    wire(p, 0, q);
    wire(p, 1, surface);

    EXPECT_EQ(cookAt(p), UT_ERROR_ABORT);
    EXPECT_EQ(reports(p), std::vector<std::string>{theTypeError});
    EXPECT_EQ(surface->cooks, 0);
    // A failed node answers lookups from its own parameters only.
    EXPECT_EQ(lookup(p, "ka"), p);
    EXPECT_EQ(lookup(p, "kb"), nullptr);
    // Shader requests still reach the properties input, and only it.
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), named);
    EXPECT_EQ(surface->asked, 0);

    wire(p, 1, nullptr);
    EXPECT_EQ(cookAt(p), UT_ERROR_NONE);
    EXPECT_EQ(lookup(p, "kb"), q);

    // Its properties inputs cook with it, and their time dependence becomes its own.
    ProbeNode *animated = add("t_probe_props", "animated");
    animated->animated = true;
    wire(p, 1, animated);
    EXPECT_EQ(cookAt(p), UT_ERROR_NONE);
    EXPECT_EQ(animated->cooks, 1);
    EXPECT_TRUE(p->isTimeDependent());
    EXPECT_FALSE(p->isInputLocked(1));
}

TEST_F(ShopProperties, ShaderPathPropertiesNameTheShaderToUse)
{
    auto *p = add<SHOP_Properties>("properties", "p");
    auto *q = add<SHOP_Properties>("properties", "q");
    ProbeNode *named = add("t_probe_surface", "named");
    ProbeNode *other = add("t_probe_surface", "other");
    ProbeNode *displace = add("t_probe_displace", "displace");
    EXPECT_EQ(p->findShader(SHOP_PROPERTIES, 0, nullptr), p);
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), nullptr);

    addSpareText(p, "shop_surfacepath", "../named");
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), named);
    EXPECT_EQ(named->asked, 0); // the named node is the answer, not asked to resolve

    // A path property inherited from a properties input counts as the node's own.
    wire(p, 0, q);
    addSpareText(q, SHOP_Node::getShaderParmPath(SHOP_DISPLACEMENT), "../displace");
    EXPECT_EQ(p->findShader(SHOP_DISPLACEMENT, 0, nullptr), displace);

    // An empty path, or one naming no shader, leaves the request to the inputs.
    addSpareText(q, "shop_surfacepath", "../other");
    setText(p, "shop_surfacepath", "");
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), other);
    setText(p, "shop_surfacepath", "../nowhere");
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), other);
}

TEST_F(ShopProperties, WhatALookupFindsWhileComingBackRoundIsNotRemembered)
{
    // p takes its surface path from q, which takes it from the probe. A lookup that starts at
    // q reaches p through the probe, and p's own request then finds q busy: no path, for now.
    auto *p = add<SHOP_Properties>("properties", "p");
    auto *q = add<SHOP_Properties>("properties", "q");
    ProbeNode *probe = add("t_probe_props", "probe");
    ProbeNode *named = add("t_probe_surface", "named");
    addSpareText(probe, "shop_surfacepath", "../named");
    wire(q, 0, probe);
    wire(p, 0, q);
    ASSERT_EQ(cookAt(p), UT_ERROR_NONE);

    bool armed = true;
    SHOP_Node *inside = named;
    probe->onAsk = [&]
    {
        if (!armed)
            return;
        armed = false;
        inside = p->findShader(SHOP_SURFACE, 0, nullptr);
    };
    EXPECT_EQ(lookup(q, "missing"), nullptr);
    EXPECT_EQ(inside, nullptr);
    // The scene has not changed since, but the answer found inside the loop does not stand.
    EXPECT_EQ(p->findShader(SHOP_SURFACE, 0, nullptr), named);
    EXPECT_EQ(q->findShader(SHOP_SURFACE, 0, nullptr), named);
}

TEST_F(ShopProperties, LookupsThatComeBackThroughAReferenceAnswerNotFound)
{
    auto *p = add<SHOP_Properties>("properties", "p");
    ProbeNode *ref = add("t_probe_props", "ref");
    wire(p, 0, ref);
    ref->forward = p;

    EXPECT_EQ(lookup(p, "missing"), nullptr);
    EXPECT_EQ(ref->asked, 1);
    OP_PropertyLookupList list;
    list.addName("missing");
    EXPECT_EQ(p->findParametersOrProperties(0, list), 0);
    EXPECT_EQ(ref->asked, 2);
    EXPECT_FALSE(p->isBusy());

    addSpare(ref, "kb", 1);
    EXPECT_EQ(lookup(p, "kb"), ref);
}

} // namespace
