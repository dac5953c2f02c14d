#pragma once

#include <functional>
#include <ostream>
#include <string>

/// Whole-file reads and writes that never act on what is not a plain file.
///
/// A script or scene is read only from a regular file: a folder would read as an empty
/// script, a FIFO would block, and a device would never end. A file is replaced only when it
/// is a regular file or absent: links are followed to the file they name, which is replaced
/// in place of the link, and a FIFO, device or folder is refused before anything is written.
class UT_File
{
public:
    /// Reads the regular file at `path` (links followed) into `text`. False, with `error` set
    /// to the reason ("No such file or directory", "is a folder", ...), when it cannot.
    static bool readRegular(const std::string &path, std::string &text, std::string &error);

    /// Replaces the contents of the file at `path` by `text`. The text goes to a new file of a
    /// unique name in the same folder, which is flushed to the disk and then renamed over the
    /// file, so that a failure at any point leaves the previous file whole; the new file keeps
    /// the previous one's permissions (and, where allowed, its owner). False, with `error` set
    /// to the reason, when `path` (or what its links name) is not a regular file or absent, or
    /// when any step fails; the temporary file is then removed.
    static bool replace(const std::string &path, const std::string &text, std::string &error);
    /// As above, with the text `write` writes to the stream it is given: it goes to the disk
    /// a piece at a time, so that a large text is never held whole. Writes that failed make
    /// the replacement fail.
    static bool replace(const std::string &path, const std::function<void(std::ostream &)> &write,
                        std::string &error);

    /// Where a path finally leads once every symbolic link in its last part is followed
    /// (relative links from their own folder); the path itself when it is no link. False with
    /// `error` set when the links loop or cannot be read.
    static bool followLinks(const std::string &path, std::string &target, std::string &error);
};
