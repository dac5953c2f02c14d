#pragma once

#include <map>
#include <string>

/// Extra named texts on a parameter template that its users interpret ("opfilter",
/// "opexpand", the RenderMan type of a shader parameter, ...).
class PRM_SpareData
{
public:
    PRM_SpareData() = default;
    PRM_SpareData(std::initializer_list<std::pair<const std::string, std::string>> values)
        : myValues(values)
    {
    }

    /// The value under `key`, or null.
    const char *getValue(const char *key) const
    {
        auto it = myValues.find(key ? key : "");
        return it == myValues.end() ? nullptr : it->second.c_str();
    }
    void addTokenValue(const char *key, const char *value) { myValues[key] = value ? value : ""; }
    void removeToken(const char *key) { myValues.erase(key); }
    const std::map<std::string, std::string> &getValues() const { return myValues; }
    bool isEmpty() const { return myValues.empty(); }

    /// The RenderMan type ("float", "color", ...) of a shader parameter, or null.
    const char *getRenderManType() const { return getValue(theRenderManTypeKey); }
    /// The operator filter of a node-path parameter, or null.
    const char *getOpFilter() const { return getValue(theOpFilterKey); }

    static constexpr const char *theRenderManTypeKey = "rmantype";
    static constexpr const char *theOpFilterKey = "opfilter";

private:
    std::map<std::string, std::string> myValues;
};
