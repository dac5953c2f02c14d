#include <UT/UT_CachedFile.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

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
        std::string error;
        const auto text = UT_CachedFile::read(path, error);
        EXPECT_TRUE(text) << error;
        return text ? *text : std::string();
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
    std::string error;
    EXPECT_FALSE(UT_CachedFile::read(myDir, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;

    const std::string path = myDir + "/gone.py";
    writeOld(path, "x = 1\n");
    EXPECT_EQ(read(path), "x = 1\n");
    std::filesystem::remove(path);
    EXPECT_FALSE(UT_CachedFile::read(path, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST_F(UT_CachedFileTest, AFileTrustedUnchangedIsSeenToChangeAlongEveryWayToIt)
{
    namespace fs = std::filesystem;
    // Files whose every time is old enough to be trusted once found unchanged; each is then
    // changed another way, and must never be read stale.
    fs::create_directories(myDir + "/a");
    fs::create_directories(myDir + "/b");
    fs::create_directories(myDir + "/c");
    fs::create_directories(myDir + "/d/deep");
    const std::string inPlace = myDir + "/a/inplace.py", renamed = myDir + "/a/renamed.py",
                      inFolder = myDir + "/b/s.py", deep = myDir + "/d/deep/s.py";
    for (const std::string &path : {inPlace, renamed, inFolder, myDir + "/c/s.py", deep})
        writeOld(path, "old\n");
    fs::create_directory_symlink("c", myDir + "/link");
    const std::string viaLink = myDir + "/link/s.py";
    fs::create_directories(myDir + "/c2");
    writeOld(myDir + "/c2/s.py", "lnk\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(3100));
    for (const std::string &path : {inPlace, renamed, inFolder, viaLink, deep})
    {
        EXPECT_EQ(read(path), "old\n");
        EXPECT_EQ(read(path), "old\n"); // found unchanged, and trusted from now on
    }

    // Before each change the file is read again, trusted anew after what happened before.
    // Rewritten in place at the same size, dated back as it was.
    writeOld(inPlace, "new\n");
    EXPECT_EQ(read(inPlace), "new\n");
    // Replaced by rename, as editors save.
    EXPECT_EQ(read(renamed), "old\n");
    writeOld(myDir + "/a/next.py", "nex\n");
    fs::rename(myDir + "/a/next.py", renamed);
    EXPECT_EQ(read(renamed), "nex\n");
    // Its folder set aside and another put in its place.
    EXPECT_EQ(read(inFolder), "old\n");
    fs::rename(myDir + "/b", myDir + "/b.old");
    fs::create_directories(myDir + "/b");
    writeOld(inFolder, "oth\n");
    EXPECT_EQ(read(inFolder), "oth\n");
    // The link on the way led elsewhere; and the file it leads to now is watched in turn.
    fs::create_directory_symlink("c2", myDir + "/link2");
    EXPECT_EQ(read(viaLink), "old\n");
    fs::rename(myDir + "/link2", myDir + "/link");
    EXPECT_EQ(read(viaLink), "lnk\n");
    EXPECT_EQ(read(viaLink), "lnk\n");
    writeOld(myDir + "/c2/s.py", "ln2\n");
    EXPECT_EQ(read(viaLink), "ln2\n");
    // A folder two levels up replaced.
    EXPECT_EQ(read(deep), "old\n");
    fs::rename(myDir + "/d", myDir + "/d.old");
    fs::create_directories(myDir + "/d/deep");
    writeOld(deep, "top\n");
    EXPECT_EQ(read(deep), "top\n");
    // And gone altogether.
    fs::remove(deep);
    std::string error;
    EXPECT_FALSE(UT_CachedFile::read(deep, error));
}
