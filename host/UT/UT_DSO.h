#pragma once

#include <string>
#include <vector>

/// Plug-ins: shared libraries in the "dso" folder of every search-path folder.
class UT_DSO
{
public:
    /// Loads every plug-in library (each once per process, in path order and by file name
    /// within a folder) and calls its entry `name` with `data` when it has one. Libraries that
    /// fail to load are reported on standard error and passed over. Returns how many entries
    /// were called.
    static int run(const char *name, void *data, int flag = 1);

    /// The libraries loaded so far.
    static std::vector<std::string> getLoadedLibraries();
};
