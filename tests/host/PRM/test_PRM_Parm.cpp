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

namespace
{
// Sixteen components of every kind side by side, on a parameter of a list and on one of its
// own: each component keeps its own number, text or expression through every change of kind.
void prm_checkWideFloat(PRM_Parm &parm)
{
    std::string error;
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(parm.evalFloat(i, 1, 0), i == 7 ? 2.0f : static_cast<float>(i)) << i;
    for (int i = 0; i < 16; ++i)
        if (i % 3 == 0)
            ASSERT_TRUE(parm.setExpression(i, ("$T + " + std::to_string(i)).c_str(), error));
        else
            ASSERT_TRUE(parm.setValue(i, 100 + i));
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(parm.isExpression(i), i % 3 == 0) << i;
        EXPECT_FLOAT_EQ(parm.evalFloat(i, 2, 0), i % 3 == 0 ? 2.0f + i : 100.0f + i) << i;
        EXPECT_EQ(parm.getValueText(i),
                  i % 3 == 0 ? "$T + " + std::to_string(i) : std::to_string(100 + i));
    }
    // Back and forth: a number where an expression was, and the other way round.
    for (int i = 0; i < 16; ++i)
        if (i % 3 == 0)
            ASSERT_TRUE(parm.setValue(i, -i));
        else
            ASSERT_TRUE(parm.setExpression(i, "$T * 10", error));
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(parm.evalFloat(i, 2, 0), i % 3 == 0 ? -i : 20.0f) << i;
    EXPECT_FALSE(parm.isFactoryDefault());
    parm.revertToDefaults();
    EXPECT_TRUE(parm.isFactoryDefault());
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(parm.isExpression(i), i == 7) << i;
        EXPECT_FLOAT_EQ(parm.evalFloat(i, 1, 0), i == 7 ? 2.0f : static_cast<float>(i)) << i;
    }
}

void prm_checkWideString(PRM_Parm &parm)
{
    std::string error;
    // Texts too long to sit inside a string object, so that each is a block of its own.
    auto text = [](int i)
    { return "a text longer than any short string, number " + std::to_string(i); };
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(parm.evalString(i, 0, 0), i == 3 ? "" : "default") << i;
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(parm.setValueFromText(i, text(i).c_str(), error));
    // An expression over the text, then the text again, then a number, then nothing.
    for (int i = 0; i < 16; i += 2)
        ASSERT_TRUE(parm.setExpression(i, ("\"expr " + std::to_string(i) + "\"").c_str(), error));
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(parm.isExpression(i), i % 2 == 0) << i;
        EXPECT_EQ(parm.evalString(i, 0, 0), i % 2 ? text(i) : "expr " + std::to_string(i)) << i;
    }
    for (int i = 0; i < 16; i += 2)
        ASSERT_TRUE(parm.setValueFromText(i, ("again " + std::to_string(i)).c_str(), error));
    for (int i = 1; i < 16; i += 4)
        ASSERT_TRUE(parm.setValue(i, i + 0.5));
    ASSERT_TRUE(parm.setValueFromText(3, "", error));
    ASSERT_TRUE(parm.setValueFromText(5, "", error));
    for (int i = 0; i < 16; ++i)
    {
        std::string want = i % 2 ? text(i) : "again " + std::to_string(i);
        if (i % 4 == 1)
            want = std::to_string(i) + ".5";
        if (i == 3 || i == 5)
            want.clear();
        EXPECT_FALSE(parm.isExpression(i)) << i;
        EXPECT_EQ(parm.evalString(i, 0, 0), want) << i;
        EXPECT_EQ(parm.getValueText(i), want) << i;
        // Only component 3 has the empty text for its default.
        EXPECT_EQ(parm.isFactoryDefault(i), i == 3) << i;
    }
    ASSERT_TRUE(parm.setExpression(9, "$T", error));
    parm.revertToDefaults();
    EXPECT_TRUE(parm.isFactoryDefault());
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FALSE(parm.isExpression(i)) << i;
        EXPECT_EQ(parm.evalString(i, 0, 0), i == 3 ? "" : "default") << i;
    }
}
} // namespace

TEST(PRM_Parm, SixteenComponentsOfEveryKindKeepTheirOwnValues)
{
    TestOwner owner;
    std::vector<PRM_Default> numbers;
    for (int i = 0; i < 16; ++i)
        numbers.push_back(i == 7 ? PRM_Default(0, "$T * 2", PRM_DEFAULT_EXPRESSION)
                                 : PRM_Default(i));
    PRM_Template floatT(PRM_FLT, 16, PRM_Name("wide"), numbers);
    std::vector<PRM_Default> texts(16, PRM_Default(0, "default"));
    texts[3] = PRM_Default(0, "");
    PRM_Template stringT(PRM_STRING, 16, PRM_Name("names"), texts);

    PRM_ParmList list;
    PRM_Parm &listFloat = list.appendParm(&floatT, &owner, false);
    PRM_Parm &listString = list.appendParm(&stringT, &owner, true);
    ASSERT_EQ(listFloat.getVectorSize(), 16);
    EXPECT_EQ(listFloat.getOwner(), &owner);
    EXPECT_TRUE(listString.isSpareParm());
    prm_checkWideFloat(listFloat);
    prm_checkWideString(listString);
    // Neither parameter wrote over the other.
    EXPECT_TRUE(listFloat.isFactoryDefault());
    EXPECT_EQ(list.getParmPtr("wide"), &listFloat);

    PRM_Parm ownFloat(&floatT, &owner);
    PRM_Parm ownString(&stringT, &owner, true);
    EXPECT_EQ(ownFloat.getOwner(), &owner);
    prm_checkWideFloat(ownFloat);
    prm_checkWideString(ownString);
}

namespace
{
// prmtest_plain() makes component 1 of the parameter it belongs to plain again, a number or a
// text, as a script run from inside an evaluation could, and gives 1.
PRM_Parm *thePlained = nullptr;

void prm_plain(EV_FunctionCall &call)
{
    std::string error;
    if (thePlained->getTemplatePtr()->getBasicType() == PRM_BASIC_STRING)
        thePlained->setValueFromText(1, "", error);
    else
        thePlained->setValue(1, 5);
    call.result = EV_Value::number(1);
}

EV_FUNCTION thePlain(0, "prmtest_plain", 0, EV_TYPE_FLOAT, nullptr, prm_plain);
} // namespace

TEST(PRM_Parm, AnExpressionMadePlainWhileItRunsFinishesFirst)
{
    ev_AddFunction(&thePlain);
    TestOwner owner;
    PRM_Template floatT(PRM_FLT, 3, PRM_Name("f"));
    PRM_Template stringT(PRM_STRING, 3, PRM_Name("s"), {PRM_Default(0, "keep")});
    PRM_ParmList list;
    std::string error;
    for (PRM_Template *tmpl : {&floatT, &stringT})
    {
        PRM_Parm &parm = list.appendParm(tmpl, &owner, false);
        thePlained = &parm;
        ASSERT_TRUE(parm.setExpression(1, "prmtest_plain() + 1", error)) << error;
        const bool text = tmpl == &stringT;
        if (text)
            EXPECT_EQ(parm.evalString(1, 0, 0), "2");
        else
            EXPECT_EQ(parm.evalFloat(1, 0, 0), 2);
        EXPECT_FALSE(parm.isExpression(1));
        EXPECT_EQ(parm.getValueText(1), text ? "" : "5");
        EXPECT_EQ(parm.getValueText(0), text ? "keep" : "0");
        EXPECT_EQ(parm.getValueText(2), text ? "keep" : "0");
    }
}
