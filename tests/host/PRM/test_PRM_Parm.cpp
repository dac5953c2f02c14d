#include <EV/EV_Expression.h>
#include <PRM/PRM_Parm.h>
#include <PRM/PRM_ParmList.h>
#include <PRM/PRM_ParmOwner.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{

// Evaluates expressions with $T as the only variable and records change notices.
class TestOwner : public PRM_ParmOwner
{
public:
    class Context : public EV_Context
    {
    public:
        bool getVariable(const std::string &name, EV_Value &value) override
        {
            if (name != "T")
                return false;
            timeDependent = true;
            value = EV_Value::number(time);
            return true;
        }
    };

    bool evaluateParmExpression(const PRM_Parm &, const EV_Expression &expr, float time, int,
                                EV_Value &value, bool &timeDependent) override
    {
        Context context;
        context.time = time;
        bool ok = expr.evaluate(context, value);
        timeDependent = context.timeDependent;
        return ok;
    }
    void parmChanged(PRM_Parm &, int component) override { changes.push_back(component); }

    std::vector<int> changes;
};

auto theMenu = std::make_shared<PRM_ChoiceList>(
    std::vector<PRM_ChoiceList::Item>{{"low", "Low"}, {"medium", "Medium"}, {"high", "High"}});

} // namespace

TEST(PRM_Template, ChannelTokensNameEachComponent)
{
    EXPECT_EQ(PRM_Template(PRM_RGB, 1, PRM_Name("c")).getChannelToken(0), "c");
    PRM_Template colour(PRM_RGB, 4, PRM_Name("c"));
    EXPECT_EQ(colour.getChannelToken(0), "cr");
    EXPECT_EQ(colour.getChannelToken(2), "cb");
    EXPECT_EQ(colour.getChannelToken(3), "ca");
    PRM_Template vec(PRM_XYZ, 3, PRM_Name("t"));
    EXPECT_EQ(vec.getChannelToken(0), "tx");
    EXPECT_EQ(vec.getChannelToken(2), "tz");
    PRM_Template plain(PRM_FLT, 3, PRM_Name("v"));
    EXPECT_EQ(plain.getChannelToken(0), "v1");
    EXPECT_EQ(plain.getChannelToken(2), "v3");

    // Letters cannot name a fifth component, and a mix of letters and numbers would be
    // guesswork for anyone typing channel names, so wide colours are numbered throughout.
    PRM_Template wide(PRM_RGB, 5, PRM_Name("w"));
    EXPECT_EQ(wide.getChannelToken(0), "w1");
    EXPECT_EQ(wide.getChannelToken(4), "w5");
    EXPECT_EQ(wide.getChannelToken(-1), "");
    EXPECT_EQ(colour.getChannelToken(-1), "");
}

TEST(PRM_Template, CountTemplatesSkipsWhatHoldsNoValue)
{
    const PRM_Template templates[] = {
        PRM_Template(PRM_SWITCHER, 2, PRM_Name("f"), {PRM_Default(1, "A"), PRM_Default(1, "B")}),
        PRM_Template(PRM_FLT, 1, PRM_Name("a")),
        PRM_Template(PRM_SEPARATOR, 0, PRM_Name("sep")),
        PRM_Template(PRM_LABEL, 0, PRM_Name("lbl")),
        PRM_Template(PRM_STRING, 1, PRM_Name("s")),
        PRM_Template(),
    };
    EXPECT_EQ(PRM_Template::countTemplates(templates), 5);
    EXPECT_EQ(PRM_Template::countTemplates(templates, true), 4);
    EXPECT_EQ(PRM_Template::countTemplates(templates, false, true), 4);
    EXPECT_EQ(PRM_Template::countTemplates(templates, false, false, true), 4);
    EXPECT_EQ(PRM_Template::countTemplates(templates, true, true, true), 2);
    EXPECT_EQ(PRM_Template::countTemplates(nullptr), 0);
}

