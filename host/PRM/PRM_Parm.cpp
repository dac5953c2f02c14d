#include <PRM/PRM_Parm.h>

#include <EV/EV_Expression.h>
#include <PRM/PRM_ParmOwner.h>
#include <UT/UT_String.h>

#include <cmath>
#include <cstdlib>

namespace
{
// A switcher's template lists its folders as components, but it holds one value: the folder
// shown.
int prm_componentCount(const PRM_Template &tmpl)
{
    if (tmpl.getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return 1;
    return tmpl.getVectorSize();
}

int64_t prm_toInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    if (v >= 9.2e18)
        return INT64_MAX;
    if (v <= -9.2e18)
        return INT64_MIN;
    return static_cast<int64_t>(std::llround(v));
}
} // namespace

PRM_Parm::PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare)
    : myTemplate(tmpl), myOwner(owner), mySpare(spare), myComponents(prm_componentCount(*tmpl))
{
    for (int i = 0; i < getVectorSize(); ++i)
        setDefault(i);
}

PRM_Parm::~PRM_Parm() = default;

bool PRM_Parm::validComponent(int component) const
{
    return component >= 0 && component < getVectorSize();
}

void PRM_Parm::setDefault(int component)
{
    prm_Component &c = myComponents[component];
    c = prm_Component();
    if (myTemplate->getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return;
    const PRM_Default *def = myTemplate->getDefault(component);
    if (!def)
        return;
    if (def->isExpression())
    {
        std::string error;
        c.expr = EV_Expression::parse(def->getString(), error);
        if (c.expr)
            return;
        // A broken default expression is kept as its text so that nothing is lost.
    }
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
        c.str = def->getString() ? def->getString() : "";
    else if (myTemplate->getBasicType() == PRM_BASIC_FLOAT)
        c.num = static_cast<float>(def->getFloat());
    else
        c.num = static_cast<double>(prm_toInt(def->getFloat()));
}

void PRM_Parm::revertToDefaults()
{
    for (int i = 0; i < getVectorSize(); ++i)
    {
        setDefault(i);
        changed(i);
    }
}

void PRM_Parm::changed(int component)
{
    if (myOwner)
        myOwner->parmChanged(*this, component);
}

bool PRM_Parm::setValue(int component, double value)
{
    if (!validComponent(component))
        return false;
    prm_Component &c = myComponents[component];
    c.expr.reset();
    value = myTemplate->getRange().clamp(value);
    switch (myTemplate->getBasicType())
    {
    case PRM_BASIC_FLOAT:
        c.num = static_cast<float>(value);
        break;
    case PRM_BASIC_STRING:
        c.str = EV_Value::number(value).asString();
        break;
    default:
        c.num = static_cast<double>(prm_toInt(value));
        break;
    }
    changed(component);
    return true;
}

bool PRM_Parm::setValueFromText(int component, const char *text, std::string &error)
{
    if (!validComponent(component))
    {
        error = "Parameter '" + std::string(getToken()) + "' has no component " +
                std::to_string(component);
        return false;
    }
    text = text ? text : "";
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
    {
        prm_Component &c = myComponents[component];
        c.expr.reset();
        c.str = text;
        changed(component);
        return true;
    }
    if (UT_String::isNumber(text))
        return setValue(component, std::strtod(text, nullptr));
    const PRM_ChoiceList *menu = myTemplate->getChoiceList();
    if (menu && myTemplate->getBasicType() == PRM_BASIC_ORDINAL && menu->findToken(text) >= 0)
        return setValue(component, menu->findToken(text));
    error = "Bad value '" + std::string(text) + "' for parameter '" + getToken() + "'";
    return false;
}

bool PRM_Parm::setExpression(int component, const char *text, std::string &error)
{
    if (!validComponent(component))
    {
        error = "Parameter '" + std::string(getToken()) + "' has no component " +
                std::to_string(component);
        return false;
    }
    std::unique_ptr<EV_Expression> expr = EV_Expression::parse(text ? text : "", error);
    if (!expr)
        return false;
    myComponents[component].expr = std::move(expr);
    if (myOwner)
        myOwner->parmExpressionSet(*this, component, *myComponents[component].expr);
    changed(component);
    return true;
}

bool PRM_Parm::isExpression(int component) const
{
    return validComponent(component) && myComponents[component].expr != nullptr;
}

const EV_Expression *PRM_Parm::getExpression(int component) const
{
    return validComponent(component) ? myComponents[component].expr.get() : nullptr;
}

EV_Expression *PRM_Parm::getExpression(int component)
{
    return validComponent(component) ? myComponents[component].expr.get() : nullptr;
}

std::string PRM_Parm::getValueText(int component) const
{
    if (!validComponent(component))
        return {};
    const prm_Component &c = myComponents[component];
    if (c.expr)
        return c.expr->getText();
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
        return c.str;
    if (myTemplate->getBasicType() == PRM_BASIC_FLOAT)
    {
        // Nine significant digits bring every single-precision value back unchanged.
        char text[32];
        std::snprintf(text, sizeof(text), "%.9g", c.num);
        return text;
    }
    return std::to_string(static_cast<int64_t>(c.num));
}

bool PRM_Parm::evalExpression(int component, float time, int thread, EV_Value &value) const
{
    bool timeDependent = false;
    bool ok = myOwner && myOwner->evaluateParmExpression(*this, *myComponents[component].expr,
                                                         time, thread, value, timeDependent);
    if (timeDependent)
        myTimeDependent = true;
    return ok;
}

int64_t PRM_Parm::evalInt(int component, float time, int thread) const
{
    if (!validComponent(component))
        return 0;
    const prm_Component &c = myComponents[component];
    if (!c.expr)
    {
        if (myTemplate->getBasicType() == PRM_BASIC_STRING)
            return prm_toInt(EV_Value::string(c.str).asNumber());
        return prm_toInt(c.num);
    }
    EV_Value value;
    return evalExpression(component, time, thread, value) ? prm_toInt(value.asNumber()) : 0;
}

float PRM_Parm::evalFloat(int component, float time, int thread) const
{
    if (!validComponent(component))
        return 0;
    const prm_Component &c = myComponents[component];
    if (!c.expr)
    {
        if (myTemplate->getBasicType() == PRM_BASIC_STRING)
            return static_cast<float>(EV_Value::string(c.str).asNumber());
        return static_cast<float>(c.num);
    }
    EV_Value value;
    return evalExpression(component, time, thread, value) ? static_cast<float>(value.asNumber())
                                                          : 0.0f;
}

std::string PRM_Parm::evalString(int component, float time, int thread) const
{
    if (!validComponent(component))
        return {};
    const prm_Component &c = myComponents[component];
    if (!c.expr)
    {
        if (myTemplate->getBasicType() == PRM_BASIC_STRING)
            return c.str;
        return EV_Value::number(c.num).asString();
    }
    EV_Value value;
    if (!evalExpression(component, time, thread, value))
        return {};
    if (myTemplate->getBasicType() == PRM_BASIC_FLOAT)
        return EV_Value::number(static_cast<float>(value.asNumber())).asString();
    if (myTemplate->getBasicType() == PRM_BASIC_ORDINAL)
        return EV_Value::number(static_cast<double>(prm_toInt(value.asNumber()))).asString();
    return value.asString();
}

bool PRM_Parm::isFactoryDefault(int component) const
{
    if (!validComponent(component))
        return false;
    const prm_Component &c = myComponents[component];
    if (myTemplate->getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return !c.expr && c.num == 0;
    const PRM_Default *def = myTemplate->getDefault(component);
    if (def && def->isExpression())
        return c.expr && c.expr->getText() == def->getString();
    if (c.expr)
        return false;
    switch (myTemplate->getBasicType())
    {
    case PRM_BASIC_STRING:
        return c.str == (def && def->getString() ? def->getString() : "");
    case PRM_BASIC_FLOAT:
        return static_cast<float>(c.num) == static_cast<float>(def ? def->getFloat() : 0.0);
    default:
        return prm_toInt(c.num) == (def ? prm_toInt(def->getFloat()) : 0);
    }
}

bool PRM_Parm::isFactoryDefault() const
{
    for (int i = 0; i < getVectorSize(); ++i)
        if (!isFactoryDefault(i))
            return false;
    return true;
}

bool PRM_Parm::isOrdinalExpression(const PRM_Default &def)
{
    return def.isExpression();
}

bool PRM_Parm::isFloatExpression(const char *text)
{
    // A float default's text is a number written out, or else an expression.
    return text && *text && !UT_String::isNumber(text);
}

bool PRM_Parm::isStringExpression(const char *text, PRM_DefaultMeaning meaning)
{
    return text && meaning == PRM_DEFAULT_EXPRESSION;
}
