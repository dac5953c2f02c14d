#include <PRM/PRM_ParmList.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

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

// Per instance parameter: the count it belongs to, its instance and child, and the template
// made for it, which must stay where it is for the parameter's life.
struct PRM_ParmList::prm_Instances
{
    struct prm_Entry
    {
        const PRM_Parm *count;
        int instance; // 0 for the first, whatever the numbering starts from
        int child;
        std::unique_ptr<PRM_Template> tmpl;
        PRM_Parm *parm; // null where the name was taken by another parameter
    };
    // Kept in order of count, instance and child: an instance's parameters are found together.
    std::vector<prm_Entry> entries;

    auto range(const PRM_Parm *count)
    {
        auto first = std::find_if(entries.begin(), entries.end(),
                                  [count](const prm_Entry &e) { return e.count == count; });
        auto last = std::find_if(first, entries.end(),
                                 [count](const prm_Entry &e) { return e.count != count; });
        return std::make_pair(first, last);
    }
};

PRM_ParmList::PRM_ParmList() = default;
PRM_ParmList::~PRM_ParmList() = default;

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

// Up to this many parameters, a list without its index tells that a name is none of its own
// by a walk (mayOverlap) rather than by making the index: a creation script asks a new node
// for parameters it lacks, before and between adding each, and an index made for the question
// would be dropped by the next addition.
constexpr int theQuickMissLimit = 64;

int PRM_ParmList::getParmIndex(const char *name) const
{
    if (!name)
        return -1;
    // Most nodes have a handful of parameters, for which comparing names beats hashing one.
    constexpr int theScanLimit = 8;
    if (getEntries() > theScanLimit && !myIndex && getEntries() <= theQuickMissLimit &&
        !mayOverlap(name))
        return -1;
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
    if (!myIndex && getEntries() <= theQuickMissLimit && !mayOverlap(channel))
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
    if (name && !myIndex && getEntries() <= theQuickMissLimit && !mayOverlap(name))
        return nullptr;
    if (PRM_Parm *parm = getParmPtr(name))
        return parm;
    return getParmPtrFromChannel(name, component);
}

