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
    // Every evaluation asks for its thread's stack; a thread almost always asks for its own,
    // so the last answer is kept per thread and the lock taken only for a different one.
    thread_local const CH_Manager *theCachedManager = nullptr;
    thread_local int theCachedThread = -1;
    thread_local std::vector<ch_Frame> *theCachedStack = nullptr;
    if (theCachedManager == this && theCachedThread == thread)
        return *theCachedStack;

    std::lock_guard<std::mutex> lock(theStacksLock);
    const int index = thread < 0 ? 0 : thread;
    if (static_cast<size_t>(index) >= myStacks.size())
        myStacks.resize(index + 1);
    theCachedManager = this;
    theCachedThread = thread;
    theCachedStack = &myStacks[index];
    return *theCachedStack;
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
    : myStack(&CHgetManager()->stack(thread))
{
    myStack->push_back({collection, time});
}

CH_AutoEvaluate::~CH_AutoEvaluate()
{
    myStack->pop_back();
}
