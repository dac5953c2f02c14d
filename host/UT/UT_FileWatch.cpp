#include <UT/UT_FileWatch.h>

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace
{
// What happens to a watched file that may change its text or what its path names.
constexpr unsigned theFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;
// What happens in a folder on the way: an entry made, removed or renamed (a file or link of
// the path replaced), or the folder itself moved, removed or made unreadable.
constexpr unsigned theFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;

// File systems whose every change comes through this machine's kernel, which tells watchers.
bool ut_localFileSystem(const std::string &path)
{
    struct statfs fs;
    if (::statfs(path.c_str(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type))
    {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// Every folder on the way to an absolute path: "/", "/a", "/a/b" for "/a/b/c".
template <typename Visit>
bool ut_eachFolder(const std::string &path, Visit visit)
{
    if (!visit(std::string("/")))
        return false;
    for (std::string::size_type slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (slash > 0 && path[slash - 1] != '/' && !visit(path.substr(0, slash)))
            return false;
    return true;
}
} // namespace

UT_FileWatch::~UT_FileWatch()
{
    clear();
}

bool UT_FileWatch::addWatch(const std::string &path, unsigned mask)
{
    return ::inotify_add_watch(myFd, path.c_str(), mask) >= 0;
}

bool UT_FileWatch::watch(const std::string &path)
{
    if (myWatched.count(path))
        return true;
    if (path.empty() || path[0] != '/' || path.find("/./") != std::string::npos ||
        path.find("/../") != std::string::npos || !ut_localFileSystem(path))
        return false;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real || !ut_localFileSystem(real.get()))
        return false;
    if (myFd < 0)
        myFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (myFd < 0)
        return false;
    const auto folder = [this](const std::string &f) { return addWatch(f, theFolderEvents); };
    // The file last: a change of the folders between two watches shows in the later one.
    if (!ut_eachFolder(path, folder) || !ut_eachFolder(real.get(), folder) ||
        !addWatch(real.get(), theFileEvents))
        return false;
    myWatched.insert(path);
    return true;
}

bool UT_FileWatch::changed()
{
    if (myFd < 0)
        return false;
    // Events are drained, not read one by one: any of them tells all there is to tell.
    alignas(inotify_event) char buffer[4096];
    bool any = false;
    for (;;)
    {
        const ssize_t got = ::read(myFd, buffer, sizeof(buffer));
        if (got > 0)
        {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        // Nothing pending (EAGAIN) is the usual answer; any other failure may hide a change.
        const bool changed = any || !(got < 0 && errno == EAGAIN);
        // A path may lead elsewhere now (a link retargeted, a folder replaced): each is
        // watched again, along its new way, when next asked for.
        if (changed)
            myWatched.clear();
        return changed;
    }
}

void UT_FileWatch::clear()
{
    if (myFd >= 0)
        ::close(myFd);
    myFd = -1;
    myWatched.clear();
}