TEST(PRM_Parm, FactoryDefaultIsTrackedPerComponent)
{
    TestOwner owner;
    PRM_Template colourT(PRM_RGB, 3, PRM_Name("c"), {PRM_Default(1), PRM_Default(0.5)});
    PRM_Parm colour(&colourT, &owner);
    EXPECT_FLOAT_EQ(colour.evalFloat(2, 0, 0), 0.5f); // the last default repeats
    EXPECT_TRUE(colour.isFactoryDefault());
    ASSERT_TRUE(colour.setValue(1, 0.25));
    EXPECT_TRUE(colour.isFactoryDefault(0));
    EXPECT_FALSE(colour.isFactoryDefault(1));
    EXPECT_FALSE(colour.isFactoryDefault());
    EXPECT_FALSE(colour.isFactoryDefault(3));
    colour.setValue(1, 0.5);
    EXPECT_TRUE(colour.isFactoryDefault());

    PRM_Template textT(PRM_STRING, 1, PRM_Name("s"), {PRM_Default(0, "hello")});
    PRM_Parm text(&textT, &owner);
    std::string error;
    ASSERT_TRUE(text.setValueFromText(0, "bye", error));
    EXPECT_FALSE(text.isFactoryDefault());
    ASSERT_TRUE(text.setValueFromText(0, "hello", error));
    EXPECT_TRUE(text.isFactoryDefault());

    PRM_Template exprT(PRM_FLT, 1, PRM_Name("e"), {PRM_Default(0, "$T*2", PRM_DEFAULT_EXPRESSION)});
    PRM_Parm expr(&exprT, &owner);
    EXPECT_TRUE(expr.isExpression(0));
    EXPECT_FLOAT_EQ(expr.evalFloat(0, 1.5f, 0), 3.0f);
    EXPECT_TRUE(expr.isFactoryDefault());
    // The value the default expression gives is not the default: it would stop following time.
    expr.setValue(0, 3.0);
    EXPECT_FALSE(expr.isFactoryDefault());
    ASSERT_TRUE(expr.setExpression(0, "$T*2", error));
    EXPECT_TRUE(expr.isFactoryDefault());
    ASSERT_TRUE(expr.setExpression(0, "$T * 2", error));
    EXPECT_FALSE(expr.isFactoryDefault());
    expr.revertToDefaults();
    EXPECT_TRUE(expr.isFactoryDefault());

    // A number parameter's default text that is no number is an expression.
    PRM_Template implicitT(PRM_FLT, 1, PRM_Name("i"), {PRM_Default(0, "$T+1")});
    PRM_Parm implicit(&implicitT, &owner);
    EXPECT_TRUE(implicit.isExpression(0));
    EXPECT_FLOAT_EQ(implicit.evalFloat(0, 2.0f, 0), 3.0f);
    EXPECT_TRUE(implicit.isFactoryDefault());
    // ... while a string's literal default that looks like one is still just text.
    PRM_Template dollarT(PRM_STRING, 1, PRM_Name("d"), {PRM_Default(0, "$T")});
    PRM_Parm dollar(&dollarT, &owner);
    EXPECT_FALSE(dollar.isExpression(0));
    EXPECT_EQ(dollar.evalString(0, 0, 0), "$T");
}

TEST(PRM_Parm, SetValueClampsTruncatesAndKeepsSinglePrecision)
{
    TestOwner owner;
    PRM_Template countT(PRM_INT, 1, PRM_Name("n"), {PRM_Default(3)}, nullptr,
                        PRM_Range(0, 10, true, false));
    PRM_Parm count(&countT, &owner);
    count.setValue(0, -4);
    EXPECT_EQ(count.evalInt(0, 0, 0), 0);
    count.setValue(0, 25); // the maximum is only a slider end
    EXPECT_EQ(count.evalInt(0, 0, 0), 25);
    count.setValue(0, 2.7);
    EXPECT_EQ(count.evalInt(0, 0, 0), 2);
    EXPECT_EQ(count.getValueText(0), "2");
    EXPECT_EQ(owner.changes.size(), 3u);

    PRM_Template amountT(PRM_FLT, 1, PRM_Name("a"), {PRM_Default(0.1)}, nullptr,
                         PRM_Range(-1, 1, true, true));
    PRM_Parm amount(&amountT, &owner);
    EXPECT_EQ(amount.evalFloat(0, 0, 0), 0.1f);
    EXPECT_EQ(amount.evalString(0, 0, 0), "0.1");
    EXPECT_EQ(amount.getValueText(0), "0.1");
    amount.setValue(0, 0.3);
    EXPECT_EQ(amount.evalFloat(0, 0, 0), 0.3f);
    EXPECT_EQ(amount.evalString(0, 0, 0), "0.3");
    amount.setValue(0, 7);
    EXPECT_EQ(amount.evalFloat(0, 0, 0), 1.0f);
    EXPECT_FALSE(amount.setValue(0, std::nan("")));
    EXPECT_EQ(amount.evalFloat(0, 0, 0), 1.0f);
    std::string error;
    ASSERT_TRUE(amount.setExpression(0, "0.1 + 0.2", error));
    EXPECT_EQ(amount.evalFloat(0, 0, 0), 0.3f);
    EXPECT_EQ(amount.evalString(0, 0, 0), "0.3");
    EXPECT_EQ(amount.getValueText(0), "0.1 + 0.2");
}

