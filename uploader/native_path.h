// The bridge between code page 936 path Texts and the UTF-8 names the POSIX
// file functions take.
#pragma once

#include <string>

#include "text/values.h"

namespace quillon {

// The path converted to UTF-8; empty for the empty Text.
std::string native_path(const Text& path);
// A UTF-8 file-system name converted back to a code page 936 Text (characters
// that have no 936 form come back as "?").
Text text_from_native_path(const std::string& name);

}  // namespace quillon
