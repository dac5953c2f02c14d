#pragma once

/// Anything drawn as a box in a network view: it has a size in view units.
class OP_NetworkBoxItem
{
public:
    virtual ~OP_NetworkBoxItem() = default;
    virtual int getW() const = 0;
    virtual int getH() const = 0;
};
