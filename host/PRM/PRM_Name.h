#pragma once

#include <string>

/// A parameter's name (its token, used in scripts and channels) and its label (shown to users).
class PRM_Name
{
public:
    PRM_Name() = default;
    PRM_Name(const char *token, const char *label = nullptr)
        : myToken(token ? token : ""), myLabel(label ? label : (token ? token : ""))
    {
    }

    const char *getToken() const { return myToken.c_str(); }
    const char *getLabel() const { return myLabel.c_str(); }
    void setToken(const char *token) { myToken = token ? token : ""; }
    void setLabel(const char *label) { myLabel = label ? label : ""; }

private:
    std::string myToken;
    std::string myLabel;
};
