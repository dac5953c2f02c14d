// Feeds arbitrary text to the command language: tokenizer, option parsing, expressions and the
// standard commands, against a small scene. Whatever the input, nothing may crash or leak.

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>
#include <OP/OP_GenericNetwork.h>
#include <OP/OP_GenericNode.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace
{
const PRM_Template theTemplates[] = {
    PRM_Template(PRM_XYZ, 3, PRM_Name("t")),
    PRM_Template(PRM_RGB, 3, PRM_Name("color"), {PRM_Default(0.5)}),
    PRM_Template(PRM_INT, 1, PRM_Name("count"), {PRM_Default(0, "$F", PRM_DEFAULT_EXPRESSION)}),
    PRM_Template(PRM_STRING, 1, PRM_Name("label")),
    PRM_Template(),
};

// Short type names, so that mutated inputs find them: "n" makes networks, "x" nodes.
void fuzz_installOperators()
{
    OP_Director *director = OPgetDirector();
    for (const char *table : {OP_Director::theRootTableName, "Fuzz"})
    {
        auto *net = new OP_Operator("n", "Net", OP_GenericNetwork::myConstructor, theTemplates, 0,
                                    2, nullptr, OP_FLAG_NETWORK);
        net->setChildTableName("Fuzz");
        director->getOperatorTable(table)->addOperator(net);
        director->getOperatorTable(table)->addOperator(
            new OP_Operator("x", "Node", OP_GenericNode::myConstructor, theTemplates, 0, 2));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static CMD_Manager *manager = CMDgetManager();
    static bool installed = (fuzz_installOperators(), true);
    (void)installed;
    OP_Director *director = OPgetDirector();
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    std::ostringstream out, err;
    // Scripts that read or write files are left out: the fuzzer must not touch the disk.
    std::string line;
    while (std::getline(in, line))
    {
        if (line.find("source") != std::string::npos)
            continue;
        std::string error;
        manager->execute(line, out, err, error);
    }
    director->setCwd(nullptr);
    director->clearNetwork();
    return 0;
}
