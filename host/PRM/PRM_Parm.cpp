#include <PRM/PRM_Parm.h>

#include <EV/EV_Expression.h>
#include <PRM/PRM_ChangeHook.h>
#include <PRM/PRM_DialogScripts.h>
#include <PRM/PRM_ParmOwner.h>
#include <PRM/prm_Evaluating.h>
#include <UT/UT_FloatText.h>
#include <UT/UT_String.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{
void prm_aboutToChange(PRM_Parm &parm, int component)
{
    if (PRM_ChangeHook hook = PRMchangeHook())
        hook(parm, component);
}
} // namespace

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

// What an integer parameter keeps of a default it is given: the whole part, within the 32
// bits that shader strings write, so that what is evaluated, written and saved agree.
double prm_wholePart(double v)
{
    if (!std::isfinite(v))
        return 0;
    return std::clamp(std::trunc(v), static_cast<double>(INT32_MIN),
                      static_cast<double>(INT32_MAX));
}

// The text a string parameter starts with: a default meaning a dialog script stands for that
// script's text, looked up by its number.
std::string prm_defaultText(const PRM_Default *def)
{
    if (!def)
        return {};
    if (def->getStringMeaning() == PRM_DEFAULT_DIALOG_SCRIPT)
    {
        const double index = def->getFloat();
        if (!(index >= 0 && index <= INT32_MAX))
            return {};
        const char *script = PRMlookupDialogScript(static_cast<int>(index));
        return script ? script : "";
    }
    return def->getString() ? def->getString() : "";
}

bool prm_defaultIsExpression(PRM_BasicType type, const PRM_Default &def)
{
    switch (type)
    {
    case PRM_BASIC_FLOAT:
        return def.isExpression() || PRM_Parm::isFloatExpression(def.getString());
    case PRM_BASIC_STRING:
        return PRM_Parm::isStringExpression(def.getString(), def.getStringMeaning());
    default:
        return PRM_Parm::isOrdinalExpression(def);
    }
}
} // namespace

void PRM_Parm::prm_Component::setText(std::string text)
{
    if (!myExtra && text.empty())
        return;
    if (!myExtra)
        myExtra = std::make_unique<prm_Extra>();
    myExtra->text = std::move(text);
    trim();
}

void PRM_Parm::prm_Component::setExpr(prm_ExpressionPtr expr)
{
    if (!myExtra && !expr)
        return;
    if (!myExtra)
        myExtra = std::make_unique<prm_Extra>();
    myExtra->expr = std::move(expr);
    trim();
}

void PRM_Parm::prm_Component::trim()
{
    // The expression, if any, goes through its deleter: it may still be running.
    if (myExtra && myExtra->text.empty() && !myExtra->expr)
        myExtra.reset();
}

void *PRM_Parm::operator new(std::size_t size, prm_Room room)
{
    return ::operator new(size + static_cast<std::size_t>(room.components) * sizeof(prm_Component));
}

// Frees the block when the constructor fails part way.
void PRM_Parm::operator delete(void *block, prm_Room)
{
    ::operator delete(block);
}

std::unique_ptr<PRM_Parm> PRM_Parm::create(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare)
{
    const prm_Room room{prm_componentCount(*tmpl)};
    return std::unique_ptr<PRM_Parm>(new (room) PRM_Parm(tmpl, owner, spare, room));
}

PRM_Parm::PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare, prm_Room room)
    : myTemplate(tmpl), myOwner(owner), myCount(room.components), myInline(true), mySpare(spare)
{
    static_assert(sizeof(PRM_Parm) % alignof(prm_Component) == 0);
    // What a node's parameters cost rests on these sizes (on 64-bit targets): 24 bytes and 16
    // a component fill the blocks malloc hands out for one to three components exactly.
    static_assert(sizeof(void *) != 8 || sizeof(PRM_Parm) == 24);
    static_assert(sizeof(void *) != 8 || sizeof(prm_Component) == 16);
    std::uninitialized_value_construct_n(
        reinterpret_cast<prm_Component *>(reinterpret_cast<char *>(this) + sizeof(PRM_Parm)),
        myCount);
    setDefaults();
}

