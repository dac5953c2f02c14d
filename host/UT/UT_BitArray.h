#pragma once

#include <algorithm>
#include <vector>

/// A fixed number of bits, all clear at first, read and changed one at a time.
class UT_BitArray
{
public:
    explicit UT_BitArray(int size = 0, bool value = false)
        : myBits(static_cast<size_t>(std::max(size, 0)), value)
    {
    }

    int size() const { return static_cast<int>(myBits.size()); }
    /// The bit at `index`; false outside the array.
    bool getBit(int index) const
    {
        return index >= 0 && index < size() && myBits[static_cast<size_t>(index)];
    }
    /// Sets or clears one bit; an index outside the array changes nothing.
    void setBit(int index, bool value)
    {
        if (index >= 0 && index < size())
            myBits[static_cast<size_t>(index)] = value;
    }
    int numBitsSet() const
    {
        return static_cast<int>(std::count(myBits.begin(), myBits.end(), true));
    }
    bool allZeros() const { return numBitsSet() == 0; }

private:
    std::vector<bool> myBits;
};
