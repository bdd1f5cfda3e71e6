// Operations on Text and Bytes values. Positions are 1-based, a search that finds
// nothing gives -1, and a position or count outside the data gives an empty
// result, never an error. Inputs are never changed.
//
// The operations marked "character-aware" walk a Text one code page 936
// character at a time: a lead byte (0x80 or above) and the byte after it are
// taken together, so a match is only recognised where a character starts.
// Where case is ignored, only ASCII letters fold.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "text/values.h"

namespace quillon {

// ---- Text -------------------------------------------------------------------

// Number of bytes; 0 for the empty Text.
std::int32_t text_length(const Text& t);
// First n bytes; the whole Text when n >= length; empty when n <= 0.
Text text_left(const Text& t, std::int32_t n);
// Last n bytes; the whole Text when n >= length; empty when n <= 0.
Text text_right(const Text& t, std::int32_t n);
// Up to n bytes from position start, cut at the end. Empty when start < 1,
// start > length or n <= 0 (a start below 1 is not moved up).
Text text_mid(const Text& t, std::int32_t start, std::int32_t n);

// Position of the first occurrence of needle that begins at or after start
// (a start below 1 counts as 1); -1 when there is none or start lies beyond
// the Text. An empty needle gives 1. Character-aware.
std::int32_t find_text(const Text& t, const Text& needle, std::int32_t start = 1,
                       bool ignore_case = false);
// Position of the last occurrence of needle, exact match; -1 when none. An empty
// needle gives 1 for a non-empty Text, -1 for the empty Text. Character-aware.
std::int32_t find_text_reverse(const Text& t, const Text& needle);
// Every occurrence of find replaced, scanning from the first byte; replacements
// are never rescanned. Empty t or find gives a copy. Character-aware; a lone
// lead byte at the end is dropped when find is one byte long.
Text replace_text(const Text& t, const Text& find, const Text& replacement, bool ignore_case);
// The pieces between separators: inner empty pieces stay, a trailing empty piece
// does not. Empty t gives an empty list; an empty separator gives {t}.
// Character-aware, exact match.
TextList split_text(const Text& t, const Text& separator);
// t without the blanks (0x20 and the full-width space A1 A1) at either end.
// Character-aware; a lone lead byte at the end is dropped.
Text trim_text(const Text& t);
// ASCII a-z raised to A-Z; bytes of double-byte characters unchanged.
Text text_to_upper(const Text& t);
// First byte as a signed 8-bit value; 0 for the empty Text.
std::int32_t char_code(const Text& t);
// A one-byte Text holding code (taken modulo 256); code 0 gives the empty Text.
Text char_from_code(std::int32_t code);
// True when both hold the same bytes; case matters.
bool text_equal(const Text& a, const Text& b);
// The Texts one after another. Empty when the total would not fit.
Text text_concat_list(std::initializer_list<std::string_view> parts);
template <typename... Rest>
Text text_concat(const Text& a, const Text& b, const Rest&... rest) {
  return text_concat_list({a.view(), b.view(), rest.view()...});
}
// The bytes of t without a terminator.
Bytes text_to_bytes(const Text& t);
// The bytes before the first NUL (all of them when there is none).
Text bytes_to_text(const Bytes& b);

// ---- Bytes ------------------------------------------------------------------

// The byte count; 0 for the empty value.
std::int32_t bytes_length(const Bytes& b);
// First n bytes; all when n >= count; empty when n <= 0.
Bytes bytes_left(const Bytes& b, std::int32_t n);
// Up to n bytes from position start. A start below 1 counts as 1, a start beyond
// the end gives empty, a negative n counts as 0.
Bytes bytes_mid(const Bytes& b, std::int32_t start, std::int32_t n);
// Every occurrence of find replaced, left to right, non-overlapping; inserted
// bytes are never searched. Empty b or find gives a copy. Empty when the result
// would not fit.
Bytes replace_bytes(const Bytes& b, const Bytes& find, const Bytes& replacement);
// n zero bytes; empty when n <= 0.
Bytes blank_bytes(std::int32_t n);
// The values one after another. Empty when the total would not fit.
Bytes bytes_concat_list(std::initializer_list<std::string_view> parts);
template <typename... Rest>
Bytes bytes_concat(const Bytes& a, const Bytes& b, const Rest&... rest) {
  return bytes_concat_list({a.view(), b.view(), rest.view()...});
}
// Same count and same bytes.
bool bytes_equal(const Bytes& a, const Bytes& b);
// A copy of the n bytes at address; empty when n <= 0 or address is null.
Bytes bytes_from_pointer(const void* address, std::int32_t n);
// Address of the first byte; null for the empty value. Valid while b is held.
const std::uint8_t* bytes_data(const Bytes& b);
// The 16-bit little-endian code unit stored at address.
std::int32_t read_code_unit(const void* address);

}  // namespace quillon
