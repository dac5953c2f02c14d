#pragma once

class EV_Expression;
struct EV_Value;
class PRM_Parm;

/// What a parameter needs from whatever holds it: expressions are evaluated in the owner's
/// surroundings (its variables, its place among other nodes), and the owner hears of changes.
class PRM_ParmOwner
{
public:
    virtual ~PRM_ParmOwner() = default;

    /// Evaluates an expression of `parm` at a time on a thread; false with an error reported on
    /// the current error list when it fails. Sets `timeDependent` when the value depends on time.
    virtual bool evaluateParmExpression(const PRM_Parm &parm, const EV_Expression &expr, float time,
                                        int thread, EV_Value &value, bool &timeDependent) = 0;

    /// The number an expression of `parm` gives when it is nothing but a reference to a
    /// channel holding a value that `parm` can hold: read without evaluating the expression,
    /// which could then neither fail nor depend on time. False when the expression must be
    /// evaluated in full (evaluateParmExpression), which also reports what goes wrong.
    virtual bool readReferencedNumber(const PRM_Parm &, const EV_Expression &, float, int, double &)
    {
        return false;
    }

    /// Told after a component's value or expression changed.
    virtual void parmChanged(PRM_Parm &parm, int component) = 0;

    /// Told after an expression was set on a component.
    virtual void parmExpressionSet(PRM_Parm &, int, const EV_Expression &) {}
};
