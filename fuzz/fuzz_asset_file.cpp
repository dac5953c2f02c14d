// Reads arbitrary bytes as an asset file; what it accepts must write back to the same
// definitions.

#include <OP/OP_OTLLibrary.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
    OP_OTLLibrary library;
    std::string error;
    if (!library.parse(in, "fuzz.asset", error))
    {
        if (!library.getDefinitions().empty() || error.empty())
            __builtin_trap();
        return 0;
    }
    std::ostringstream out;
    OP_OTLLibrary::write(out, library.getDefinitions());
    std::istringstream again(out.str());
    OP_OTLLibrary reread;
    if (!reread.parse(again, "fuzz.asset", error))
        __builtin_trap();
    const auto &a = library.getDefinitions();
    const auto &b = reread.getDefinitions();
    if (a.size() != b.size())
        __builtin_trap();
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (a[i].getName() != b[i].getName() || a[i].getLabel() != b[i].getLabel() ||
            a[i].getOpType() != b[i].getOpType() || a[i].getIsSubnet() != b[i].getIsSubnet())
            __builtin_trap();
        const auto &sa = a[i].getIndexFile().getSections();
        const auto &sb = b[i].getIndexFile().getSections();
        if (sa.size() != sb.size())
            __builtin_trap();
        for (size_t s = 0; s < sa.size(); ++s)
            if (sa[s].name != sb[s].name || sa[s].modTime != sb[s].modTime ||
                sa[s].data != sb[s].data)
                __builtin_trap();
    }
    return 0;
}
