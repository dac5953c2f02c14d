#pragma once

#include <string>

/// Texts of files read again and again (a creation script runs for every new node): the text
/// is read from the disk only when the file may have changed since it was last read, which
/// costs one status query instead of opening and reading the file.
///
/// A file is taken to be unchanged while it is the same file (device and inode) of the same
/// size, modification and status-change times. Those times tick more coarsely than a program
/// can write, so a file modified shortly before it was last read is read again until its
/// times are old enough to tell a later write apart.
class UT_CachedFile
{
public:
    /// What UT_File::readRegular reads, from the cache when the file has not changed. Safe to
    /// call from several threads.
    static bool read(const std::string &path, std::string &text, std::string &error);

    /// Forgets every text (tests, and callers that know files changed behind the cache's back).
    static void clear();
};
