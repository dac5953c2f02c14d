#pragma once

#include <map>
#include <string>

/// Parameter names that an operator used to have, each mapped to the name that replaced it,
/// so that files written before a rename still find their parameters.
class PRM_ParmNameMap
{
public:
    void addMapping(const char *oldName, const char *newName)
    {
        if (oldName && newName)
            myNames[oldName] = newName;
    }
    /// The current name for `name`: its replacement, or the name itself.
    const char *getCurrentName(const char *name) const
    {
        auto it = myNames.find(name ? name : "");
        return it == myNames.end() ? name : it->second.c_str();
    }
    bool isEmpty() const { return myNames.empty(); }

private:
    std::map<std::string, std::string> myNames;
};
