#include <UT/UT_Progress.h>

#include <iostream>
#include <unistd.h>

namespace
{
constexpr std::chrono::milliseconds theDelay{500};
constexpr std::chrono::milliseconds theInterval{100};
// The clock is read once every so many updates: a scene has far more lines than moments.
constexpr unsigned theCallsPerClock = 64;
} // namespace

UT_Progress::UT_Progress(std::string label, uint64_t total, std::string unit)
    : UT_Progress(std::move(label), total, std::move(unit), std::cerr, isatty(STDERR_FILENO) == 1,
                  theDelay)
{
}

UT_Progress::UT_Progress(std::string label, uint64_t total, std::string unit, std::ostream &out,
                         bool show, std::chrono::milliseconds delay)
    : myLabel(std::move(label)), myTotal(total), myUnit(std::move(unit)), myOut(out), myShow(show),
      myStart(std::chrono::steady_clock::now()), myLastShown(myStart), myDelay(delay)
{
}

UT_Progress::~UT_Progress()
{
    if (myShown)
        myOut << "\r\x1b[K" << std::flush;
}

void UT_Progress::update(uint64_t done)
{
    if (!myShow || (++myCalls % theCallsPerClock != 0 && myDelay.count() > 0))
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - myStart < myDelay || (myShown && now - myLastShown < theInterval))
        return;
    myLastShown = now;
    show(done);
}

void UT_Progress::show(uint64_t done)
{
    myOut << "\r" << myLabel << ": ";
    if (myTotal > 0)
        myOut << (done >= myTotal ? 100 : done * 100 / myTotal) << "%";
    else
        myOut << done << (myUnit.empty() ? "" : " ") << myUnit;
    myOut << "\x1b[K" << std::flush;
    myShown = true;
}
