#include "../ShopTestNodes.h"

#include <shop/operator/SHOP_BundleFilter.h>

#include <set>

using namespace shoptest;

namespace
{

using ShopParms = ShopTest;

std::shared_ptr<PRM_SpareData> spare(const char *key, const char *value)
{
    auto data = std::make_shared<PRM_SpareData>();
    data->addTokenValue(key, value);
    return data;
}

TEST_F(ShopParms, OverridesReplaceSingleComponentsByTheirKeys)
{
    TestShopNode *node = make("t_parms");
    set(node, "col", {0.1, 0.2, 0.3});
    UT_Options options;
    options.setOptionF("colg", 0.75);
    options.setOptionF("col", 9);
    options.setOptionI("i", 42);
    options.setOptionS("s", "overridden");
    options.setOptionS("f", "not a number");

    float value = -1;
    EXPECT_TRUE(node->evalShopParameter("col", 0, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.1f);
    EXPECT_TRUE(node->evalShopParameter("col", 1, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.75f);
    EXPECT_TRUE(node->evalShopParameter("col", 2, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.3f);
    EXPECT_TRUE(node->evalShopParameter("col", 1, 0, value, nullptr, false));
    EXPECT_FLOAT_EQ(value, 0.2f);

    int integer = -1;
    EXPECT_TRUE(node->evalShopParameter("i", 0, 0, integer, &options, false));
    EXPECT_EQ(integer, 42);
    // A text cannot stand for a number: the parameter is read instead.
    EXPECT_TRUE(node->evalShopParameter("f", 0, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.5f);

    UT_String text;
    EXPECT_TRUE(node->evalShopParameter("s", 0, 0, text, &options, false));
    EXPECT_EQ(text, "overridden");
    options.setOptionI("s", 5);
    EXPECT_TRUE(node->evalShopParameter("s", 0, 0, text, &options, false));
    EXPECT_EQ(text, "text");

    // A number the parameter cannot hold fails, naming it, rather than quietly giving way to
    // the parameter's own value.
    options.setOptionI("i", int64_t{1} << 40);
    options.setOptionF("colr", 1e39);
    EXPECT_FALSE(node->evalShopParameter("i", 0, 0, integer, &options, false));
    EXPECT_FALSE(node->evalShopParameter("col", 0, 0, value, &options, false));
    ASSERT_EQ(node->getErrorManager().getNumErrors(), 2);
    EXPECT_EQ(node->getErrorManager().getError(0).getText(),
              node->getFullPath() + " i: the override i is beyond its range");
    EXPECT_EQ(node->getErrorManager().getError(1).getText(),
              node->getFullPath() + " col: the override colr is beyond its range");

    text = "untouched";
    value = -1;
    EXPECT_FALSE(node->evalShopParameter("nosuch", 0, 0, text, &options, false));
    EXPECT_FALSE(node->evalShopParameter("nosuch", 0, 0, value, nullptr, false));
    EXPECT_EQ(text, "untouched");
    EXPECT_FLOAT_EQ(value, -1);
}

TEST_F(ShopParms, ReferencesAreFollowedAndOnlyThisNodeIsMarkedToCook)
{
    TestShopNode *source = make("t_parms", nullptr, "source");
    TestShopNode *node = make("t_parms", nullptr, "reader");
    set(source, "col", {0.1, 0.2, 0.3});
    setExpr(node, "f", "ch(\"../source/colb\")");
    setExpr(node, "ncref", "ch(\"../source/ncoff\")");
    set(source, "ncoff", {6});

    UT_Options options;
    options.setOptionF("f", 5);
    float value = 0;
    EXPECT_TRUE(node->evalShopParameter("f", 0, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.3f);
    options.setOptionF("colb", 0.9);
    EXPECT_TRUE(node->evalShopParameter("f", 0, 0, value, &options, false));
    EXPECT_FLOAT_EQ(value, 0.9f);

    PRM_Template *nc = node->getParmPtr("nc")->getTemplatePtr();
    PRM_Template *ncref = node->getParmPtr("ncref")->getTemplatePtr();
    PRM_Template *ncover = node->getParmPtr("ncover")->getTemplatePtr();
    PRM_Template *ncoff = node->getParmPtr("ncoff")->getTemplatePtr();
    ASSERT_TRUE(nc->getNoCook() && ncref->getNoCook() && ncover->getNoCook() && ncoff->getNoCook());

    // Read through a reference: the final parameter belongs to another node.
    EXPECT_TRUE(node->evalShopParameter("ncref", 0, 0, value, nullptr, true));
    EXPECT_FLOAT_EQ(value, 6);
    EXPECT_TRUE(ncref->getNoCook());
    EXPECT_TRUE(ncoff->getNoCook());
    // Overridden: nothing is evaluated, nothing is marked.
    options.setOptionF("ncover", 1);
    EXPECT_TRUE(node->evalShopParameter("ncover", 0, 0, value, &options, true));
    EXPECT_TRUE(ncover->getNoCook());
    EXPECT_TRUE(node->evalShopParameter("nc", 0, 0, value, nullptr, false));
    EXPECT_TRUE(nc->getNoCook());
    EXPECT_TRUE(node->evalShopParameter("nc", 0, 0, value, nullptr, true));
    EXPECT_FALSE(nc->getNoCook());
}

TEST_F(ShopParms, MatrixOfAMissingNodeIsTheIdentityAtAnyPrecision)
{
    TestShopNode *node = make("t_parms");
    PRM_Template tmpl(PRM_STRING, 1, PRM_Name("objpath"), {}, nullptr, {}, spare("opmatrix", "1"));
    setText(node, "objpath", "nowhere");
    for (int precision : {0, 1, 12, 1000})
    {
        UT_String value;
        bool quote = true;
        node->evalStringParm(value, "objpath", 0, 0, &tmpl, quote, "VKorvit", precision);
        EXPECT_EQ(value, "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1") << precision;
        EXPECT_FALSE(quote);
    }

    // A real transform is written row by row at the precision.
    ASSERT_NE(mgr->createNode("t_xform", "xf"), nullptr);
    setText(node, "objpath", "../xf");
    UT_String matrix;
    bool quoted = true;
    node->evalStringParm(matrix, "objpath", 0, 0, &tmpl, quoted, "VKorvit", 3);
    EXPECT_EQ(matrix, "0.1 1.1 2.1 3.1 4.1 5.1 6.1 7.1 8.1 9.1 10.1 11.1 12.1 13.1 14.1 15.1");
    EXPECT_FALSE(quoted);
    node->evalStringParm(matrix, "objpath", 0, 0, &tmpl, quoted, "VKorvit", 17);
    EXPECT_EQ(matrix.toStdString().substr(0, 24), "0.10000000000000001 1.10");
    node->evalStringParm(matrix, "objpath", 0, 0, &tmpl, quoted, "VKorvit", 1000);
    EXPECT_EQ(matrix.toStdString().rfind("0.1000000000000000055511151231257827", 0), 0u);
    setText(node, "objpath", "nowhere");

    // An empty value, or a template without spare data, stands as it is.
    UT_String value;
    bool quote = false;
    setText(node, "objpath", "");
    node->evalStringParm(value, "objpath", 0, 0, &tmpl, quote, "VKorvit", 12);
    EXPECT_EQ(value, "");
    EXPECT_TRUE(quote);
    setText(node, "objpath", "nowhere");
    PRM_Template bare(PRM_STRING, 1, PRM_Name("objpath"));
    quote = false;
    node->evalStringParm(value, "objpath", 0, 0, &bare, quote, "VKorvit", 12);
    EXPECT_EQ(value, "nowhere");
    EXPECT_TRUE(quote);
}

TEST_F(ShopParms, SpareBooleanTexts)
{
    TestShopNode *node = make("t_parms");
    setText(node, "objpath", "nowhere");
    // Only these texts say yes; a "no" leaves the path as it is, to be written quoted.
    const std::set<std::string> yes = {"on", "true", "1", "2", "-1", "3 apples"};
    for (const char *text :
         {"on", "true", "1", "2", "-1", "3 apples", "yes", "On", "TRUE", "0", "", "off", "0.5"})
    {
        PRM_Template tmpl(PRM_STRING, 1, PRM_Name("objpath"), {}, nullptr, {},
                          spare("opmatrix", text));
        UT_String value;
        bool quote = yes.count(text) > 0; // the opposite of the answer expected
        node->evalStringParm(value, "objpath", 0, 0, &tmpl, quote, "VKorvit", 12);
        EXPECT_EQ(quote, !yes.count(text)) << text;
        EXPECT_TRUE(!quote || value == "nowhere") << text;
    }
}

TEST_F(ShopParms, DefaultsExpressionsAndOverrides)
{
    TestShopNode *node = make("t_parms");
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, "col", 0, nullptr));
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, "s", 0, nullptr));
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, "i", 0, nullptr));

