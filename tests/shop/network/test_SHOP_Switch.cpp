#include "ChoosingTestNodes.h"

using namespace choosetest;

namespace
{

using ShopSwitch = ChoosingTest;

TEST_F(ShopSwitch, OnlyTheActiveInputAnswersAndAClampedChoiceWarnsOncePerCook)
{
    auto *sw = add<SHOP_Switch>("switch", "sw");
    const std::vector<ProbeNode *> probes = wireSurfaces(sw, {"a", "b", "c"});
    ProbeNode *a = probes[0], *b = probes[1], *c = probes[2];

    set(sw, "input", {1});
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), b);
    EXPECT_EQ(build(sw), "b");
    EXPECT_EQ(a->asked + c->asked, 0);
    EXPECT_TRUE(reports(sw).empty());

    set(sw, "input", {7});
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), c);
    // Requests after the cook clamp again but leave no second warning on the node.
    EXPECT_EQ(build(sw), "c");
    EXPECT_EQ(reports(sw), std::vector<std::string>{theRangeWarning});

    // A choice of an empty input in the middle is no answer, and no mistake either.
    wire(sw, 1, nullptr);
    set(sw, "input", {1});
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    EXPECT_EQ(build(sw), "<failed:<untouched>>");
    EXPECT_TRUE(reports(sw).empty());

    // Type filtering is the chosen node's: the switch passes the request on as it is.
    set(sw, "input", {0});
    EXPECT_EQ(sw->findShader(SHOP_DISPLACEMENT, 0, nullptr), nullptr);
    EXPECT_EQ(a->asked, 1);
}

TEST_F(ShopSwitch, ChoicesAreClampedToTheFirstAndLastInputsAtEveryBoundary)
{
    auto *sw = add<SHOP_Switch>("switch", "sw");
    const std::vector<ProbeNode *> probes = wireSurfaces(sw, {"first", "middle", "last"});
    ProbeNode *first = probes[0], *middle = probes[1], *last = probes[2];
    const struct
    {
        const char *choice;
        ProbeNode *answer;
        bool warned;
    } theCases[] = {
        {"-1000000", first, true}, {"-1", first, true}, {"0", first, false},
        {"1", middle, false},      {"2", last, false},  {"3", last, true},
        {"1000000", last, true},
    };
    for (const auto &c : theCases)
    {
        SCOPED_TRACE(c.choice);
        setExpr(sw, "input", c.choice);
        EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), c.answer);
        EXPECT_EQ(reports(sw), c.warned ? std::vector<std::string>{theRangeWarning}
                                        : std::vector<std::string>{});
    }
}

TEST_F(ShopSwitch, InputsOfDifferentTypesAreErrorOneAndLeaveTheTypeUndefined)
{
    auto *sw = add<SHOP_Switch>("switch", "sw");
    EXPECT_EQ(sw->getShaderType(), SHOP_ANY);
    EXPECT_EQ(sw->getInputType(3), SHOP_ANY);
    EXPECT_EQ(cookAt(sw), UT_ERROR_WARNING); // the default choice 0 has no input to land on

    ProbeNode *surface = add("t_probe_surface", "surface");
    ProbeNode *other = add("t_probe_surface", "other");
    wire(sw, 0, surface);
    wire(sw, 1, other);
    EXPECT_EQ(cookAt(sw), UT_ERROR_NONE);
    EXPECT_EQ(sw->getShaderType(), SHOP_SURFACE);
    EXPECT_EQ(sw->getInputType(5), SHOP_SURFACE);
    EXPECT_EQ(sw->getOutputType(0), SHOP_SURFACE);

    ProbeNode *displace = add("t_probe_displace", "displace");
    wire(sw, 1, displace);
    EXPECT_EQ(cookAt(sw), UT_ERROR_ABORT);
    EXPECT_EQ(reports(sw), std::vector<std::string>{theTypeError});
    EXPECT_EQ(sw->getShaderType(), SHOP_UNDEFINED);
    // So is the type the enclosing networks count.
    EXPECT_EQ(sw->SHOP_Node::getShaderType(), SHOP_UNDEFINED);
    EXPECT_EQ(sw->getInputType(0), SHOP_ANY);
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    // A failed switch does not clamp: the out-of-range choice lands nowhere, without a warning.
    EXPECT_EQ(build(sw), "surface");
    set(sw, "input", {7});
    EXPECT_EQ(cookAt(sw), UT_ERROR_ABORT);
    EXPECT_EQ(build(sw), "<failed:<untouched>>");
    EXPECT_EQ(reports(sw).size(), 2u);

    // Inputs of undecided type do not decide the switch's type, but the cook takes the first.
    ProbeNode *undecided = add("t_probe_undef", "undecided");
    wire(sw, 0, undecided);
    wire(sw, 1, surface);
    EXPECT_EQ(sw->getShaderType(), SHOP_SURFACE);
    EXPECT_EQ(cookAt(sw), UT_ERROR_ABORT);

    wire(sw, 0, other);
    EXPECT_EQ(cookAt(sw), UT_ERROR_WARNING);
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), surface);
}

