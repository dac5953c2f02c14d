#pragma once

#include <cstdint>
#include <string>

class UT_Options;
class UT_WorkBuffer;

/// Writes values as Python literals that Python evaluates back to exactly those values, for
/// the calls the host builds to Python code (script clerks). The literals are single lines.
class UT_PyLiteral
{
public:
    /// A string literal of exactly `text`, whatever bytes it holds: undecodable ones as the
    /// lone surrogates Python's "surrogateescape" makes of them.
    static void appendString(UT_WorkBuffer &out, const std::string &text);
    /// A float literal of exactly `value`, infinities and NaN as float('inf') and float('nan').
    static void appendFloat(UT_WorkBuffer &out, double value);
    static void appendInt(UT_WorkBuffer &out, int64_t value);
    /// A dictionary of the options in name order: integers, True/False, floats, strings, and
    /// vectors and arrays as lists.
    static void appendDictionary(UT_WorkBuffer &out, const UT_Options &options);
};
