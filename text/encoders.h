// Encodings applied to texts on their way to and from the network and the file
// system. UTF-16 data is held in Bytes as little-endian code units; "terminated"
// UTF-16 ends with one zero unit that belongs to the value. Code pages are named
// by their Windows numbers: 936 (every Text) and 65001 (UTF-8); any other code
// page gives the empty value. Unrepresentable characters become "?", invalid
// input sequences become U+FFFD.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace quillon {

inline constexpr std::int32_t kCodePage936 = 936;
inline constexpr std::int32_t kCodePageUtf8 = 65001;

// Standard Base64 (RFC 4648 section 4) with "=" padding, no line breaks.
Text base64_encode(const Bytes& data);
// Space becomes "+", every other byte "%XX" with upper-case hex digits.
Text url_encode(const Text& text);
// Terminated UTF-16 of a code page 936 Text; empty Text gives empty Bytes.
Bytes ansi_to_utf16(const Text& text);
// A Text holding UTF-8 converted to code page 936.
Text utf8_to_ansi(const Text& text);
// Terminated UTF-16 of the bytes before the first NUL; empty when there are none.
Bytes multibyte_to_utf16(const Bytes& data, std::int32_t code_page);
// The code units before the first zero unit, converted; no terminator.
Bytes utf16_to_multibyte(const Bytes& units, std::int32_t code_page);
// bytes_to_text of utf16_to_multibyte.
Text utf16_to_text(const Bytes& units, std::int32_t code_page);

}  // namespace quillon
