// shopasset: packs dialog scripts into one asset file, one operator definition each.
//
//   shopasset -o OUT.asset [--subnet] TYPE=FILE.ds [--section NAME=FILE]...
//
// The definition's name and label come from the script's "name" and "label" entries, its type
// text from TYPE, its section "DialogScript" is the file's text, stamped with the file's
// modification time. Each --section adds a section NAME holding FILE's text (GLSL sources,
// "GlslVertex" and "GlslFragment") to the definition before it.

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
const char *theUsage =
    "Usage: shopasset -o OUT.asset [--subnet] TYPE=FILE.ds [--section NAME=FILE]...\n";

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

// "KEY=FILE" into its two parts; false, said on standard error, when it is not of that form.
bool sa_splitSpec(const std::string &spec, const char *what, std::string &key, std::string &path)
{
    const std::string::size_type eq = spec.find('=');
    if (eq == std::string::npos || eq == 0)
    {
        std::cerr << "shopasset: expected " << what << "=FILE, got '" << spec << "'\n" << theUsage;
        return false;
    }
    key = spec.substr(0, eq);
    path = spec.substr(eq + 1);
    return true;
}

// The whole text of a file and its modification time.
bool sa_readFile(const std::string &path, std::string &text, long &modTime)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::cerr << "shopasset: cannot read " << path << "\n";
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    struct stat info = {};
    stat(path.c_str(), &info);
    modTime = static_cast<long>(info.st_mtime);
    return true;
}

bool sa_addSection(const std::string &spec, std::vector<OP_OTLDefinition> &defs)
{
    std::string name, path, text;
    long modTime = 0;
    if (!sa_splitSpec(spec, "NAME", name, path) || !sa_readFile(path, text, modTime))
        return false;
    if (defs.empty())
    {
        std::cerr << "shopasset: --section " << spec << " comes before any definition\n";
        return false;
    }
    defs.back().indexFile().addSection({name, modTime, text});
    return true;
}

bool sa_addDefinition(const std::string &spec, bool subnet, std::vector<OP_OTLDefinition> &defs)
{
    std::string type, path, script;
    long modTime = 0;
    if (!sa_splitSpec(spec, "TYPE", type, path) || !sa_readFile(path, script, modTime))
        return false;
    std::string name, label;
    sa_readNames(script, name, label);
    if (name.empty())
    {
        std::cerr << "shopasset: " << path << " has no name entry\n";
        return false;
    }

    OP_OTLDefinition def;
    def.setName(name);
    def.setLabel(label.empty() ? name : label);
    def.setOpType(type);
    def.setIsSubnet(subnet);
    def.indexFile().addSection({"DialogScript", modTime, script});
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
        else if (std::strcmp(argv[i], "--section") == 0 && i + 1 < argc)
        {
            if (!sa_addSection(argv[++i], defs))
                return 1;
        }
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
