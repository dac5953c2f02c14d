#pragma once

#include <atomic>

/// Thread identity the host hands to evaluation: every thread gets a small sequential index the
/// first time it asks, the main thread (the first to ask) 0.
class UT_Thread
{
public:
    static int getMySequentialThreadIndex()
    {
        static std::atomic<int> theNextIndex{0};
        thread_local int theIndex = theNextIndex++;
        return theIndex;
    }
};