TEST(PRM_Parm, SetValueFromTextAcceptsNumbersAndMenuTokensOnly)
{
    TestOwner owner;
    std::string error;
    PRM_Template qualityT(PRM_ORD, 1, PRM_Name("q"), {PRM_Default(1)}, theMenu);
    PRM_Parm quality(&qualityT, &owner);
    ASSERT_TRUE(quality.setValueFromText(0, "high", error));
    EXPECT_EQ(quality.evalInt(0, 0, 0), 2);
    ASSERT_TRUE(quality.setValueFromText(0, "0", error));
    EXPECT_EQ(quality.evalInt(0, 0, 0), 0);
    EXPECT_FALSE(quality.setValueFromText(0, "ultra", error));
    EXPECT_NE(error.find("ultra"), std::string::npos);
    EXPECT_EQ(quality.evalInt(0, 0, 0), 0);

    PRM_Template scaleT(PRM_FLT, 2, PRM_Name("s"));
    PRM_Parm scale(&scaleT, &owner);
    ASSERT_TRUE(scale.setValueFromText(1, "-2.5e1", error));
    EXPECT_EQ(scale.evalFloat(1, 0, 0), -25.0f);
    for (const char *bad : {"", " 1", "1x", "$T", "nan", "inf", "1e999"})
    {
        error.clear();
        EXPECT_FALSE(scale.setValueFromText(0, bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(scale.setValueFromText(2, "1", error));
    EXPECT_FALSE(scale.setValueFromText(-1, "1", error));
    EXPECT_EQ(scale.evalFloat(0, 0, 0), 0.0f);

    // A failed parse leaves the component as it was.
    ASSERT_TRUE(scale.setExpression(0, "$T", error));
    EXPECT_FALSE(scale.setExpression(0, "1 +", error));
    EXPECT_EQ(scale.getValueText(0), "$T");
}

TEST(PRM_Parm, TimeDependenceFollowsTheLastEvaluation)
{
    TestOwner owner;
    PRM_Template tmpl(PRM_FLT, 1, PRM_Name("f"));
    PRM_Parm parm(&tmpl, &owner);
    std::string error;
    ASSERT_TRUE(parm.setExpression(0, "$T + 1", error));
    EXPECT_FLOAT_EQ(parm.evalFloat(0, 2, 0), 3.0f);
    EXPECT_TRUE(parm.isTimeDependent());
    ASSERT_TRUE(parm.setExpression(0, "4", error));
    EXPECT_FLOAT_EQ(parm.evalFloat(0, 2, 0), 4.0f);
    EXPECT_FALSE(parm.isTimeDependent());
    ASSERT_TRUE(parm.setExpression(0, "$T", error));
    parm.evalFloat(0, 2, 0);
    parm.setValue(0, 1);
    parm.evalFloat(0, 2, 0);
    EXPECT_FALSE(parm.isTimeDependent());

    // Without an owner there is nowhere to evaluate: the value is 0 rather than a crash.
    PRM_Parm orphan(&tmpl, nullptr);
    ASSERT_TRUE(orphan.setExpression(0, "1 + 1", error));
    EXPECT_EQ(orphan.evalFloat(0, 0, 0), 0.0f);
    EXPECT_EQ(orphan.evalString(0, 0, 0), "");
}

TEST(PRM_Parm, IntegersHold32BitsAndEveryReadingAgrees)
{
    TestOwner owner;
    std::string error;
    PRM_Template countT(PRM_INT, 1, PRM_Name("n"));
    PRM_Parm count(&countT, &owner);
    // What shader strings write (32 bits) is what the parameter takes; beyond it is refused as
    // a float beyond single precision is, not kept as a value that reads back another way.
    for (const char *text : {"1e19", "1e10", "2147483648", "-2147483649"})
    {
        EXPECT_FALSE(count.setValueFromText(0, text, error)) << text;
        EXPECT_EQ(error, "Value '" + std::string(text) + "' is beyond the range of parameter 'n'");
    }
    EXPECT_FALSE(count.setValue(0, 1e19));
    EXPECT_EQ(count.getValueText(0), "0");
    for (const char *text : {"2147483647", "-2147483648", "-2147483648.5"})
    {
        ASSERT_TRUE(count.setValueFromText(0, text, error)) << text;
        const std::string whole = std::string(text).substr(0, std::string(text).find('.'));
        EXPECT_EQ(count.getValueText(0), whole);
        EXPECT_EQ(std::to_string(count.evalInt(0, 0, 0)), whole);
    }
    // A default beyond the range starts at the nearest value the parameter can hold.
    PRM_Template bigT(PRM_INT, 1, PRM_Name("big"), {PRM_Default(1e19)});
    PRM_Parm big(&bigT, &owner);
    EXPECT_EQ(big.getValueText(0), "2147483647");
    EXPECT_EQ(big.evalInt(0, 0, 0), 2147483647);
    EXPECT_TRUE(big.isFactoryDefault());

    // -0 is 0: shown, written and saved alike.
    PRM_Template floatT(PRM_FLT, 1, PRM_Name("f"), {PRM_Default(1)});
    PRM_Parm f(&floatT, &owner);
    ASSERT_TRUE(f.setValueFromText(0, "-0", error));
    EXPECT_FALSE(std::signbit(f.evalFloat(0, 0, 0)));
    EXPECT_EQ(f.getValueText(0), "0");
}

namespace
{
// prmtest_replace() makes the parameter it belongs to a plain expression again, as a script
// run from inside an evaluation could, and gives 1.
PRM_Parm *theReplaced = nullptr;

void prm_replace(EV_FunctionCall &call)
{
    std::string error;
    theReplaced->setExpression(0, "2", error);
    call.result = EV_Value::number(1);
}

EV_FUNCTION theReplace(0, "prmtest_replace", 0, EV_TYPE_FLOAT, nullptr, prm_replace);
} // namespace

TEST(PRM_Parm, AnExpressionReplacedWhileItRunsFinishesFirst)
{
    ev_AddFunction(&theReplace);
    TestOwner owner;
    PRM_Template tmpl(PRM_FLT, 1, PRM_Name("f"));
    PRM_Parm parm(&tmpl, &owner);
    theReplaced = &parm;
    std::string error;
    ASSERT_TRUE(parm.setExpression(0, "prmtest_replace() + 1", error)) << error;
    EXPECT_EQ(parm.evalFloat(0, 0, 0), 2);
    EXPECT_EQ(parm.getValueText(0), "2");
    EXPECT_EQ(parm.evalFloat(0, 0, 0), 2);
}

namespace
{
// prmtest_drop() sets the count of a multi-parameter to none, as a script run from inside an
// evaluation could, removing the instance that is being evaluated; it gives 1.
PRM_ParmList *theLayers = nullptr;

void prm_drop(EV_FunctionCall &call)
{
    PRM_Parm &count = *theLayers->getParmPtr("layers");
    count.setValue(0, 0);
    theLayers->syncMultiInstances(count, count.getOwner());
    call.result = EV_Value::number(1);
}

EV_FUNCTION theDrop(0, "prmtest_drop", 0, EV_TYPE_FLOAT, nullptr, prm_drop);
} // namespace

TEST(PRM_Parm, AnInstanceRemovedWhileItRunsFinishesFirst)
{
    ev_AddFunction(&theDrop);
    TestOwner owner;
    PRM_Template layers(PRM_MULTIPARM, 1, PRM_Name("layers"));
    layers.setMultiParmTemplates({PRM_Template(PRM_FLT, 1, PRM_Name("weight#"))});
    PRM_ParmList list;
    theLayers = &list;
    PRM_Parm &count = list.appendParm(&layers, &owner, false);
    ASSERT_TRUE(count.setValue(0, 2));
    list.syncMultiInstances(count, &owner);
    std::string error;
    PRM_Parm *weight = list.getParmPtr("weight2");
    ASSERT_NE(weight, nullptr);
    ASSERT_TRUE(weight->setExpression(0, "prmtest_drop() + 1", error)) << error;
    EXPECT_EQ(weight->evalFloat(0, 0, 0), 2);
    EXPECT_EQ(list.getParmPtr("weight2"), nullptr);
    EXPECT_EQ(list.getEntries(), 1);
}