    UT_Options options;
    options.setOptionF("unrelated", 1);
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, "col", 0, &options));
    options.setOptionF("colb", 1); // the same value still counts as overridden
    EXPECT_FALSE(SHOP_Node::isParmDefaultValue(node, "col", 0, &options));
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, "col", 0, nullptr));
    options.setOptionS("s", "text");
    EXPECT_FALSE(SHOP_Node::isParmDefaultValue(node, "s", 0, &options));

    set(node, "col", {1, 0.5, 1});
    EXPECT_FALSE(SHOP_Node::isParmDefaultValue(node, "col", 0, nullptr));
    set(node, "col", {1, 1, 1});
    EXPECT_TRUE(SHOP_Node::isParmDefaultValue(node, node->getParmPtr("col"), 0, nullptr));

    // Without defaults nothing can be held.
    std::string error;
    ASSERT_TRUE(node->addSpareParm(PRM_Template(PRM_FLT, 1, PRM_Name("nodefault")), error))
        << error;
    EXPECT_FALSE(SHOP_Node::isParmDefaultValue(node, "nodefault", 0, nullptr));

    TestShopNode *exprs = make("t_exprdef");
    EXPECT_FLOAT_EQ(exprs->evalFloat("fexpr", 0, 0), 2);
    for (const char *name : {"fexpr", "iexpr", "sexpr"})
        EXPECT_FALSE(SHOP_Node::isParmDefaultValue(exprs, name, 0, nullptr)) << name;

    // A reference counts as overridden under the referenced parameter's channel.
    TestShopNode *reader = make("t_parms");
    setExpr(reader, "f", ("ch(\"" + node->getFullPath() + "/colr\")").c_str());
    UT_Options referenced;
    referenced.setOptionF("colr", 0);
    EXPECT_FALSE(SHOP_Node::isParmDefaultValue(reader, "f", 0, &referenced));
}

} // namespace

