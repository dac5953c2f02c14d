#pragma once

#include <algorithm>
#include <vector>

/// A growable array of pointers that does not own what it points at.
template <typename T>
class UT_PtrArray
{
public:
    int entries() const { return static_cast<int>(myData.size()); }
    bool isEmpty() const { return myData.empty(); }
    int append(T p)
    {
        myData.push_back(p);
        return entries() - 1;
    }
    void insert(T p, int index) { myData.insert(myData.begin() + index, p); }
    void removeIndex(int index) { myData.erase(myData.begin() + index); }
    int find(T p) const
    {
        auto it = std::find(myData.begin(), myData.end(), p);
        return it == myData.end() ? -1 : static_cast<int>(it - myData.begin());
    }
    void clear() { myData.clear(); }
    T &operator()(int i) { return myData[i]; }
    T operator()(int i) const { return myData[i]; }
    T &operator[](int i) { return myData[i]; }
    T operator[](int i) const { return myData[i]; }
    T last() const { return myData.back(); }
    auto begin() { return myData.begin(); }
    auto end() { return myData.end(); }
    auto begin() const { return myData.begin(); }
    auto end() const { return myData.end(); }

private:
    std::vector<T> myData;
};
