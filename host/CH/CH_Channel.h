#pragma once

#include <string>

/// An animated component as a scene file keeps it: the channel's name and the expression that
/// drives it. A channel read from a file is attached to the parameter component of the same
/// channel name; one that finds no component waits here while the node is asked to make one.
class CH_Channel
{
public:
    CH_Channel(std::string name, std::string expression)
        : myName(std::move(name)), myExpression(std::move(expression))
    {
    }

    const std::string &getName() const { return myName; }
    const std::string &getExpression() const { return myExpression; }

private:
    std::string myName;
    std::string myExpression;
};
