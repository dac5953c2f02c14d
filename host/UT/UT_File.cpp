#include <UT/UT_File.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <streambuf>
#include <vector>

namespace
{
// Links may name links; past this many the chain is taken for a loop, as the system does.
constexpr int theMaxLinks = 40;

std::string ut_reason()
{
    return std::strerror(errno);
}

// Why a file that exists is not one we read or replace; empty for a regular file.
std::string ut_notRegular(const struct stat &st, const std::string &path, const std::string &shown)
{
    if (S_ISREG(st.st_mode))
        return {};
    const std::string subject = path == shown ? "it" : "'" + path + "'";
    const char *kind = S_ISDIR(st.st_mode)                          ? "a folder"
                       : S_ISFIFO(st.st_mode)                       ? "a FIFO"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                       : S_ISSOCK(st.st_mode)                       ? "a socket"
                                                                    : "a special file";
    return subject + " is " + kind + ", not a regular file";
}

std::string ut_folderOf(const std::string &path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool ut_writeAll(int fd, const char *data, size_t left)
{
    while (left > 0)
    {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
        {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

bool ut_readAll(int fd, std::string &text)
{
    std::vector<char> buffer(1 << 16);
    for (;;)
    {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text.append(buffer.data(), static_cast<size_t>(got));
    }
}

// An unbuffered stream into a file: each piece written goes to the file as it comes. The
// first failure is kept with its reason, and fails every later piece.
class ut_FileStreamBuf final : public std::streambuf
{
public:
    explicit ut_FileStreamBuf(int fd) : myFd(fd) {}
    /// 0, or the errno of the first write that failed.
    int failure() const { return myFailure; }

protected:
    std::streamsize xsputn(const char *data, std::streamsize size) override
    {
        if (myFailure)
            return 0;
        if (!ut_writeAll(myFd, data, static_cast<size_t>(size)))
        {
            myFailure = errno ? errno : EIO;
            return 0;
        }
        return size;
    }
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

private:
    int myFd;
    int myFailure = 0;
};

// The permissions a new file gets by default: what the user's mask leaves of rw-rw-rw-.
mode_t ut_newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Owns a temporary file until it is renamed into place; removes it on every other way out.
class ut_Temporary
{
public:
    explicit ut_Temporary(const std::string &target)
    {
        const std::string::size_type slash = target.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        myPath = folder + "." + name + ".saving-XXXXXX";
        std::vector<char> pattern(myPath.begin(), myPath.end());
        pattern.push_back('\0');
        myFd = ::mkstemp(pattern.data());
        myPath = pattern.data();
    }
    ~ut_Temporary()
    {
        if (myFd >= 0)
            ::close(myFd);
        if (!myKept)
            ::unlink(myPath.c_str());
    }
    ut_Temporary(const ut_Temporary &) = delete;
    ut_Temporary &operator=(const ut_Temporary &) = delete;

    int fd() const { return myFd; }
    const std::string &path() const { return myPath; }
    bool close()
    {
        const int fd = myFd;
        myFd = -1;
        return ::close(fd) == 0;
    }
    void keep() { myKept = true; }

private:
    std::string myPath;
    int myFd = -1;
    bool myKept = false;
};
} // namespace

bool UT_File::followLinks(const std::string &path, std::string &target, std::string &error)
{
    if (path.empty())
    {
        errno = ENOENT;
        error = ut_reason();
        return false;
    }
    std::string current = path;
    for (int hops = 0; hops <= theMaxLinks; ++hops)
    {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        {
            // Absent is fine: that is where a new file goes.
            target = current;
            return true;
        }
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t size = ::readlink(current.c_str(), link.data(), link.size());
        if (size < 0)
        {
            error = "cannot read the link '" + current + "': " + ut_reason();
            return false;
        }
        if (static_cast<size_t>(size) >= link.size())
        {
            error = "the link '" + current + "' is too long";
            return false;
        }
        const std::string next(link.data(), static_cast<size_t>(size));
        current = next[0] == '/' || current.find('/') == std::string::npos
                      ? next
                      : ut_folderOf(current) + "/" + next;
    }
    errno = ELOOP;
    error = ut_reason();
    return false;
}

bool UT_File::readRegular(const std::string &path, std::string &text, std::string &error)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
    {
        error = ut_reason();
        return false;
    }
    // Checked before opening: opening a FIFO to read would wait for a writer.
    if (!(error = ut_notRegular(st, path, path)).empty())
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        error = ut_reason();
        return false;
    }
    // And again on what was opened, in case the name was swapped meanwhile.
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        error = ut_reason();
    else if (!(error = ut_notRegular(st, path, path)).empty())
        ok = false;
    text.clear();
    // The whole file at once, rather than grown (and copied) as it is read.
    if (ok)
        text.reserve(static_cast<size_t>(st.st_size));
    if (ok && !ut_readAll(fd, text))
    {
        error = ut_reason();
        ok = false;
    }
    ::close(fd);
    return ok;
}

bool UT_File::replace(const std::string &path, const std::string &text, std::string &error)
{
    return replace(
        path, [&text](std::ostream &out) { out.write(text.data(), std::streamsize(text.size())); },
        error);
}

bool UT_File::replace(const std::string &path, const std::function<void(std::ostream &)> &write,
                      std::string &error)
{
    std::string target;
    if (!followLinks(path, target, error))
        return false;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !(error = ut_notRegular(st, target, path)).empty())
        return false;
    // Renaming would replace a file the user may not write; refuse as writing it would.
    if (exists && ::access(target.c_str(), W_OK) != 0)
    {
        error = ut_reason();
        return false;
    }
    ut_Temporary temporary(target);
    if (temporary.fd() < 0)
    {
        error = ut_reason();
        return false;
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : ut_newFileMode();
    ut_FileStreamBuf buffer(temporary.fd());
    std::ostream out(&buffer);
    write(out);
    if (buffer.failure() || !out)
    {
        errno = buffer.failure() ? buffer.failure() : EIO;
        error = ut_reason();
        return false;
    }
    bool ok = ::fchmod(temporary.fd(), mode) == 0;
    // Keeping the owner is only possible with privileges; without them the saver owns it.
    if (ok && exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
        (void)!::fchown(temporary.fd(), st.st_uid, st.st_gid);
    ok = ok && ::fsync(temporary.fd()) == 0 && temporary.close() &&
         ::rename(temporary.path().c_str(), target.c_str()) == 0;
    if (!ok)
    {
        error = ut_reason();
        return false;
    }
    temporary.keep();
    // The rename itself reaches the disk with the folder's entry.
    const int folder = ::open(ut_folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        (void)::fsync(folder);
        ::close(folder);
    }
    return true;
}
