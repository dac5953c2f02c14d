#include "ChoosingTestNodes.h"

#include <OP/OP_PropertyLookupList.h>

using namespace choosetest;

namespace
{

using ShopProperties = ChoosingTest;

TEST_F(ShopProperties, OwnPropertiesComeFirstThenThePropertiesInputsInOrder)
{
    auto *p = add<SHOP_Properties>("properties", "p");
    ProbeNode *q0 = add("t_probe_props", "q0");
    ProbeNode *q1 = add("t_probe_props", "q1");
    addSpare(p, "ka", 1);
    addSpare(q0, "ka", 2);
    addSpare(q0, "kb", 3);
    addSpare(q1, "kb", 4);
    addSpare(q1, "kc", 5);
    wire(p, 0, q0);
    wire(p, 1, q1);

    EXPECT_EQ(lookup(p, "ka"), p);
    EXPECT_EQ(lookup(p, "kb"), q0);
    EXPECT_EQ(lookup(p, "kc"), q1);
    EXPECT_EQ(lookup(p, "kd"), nullptr);

    OP_PropertyLookupList list;
    for (const char *name : {"ka", "kb", "kc", "kd"})
        list.addName(name);
    EXPECT_EQ(p->findParametersOrProperties(0, list), 3);
    EXPECT_EQ(list.getNode(0), p);
    EXPECT_EQ(list.getNode(1), q0);
    EXPECT_EQ(list.getNode(2), q1);
    EXPECT_FALSE(list.isFound(3));

    OP_Node *found = nullptr;
    PRM_Parm *parm = nullptr;
    int component = -1;
    ASSERT_TRUE(p->getParameterOrPropertyByChannel("val2", 0, found, parm, component, nullptr));
    EXPECT_EQ(found, q0);
    EXPECT_EQ(component, 1);
}

TEST_F(ShopProperties, OwnValuesWinOverInnerPropertiesNodesWhenSeveralNamesAreLookedUpAtOnce)
{
    auto *outer = add<SHOP_Properties>("properties", "outer");
    auto *middle = add<SHOP_Properties>("properties", "middle");
    auto *inner = add<SHOP_Properties>("properties", "inner");
    addSpare(outer, "ka", 1);
    for (const char *name : {"ka", "kb"})
        addSpare(middle, name, 2);
    for (const char *name : {"ka", "kb", "kc"})
        addSpare(inner, name, 3);
    wire(outer, 0, middle);
    wire(middle, 0, inner);

    OP_PropertyLookupList list;
    for (const char *name : {"ka", "kb", "kc", "kd"})
        list.addName(name);
    EXPECT_EQ(outer->findParametersOrProperties(0, list), 3);
    EXPECT_EQ(list.getNode(0), outer);
    EXPECT_EQ(list.getNode(1), middle);
    EXPECT_EQ(list.getNode(2), inner);
    EXPECT_FALSE(list.isFound(3));
    // One name at a time finds the same.
    EXPECT_EQ(lookup(outer, "ka"), outer);
    EXPECT_EQ(lookup(outer, "kb"), middle);
    EXPECT_EQ(lookup(outer, "kc"), inner);
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
