#include <UT/UT_CachedFile.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
class UT_CachedFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/ut_cachedfile_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        myDir = pattern;
        UT_CachedFile::clear();
    }
    void TearDown() override { std::filesystem::remove_all(myDir); }

    // Writes the file and dates it an hour back, as a script installed long ago.
    void writeOld(const std::string &path, const std::string &text)
    {
        std::ofstream(path, std::ios::trunc) << text;
        timespec times[2];
        clock_gettime(CLOCK_REALTIME, &times[0]);
        times[0].tv_sec -= 3600;
        times[1] = times[0];
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    std::string read(const std::string &path)
    {
        std::string text, error;
        EXPECT_TRUE(UT_CachedFile::read(path, text, error)) << error;
        return text;
    }

    std::string myDir;
};
} // namespace

TEST_F(UT_CachedFileTest, EveryChangeOfTheFileIsSeen)
{
    const std::string path = myDir + "/script.py";
    writeOld(path, "print(1)\n");
    EXPECT_EQ(read(path), "print(1)\n");
    EXPECT_EQ(read(path), "print(1)\n"); // from the cache

    // Same size, and dated back to the very same time: only the status change tells.
    writeOld(path, "print(2)\n");
    EXPECT_EQ(read(path), "print(2)\n");

    // Replaced by another file, as editors save.
    const std::string other = myDir + "/other.py";
    writeOld(other, "print(3)\n");
    std::filesystem::rename(other, path);
    EXPECT_EQ(read(path), "print(3)\n");

    // Written again and again just now, same size each time: never a stale text.
    for (char c = 'a'; c <= 'e'; ++c)
    {
        std::ofstream(path, std::ios::trunc) << "# " << c << "\n";
        EXPECT_EQ(read(path), std::string("# ") + c + "\n");
    }
}

TEST_F(UT_CachedFileTest, WhatIsNoFileFailsAsThePlainReadDoes)
{
    std::string text, error;
    EXPECT_FALSE(UT_CachedFile::read(myDir, text, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;

    const std::string path = myDir + "/gone.py";
    writeOld(path, "x = 1\n");
    EXPECT_EQ(read(path), "x = 1\n");
    std::filesystem::remove(path);
    EXPECT_FALSE(UT_CachedFile::read(path, text, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}
