#pragma once

/// A 4x4 matrix of doubles in row order (row 0 first), the identity when made.
class UT_DMatrix4
{
public:
    UT_DMatrix4() { identity(); }

    void identity()
    {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                myData[r][c] = r == c ? 1.0 : 0.0;
    }
    double &operator()(int row, int col) { return myData[row][col]; }
    double operator()(int row, int col) const { return myData[row][col]; }
    const double *data() const { return &myData[0][0]; }

    /// this * other.
    UT_DMatrix4 operator*(const UT_DMatrix4 &other) const
    {
        UT_DMatrix4 result;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
            {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += myData[r][k] * other.myData[k][c];
                result.myData[r][c] = sum;
            }
        return result;
    }

private:
    double myData[4][4];
};
