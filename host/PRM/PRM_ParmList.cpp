#include <PRM/PRM_ParmList.h>

#include <cstring>

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
            if (std::strcmp(myParms[i]->getToken(), name) == 0)
                return i;
        return -1;
    }
    rebuildIndex();
    auto it = myByName.find(std::string_view(name));
    return it == myByName.end() ? -1 : it->second;
}

PRM_Parm *PRM_ParmList::getParmPtrFromChannel(const char *channel, int *component) const
{
    if (!channel)
        return nullptr;
    rebuildIndex();
    auto it = myByChannel.find(std::string_view(channel));
    if (it == myByChannel.end())
        return nullptr;
    if (component)
        *component = it->second.second;
    return myParms[it->second.first].get();
}

PRM_Parm &PRM_ParmList::appendParm(PRM_Template *tmpl, PRM_ParmOwner *owner, bool spare)
{
    myParms.push_back(std::make_unique<PRM_Parm>(tmpl, owner, spare));
    myIndexValid = false;
    return *myParms.back();
}

bool PRM_ParmList::removeParm(const char *name)
{
    int index = getParmIndex(name);
    if (index < 0)
        return false;
    myParms.erase(myParms.begin() + index);
    myIndexValid = false;
    return true;
}

void PRM_ParmList::rebuildIndex() const
{
    if (myIndexValid)
        return;
    myByName.clear();
    myByChannel.clear();
    for (int i = 0; i < getEntries(); ++i)
    {
        const PRM_Parm &parm = *myParms[i];
        // The first parameter of a name wins, as it does for channels.
        myByName.emplace(parm.getToken(), i);
        for (int c = 0; c < parm.getVectorSize(); ++c)
            myByChannel.emplace(parm.getChannelToken(c), std::make_pair(i, c));
    }
    myIndexValid = true;
}
