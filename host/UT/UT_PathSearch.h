#pragma once

#include <string>
#include <vector>

/// The host's search path: the folders of SHOP_HOST_PATH (colon-separated), then the built
/// runtime folder, which is always last so that a new user needs no setting.
class UT_PathSearch
{
public:
    static UT_PathSearch *getInstance();

    const std::vector<std::string> &getDirectories() const { return myDirectories; }
    /// The first existing "<folder>/<name>" along the path; false when there is none.
    bool findFile(std::string &result, const char *name) const;
    /// Every existing "<folder>/<name>" along the path, in path order.
    std::vector<std::string> findAllFiles(const char *name) const;

    /// Reads the path again (after SHOP_HOST_PATH changed).
    void rehash();

private:
    UT_PathSearch();
    std::vector<std::string> myDirectories;
};
