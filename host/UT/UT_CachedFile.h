#pragma once

#include <memory>
#include <string>

/// Texts of files read again and again (a creation script runs for every new node): the text
/// is read from the disk only when the file may have changed since it was last read.
///
/// A file is taken to be unchanged while it is the same file (device and inode) of the same
/// size, modification and status-change times. Those times tick more coarsely than a program
/// can write, so a file modified shortly before it was last read is read again until its
/// times are old enough to tell a later write apart. A file found unchanged that way is then
/// watched (UT_FileWatch): while nothing on its way changes, it is not even looked at.
class UT_CachedFile
{
public:
    /// What UT_File::readRegular reads, from the cache when the file has not changed; null,
    /// with `error` set, when it cannot be read. Safe to call from several threads.
    static std::shared_ptr<const std::string> read(const std::string &path, std::string &error);

    /// Forgets every text (tests, and callers that know files changed behind the cache's back).
    static void clear();
};