namespace
{
std::shared_ptr<PRM_SpareData>
spare(std::initializer_list<std::pair<const std::string, std::string>> values)
{
    return std::make_shared<PRM_SpareData>(values);
}

// A shader with a CVEX function parameter and two node-list parameters, and a CVEX shader for
// it to embed.
void installEmbedding()
{
    static const bool theDone = []
    {
        SHOP_BundleFilter::createFilters();
        addShop("t_cvexfn", SHOP_CVEX, "*",
                {PRM_Template(PRM_FLT, 1, PRM_Name("gain"), {PRM_Default(1)})});
        addShop("t_embedder", SHOP_SURFACE, "*",
                {PRM_Template(PRM_STRING_OPREF, 1, PRM_Name("fn"), {PRM_Default(0, "")}, nullptr,
                              {}, spare({{"opfilter", "!!SHOP/CVEX!!"}})),
                 PRM_Template(PRM_STRING, 1, PRM_Name("lights"), {PRM_Default(0, "")}, nullptr, {},
                              spare({{"opexpand", "on"}, {"opfilter", "!!SHOP/CVEX!!"}})),
                 PRM_Template(PRM_STRING, 1, PRM_Name("all"), {PRM_Default(0, "")}, nullptr, {},
                              spare({{"opexpand", "1"}, {"opfullpath", "true"}}))});
        // A CVEX shader that embeds another: references may come back to it.
        addShop("t_cvexref", SHOP_CVEX, "*",
                {PRM_Template(PRM_STRING_OPREF, 1, PRM_Name("fn"), {PRM_Default(0, "")}, nullptr,
                              {}, spare({{"opfilter", "!!SHOP/CVEX!!"}}))});
        return true;
    }();
    (void)theDone;
}
} // namespace

