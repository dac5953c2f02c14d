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

    /// Told after a component's value or expression changed.
    virtual void parmChanged(PRM_Parm &parm, int component) = 0;

    /// Told after an expression was set on a component.
    virtual void parmExpressionSet(PRM_Parm &, int, const EV_Expression &) {}
};
