// Feeds arbitrary command scripts to the whole program: host commands and the shader commands
// against the shipped operators, plug-in clerks and shader library. Nothing may crash or leak.

#include "HostSetup.h"
#include "ShopCommands.h"

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool theSetup = []
    {
        HostSetup::install();
        ShopCommands::install(*CMDgetManager());
        return true;
    }();
    (void)theSetup;
    OP_Director *director = OPgetDirector();
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    std::ostringstream out, err;
    std::string line;
    while (std::getline(in, line))
    {
        // Commands that read files are left out: the fuzzer must not touch the disk.
        if (line.find("source") != std::string::npos || line.find("python") != std::string::npos)
            continue;
        std::string error;
        CMDgetManager()->execute(line, out, err, error);
    }
    director->setCwd(nullptr);
    director->clearNetwork();
    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
    return 0;
}
