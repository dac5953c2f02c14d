#pragma once

#include <UT/UT_Thread.h>

/// When and where a cook runs: the time in seconds and the evaluating thread's index.
class OP_Context
{
public:
    explicit OP_Context(float time = 0, int thread = UT_Thread::getMySequentialThreadIndex())
        : myTime(time), myThread(thread)
    {
    }

    float getTime() const { return myTime; }
    void setTime(float time) { myTime = time; }
    int getThread() const { return myThread; }

private:
    float myTime;
    int myThread;
};
