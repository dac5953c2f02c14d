#pragma once

#include <deque>
#include <vector>

class CH_Collection;

/// Time and evaluation state of the host: the global time, and per evaluating thread the time
/// being evaluated and the collection whose parameters are being evaluated.
class CH_Manager
{
public:
    /// Frames per second, for $F.
    static constexpr float theFPS = 24.0f;

    float getTime() const { return myTime; }
    void setTime(float time) { myTime = time; }

    /// The time being evaluated on a thread: inside an evaluation the evaluation's time, else
    /// the global time.
    float getEvaluateTime(int thread) const;
    /// The collection whose parameters the thread is evaluating, or null.
    CH_Collection *getEvalCollection(int thread) const;

    /// Frame number of a time: frame 1 starts at time 0.
    static float getSample(float time) { return time * theFPS + 1.0f; }

private:
    friend class CH_AutoEvaluate;
    struct ch_Frame
    {
        CH_Collection *collection;
        float time;
    };
    std::vector<ch_Frame> &stack(int thread) const;

    float myTime = 0;
    // A deque, so that growing it for a new thread leaves the other threads' stacks in place.
    mutable std::deque<std::vector<ch_Frame>> myStacks;
};

/// The host's channel manager.
CH_Manager *CHgetManager();

/// Marks the calling thread as evaluating `collection` at `time` for the guard's lifetime.
class CH_AutoEvaluate
{
public:
    CH_AutoEvaluate(CH_Collection *collection, float time, int thread);
    ~CH_AutoEvaluate();
    CH_AutoEvaluate(const CH_AutoEvaluate &) = delete;
    CH_AutoEvaluate &operator=(const CH_AutoEvaluate &) = delete;

private:
    // The thread's stack, found once: every parameter expression evaluates inside a guard.
    std::vector<CH_Manager::ch_Frame> *myStack;
};
