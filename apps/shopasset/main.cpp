// shopasset: packs dialog scripts into one asset file, one operator definition each.
//
//   shopasset -o OUT.asset [--subnet] TYPE=FILE.ds...
//
// The definition's name and label come from the script's "name" and "label" entries, its type
// text from TYPE, its section "DialogScript" is the file's text, stamped with the file's
// modification time.

#include <FS/CPP_TokenStream.h>
#include <OP/OP_OTLLibrary.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const char *theUsage = "Usage: shopasset -o OUT.asset [--subnet] TYPE=FILE.ds...\n";

// The top-level "name" and "label" entries of a dialog script.
void sa_readNames(const std::string &text, std::string &name, std::string &label)
{
    CPP_TokenStream stream(text);
    std::string token;
    int depth = 0;
    while (stream.getToken(token))
    {
        if (!stream.wasQuoted() && token == "{")
            ++depth;
        else if (!stream.wasQuoted() && token == "}")
            --depth;
        else if (depth == 1 && !stream.wasQuoted() && (token == "name" || token == "label"))
        {
            std::string value;
            if (!stream.getToken(value))
                return;
            (token == "name" ? name : label) = value;
        }
    }
}

bool sa_addDefinition(const std::string &spec, bool subnet, std::vector<OP_OTLDefinition> &defs)
{
    const std::string::size_type eq = spec.find('=');
    if (eq == std::string::npos || eq == 0)
    {
        std::cerr << "shopasset: expected TYPE=FILE, got '" << spec << "'\n" << theUsage;
        return false;
    }
    const std::string type = spec.substr(0, eq), path = spec.substr(eq + 1);
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::cerr << "shopasset: cannot read " << path << "\n";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string name, label;
    sa_readNames(text.str(), name, label);
    if (name.empty())
    {
        std::cerr << "shopasset: " << path << " has no name entry\n";
        return false;
    }
    struct stat info = {};
    stat(path.c_str(), &info);

    OP_OTLDefinition def;
    def.setName(name);
    def.setLabel(label.empty() ? name : label);
    def.setOpType(type);
    def.setIsSubnet(subnet);
    def.indexFile().addSection({"DialogScript", static_cast<long>(info.st_mtime), text.str()});
    defs.push_back(std::move(def));
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    std::string out;
    bool subnet = false;
    std::vector<OP_OTLDefinition> defs;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (std::strcmp(argv[i], "--subnet") == 0)
            subnet = true;
        else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
        {
            std::cout << theUsage;
            return 0;
        }
        else if (!sa_addDefinition(argv[i], subnet, defs))
            return 1;
    }
    if (out.empty() || defs.empty())
    {
        std::cerr << theUsage;
        return 2;
    }
    std::ofstream file(out, std::ios::binary);
    OP_OTLLibrary::write(file, defs);
    file.close();
    if (!file)
    {
        std::cerr << "shopasset: cannot write " << out << "\n";
        return 1;
    }
    // Read back what was written, so that a packing fault shows here and not in the host.
    OP_OTLLibrary check;
    std::string error;
    if (!check.load(out, error) || check.getDefinitions().size() != defs.size())
    {
        std::cerr << "shopasset: " << out << " does not read back: " << error << "\n";
        return 1;
    }
    return 0;
}
