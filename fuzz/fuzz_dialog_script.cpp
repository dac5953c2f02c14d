// Reads arbitrary bytes as the dialog script of an operator.

#include <FS/DS_Stream.h>
#include <PI/PI_ScriptOperator.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{
// Takes "renderers <word>" as a shader operator would, so the hook is fuzzed too.
class fuzz_ScriptOperator : public PI_ScriptOperator
{
public:
    fuzz_ScriptOperator()
        : PI_ScriptOperator("plastic", "Plastic", nullptr, nullptr, 0, 0, nullptr, 0)
    {
    }

protected:
    int handleUnknownToken(DS_Stream &stream, UT_String &token) override
    {
        if (token == "renderers")
        {
            UT_String mask;
            if (stream.getToken(mask) && (stream.wasQuoted() || (mask != "{" && mask != "}")))
                return 1;
            stream.error("Expected a render mask");
            return 0;
        }
        return PI_ScriptOperator::handleUnknownToken(stream, token);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_ScriptOperator op;
    DS_Stream stream(std::string(reinterpret_cast<const char *>(data), size), "fuzz.asset",
                     "plastic");
    const bool ok = op.loadParmTemplates(stream);
    if (ok == stream.hasError())
        __builtin_trap();
    for (const PRM_Template *t = op.getParmTemplates(); !t->isTerminator(); ++t)
        (void)t->getChannelToken(t->getVectorSize() - 1);
    return 0;
}
