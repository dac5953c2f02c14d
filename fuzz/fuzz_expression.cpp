// Parses and evaluates arbitrary expression text.

#include <EV/EV_Expression.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string error;
    auto expr =
        EV_Expression::parse(std::string(reinterpret_cast<const char *>(data), size), error);
    if (expr)
    {
        EV_Context context;
        EV_Value value;
        expr->evaluate(context, value);
    }
    return 0;
}
