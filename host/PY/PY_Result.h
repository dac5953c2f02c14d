#pragma once

#include <UT/UT_Options.h>

#include <cstdint>
#include <string>
#include <vector>

/// The value of a Python expression brought back into C++. Only the field that matches
/// myResultType is meaningful.
class PY_Result
{
public:
    // The numbers are stored by callers; OPTIONS in particular must stay 6.
    enum Type
    {
        NONE = 0,
        INT = 1,
        DOUBLE = 2,
        STRING = 3,
        INT_ARRAY = 4,
        DOUBLE_ARRAY = 5,
        OPTIONS = 6,
        STRING_ARRAY = 7,
        ERR = 8
    };

    PY_Result() = default;

    /// An ERR result carrying `message`.
    static PY_Result error(std::string message);

    bool isError() const { return myResultType == ERR; }

    Type myResultType = NONE;
    int64_t myIntValue = 0;
    double myDoubleValue = 0;
    std::string myStringValue;
    std::vector<int64_t> myIntArray;
    std::vector<double> myDoubleArray;
    std::vector<std::string> myStringArray;
    UT_Options myOptions;
    /// The Python exception as "ExceptionType: message", or why the value could not be
    /// converted.
    std::string myErrValue;
};
