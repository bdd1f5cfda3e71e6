// Helpers that cut values out of header lines and page text, drop repeated
// items and take file names and extensions from paths. Inputs are never changed.
#pragma once

#include <cstdint>

#include "text/values.h"

namespace quillon {

// Everything before the first occurrence of marker; empty when the marker is
// missing or begins the text.
Text text_before(const Text& text, const Text& marker);
// The bytes between the end of the first start_marker and the first end_marker
// behind it; empty when either is missing. In both markers the token "#引号"
// (code page 936) stands for a double quote.
Text text_between(const Text& text, const Text& start_marker, const Text& end_marker);
// The last component of a path, extension included; '/' and '\\' both separate.
// A path ending in a separator names a directory and gives the empty Text.
Text file_name_of_path(const Text& path);
// The extension of the last component with its dot ("a.tar.gz" gives ".gz");
// empty when that component has no dot.
Text path_extension(const Text& path);
// The items of text split at separator with later repeats dropped (exact,
// case-sensitive), joined again with no trailing separator.
Text dedupe_tokens(const Text& text, const Text& separator);
// 1-based position of the first item equal to text; -1 when none.
std::int32_t list_index_of(const TextList& list, const Text& text);
// Five replace_text calls in turn, each ignoring ASCII case; an empty find
// leaves the text unchanged.
Text replace_pairs(const Text& text, const Text& find1, const Text& replacement1,
                   const Text& find2 = {}, const Text& replacement2 = {},
                   const Text& find3 = {}, const Text& replacement3 = {},
                   const Text& find4 = {}, const Text& replacement4 = {},
                   const Text& find5 = {}, const Text& replacement5 = {});

}  // namespace quillon