PRM_Parm::PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare)
    : myTemplate(tmpl),
      myDetached(new prm_Detached{owner, std::make_unique<prm_Component[]>(
                                             static_cast<size_t>(prm_componentCount(*tmpl)))}),
      myCount(prm_componentCount(*tmpl)), myInline(false), mySpare(spare)
{
    setDefaults();
}

PRM_Parm::~PRM_Parm()
{
    if (myInline)
        std::destroy_n(components(), myCount);
    else
        delete myDetached;
}

void PRM_Parm::setDefaults()
{
    for (int i = 0; i < myCount; ++i)
        setDefault(i);
}

bool PRM_Parm::validComponent(int component) const
{
    return component >= 0 && component < getVectorSize();
}

bool PRM_Parm::validComponent(int component, std::string &error) const
{
    if (validComponent(component))
        return true;
    error =
        "Parameter '" + std::string(getToken()) + "' has no component " + std::to_string(component);
    return false;
}

void PRM_Parm::setDefault(int component)
{
    prm_Component &c = components()[component];
    c = prm_Component();
    if (myTemplate->getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return;
    const PRM_Default *def = myTemplate->getDefault(component);
    if (!def)
        return;
    if (prm_defaultIsExpression(myTemplate->getBasicType(), *def))
    {
        std::string error;
        c.setExpr(prm_ExpressionPtr(EV_Expression::parse(def->getString(), error).release()));
        if (c.expr())
            return;
        // A broken default expression is kept as its text so that nothing is lost.
    }
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
        c.setText(prm_defaultText(def));
    else if (myTemplate->getBasicType() == PRM_BASIC_FLOAT)
        c.num = static_cast<float>(def->getFloat());
    else
        c.num = prm_wholePart(def->getFloat());
}

void PRM_Parm::revertToDefaults()
{
    for (int i = 0; i < getVectorSize(); ++i)
    {
        prm_aboutToChange(*this, i);
        setDefault(i);
        changed(i);
    }
}

void PRM_Parm::changed(int component)
{
    if (PRM_ParmOwner *owner = getOwner())
        owner->parmChanged(*this, component);
}

bool PRM_Parm::setValue(int component, double value)
{
    if (!validComponent(component) || std::isnan(value))
        return false;
    value = myTemplate->getRange().clamp(value);
    if (!fitsNumber(myTemplate->getBasicType(), value))
        return false;
    if (myTemplate->isMultiParm() &&
        !(value >= 0 && value < PRM_Template::theMaxMultiInstances + 1))
        return false;
    // -0 would show as 0 in one place and -0 in another; it is the same value.
    if (value == 0)
        value = 0;
    prm_aboutToChange(*this, component);
    prm_Component &c = components()[component];
    c.setExpr(nullptr);
    switch (myTemplate->getBasicType())
    {
    case PRM_BASIC_FLOAT:
        c.num = static_cast<float>(value);
        break;
    case PRM_BASIC_STRING:
        c.setText(EV_Value::number(value).asString());
        break;
    default:
        c.num = prm_wholePart(value);
        break;
    }
    changed(component);
    return true;
}

bool PRM_Parm::setValueFromText(int component, const char *text, std::string &error)
{
    if (!validComponent(component, error))
        return false;
    text = text ? text : "";
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
    {
        prm_aboutToChange(*this, component);
        prm_Component &c = components()[component];
        c.setExpr(nullptr);
        c.setText(text);
        changed(component);
        return true;
    }
    // strtod also reads "nan", "inf" and overflows; none of them is a value anyone means.
    if (UT_String::isNumber(text) && std::isfinite(std::strtod(text, nullptr)))
    {
        if (setValue(component, std::strtod(text, nullptr)))
            return true;
        if (myTemplate->isMultiParm())
            error = "Parameter '" + std::string(getToken()) + "' holds 0 to " +
                    std::to_string(PRM_Template::theMaxMultiInstances) + " instances, not " + text;
        else
            error = "Value '" + std::string(text) + "' is beyond the range of parameter '" +
                    getToken() + "'";
        return false;
    }
    const PRM_ChoiceList *menu = myTemplate->getChoiceList();
    if (menu && myTemplate->getBasicType() == PRM_BASIC_ORDINAL && menu->findToken(text) >= 0)
        return setValue(component, menu->findToken(text));
    error = "Bad value '" + std::string(text) + "' for parameter '" + getToken() + "'";
    return false;
}

bool PRM_Parm::setExpression(int component, const char *text, std::string &error)
{
    if (!validComponent(component, error))
        return false;
    // Instances are made when the count is set; a count that changed with time would make
    // and remove parameters on every evaluation.
    if (myTemplate->isMultiParm())
    {
        error = "Parameter '" + std::string(getToken()) +
                "' counts instances: it takes a number, not an expression";
        return false;
    }
    std::unique_ptr<EV_Expression> expr = EV_Expression::parse(text ? text : "", error);
    if (!expr)
        return false;
    prm_aboutToChange(*this, component);
    prm_Component &c = components()[component];
    c.setExpr(prm_ExpressionPtr(expr.release()));
    if (PRM_ParmOwner *owner = getOwner())
        owner->parmExpressionSet(*this, component, *c.expr());
    changed(component);
    return true;
}

bool PRM_Parm::isExpression(int component) const
{
    return validComponent(component) && components()[component].expr() != nullptr;
}

const EV_Expression *PRM_Parm::getExpression(int component) const
{
    return validComponent(component) ? components()[component].expr() : nullptr;
}

EV_Expression *PRM_Parm::getExpression(int component)
{
    return validComponent(component) ? components()[component].expr() : nullptr;
}

std::string PRM_Parm::getValueText(int component) const
{
    if (!validComponent(component))
        return {};
    const prm_Component &c = components()[component];
    if (c.expr())
        return c.expr()->getText();
    if (myTemplate->getBasicType() == PRM_BASIC_STRING)
        return c.text();
    if (myTemplate->getBasicType() == PRM_BASIC_FLOAT)
        return UTshortestFloatText(static_cast<float>(c.num));
    return std::to_string(static_cast<int64_t>(c.num));
}

bool PRM_Parm::evalExpression(const EV_Expression &expr, float time, int thread,
                              EV_Value &value) const
{
    bool timeDependent = false;
    const prm_Evaluating evaluating;
    PRM_ParmOwner *owner = getOwner();
    bool ok =
        owner && owner->evaluateParmExpression(*this, expr, time, thread, value, timeDependent);
    myTimeDependent = timeDependent;
    return ok;
}

namespace
{
// Values are set field by field: building a value and moving it in costs a string each time,
// and references evaluate a value at every step.
void prm_setNumber(EV_Value &value, double number)
{
    value.type = EV_TYPE_FLOAT;
    value.num = number;
    value.str.clear();
}

void prm_setText(EV_Value &value, std::string text)
{
    value.type = EV_TYPE_STRING;
    value.num = 0;
    value.str = std::move(text);
}

// A number read the way a numeric parameter holds values.
void prm_readNumber(PRM_BasicType basic, double number, bool asText, EV_Value &value)
{
    if (basic == PRM_BASIC_FLOAT)
    {
        const float f = static_cast<float>(number);
        if (asText)
            prm_setText(value, UTshortestFloatText(f));
        else
            prm_setNumber(value, f);
        return;
    }
    const double i = static_cast<double>(prm_toInt(number));
    if (asText)
        prm_setText(value, EV_Value::number(i).asString());
    else
        prm_setNumber(value, i);
}
} // namespace

bool PRM_Parm::evalValue(int component, float time, int thread, EV_Type type, EV_Value &value) const
{
    if (validComponent(component))
        return evalComponent(components()[component], time, thread, type, value);
    if (type == EV_TYPE_STRING)
        prm_setText(value, {});
    else
        prm_setNumber(value, 0);
    return false;
}

bool PRM_Parm::evalComponent(const prm_Component &c, float time, int thread, EV_Type type,
                             EV_Value &value) const
{
    const bool asText = type == EV_TYPE_STRING;
    if (asText)
        prm_setText(value, {});
    else
        prm_setNumber(value, 0);
    // Read once: what the expression runs may replace it, or make the component plain and
    // free what held it, but the expression stays whole until evaluations end.
    const EV_Expression *expr = c.expr();
    const PRM_BasicType basic = myTemplate->getBasicType();
    if (!expr && basic != PRM_BASIC_STRING)
    {
        myTimeDependent = false;
        prm_readNumber(basic, c.num, asText, value);
        return true;
    }
    EV_Value raw;
    if (expr)
    {
        if (!evalExpression(*expr, time, thread, raw))
            return false;
    }
    else
    {
        myTimeDependent = false;
        prm_setText(raw, c.text());
    }
    // Whatever the expression gave is read the way the parameter holds values.
    if (basic != PRM_BASIC_STRING)
        prm_readNumber(basic, raw.asNumber(), asText, value);
    else if (asText)
        prm_setText(value, raw.asString());
    else
        prm_setNumber(value, raw.asNumber());
    return true;
}

// Plain values are by far the most common and are read without the general conversion.
bool PRM_Parm::isPlain(const prm_Component &c, bool text) const
{
    if (c.expr() || (myTemplate->getBasicType() == PRM_BASIC_STRING) != text)
        return false;
    myTimeDependent = false;
    return true;
}

bool PRM_Parm::readReference(const prm_Component &c, float time, int thread, double &number) const
{
    const EV_Expression *expr = c.expr();
    const PRM_BasicType basic = myTemplate->getBasicType();
    PRM_ParmOwner *owner = getOwner();
    double read = 0;
    if (!expr || basic == PRM_BASIC_STRING || !owner ||
        !owner->readReferencedNumber(*this, *expr, time, thread, read))
        return false;
    myTimeDependent = false;
    // As prm_readNumber reads it.
    number =
        basic == PRM_BASIC_FLOAT ? static_cast<float>(read) : static_cast<double>(prm_toInt(read));
    return true;
}

int64_t PRM_Parm::evalInt(int component, float time, int thread) const
{
    if (!validComponent(component))
        return 0;
    const prm_Component &c = components()[component];
    if (isPlain(c, false))
        return prm_toInt(c.num);
    if (double number = 0; readReference(c, time, thread, number))
        return prm_toInt(number);
    EV_Value value;
    evalComponent(c, time, thread, EV_TYPE_FLOAT, value);
    return prm_toInt(value.num);
}

float PRM_Parm::evalFloat(int component, float time, int thread) const
{
    if (!validComponent(component))
        return 0;
    const prm_Component &c = components()[component];
    if (isPlain(c, false))
        return static_cast<float>(c.num);
    if (double number = 0; readReference(c, time, thread, number))
        return static_cast<float>(number);
    EV_Value value;
    evalComponent(c, time, thread, EV_TYPE_FLOAT, value);
    return static_cast<float>(value.num);
}

std::string PRM_Parm::evalString(int component, float time, int thread) const
{
    if (!validComponent(component))
        return {};
    const prm_Component &c = components()[component];
    if (isPlain(c, true))
        return c.text();
    EV_Value value;
    evalComponent(c, time, thread, EV_TYPE_STRING, value);
    return value.str;
}

bool PRM_Parm::isFactoryDefault(int component) const
{
    if (!validComponent(component))
        return false;
    const prm_Component &c = components()[component];
    if (myTemplate->getType().hasFlag(PRM_TYPE_SWITCHERLIST))
        return !c.expr() && c.num == 0;
    const PRM_Default *def = myTemplate->getDefault(component);
    if (def && prm_defaultIsExpression(myTemplate->getBasicType(), *def))
        return c.expr() && c.expr()->getText() == def->getString();
    if (c.expr())
        return false;
    switch (myTemplate->getBasicType())
    {
    case PRM_BASIC_STRING:
        return c.text() == prm_defaultText(def);
    case PRM_BASIC_FLOAT:
        return static_cast<float>(c.num) == static_cast<float>(def ? def->getFloat() : 0.0);
    default:
        return c.num == (def ? prm_wholePart(def->getFloat()) : 0.0);
    }
}

bool PRM_Parm::isFactoryDefault() const
{
    for (int i = 0; i < getVectorSize(); ++i)
        if (!isFactoryDefault(i))
            return false;
    return true;
}

bool PRM_Parm::fitsNumber(PRM_BasicType type, double value)
{
    switch (type)
    {
    case PRM_BASIC_FLOAT:
        return std::isfinite(static_cast<float>(value));
    case PRM_BASIC_ORDINAL:
        return std::isfinite(value) && std::trunc(value) >= INT32_MIN &&
               std::trunc(value) <= INT32_MAX;
    default:
        return std::isfinite(value);
    }
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
