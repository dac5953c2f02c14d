#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

/// Progress of long work (loading or saving a large scene, promoting many materials) on one
/// line of a terminal: "Loading big.cmd: 42%", or a count when the whole is not known. It shows
/// only when the work has lasted a moment, rewrites the line at most ten times a second, and
/// clears it when done; where the stream is no terminal it says nothing, so that logs and
/// scripts see the same output as before.
class UT_Progress
{
public:
    /// Progress on standard error when that is a terminal. `total` 0: a count of `unit`s.
    UT_Progress(std::string label, uint64_t total, std::string unit = "");
    /// Progress on `out`, shown (when `show`) once `delay` has passed.
    UT_Progress(std::string label, uint64_t total, std::string unit, std::ostream &out, bool show,
                std::chrono::milliseconds delay);
    ~UT_Progress();
    UT_Progress(const UT_Progress &) = delete;
    UT_Progress &operator=(const UT_Progress &) = delete;

    /// The whole, once it is known (0: unknown).
    void setTotal(uint64_t total) { myTotal = total; }
    /// `done` of the total so far. Cheap enough to call for every line or node.
    void update(uint64_t done);

private:
    void show(uint64_t done);

    std::string myLabel;
    uint64_t myTotal;
    std::string myUnit;
    std::ostream &myOut;
    bool myShow;
    std::chrono::steady_clock::time_point myStart;
    std::chrono::steady_clock::time_point myLastShown;
    std::chrono::milliseconds myDelay;
    bool myShown = false;
    unsigned myCalls = 0;
};
