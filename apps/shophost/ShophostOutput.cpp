#include "ShophostOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

bool ShophostOutput::flush()
{
    errno = 0;
    std::cout.flush();
    const bool ok = !std::cout.fail() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!ok)
        std::cerr << "Error: cannot write standard output"
                  << (errno ? std::string(": ") + std::strerror(errno) : std::string())
                  << std::endl;
    return ok;
}
