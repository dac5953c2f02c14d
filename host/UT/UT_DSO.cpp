#include <UT/UT_DSO.h>

#include <UT/UT_PathSearch.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

namespace
{
// Loaded libraries stay loaded: the clerks and operators they register live for the process.
std::map<std::string, void *> &ut_loaded()
{
    static std::map<std::string, void *> theLoaded;
    return theLoaded;
}

std::vector<std::string> ut_libraries()
{
    std::vector<std::string> libraries;
    for (const std::string &dir : UT_PathSearch::getInstance()->getDirectories())
    {
        std::error_code ec;
        std::vector<std::string> here;
        for (const auto &entry : std::filesystem::directory_iterator(dir + "/dso", ec))
            if (entry.path().extension() == ".so")
                here.push_back(entry.path().string());
        std::sort(here.begin(), here.end());
        libraries.insert(libraries.end(), here.begin(), here.end());
    }
    return libraries;
}

// Only regular files (or links to them) are opened: opening a pipe would wait for a writer
// for ever, and a device could be anything.
bool ut_isLibraryFile(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
        return true;
    std::cerr << "Warning: plug-in " << path << " is not a file; it is not loaded" << std::endl;
    return false;
}
} // namespace

int UT_DSO::run(const char *name, void *data, int)
{
    using Entry = void (*)(void *);
    int called = 0;
    for (const std::string &path : ut_libraries())
    {
        if (!ut_loaded().count(path) && !ut_isLibraryFile(path))
            continue;
        void *&handle = ut_loaded()[path];
        if (!handle)
            handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!handle)
        {
            std::cerr << "Warning: plug-in " << path << " cannot be loaded: " << dlerror()
                      << std::endl;
            ut_loaded().erase(path);
            continue;
        }
        if (auto entry = reinterpret_cast<Entry>(dlsym(handle, name)))
        {
            entry(data);
            ++called;
        }
        else
            std::cerr << "Warning: plug-in " << path << " has no " << name << std::endl;
    }
    return called;
}

std::vector<std::string> UT_DSO::getLoadedLibraries()
{
    std::vector<std::string> paths;
    for (const auto &[path, handle] : ut_loaded())
        paths.push_back(path);
    return paths;
}
