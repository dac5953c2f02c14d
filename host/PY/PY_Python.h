#pragma once

#include <PY/PY_Result.h>

#include <string>
#include <vector>

/// Evaluates one Python expression (not a statement) in a fresh namespace that has only the
/// builtins, and converts its value:
///   bool, int             -> INT (ERR "integer out of range" beyond 64 bits)
///   float                 -> DOUBLE
///   str                   -> STRING, UTF-8; lone surrogates U+DC80..U+DCFF become the raw
///                            bytes they stand for, so strings of arbitrary bytes survive
///   list/tuple of ints    -> INT_ARRAY
///   ... of floats, or of ints and floats mixed -> DOUBLE_ARRAY
///   ... of str            -> STRING_ARRAY
///   empty list/tuple      -> STRING_ARRAY, whatever was desired
///   dict with str keys    -> OPTIONS: int, bool, float, str and lists of those kinds (as
///                            above, an empty list a string array) per key; any other value
///                            is an ERR naming the key
///   None                  -> NONE
///   a raised exception    -> ERR "ExceptionType: message" (SystemExit and KeyboardInterrupt
///                            included: they never end the process)
/// `desired` is only a request; the result carries the kind the value actually has. It is
/// honoured only where a number has a natural reading in that kind: an int becomes DOUBLE when
/// DOUBLE is desired, and a list of ints becomes DOUBLE_ARRAY when DOUBLE_ARRAY is desired.
/// Safe to call from any thread, with or without a PY_InterpreterAutoLock held.
PY_Result PYrunPythonExpression(const char *expression, PY_Result::Type desired);

/// Puts `folders` at the front of sys.path, in the given order; a folder already on the path
/// moves to the front rather than appearing twice.
void PYsetSysPath(const std::vector<std::string> &folders);
