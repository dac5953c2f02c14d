#pragma once

#include <cstddef>

/// The length of the well-formed UTF-8 sequence at `p` (of at most `left` bytes, at least one),
/// or 0 when the bytes there begin none. Overlong forms and surrogates are refused, as Python's
/// decoder refuses them.
size_t UTutf8SequenceLength(const unsigned char *p, size_t left);
