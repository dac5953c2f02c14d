#pragma once

#include <PRM/PRM_Parm.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// The parameters of one node, in template order, spare parameters after the operator's.
class PRM_ParmList
{
public:
    PRM_ParmList();
    ~PRM_ParmList();
    PRM_ParmList(const PRM_ParmList &) = delete;
    PRM_ParmList &operator=(const PRM_ParmList &) = delete;

    int getEntries() const { return static_cast<int>(myParms.size()); }
    PRM_Parm *getParmPtr(int index) const;
    PRM_Parm *getParmPtr(const char *name) const;
    /// The position of the named parameter, or -1.
    int getParmIndex(const char *name) const;
    /// The parameter one of whose components has that channel name, and the component.
    PRM_Parm *getParmPtrFromChannel(const char *channel, int *component = nullptr) const;
    /// The parameter of that name; else the one with a component of that channel name, and
    /// the component (-1 otherwise: the whole parameter, or none found).
    PRM_Parm *findParmOrChannel(const char *name, int *component = nullptr) const;

    /// False when no parameter can be named `name`, have a channel of that name, or share a
    /// channel name with a parameter named `name`: no parameter's name is the beginning of
    /// `name`, nor `name` the beginning of a parameter's (every channel name begins with its
    /// parameter's). True calls for the exact lookups above. Unlike them it builds no index:
    /// a list that grows one parameter at a time (spare parameters added, a scene loaded)
    /// asks this before each, and an index made for one question would be dropped by the next
    /// addition.
    bool mayOverlap(std::string_view name) const;

    /// Makes room for `count` parameters in all.
    void reserve(int count) { myParms.reserve(static_cast<size_t>(count)); }
    PRM_Parm &appendParm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare);
    /// Removes a parameter (a multi-parameter with its instances); false when there is none
    /// of that name.
    bool removeParm(const char *name);

    /// Makes the instances of the multi-parameter `count` (one of this list's) match its
    /// value: instances are numbered from the template's start offset, each holding one
    /// parameter per child template, '#' in names and labels replaced by the number; new ones
    /// come at the list's end with their defaults, and lowering the count removes the last
    /// ones (the others keep their values). A name already taken by another parameter is left
    /// to that one. True when parameters were made or removed.
    bool syncMultiInstances(PRM_Parm &count, PRM_ParmOwner *owner);
    /// The parameters of the count's instances, instance by instance in child order.
    std::vector<PRM_Parm *> getMultiInstanceParms(const PRM_Parm &count) const;
    /// The count that an instance parameter belongs to, or null.
    PRM_Parm *getMultiCount(const PRM_Parm &instance) const;

    /// Brackets values being set by a load or set-up rather than by a user; brackets nest.
    void beginLoading() { ++myLoadingDepth; }
    void endLoading()
    {
        if (myLoadingDepth > 0)
            --myLoadingDepth;
    }
    bool isLoading() const { return myLoadingDepth > 0; }

private:
    struct prm_Index;
    struct prm_Instances;
    void rebuildIndex() const;
    /// Takes the parameter out of the list; it goes, with the template made for it, once no
    /// evaluation is under way.
    void eraseParm(const PRM_Parm *parm, std::unique_ptr<PRM_Template> tmpl);
    void sortInstances();

    std::vector<std::unique_ptr<PRM_Parm>> myParms;
    int myLoadingDepth = 0;
    // Lookups by name and by channel happen on every evaluation, through an index made again
    // lazily after the list changes (null meanwhile). Lists of the same names (every node of
    // one type, with the same spare parameters) share one index.
    mutable std::shared_ptr<const prm_Index> myIndex;
    // The instances of multi-parameters with their templates; null for the many lists that
    // have none.
    std::unique_ptr<prm_Instances> myInstances;
};
