#pragma once

#include <PRM/PRM_Parm.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// The parameters of one node, in template order, spare parameters after the operator's.
class PRM_ParmList
{
public:
    int getEntries() const { return static_cast<int>(myParms.size()); }
    PRM_Parm *getParmPtr(int index) const;
    PRM_Parm *getParmPtr(const char *name) const;
    /// The position of the named parameter, or -1.
    int getParmIndex(const char *name) const;
    /// The parameter one of whose components has that channel name, and the component.
    PRM_Parm *getParmPtrFromChannel(const char *channel, int *component = nullptr) const;

    PRM_Parm &appendParm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare);
    /// Removes a parameter; false when there is none of that name.
    bool removeParm(const char *name);

    /// Brackets values being set by a load or set-up rather than by a user; brackets nest.
    void beginLoading() { ++myLoadingDepth; }
    void endLoading()
    {
        if (myLoadingDepth > 0)
            --myLoadingDepth;
    }
    bool isLoading() const { return myLoadingDepth > 0; }

private:
    void rebuildIndex() const;

    std::vector<std::unique_ptr<PRM_Parm>> myParms;
    int myLoadingDepth = 0;
    // Lookups by name and by channel happen on every evaluation; both maps are rebuilt lazily
    // after the list changes.
    mutable bool myIndexValid = false;
    // Transparent hashing, so that a lookup by a C string does not build a std::string.
    struct prm_Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    template <typename T>
    using prm_Map = std::unordered_map<std::string, T, prm_Hash, std::equal_to<>>;
    mutable prm_Map<int> myByName;
    mutable prm_Map<std::pair<int, int>> myByChannel;
};
