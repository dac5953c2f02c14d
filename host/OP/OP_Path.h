#pragma once

#include <string>
#include <vector>

/// Text operations on node paths ("/obj/geo1", "../n1"), independent of any scene.
class OP_Path
{
public:
    /// The non-empty components of a path.
    static std::vector<std::string> split(const std::string &path);
    /// `path` read relative to the absolute path `base` ("." and ".." resolved); absolute paths
    /// are only normalised. Empty when ".." climbs above the root.
    static std::string resolve(const std::string &base, const std::string &path);
    /// The path that leads from absolute `from` to absolute `to`: "." for the same node.
    static std::string relative(const std::string &from, const std::string &to);
    /// Whether `path` is `prefix` or lies below it.
    static bool isWithin(const std::string &path, const std::string &prefix);
};