TEST_F(ShopSwitch, TimeDependenceComesFromTheActiveInputOnly)
{
    auto *sw = add<SHOP_Switch>("switch", "sw");
    ProbeNode *animated = add("t_probe_surface", "animated");
    ProbeNode *still = add("t_probe_surface", "still");
    animated->animated = true;
    wire(sw, 0, animated);
    wire(sw, 1, still);

    set(sw, "input", {0});
    cookAt(sw);
    EXPECT_TRUE(sw->isTimeDependent());
    EXPECT_EQ(still->cooks, 0);

    // Switching away from the animated input leaves the switch still, though that input is
    // wired and animated yet.
    set(sw, "input", {1});
    cookAt(sw);
    EXPECT_TRUE(animated->isTimeDependent());
    EXPECT_FALSE(sw->isTimeDependent());
    EXPECT_EQ(animated->cooks, 1);
    EXPECT_EQ(still->cooks, 1);

    // Its own animated choice still counts, and lookups follow the choice at their time.
    setExpr(sw, "input", "1 - $T");
    cookAt(sw);
    EXPECT_TRUE(sw->isTimeDependent());
    EXPECT_EQ(lookup(sw, "val", 0), still);
    EXPECT_EQ(lookup(sw, "val", 1), animated);
    EXPECT_EQ(lookup(sw, "input", 1), sw);
    EXPECT_EQ(lookupChannel(sw, "val3", 1), std::make_pair<OP_Node *>(animated, 2));
}

TEST_F(ShopSwitch, RequestsThatComeBackThroughAReferenceAnswerNothing)
{
    auto *sw = add<SHOP_Switch>("switch", "sw");
    ProbeNode *ref = add("t_probe_surface", "ref");
    wire(sw, 0, ref);
    ref->forward = sw;

    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), nullptr);
    EXPECT_EQ(build(sw), "<failed:<untouched>>");
    EXPECT_EQ(lookup(sw, "missing"), nullptr);
    EXPECT_EQ(ref->asked, 3);
    EXPECT_FALSE(sw->isBusy());

    // While a request runs the switch's type is undecided, so nothing mistakes it for a type.
    SHOP_TYPE seen = SHOP_ANY;
    ref->forward = nullptr;
    ref->onAsk = [&] { seen = sw->getShaderType(); };
    EXPECT_EQ(sw->findShader(SHOP_SURFACE, 0, nullptr), ref);
    EXPECT_EQ(seen, SHOP_UNDEFINED);
    EXPECT_EQ(sw->getShaderType(), SHOP_SURFACE);
}

TEST_F(ShopSwitch, TheLastOfAChainTakesTheTypeOfItsHeadWheneverItChanges)
{
    ProbeNode *surface = add("t_probe_surface", "surface");
    ProbeNode *displace = add("t_probe_displace", "displace");
    std::vector<SHOP_Switch *> chain;
    for (int i = 0; i < 40; ++i)
    {
        const std::string name = "s" + std::to_string(i);
        chain.push_back(add<SHOP_Switch>("switch", name.c_str()));
        wire(chain.back(), 0, i == 0 ? static_cast<SHOP_Node *>(surface) : chain[i - 1]);
    }
    // Asked again with nothing changed, and after a cook: the same answer.
    EXPECT_EQ(chain.back()->getShaderType(), SHOP_SURFACE);
    EXPECT_EQ(cookAt(chain.back()), UT_ERROR_NONE);
    EXPECT_EQ(chain.back()->getShaderType(), SHOP_SURFACE);
    // Whatever changes at the head reaches the end, however often the end was asked.
    wire(chain.front(), 0, displace);
    EXPECT_EQ(chain.back()->getShaderType(), SHOP_DISPLACEMENT);
    EXPECT_EQ(chain[20]->getInputType(0), SHOP_DISPLACEMENT);
    // Disagreeing inputs leave the head undefined, which decides nothing after it.
    wire(chain.front(), 1, surface);
    EXPECT_EQ(chain.front()->getShaderType(), SHOP_UNDEFINED);
    EXPECT_EQ(chain.back()->getShaderType(), SHOP_ANY);
    wire(chain.front(), 1, nullptr);
    EXPECT_EQ(chain.back()->getShaderType(), SHOP_DISPLACEMENT);
}

} // namespace
