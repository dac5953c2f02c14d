#include <UT/UT_CachedFile.h>
#include <UT/UT_File.h>
#include <UT/UT_FileWatch.h>

#include <sys/stat.h>

#include <ctime>
#include <mutex>
#include <unordered_map>

namespace
{
struct ut_Stamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const ut_Stamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

struct ut_Entry
{
    ut_Stamp stamp;
    std::shared_ptr<const std::string> text;
    // Known unchanged while nothing watched changes: read without a status query.
    bool trusted = false;
};

// File times are set from a clock that advances in ticks of up to a few milliseconds; a file
// whose times are this close to the moment it was read could still change without its stamp
// changing.
constexpr time_t theSettleSeconds = 2;
// Files read again and again are few; past this many the cache starts over.
constexpr size_t theMaxEntries = 64;

std::mutex theLock;
std::unordered_map<std::string, ut_Entry> theEntries;
UT_FileWatch theWatch;
// Counts the times the watch started over or told of changes: a look at a file begun before
// either may not make its entry trusted.
unsigned long theWatchGeneration = 0;

bool ut_stamp(const std::string &path, ut_Stamp &stamp)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    return true;
}

// Whether a stamp taken at `now` can tell every later change of the file.
bool ut_settled(const ut_Stamp &stamp, time_t now)
{
    return stamp.modified.tv_sec + theSettleSeconds < now &&
           stamp.changed.tv_sec + theSettleSeconds < now;
}
} // namespace

std::shared_ptr<const std::string> UT_CachedFile::read(const std::string &path, std::string &error)
{
    bool watched = false;
    unsigned long generation = 0;
    {
        std::lock_guard<std::mutex> lock(theLock);
        // A file that is watched, and was unchanged when last looked at, stays so until the
        // watch hears of a change: no status query.
        if (theWatch.changed())
        {
            for (auto &[name, entry] : theEntries)
                entry.trusted = false;
            // A look begun before this one must not trust what it saw: the change it may
            // have missed has just been taken from the watch.
            ++theWatchGeneration;
        }
        auto it = theEntries.find(path);
        if (it != theEntries.end() && it->second.trusted)
            return it->second.text;
        // Watched before the look below, so that nothing after it goes unheard.
        watched = theWatch.watch(path);
        generation = theWatchGeneration;
    }
    ut_Stamp stamp;
    auto text = std::make_shared<std::string>();
    if (!ut_stamp(path, stamp))
        // Missing, unreadable or not a regular file: the plain read says why.
        return UT_File::readRegular(path, *text, error) ? text : nullptr;
    {
        std::lock_guard<std::mutex> lock(theLock);
        auto it = theEntries.find(path);
        if (it != theEntries.end() && it->second.stamp == stamp)
        {
            it->second.trusted = watched && generation == theWatchGeneration;
            return it->second.text;
        }
    }
    if (!UT_File::readRegular(path, *text, error))
        return nullptr;
    // Kept only when the stamp taken before the read still holds after it and says enough.
    ut_Stamp after;
    if (!ut_stamp(path, after) || !(after == stamp) || !ut_settled(stamp, std::time(nullptr)))
        return text;
    std::lock_guard<std::mutex> lock(theLock);
    if (theEntries.size() >= theMaxEntries && !theEntries.count(path))
    {
        theEntries.clear();
        theWatch.clear();
        ++theWatchGeneration;
    }
    theEntries[path] = {stamp, text, watched && generation == theWatchGeneration};
    return text;
}

void UT_CachedFile::clear()
{
    std::lock_guard<std::mutex> lock(theLock);
    theEntries.clear();
    theWatch.clear();
    ++theWatchGeneration;
}
