// Feeds arbitrary command scripts to the whole program: host commands and the shader commands
// against the shipped operators, plug-in clerks and shader library. Nothing may crash or leak,
// and every scene a script builds must save and load back to the same text and the same
// answers (values, shader strings, bounds).

#include "HostSetup.h"
#include "ShopCommands.h"

#include <shop/node/SHOP_Node.h>

#include <CMD/CMD_Manager.h>
#include <CMD/CMD_SceneLoader.h>
#include <CMD/CMD_SceneWriter.h>
#include <CMD/CMD_Tokenizer.h>
#include <OP/OP_Director.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

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

// What the scene answers: every parameter's value, and every shader node's shader strings and
// bounds. Each node is made dirty first, so that each answer comes from a fresh cook, as it
// does in a scene just loaded, and errors left by the script's own requests play no part.
std::string fuzz_answers()
{
    OP_Network &root = *OPgetDirector()->getRoot();
    OP_Director::traverse(&root, [](OP_Node &node) { node.opChanged(OP_UI_CHANGED); });
    std::vector<std::string> requests;
    OP_Director::traverse(
        &root,
        [&](OP_Node &node)
        {
            const std::string path = CMD_Tokenizer::quote(node.getFullPath());
            const PRM_ParmList &parms = *node.getParmList();
            for (int i = 0; i < parms.getEntries(); ++i)
                requests.push_back("eval " + path + " " +
                                   CMD_Tokenizer::quote(parms.getParmPtr(i)->getToken()));
            SHOP_Node *shop = node.castToSHOPNode();
            if (!shop)
                return;
            for (const char *renderer : {"VKorvit", "RIB"})
                for (SHOP_TYPE type : {shop->getShaderType(), SHOP_SURFACE, SHOP_DISPLACEMENT})
                    requests.push_back("shader " + path + " -r " + renderer + " -t " +
                                       SHOP_Node::getShaderType(type));
            requests.push_back("bounds " + path);
        });
    std::ostringstream answers, ignored;
    for (const std::string &request : requests)
    {
        std::string error;
        answers << request << "\n";
        if (!CMDgetManager()->execute(request, answers, ignored, error))
            answers << "failed: " << error << "\n";
    }
    return answers.str();
}

// Loads a saved scene; what it then answers goes to `answers`, and its saved text is returned.
std::string fuzz_reload(const std::string &text, std::ostream &out, std::ostringstream &err,
                        std::string &answers)
{
    std::istringstream scene(text);
    std::string error;
    if (!CMD_SceneLoader().load(scene, "saved", out, err, error))
    {
        std::fprintf(stderr, "saved scene does not load: %s\n%s\n%s", error.c_str(),
                     err.str().c_str(), text.c_str());
        std::abort();
    }
    const std::string saved = fuzz_save();
    answers = fuzz_answers();
    return saved;
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
    // Whatever the script built must save and read back to the same text and answer every
    // request the same. The one change a load makes on purpose is an output node for a
    // material saved without one; a scene read back once must then be stable.
    director->setCwd(nullptr);
    const bool materialsComplete = fuzz_materialsHaveOutputs(*director->getRoot());
    const std::string first = fuzz_save();
    const std::string firstAnswers = fuzz_answers();
    std::string secondAnswers, thirdAnswers;
    const std::string second = fuzz_reload(first, out, err, secondAnswers);
    if (materialsComplete)
    {
        fuzz_expectSame(first, second, "scene changed on reload");
        fuzz_expectSame(firstAnswers, secondAnswers, "answers changed on reload");
    }
    fuzz_expectSame(second, fuzz_reload(second, out, err, thirdAnswers),
                    "scene changed on a second reload");
    fuzz_expectSame(secondAnswers, thirdAnswers, "answers changed on a second reload");
    director->setCwd(nullptr);
    director->clearNetwork();
    director->getRoot()->createNode("objnet", "obj");
    director->getRoot()->createNode("shopnet", "shop");
    return 0;
}