TEST_F(ShopParms, EmbeddedCvexShadersAndNodeLists)
{
    installEmbedding();
    TestShopNode *fn = make("t_cvexfn", nullptr, "fn1");
    make("t_cvexfn", nullptr, "fn2");
    TestShopNode *surface = make("t_embedder", nullptr, "surf");
    set(fn, "gain", {3.14159});
    PRM_Template *templates = surface->getParmTemplates();

    // The CVEX node's own shader string, at the precision and for the renderer of the build.
    setText(surface, "fn", "../fn1");
    UT_String value;
    bool quote = false;
    surface->evalStringParm(value, "fn", 0, 0, &templates[0], quote, "VKorvit", 3);
    EXPECT_STREQ(value.c_str(), "t_cvexfn gain 3.14");
    EXPECT_TRUE(quote);
    // A renderer the CVEX node has no clerk for (its build fails), a node of another type, or
    // no node: empty.
    surface->evalStringParm(value, "fn", 0, 0, &templates[0], quote, "Nobody", 3);
    EXPECT_STREQ(value.c_str(), "");
    setText(surface, "fn", "../surf");
    surface->evalStringParm(value, "fn", 0, 0, &templates[0], quote, "VKorvit", 3);
    EXPECT_STREQ(value.c_str(), "");
    setText(surface, "fn", "../nothere");
    surface->evalStringParm(value, "fn", 0, 0, &templates[0], quote, "VKorvit", 3);
    EXPECT_STREQ(value.c_str(), "");

    // Node lists: the pattern's matches through the filter, relative or full paths.
    setText(surface, "lights", "../fn* ../surf");
    surface->evalStringParm(value, "lights", 0, 0, &templates[1], quote, "VKorvit", 12);
    EXPECT_STREQ(value.c_str(), "../fn1 ../fn2");
    EXPECT_TRUE(quote);
    setText(surface, "all", "../* ^../fn2");
    surface->evalStringParm(value, "all", 0, 0, &templates[2], quote, "VKorvit", 12);
    const std::string base = mgr->getFullPath();
    EXPECT_EQ(value.toStdString(), base + "/fn1 " + base + "/surf");

    // The bundles a build asked for are kept; one no longer asked for is dropped.
    surface->markBundleRefsAsUnused();
    surface->evalStringParm(value, "all", 0, 0, &templates[2], quote, "VKorvit", 12);
    surface->cleanUnusedBundleRefs();
    EXPECT_EQ(surface->getNumBundleRefs(), 1);
}

TEST_F(ShopParms, OptionsFromPythonDictionaries)
{
    UT_Options options;
    options.setOptionI("kept", 1);
    EXPECT_FALSE(SHOP_Node::convertStringToOptions(options, "[1, 2]"));
    EXPECT_FALSE(SHOP_Node::convertStringToOptions(options, "{'a': "));
    EXPECT_FALSE(SHOP_Node::convertStringToOptions(options, nullptr));
    EXPECT_TRUE(options.hasOption("kept"));

    ASSERT_TRUE(SHOP_Node::convertStringToOptions(
        options, "{'rendertype': 'RIB', 'qelo_precision': 3, 'Kd': 0.25}"));
    EXPECT_FALSE(options.hasOption("kept"));
    std::string renderer;
    int precision = 0;
    float kd = 0;
    EXPECT_TRUE(options.importOption("rendertype", renderer));
    EXPECT_EQ(renderer, "RIB");
    EXPECT_TRUE(options.importOption("qelo_precision", precision));
    EXPECT_EQ(precision, 3);
    EXPECT_TRUE(options.importOption("Kd", kd));
    EXPECT_FLOAT_EQ(kd, 0.25f);

    // What the options writer makes, Python reads back to the same set.
    UT_Options awkward;
    awkward.setOptionS("map", "it's a \"quoted\" path\\with\nnewline '''");
    awkward.setOptionF("gain", 0.1);
    UT_WorkBuffer literal;
    awkward.appendPyDictionary(literal);
    UT_Options back;
    ASSERT_TRUE(SHOP_Node::convertStringToOptions(back, literal.buffer()));
    EXPECT_TRUE(back == awkward);
}

TEST_F(ShopParms, CvexReferencesBackToABuildGiveNothing)
{
    installEmbedding();
    auto loops = [](const OP_Node *node)
    {
        int found = 0;
        for (const UT_Error &error : node->getErrorManager().getErrors())
            if (error.getText() == node->getFullPath() + ": references loop back to its build")
                ++found;
        return found;
    };

    // A CVEX shader naming itself: the reference gives nothing, and the node holds the error
    // (once, however often it is built), so its build fails as any reference loop makes it.
    TestShopNode *self = make("t_cvexref", nullptr, "self");
    setText(self, "fn", "../self");
    UT_String result;
    EXPECT_FALSE(self->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(loops(self), 1);
    EXPECT_FALSE(self->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(loops(self), 1);

    // Two naming each other: the error is on the node the reference came back to; the other
    // one's build, inside, went on with the empty value.
    TestShopNode *a = make("t_cvexref", nullptr, "a");
    TestShopNode *b = make("t_cvexref", nullptr, "b");
    setText(a, "fn", "../b");
    setText(b, "fn", "../a");
    EXPECT_FALSE(a->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(loops(a), 1);
    EXPECT_EQ(loops(b), 0);
    EXPECT_FALSE(b->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(loops(a), 0);
    EXPECT_EQ(loops(b), 1);

    // Broken elsewhere, the loop leaves no error behind on a node that did not change.
    setText(b, "fn", "");
    ASSERT_TRUE(a->buildShaderString(result, 0, nullptr, nullptr, nullptr));
    EXPECT_STREQ(result.c_str(), "t_cvexref fn t_cvexref");
    EXPECT_EQ(loops(a), 0);
}
