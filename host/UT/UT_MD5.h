#pragma once

#include <cstddef>
#include <string>

/// The MD5 digest of `size` bytes, as base64 text without padding (22 characters). Cache keys
/// use it: only equality of two digests is ever tested.
std::string UT_md5_base64(const void *data, std::size_t size);
