#include <UT/UT_Progress.h>

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

TEST(UT_Progress, ShowsOnlyAtATerminalAfterAMomentAndClearsItsLine)
{
    std::ostringstream out;
    {
        UT_Progress progress("Loading big.cmd", 200, "", out, true, std::chrono::milliseconds(0));
        progress.update(50);
        EXPECT_NE(out.str().find("\rLoading big.cmd: 25%"), std::string::npos) << out.str();
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        progress.update(500); // past the whole: never more than all of it
        EXPECT_NE(out.str().find("100%"), std::string::npos) << out.str();
    }
    // Nothing is left on the line after the work.
    EXPECT_EQ(out.str().substr(out.str().size() - 4), "\r\x1b[K");

    std::ostringstream counted;
    {
        UT_Progress progress("Saving", 0, "nodes", counted, true, std::chrono::milliseconds(0));
        progress.update(12);
    }
    EXPECT_NE(counted.str().find("Saving: 12 nodes"), std::string::npos) << counted.str();

    // Not at a terminal, or not yet long enough: nothing at all.
    std::ostringstream quiet;
    {
        UT_Progress notShown("Loading", 10, "", quiet, false, std::chrono::milliseconds(0));
        UT_Progress tooSoon("Loading", 10, "", quiet, true, std::chrono::seconds(60));
        for (int i = 0; i < 1000; ++i)
        {
            notShown.update(i);
            tooSoon.update(i);
        }
    }
    EXPECT_EQ(quiet.str(), "");
}
