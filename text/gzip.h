// Decoding of compressed reply bodies.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace quillon {

// Decoded bytes are collected up to this ceiling and no further, so a hostile
// reply cannot exhaust memory.
inline constexpr std::int32_t kMaxDecodedBody = 64 * 1024 * 1024;

// The decoded bytes of a gzip (RFC 1952) or zlib-wrapped deflate (RFC 1950)
// body. Decoding stops at the end of the stream, at the first error, when the
// input is exhausted, or at kMaxDecodedBody; what was collected up to then is
// the result (empty when the body is rejected at once).
Bytes decode_gzip_body(const Bytes& body);

}  // namespace quillon
