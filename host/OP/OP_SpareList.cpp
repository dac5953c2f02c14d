#include <OP/OP_SpareList.h>

#include <algorithm>
#include <mutex>

namespace
{
// Lists are shared by nodes of any network; steps are found and added under one lock.
std::mutex theStepLock;
} // namespace

OP_SpareList::OP_SpareList(std::vector<std::shared_ptr<PRM_Template>> templates)
    : myTemplates(std::move(templates))
{
}

OP_SpareList::Ptr OP_SpareList::append(const Ptr &list, std::shared_ptr<PRM_Template> tmpl)
{
    // Every node's first spare parameter steps from the one empty list.
    static const Ptr theEmpty =
        std::make_shared<const OP_SpareList>(std::vector<std::shared_ptr<PRM_Template>>());
    return step(list ? list : theEmpty, nullptr, std::move(tmpl));
}

OP_SpareList::Ptr OP_SpareList::replace(const Ptr &list, const PRM_Template *from,
                                        std::shared_ptr<PRM_Template> to)
{
    return list ? step(list, from, std::move(to)) : nullptr;
}

OP_SpareList::Ptr OP_SpareList::remove(const Ptr &list, const PRM_Template *gone)
{
    if (!list)
        return nullptr;
    // Rare enough to make a list of its own each time.
    std::vector<std::shared_ptr<PRM_Template>> left = list->myTemplates;
    std::erase_if(left, [gone](const auto &t) { return t.get() == gone; });
    return left.empty() ? nullptr : std::make_shared<const OP_SpareList>(std::move(left));
}

OP_SpareList::Ptr OP_SpareList::step(const Ptr &list, const PRM_Template *from,
                                     std::shared_ptr<PRM_Template> to)
{
    std::lock_guard<std::mutex> lock(theStepLock);
    std::vector<op_Step> &steps = list->mySteps;
    for (const op_Step &s : steps)
        if (s.from == from && s.to == to.get())
            if (Ptr made = s.made.lock())
                return made;
    std::vector<std::shared_ptr<PRM_Template>> templates;
    templates.reserve(list->myTemplates.size() + (from ? 0 : 1));
    templates = list->myTemplates;
    if (from)
        std::replace_if(
            templates.begin(), templates.end(), [from](const auto &t) { return t.get() == from; },
            to);
    else
        templates.push_back(to);
    auto made = std::make_shared<const OP_SpareList>(std::move(templates));
    // The last lists made stay even while no node holds them: nodes given spare parameters
    // one by one all pass through the same lists, which no node keeps for long. (Kept by
    // the lists made from them instead, a node whose parameters are its own would keep a
    // list for every one of them.)
    static Ptr theRecent[64];
    static size_t theNextRecent = 0;
    theRecent[theNextRecent++ % std::size(theRecent)] = made;
    // Steps to lists no node holds any more are dropped as new ones come: a list that many
    // nodes step from in as many ways (each with a parameter of its own) stays small.
    if (steps.size() == steps.capacity())
        std::erase_if(steps, [](const op_Step &s) { return s.made.expired(); });
    steps.push_back({from, to.get(), made});
    return made;
}
