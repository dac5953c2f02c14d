#include <PY/PY_Result.h>

PY_Result PY_Result::error(std::string message)
{
    PY_Result result;
    result.myResultType = ERR;
    result.myErrValue = std::move(message);
    return result;
}
