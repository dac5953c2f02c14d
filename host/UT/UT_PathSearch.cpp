#include <UT/UT_PathSearch.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#ifndef SHOP_RUNTIME_DIR
#define SHOP_RUNTIME_DIR "runtime"
#endif

UT_PathSearch *UT_PathSearch::getInstance()
{
    static UT_PathSearch theInstance;
    return &theInstance;
}

UT_PathSearch::UT_PathSearch()
{
    rehash();
}

void UT_PathSearch::rehash()
{
    myDirectories.clear();
    const char *path = std::getenv("SHOP_HOST_PATH");
    std::string text = path ? path : "";
    std::string::size_type start = 0;
    while (start <= text.size())
    {
        std::string::size_type end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        std::string dir = text.substr(start, end - start);
        if (!dir.empty() &&
            std::find(myDirectories.begin(), myDirectories.end(), dir) == myDirectories.end())
            myDirectories.push_back(dir);
        start = end + 1;
    }
    const std::string runtime = SHOP_RUNTIME_DIR;
    std::erase(myDirectories, runtime);
    myDirectories.push_back(runtime);
}

bool UT_PathSearch::findFile(std::string &result, const char *name) const
{
    // The first folder that has it: the later ones need not be looked in (creation scripts
    // look a file up for every new node).
    if (!name || !*name)
        return false;
    for (const std::string &dir : myDirectories)
    {
        std::error_code ec;
        std::string candidate = dir + "/" + name;
        if (std::filesystem::exists(candidate, ec))
        {
            result = std::move(candidate);
            return true;
        }
    }
    return false;
}

std::vector<std::string> UT_PathSearch::findAllFiles(const char *name) const
{
    std::vector<std::string> found;
    if (!name || !*name)
        return found;
    for (const std::string &dir : myDirectories)
    {
        std::error_code ec;
        const std::string candidate = dir + "/" + name;
        if (std::filesystem::exists(candidate, ec))
            found.push_back(candidate);
    }
    return found;
}
