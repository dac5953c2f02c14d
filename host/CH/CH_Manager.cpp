#include <CH/CH_Manager.h>

#include <mutex>

namespace
{
// Each thread touches only its own stack; the mutex guards growing the list of stacks.
std::mutex theStacksLock;
} // namespace

CH_Manager *CHgetManager()
{
    static CH_Manager theManager;
    return &theManager;
}

std::vector<CH_Manager::ch_Frame> &CH_Manager::stack(int thread) const
{
    std::lock_guard<std::mutex> lock(theStacksLock);
    if (thread < 0)
        thread = 0;
    if (static_cast<size_t>(thread) >= myStacks.size())
        myStacks.resize(thread + 1);
    return myStacks[thread];
}

float CH_Manager::getEvaluateTime(int thread) const
{
    const std::vector<ch_Frame> &frames = stack(thread);
    return frames.empty() ? myTime : frames.back().time;
}

CH_Collection *CH_Manager::getEvalCollection(int thread) const
{
    const std::vector<ch_Frame> &frames = stack(thread);
    return frames.empty() ? nullptr : frames.back().collection;
}

CH_AutoEvaluate::CH_AutoEvaluate(CH_Collection *collection, float time, int thread)
    : myThread(thread)
{
    CHgetManager()->stack(thread).push_back({collection, time});
}

CH_AutoEvaluate::~CH_AutoEvaluate()
{
    CHgetManager()->stack(myThread).pop_back();
}