bool PRM_ParmList::mayOverlap(std::string_view name) const
{
    for (const auto &parm : myParms)
    {
        // Along both names at once, with no length taken: most differ in their first letters.
        const char *token = parm->getToken();
        size_t i = 0;
        while (i < name.size() && token[i] && token[i] == name[i])
            ++i;
        if (i == name.size() || !token[i])
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
    myIndex.reset();
    // Instances of multi-parameters stay after every other parameter, so that an operator's
    // templates and its parameters keep the same positions, and a list comes out in the same
    // order however its counts and spare parameters were set.
    auto at = myParms.end();
    if (myInstances)
        while (at != myParms.begin() && (*(at - 1))->isMultiInstance())
            --at;
    return **myParms.insert(at, PRM_Parm::create(tmpl, owner, spare));
}

bool PRM_ParmList::removeParm(const char *name)
{
    PRM_Parm *parm = getParmPtr(name);
    if (!parm)
        return false;
    if (myInstances)
    {
        auto [first, last] = myInstances->range(parm);
        for (auto it = first; it != last; ++it)
            eraseParm(it->parm, std::move(it->tmpl));
        myInstances->entries.erase(first, last);
    }
    eraseParm(parm, nullptr);
    return true;
}

void PRM_ParmList::eraseParm(const PRM_Parm *parm, std::unique_ptr<PRM_Template> tmpl)
{
    auto it = std::find_if(myParms.begin(), myParms.end(),
                           [parm](const auto &p) { return p.get() == parm; });
    if (it == myParms.end())
        return;
    std::unique_ptr<PRM_Parm> owned = std::move(*it);
    myParms.erase(it);
    myIndex.reset();
    PRM_Parm::retire(std::move(owned), std::move(tmpl));
}

bool PRM_ParmList::syncMultiInstances(PRM_Parm &count, PRM_ParmOwner *owner)
{
    const PRM_Template &tmpl = *count.getTemplatePtr();
    if (!tmpl.isMultiParm())
        return false;
    // The count holds a plain number, which evaluates without its owner.
    const int wanted = static_cast<int>(
        std::clamp<int64_t>(count.evalInt(0, 0.0f, 0), 0, PRM_Template::theMaxMultiInstances));
    const std::vector<PRM_Template> &children = tmpl.getMultiParmTemplates();
    const int childCount = PRM_Template::countTemplates(children.data());
    if (!myInstances)
    {
        if (wanted == 0 || childCount == 0)
            return false;
        myInstances = std::make_unique<prm_Instances>();
    }
    std::vector<prm_Instances::prm_Entry> &entries = myInstances->entries;
    bool changed = false;
    auto [first, last] = myInstances->range(&count);
    // Instances past the count go, with their parameters.
    auto keepEnd =
        std::find_if(first, last, [wanted](const auto &e) { return e.instance >= wanted; });
    for (auto it = keepEnd; it != last; ++it)
        eraseParm(it->parm, std::move(it->tmpl));
    changed = keepEnd != last;
    auto at = entries.erase(keepEnd, last);
    // Then every child of every instance that lacks one (children may have been added since).
    std::set<std::pair<int, int>> present;
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (it->count == &count)
            present.emplace(it->instance, it->child);
    std::unordered_set<std::string> taken;
    std::vector<prm_Instances::prm_Entry> made;
    for (int instance = 0; instance < wanted; ++instance)
        for (int child = 0; child < childCount; ++child)
        {
            if (present.count({instance, child}))
                continue;
            if (taken.empty())
                for (const auto &parm : myParms)
                    taken.insert(parm->getToken());
            const PRM_Template &from = children[static_cast<size_t>(child)];
            const int number = tmpl.getMultiStartOffset() + instance;
            // Instances hold no instances of their own.
            auto own = from.isMultiParm()
                           ? std::make_unique<PRM_Template>(PRM_INT, from.getVectorSize(),
                                                            from.getName(), from.getDefaults())
                           : std::make_unique<PRM_Template>(from);
            const std::string name = PRM_Template::instanceName(from.getToken(), number);
            own->setName(PRM_Name(name.c_str(),
                                  PRM_Template::instanceName(from.getLabel(), number).c_str()));
            PRM_Parm *parm = nullptr;
            if (taken.insert(name).second)
            {
                myParms.push_back(PRM_Parm::create(own.get(), owner, false));
                parm = myParms.back().get();
                parm->setMultiInstance(true);
                myIndex.reset();
            }
            made.push_back({&count, instance, child, std::move(own), parm});
            changed = true;
        }
    if (!made.empty())
    {
        at = entries.insert(at, std::make_move_iterator(made.begin()),
                            std::make_move_iterator(made.end()));
        auto [begin, end] = myInstances->range(&count);
        std::sort(begin, end,
                  [](const auto &a, const auto &b)
                  { return std::tie(a.instance, a.child) < std::tie(b.instance, b.child); });
        sortInstances();
    }
    return changed;
}

void PRM_ParmList::sortInstances()
{
    auto tail = myParms.end();
    while (tail != myParms.begin() && (*(tail - 1))->isMultiInstance())
        --tail;
    // By the position of their count, then instance and child: the order of the entries once
    // the counts are put in list order.
    std::unordered_map<const PRM_Parm *, int> position;
    for (auto it = myParms.begin(); it != tail; ++it)
        position.emplace(it->get(), static_cast<int>(it - myParms.begin()));
    std::unordered_map<const PRM_Parm *, std::tuple<int, int, int>> key;
    for (const auto &e : myInstances->entries)
        if (e.parm)
            key.emplace(e.parm, std::make_tuple(position[e.count], e.instance, e.child));
    std::sort(tail, myParms.end(),
              [&key](const auto &a, const auto &b) { return key[a.get()] < key[b.get()]; });
}

std::vector<PRM_Parm *> PRM_ParmList::getMultiInstanceParms(const PRM_Parm &count) const
{
    std::vector<PRM_Parm *> parms;
    if (!myInstances)
        return parms;
    auto [first, last] = myInstances->range(&count);
    for (auto it = first; it != last; ++it)
        if (it->parm)
            parms.push_back(it->parm);
    return parms;
}

PRM_Parm *PRM_ParmList::getMultiCount(const PRM_Parm &instance) const
{
    if (!myInstances || !instance.isMultiInstance())
        return nullptr;
    for (const auto &e : myInstances->entries)
        if (e.parm == &instance)
            return const_cast<PRM_Parm *>(e.count);
    return nullptr;
}

void PRM_ParmList::rebuildIndex() const
{
    if (myIndex)
        return;
    // What the index holds, as one text: each parameter's name and what its channel names are
    // made from besides (the number of components, and whether they take colour or vector
    // letters), without spelling each channel: lists are keyed far more often than indexed.
    std::string key;
    key.reserve(myParms.size() * 16);
    for (const auto &parm : myParms)
    {
        const PRM_Template &tmpl = *parm->getTemplatePtr();
        const PRM_Type &type = tmpl.getType();
        key.append(parm->getToken()).push_back('\0');
        const int sizes[] = {tmpl.getVectorSize(), parm->getVectorSize()};
        key.append(reinterpret_cast<const char *>(sizes), sizeof sizes);
        key.push_back(type.hasFlag(PRM_TYPE_NAMERGB)  ? 'c'
                      : type.hasFlag(PRM_TYPE_VECTOR) ? 'v'
                                                      : 'n');
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
    // The last indices made stay even while no list holds them: nodes given spare parameters
    // one by one all pass through the same lists, which no node keeps for long.
    static std::shared_ptr<const prm_Index> theRecent[64];
    static size_t theNextRecent = 0;
    theRecent[theNextRecent++ % std::size(theRecent)] = index;
    myIndex = std::move(index);
    // Indices nobody holds any more are dropped now and then.
    if (theIndices.size() >= theSweepAt)
    {
        std::erase_if(theIndices, [](const auto &entry) { return entry.second.expired(); });
        theSweepAt = 2 * theIndices.size() + 64;
    }
}
