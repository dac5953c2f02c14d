#pragma once

/// The slider range of a numeric parameter; a restricted end also clamps values typed in.
class PRM_Range
{
public:
    PRM_Range() = default;
    PRM_Range(double min, double max, bool restrictMin = false, bool restrictMax = false)
        : myMin(min), myMax(max), myRestrictMin(restrictMin), myRestrictMax(restrictMax)
    {
    }

    double getMin() const { return myMin; }
    double getMax() const { return myMax; }
    bool isMinRestricted() const { return myRestrictMin; }
    bool isMaxRestricted() const { return myRestrictMax; }
    double clamp(double v) const
    {
        if (myRestrictMin && v < myMin)
            return myMin;
        if (myRestrictMax && v > myMax)
            return myMax;
        return v;
    }

private:
    double myMin = 0;
    double myMax = 1;
    bool myRestrictMin = false;
    bool myRestrictMax = false;
};
