#pragma once

#include <EV/EV_Function.h>
#include <PRM/PRM_Template.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class EV_Expression;
class PRM_ParmOwner;

/// One parameter of a node: for each component, either a value (number or text) or an
/// expression parsed once and evaluated at a time.
class PRM_Parm
{
public:
    PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare = false);
    ~PRM_Parm();
    PRM_Parm(const PRM_Parm &) = delete;
    PRM_Parm &operator=(const PRM_Parm &) = delete;

    PRM_Template *getTemplatePtr() const { return myTemplate; }
    void setTemplatePtr(PRM_Template *tmpl) { myTemplate = tmpl; }
    const char *getToken() const { return myTemplate->getToken(); }
    const char *getLabel() const { return myTemplate->getLabel(); }
    std::string getChannelToken(int component = 0) const
    {
        return myTemplate->getChannelToken(component);
    }
    int getVectorSize() const { return static_cast<int>(myComponents.size()); }
    bool isSpareParm() const { return mySpare; }
    /// Whether the parameter belongs to an instance of a multi-parameter (made and removed by
    /// its count, never spare itself).
    bool isMultiInstance() const { return myMultiInstance; }
    void setMultiInstance(bool instance) { myMultiInstance = instance; }
    PRM_ParmOwner *getOwner() const { return myOwner; }

    /// Sets a component to a number (clamped to a restricted range; integers truncate). False
    /// for a component out of range or a NaN.
    bool setValue(int component, double value);
    /// Sets a component from text: the text itself for strings; for numbers a number, or a
    /// menu token of an ordinal menu. False with `error` set when the text does not fit.
    bool setValueFromText(int component, const char *text, std::string &error);
    /// Makes a component an expression; false with `error` set when it does not parse.
    bool setExpression(int component, const char *text, std::string &error);
    void revertToDefaults();

    bool isExpression(int component) const;
    /// The expression of a component, or null.
    const EV_Expression *getExpression(int component) const;
    EV_Expression *getExpression(int component);
    /// The component as it would be typed: the expression text, or the value.
    std::string getValueText(int component) const;

    /// Evaluates a component as a number (what evalFloat gives for floats, evalInt for
    /// ordinals) or, for EV_TYPE_STRING, as the text evalString gives. False, with 0 or the
    /// empty text, when the component does not exist or its expression fails.
    bool evalValue(int component, float time, int thread, EV_Type type, EV_Value &value) const;
    int64_t evalInt(int component, float time, int thread) const;
    float evalFloat(int component, float time, int thread) const;
    std::string evalString(int component, float time, int thread) const;

    /// Whether the last evaluation of any component depended on time.
    bool isTimeDependent() const { return myTimeDependent; }

    /// Whether every component still holds the template's default (an expression default
    /// counts as held while the component has that same expression text).
    bool isFactoryDefault() const;
    bool isFactoryDefault(int component) const;

    /// Deletes a parameter taken out of its list, and the template made for it, once no
    /// evaluation is under way anywhere: a count lowered by what an evaluation ran (a script)
    /// may remove the very instance being evaluated.
    static void retire(std::unique_ptr<PRM_Parm> parm, std::unique_ptr<PRM_Template> tmpl);

    /// Whether a parameter of this basic type can hold the number: a finite single-precision
    /// value for floats, a 32-bit integer once the fraction is dropped for ordinals (what shader
    /// strings write), any finite number for strings.
    static bool fitsNumber(PRM_BasicType type, double value);

    /// Whether a default is an expression, for each basic type.
    static bool isOrdinalExpression(const PRM_Default &def);
    static bool isFloatExpression(const char *text);
    static bool isStringExpression(const char *text, PRM_DefaultMeaning meaning);

private:
    // The text of a component, kept apart so that the far more common numeric components
    // carry a pointer rather than a whole string: a node's parameters are most of its size.
    class prm_Text
    {
    public:
        prm_Text &operator=(std::string text)
        {
            myText = text.empty() ? nullptr : std::make_unique<std::string>(std::move(text));
            return *this;
        }
        operator const std::string &() const { return myText ? *myText : theEmpty; }
        bool operator==(const std::string &other) const
        {
            return static_cast<const std::string &>(*this) == other;
        }

    private:
        static inline const std::string theEmpty;
        std::unique_ptr<std::string> myText;
    };
    // Deletes an expression once no evaluation is under way anywhere: replacing one from
    // inside an evaluation (a script it runs may) leaves it whole until they end. No bigger
    // than a plain pointer, as every component of every node holds one.
    struct prm_RetireExpression
    {
        void operator()(EV_Expression *expr) const;
    };
    using prm_ExpressionPtr = std::unique_ptr<EV_Expression, prm_RetireExpression>;
    struct prm_Component
    {
        double num = 0;
        prm_Text str;
        prm_ExpressionPtr expr;
    };

    bool validComponent(int component) const;
    /// The same, saying in `error` that the parameter has no such component.
    bool validComponent(int component, std::string &error) const;
    const prm_Component *plainComponent(int component, bool text) const;
    bool evalExpression(int component, float time, int thread, EV_Value &value) const;
    void setDefault(int component);
    void changed(int component);

    PRM_Template *myTemplate;
    PRM_ParmOwner *myOwner;
    bool mySpare;
    bool myMultiInstance = false;
    mutable bool myTimeDependent = false;
    std::vector<prm_Component> myComponents;
};
