// A private-profile (ini) reader and writer: code page 936 bytes, CR LF lines,
// "[section]" lines and "key=value" lines. Zero bytes (such as the blank head
// of a newly sized file) are never taken for a section or a key.
#pragma once

#include "text/values.h"

namespace quillon {

// Longest value read back, in bytes.
inline constexpr int kMaxProfileValue = 10239;

// The value of key in section, at most kMaxProfileValue bytes; empty when the
// file, section or key is missing.
Text read_profile_string(const Text& section, const Text& key, const Text& path);
// Creates the file, section and key as needed, replaces an existing key's value
// in place and keeps every other byte. The file is written aside and renamed
// over the old one, so a crash never leaves it half written. True on success.
bool write_profile_string(const Text& section, const Text& key, const Text& value,
                          const Text& path);

}  // namespace quillon
