#include <UT/UT_ErrorManager.h>

#include <gtest/gtest.h>

#include <thread>

TEST(UT_ErrorManager, SeverityIsTheHighestReported)
{
    UT_ErrorManager errors;
    EXPECT_EQ(errors.getSeverity(), UT_ERROR_NONE);
    {
        UT_AutoErrorManager guard(errors);
        UTaddWarning("Test", 1);
        UTaddMessage("Test", 2, "note");
        EXPECT_EQ(errors.getSeverity(), UT_ERROR_WARNING);
        UTaddFatal("Test", 3);
        UTaddError("Test", 4);
        UTaddPrompt("Test", 5);
    }
    ASSERT_EQ(errors.getNumErrors(), 5);
    EXPECT_EQ(errors.getSeverity(), UT_ERROR_FATAL);
    EXPECT_EQ(errors.getError(1).getMessage(), "note");
    EXPECT_EQ(errors.getError(3).getSeverity(), UT_ERROR_ABORT);
    EXPECT_EQ(errors.getError(4).getSeverity(), UT_ERROR_PROMPT);
    errors.clearAndDestroyErrors();
    EXPECT_EQ(errors.getSeverity(), UT_ERROR_NONE);
}

TEST(UT_ErrorManager, GuardsNestAndFallBackToTheProcessList)
{
    UT_ErrorManager &process = UTgetErrorManager();
    UT_ErrorManager outer;
    UT_ErrorManager inner;
    {
        UT_AutoErrorManager outerGuard(outer);
        UTaddSystemError("disk");
        {
            UT_AutoErrorManager innerGuard(inner);
            EXPECT_EQ(&UTgetErrorManager(), &inner);
            UTaddCommonError(UT_CE_NODE_NOT_FOUND, "/obj/x");
        }
        EXPECT_EQ(&UTgetErrorManager(), &outer);
        UTaddError(UT_Error("Mine", 9, UT_ERROR_MESSAGE));
    }
    EXPECT_EQ(&UTgetErrorManager(), &process);

    ASSERT_EQ(outer.getNumErrors(), 2);
    EXPECT_EQ(outer.getError(0).getType(), "System");
    EXPECT_EQ(outer.getError(0).getCode(), 0);
    EXPECT_EQ(outer.getError(0).getSeverity(), UT_ERROR_ABORT);
    EXPECT_EQ(outer.getError(1).getType(), "Mine");
    ASSERT_EQ(inner.getNumErrors(), 1);
    EXPECT_EQ(inner.getError(0).getType(), "Common");
    EXPECT_EQ(inner.getError(0).getCode(), UT_CE_NODE_NOT_FOUND);
    EXPECT_EQ(inner.getError(0).getSeverity(), UT_ERROR_ABORT);
}

TEST(UT_ErrorManager, EachThreadHasItsOwnCurrentList)
{
    UT_ErrorManager mine;
    UT_ErrorManager theirs;
    UT_ErrorManager *unguarded = nullptr;
    UT_AutoErrorManager guard(mine);
    std::thread worker(
        [&]
        {
            unguarded = &UTgetErrorManager();
            UT_AutoErrorManager workerGuard(theirs);
            UTaddWarning("Worker", 1);
        });
    worker.join();
    UTaddWarning("Main", 1);

    EXPECT_NE(unguarded, &mine);
    ASSERT_EQ(theirs.getNumErrors(), 1);
    EXPECT_EQ(theirs.getError(0).getType(), "Worker");
    ASSERT_EQ(mine.getNumErrors(), 1);
    EXPECT_EQ(mine.getError(0).getType(), "Main");
}

TEST(UT_ErrorManager, UnguardedThreadsShareTheProcessList)
{
    UT_ErrorManager &process = UTgetErrorManager();
    process.clearAndDestroyErrors();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back(
            []
            {
                for (int k = 0; k < 100; ++k)
                    UTaddMessage("Shared", k);
            });
    for (std::thread &worker : workers)
        worker.join();
    EXPECT_EQ(process.getNumErrors(), 400);
    process.clearAndDestroyErrors();

    // Nobody empties it, so it keeps only the latest errors however many arrive.
    for (int k = 0; k < 10000; ++k)
        UTaddMessage("Flood", k);
    EXPECT_LE(process.getNumErrors(), 2000);
    EXPECT_GE(process.getNumErrors(), 1000);
    EXPECT_EQ(process.getErrors().back().getCode(), 9999);
    process.clearAndDestroyErrors();
}

TEST(UT_Error, TextUsesTheRegisteredTemplateLiterally)
{
    EXPECT_EQ(UT_Error("Tst", 7, UT_ERROR_ABORT).getText(), "Tst error 7");
    EXPECT_EQ(UT_Error("Tst", 7, UT_ERROR_ABORT, "oops").getText(), "Tst error 7: oops");

    UTsetErrorText("Tst", 7, "Cannot open \"%s\" (100%)");
    const char *first = UTgetErrorText("Tst", 7);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(UT_Error("Tst", 7, UT_ERROR_ABORT, "%s%d%n").getText(),
              "Cannot open \"%s%d%n\" (100%)");
    EXPECT_EQ(UT_Error("Tst", 8, UT_ERROR_ABORT, "m").getText(), "Tst error 8: m");

    // A replaced text must not pull the rug from under callers still holding the old one.
    UTsetErrorText("Tst", 7, "No message here");
    EXPECT_STREQ(first, "Cannot open \"%s\" (100%)");
    EXPECT_EQ(UT_Error("Tst", 7, UT_ERROR_ABORT, "ignored").getText(), "No message here");

    UTsetErrorText("Tst", 7, nullptr);
    EXPECT_EQ(UTgetErrorText("Tst", 7), nullptr);
    EXPECT_EQ(UT_Error("Tst", 7, UT_ERROR_ABORT).getText(), "Tst error 7");
}
