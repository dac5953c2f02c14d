#pragma once

#include <string>
#include <unordered_set>

/// Tells whether files may have changed since a moment, at the cost of one system call that
/// reads nothing when nothing happened, where a status query walks every folder of a path.
///
/// A watched file is watched with every folder on the way to it, along its path as given and
/// along the path its links lead to: a file written, replaced, moved or removed, and a folder
/// or link on the way renamed, replaced or removed, all count as changes. Only absolute paths
/// on local file systems are watched: a relative path follows the working folder, and a
/// network file system hears nothing of changes made on other machines. Changes made through
/// a shared memory mapping are not seen.
///
/// Not thread-safe; UT_CachedFile guards it.
class UT_FileWatch
{
public:
    UT_FileWatch() = default;
    ~UT_FileWatch();
    UT_FileWatch(const UT_FileWatch &) = delete;
    UT_FileWatch &operator=(const UT_FileWatch &) = delete;

    /// Starts watching `path`, if it was not watched already. Call it before looking at the
    /// file, so that no change after the look goes unseen. False when the file cannot be
    /// watched: every look at it must then go to the disk.
    bool watch(const std::string &path);

    /// Whether anything watched may have changed since the last call (or since it was first
    /// watched). True also when changes may have been lost. After a change every path must be
    /// watched again (watch()), as it may lead to another file now.
    bool changed();

    /// Stops watching everything.
    void clear();

private:
    bool addWatch(const std::string &path, unsigned mask);

    int myFd = -1;
    std::unordered_set<std::string> myWatched;
};
