#include <PRM/PRM_ParmList.h>

#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>

// Names to positions, and channel names to positions and components.
struct PRM_ParmList::prm_Index
{
    // Transparent hashing, so that a lookup by a C string does not build a std::string.
    struct prm_Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    template <typename T>
    using prm_Map = std::unordered_map<std::string, T, prm_Hash, std::equal_to<>>;
    prm_Map<int> byName;
    prm_Map<std::pair<int, int>> byChannel;
};

PRM_Parm *PRM_ParmList::getParmPtr(int index) const
{
    if (index < 0 || index >= getEntries())
        return nullptr;
    return myParms[index].get();
}

PRM_Parm *PRM_ParmList::getParmPtr(const char *name) const
{
    return getParmPtr(getParmIndex(name));
}

int PRM_ParmList::getParmIndex(const char *name) const
{
    if (!name)
        return -1;
    // Most nodes have a handful of parameters, for which comparing names beats hashing one.
    constexpr int theScanLimit = 8;
    if (getEntries() <= theScanLimit)
    {
        for (int i = 0; i < getEntries(); ++i)
        {
            // Most names differ in their first letter, which is cheaper to see than to call.
            const char *token = myParms[i]->getToken();
            if (token[0] == name[0] && std::strcmp(token, name) == 0)
                return i;
        }
        return -1;
    }
    rebuildIndex();
    auto it = myIndex->byName.find(std::string_view(name));
    return it == myIndex->byName.end() ? -1 : it->second;
}

PRM_Parm *PRM_ParmList::getParmPtrFromChannel(const char *channel, int *component) const
{
    if (!channel)
        return nullptr;
    rebuildIndex();
    auto it = myIndex->byChannel.find(std::string_view(channel));
    if (it == myIndex->byChannel.end())
        return nullptr;
    if (component)
        *component = it->second.second;
    return myParms[it->second.first].get();
}

PRM_Parm *PRM_ParmList::findParmOrChannel(const char *name, int *component) const
{
    if (component)
        *component = -1;
    if (PRM_Parm *parm = getParmPtr(name))
        return parm;
    return getParmPtrFromChannel(name, component);
}

bool PRM_ParmList::hasNameOrChannel(std::string_view name) const
{
    if (myIndex)
        return myIndex->byName.contains(name) || myIndex->byChannel.contains(name);
    for (const auto &parm : myParms)
    {
        const std::string_view token = parm->getToken();
        // A channel name begins with its parameter's name, so most parameters are passed
        // over without spelling their channels.
        if (!name.starts_with(token))
            continue;
        if (name == token)
            return true;
        for (int c = 0; c < parm->getVectorSize(); ++c)
            if (parm->getChannelToken(c) == name)
                return true;
    }
    return false;
}

PRM_Parm &PRM_ParmList::appendParm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare)
{
    // Spare parameters come one at a time, and few: the list grows by one for each rather
    // than doubling, so that many nodes with one spare parameter keep no room for more.
    if (spare && myParms.size() == myParms.capacity())
        myParms.reserve(myParms.size() + 1);
    myParms.push_back(std::make_unique<PRM_Parm>(tmpl, owner, spare));
    myIndex.reset();
    return *myParms.back();
}

bool PRM_ParmList::removeParm(const char *name)
{
    int index = getParmIndex(name);
    if (index < 0)
        return false;
    myParms.erase(myParms.begin() + index);
    myIndex.reset();
    return true;
}

void PRM_ParmList::rebuildIndex() const
{
    if (myIndex)
        return;
    // What the index holds, as one text: each parameter's name and channel names.
    std::string key;
    for (const auto &parm : myParms)
    {
        key.append(parm->getToken()).push_back('\0');
        for (int c = 0; c < parm->getVectorSize(); ++c)
            key.append(parm->getChannelToken(c)).push_back('\0');
        key.push_back('\1');
    }
    // Shared by every list of the same names, made by the first: a hundred thousand nodes of
    // one type keep one index between them. Lists on several evaluation threads meet here.
    static std::mutex theLock;
    static std::unordered_map<std::string, std::weak_ptr<const prm_Index>> theIndices;
    static size_t theSweepAt = 64;
    std::lock_guard<std::mutex> lock(theLock);
    std::weak_ptr<const prm_Index> &shared = theIndices[key];
    if ((myIndex = shared.lock()))
        return;
    auto index = std::make_shared<prm_Index>();
    for (int i = 0; i < getEntries(); ++i)
    {
        const PRM_Parm &parm = *myParms[i];
        // The first parameter of a name wins, as it does for channels.
        index->byName.emplace(parm.getToken(), i);
        for (int c = 0; c < parm.getVectorSize(); ++c)
            index->byChannel.emplace(parm.getChannelToken(c), std::make_pair(i, c));
    }
    shared = index;
    myIndex = std::move(index);
    // Indices nobody holds any more are dropped now and then.
    if (theIndices.size() >= theSweepAt)
    {
        std::erase_if(theIndices, [](const auto &entry) { return entry.second.expired(); });
        theSweepAt = 2 * theIndices.size() + 64;
    }
}
