// Feeds arbitrary command scripts to the whole program: host commands and the shader commands
// against the shipped operators, plug-in clerks and shader library. Nothing may crash or leak,
// and every scene a script builds must save and load back to the same text.

#include "HostSetup.h"
#include "ShopCommands.h"

#include <shop/node/SHOP_Node.h>

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

namespace
{
bool fuzz_materialsHaveOutputs(OP_Network &root)
{
    bool complete = true;
    OP_Director::traverse(&root,
                          [&](OP_Node &node)
                          {
                              SHOP_Node *shop = node.castToSHOPNode();
                              if (shop && node.getOperator()->getName() == "material" &&
                                  !shop->getOutputNode())
                                  complete = false;
                          });
    return complete;
}

std::string fuzz_save()
{
    std::ostringstream text;
    CMD_SceneWriter(text).write(*OPgetDirector()->getRoot());
    return text.str();
}

std::string fuzz_reload(const std::string &text, std::ostream &out, std::ostringstream &err)
{
    std::istringstream scene(text);
    std::string error;
    if (!CMD_SceneLoader().load(scene, "saved", out, err, error))
    {
        std::fprintf(stderr, "saved scene does not load: %s\n%s\n%s", error.c_str(),
                     err.str().c_str(), text.c_str());
        std::abort();
    }
    return fuzz_save();
}

void fuzz_expectSame(const std::string &before, const std::string &after, const char *what)
{
    if (before == after)
        return;
    std::fprintf(stderr, "%s:\n%s\n----\n%s", what, before.c_str(), after.c_str());
    std::abort();
}
} // namespace

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
    // Whatever the script built must save and read back to the same text. The one change a
    // load makes on purpose is an output node for a material saved without one; a scene
    // read back once must then be stable.
    director->setCwd(nullptr);
    const bool materialsComplete = fuzz_materialsHaveOutputs(*director->getRoot());
    const std::string first = fuzz_save();
    const std::string second = fuzz_reload(first, out, err);
    if (materialsComplete)
        fuzz_expectSame(first, second, "scene changed on reload");
    fuzz_expectSame(second, fuzz_reload(second, out, err), "scene changed on a second reload");
    director->setCwd(nullptr);
    director->clearNetwork();
    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
    return 0;
}
