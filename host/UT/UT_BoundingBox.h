#pragma once

#include <algorithm>
#include <limits>

/// An axis-aligned box: per-axis minimum and maximum. A new box is empty (minimum above
/// maximum) until a point is added.
class UT_BoundingBox
{
public:
    UT_BoundingBox() { makeInvalid(); }
    UT_BoundingBox(float xmin, float ymin, float zmin, float xmax, float ymax, float zmax)
    {
        setBounds(xmin, ymin, zmin, xmax, ymax, zmax);
    }

    void setBounds(float xmin, float ymin, float zmin, float xmax, float ymax, float zmax)
    {
        myMin[0] = xmin, myMin[1] = ymin, myMin[2] = zmin;
        myMax[0] = xmax, myMax[1] = ymax, myMax[2] = zmax;
    }
    void makeInvalid()
    {
        for (int i = 0; i < 3; ++i)
        {
            myMin[i] = std::numeric_limits<float>::max();
            myMax[i] = -std::numeric_limits<float>::max();
        }
    }
    bool isValid() const
    {
        return myMin[0] <= myMax[0] && myMin[1] <= myMax[1] && myMin[2] <= myMax[2];
    }
    void enlargeBounds(float x, float y, float z)
    {
        const float p[3] = {x, y, z};
        for (int i = 0; i < 3; ++i)
        {
            myMin[i] = std::min(myMin[i], p[i]);
            myMax[i] = std::max(myMax[i], p[i]);
        }
    }
    float xmin() const { return myMin[0]; }
    float ymin() const { return myMin[1]; }
    float zmin() const { return myMin[2]; }
    float xmax() const { return myMax[0]; }
    float ymax() const { return myMax[1]; }
    float zmax() const { return myMax[2]; }
    float minvec(int axis) const { return myMin[axis]; }
    float maxvec(int axis) const { return myMax[axis]; }

private:
    float myMin[3];
    float myMax[3];
};
