// Feeds arbitrary text to the command language: tokenizer, option parsing, expressions and the
// standard commands, against a small scene. Whatever the input, nothing may crash or leak.

#include <CMD/CMD_Manager.h>
#include <OP/OP_Director.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static CMD_Manager *manager = CMDgetManager();
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
