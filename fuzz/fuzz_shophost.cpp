// Feeds arbitrary command scripts to the whole program: host commands and the shader commands
// against the shipped operators, plug-in clerks and shader library. Nothing may crash or leak,
// and every scene a script builds must save and load back to the same text.

#include "HostSetup.h"
#include "ShopCommands.h"

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SceneWriter.h>
#include <OP/OP_Director.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
        if (line.find("source") != std::string::npos || line.find("python") != std::string::npos ||
            line.find("save") != std::string::npos || line.find("load") != std::string::npos)
            continue;
        std::string error;
        CMDgetManager()->execute(line, out, err, error);
    }
    // Whatever the script built must save and read back to the same text.
    director->setCwd(nullptr);
    std::ostringstream saved, again;
    CMD_SceneWriter(saved).write(*director->getRoot());
    std::istringstream scene(saved.str());
    std::string error;
    if (!CMD_SceneLoader().load(scene, "saved", out, err, error))
    {
        std::fprintf(stderr, "saved scene does not load: %s\n%s\n%s", error.c_str(),
                     err.str().c_str(), saved.str().c_str());
        std::abort();
    }
    CMD_SceneWriter(again).write(*director->getRoot());
    if (again.str() != saved.str())
    {
        std::fprintf(stderr, "scene changed on reload:\n%s\n----\n%s", saved.str().c_str(),
                     again.str().c_str());
        std::abort();
    }
    director->setCwd(nullptr);
    director->clearNetwork();
    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
    return 0;
}
