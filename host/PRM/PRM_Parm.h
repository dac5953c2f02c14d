#pragma once

#include <EV/EV_Function.h>
#include <PRM/PRM_Template.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

class EV_Expression;
class PRM_ParmOwner;

/// One parameter of a node: for each component, either a value (number or text) or an
/// expression parsed once and evaluated at a time.
class PRM_Parm
{
public:
    /// A parameter standing on its own (on the stack, say); lists make theirs with create().
    PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare = false);
    ~PRM_Parm();
    PRM_Parm(const PRM_Parm &) = delete;
    PRM_Parm &operator=(const PRM_Parm &) = delete;

    /// Makes a parameter and its components in one allocation, sized to the component count.
    static std::unique_ptr<PRM_Parm> create(PRM_Template *tmpl, PRM_ParmOwner *owner,
                                            bool spare = false);
    // Whatever made a parameter, deleting it frees the one block it lives in.
    static void *operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void *block) { ::operator delete(block); }

    PRM_Template *getTemplatePtr() const { return myTemplate; }
    void setTemplatePtr(PRM_Template *tmpl) { myTemplate = tmpl; }
    const char *getToken() const { return myTemplate->getToken(); }
    const char *getLabel() const { return myTemplate->getLabel(); }
    std::string getChannelToken(int component = 0) const
    {
        return myTemplate->getChannelToken(component);
    }
    int getVectorSize() const { return myCount; }
    bool isSpareParm() const { return mySpare; }
    /// Whether the parameter belongs to an instance of a multi-parameter (made and removed by
    /// its count, never spare itself).
    bool isMultiInstance() const { return myMultiInstance; }
    void setMultiInstance(bool instance) { myMultiInstance = instance; }
    PRM_ParmOwner *getOwner() const { return myInline ? myOwner : myDetached->owner; }

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
    // Deletes an expression once no evaluation is under way anywhere: replacing one from
    // inside an evaluation (a script it runs may) leaves it whole until they end.
    struct prm_RetireExpression
    {
        void operator()(EV_Expression *expr) const;
    };
    using prm_ExpressionPtr = std::unique_ptr<EV_Expression, prm_RetireExpression>;
    // What few components have: the text of a string (kept while an expression stands in for
    // it) and an expression.
    struct prm_Extra
    {
        std::string text;
        prm_ExpressionPtr expr;
    };
    // A node's parameters are most of its size, and nearly all their components are plain
    // numbers: a component is the number and a pointer, null unless it has text or an
    // expression.
    class prm_Component
    {
    public:
        double num = 0;

        const std::string &text() const { return myExtra ? myExtra->text : theEmpty; }
        EV_Expression *expr() const { return myExtra ? myExtra->expr.get() : nullptr; }
        void setText(std::string text);
        void setExpr(prm_ExpressionPtr expr);

    private:
        // Drops the extra part once it holds nothing.
        void trim();

        static inline const std::string theEmpty;
        std::unique_ptr<prm_Extra> myExtra;
    };
    // The owner and components of a parameter that stands on its own.
    struct prm_Detached
    {
        PRM_ParmOwner *owner;
        std::unique_ptr<prm_Component[]> components;
    };
    // The room create() allocates past the parameter for its components.
    struct prm_Room
    {
        int components;
    };
    static void *operator new(std::size_t size, prm_Room room);
    static void operator delete(void *block, prm_Room room);
    PRM_Parm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare, prm_Room room);
    void setDefaults();

    prm_Component *components() const
    {
        // What create() allocated past this object; launder, as the compiler knows of no
        // object there.
        if (myInline)
            return std::launder(reinterpret_cast<prm_Component *>(
                reinterpret_cast<char *>(const_cast<PRM_Parm *>(this)) + sizeof(PRM_Parm)));
        return myDetached->components.get();
    }
    bool validComponent(int component) const;
    /// The same, saying in `error` that the parameter has no such component.
    bool validComponent(int component, std::string &error) const;
    bool isPlain(const prm_Component &c, bool text) const;
    /// A number component whose expression only refers to a channel holding a value: its
    /// number as evalComponent would give it, read without evaluating; false otherwise.
    bool readReference(const prm_Component &c, float time, int thread, double &number) const;
    bool evalComponent(const prm_Component &c, float time, int thread, EV_Type type,
                       EV_Value &value) const;
    bool evalExpression(const EV_Expression &expr, float time, int thread, EV_Value &value) const;
    void setDefault(int component);
    void changed(int component);

    PRM_Template *myTemplate;
    union
    {
        PRM_ParmOwner *myOwner;   // made by create(): the components follow this object
        prm_Detached *myDetached; // made on its own
    };
    int myCount;
    bool myInline;
    bool mySpare;
    bool myMultiInstance = false;
    // Written by evaluations, which may run on several threads: a byte of its own, never a
    // bit beside flags that are only read there.
    mutable bool myTimeDependent = false;
};
