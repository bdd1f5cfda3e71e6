// Helpers built on the primitives: cutting values out of texts, dropping
// repeated items, and the name and extension of a path.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/helpers.h"
#include "text/internal/split_views.h"
#include "text/primitives.h"

namespace quillon {

namespace {

// The token "#引号" in code page 936; in a marker it stands for a double quote.
constexpr const char* kQuoteToken = "#\xD2\xFD\xBA\xC5";  // "#引号"

Text expand_quote_token(const Text& marker) {
  return replace_text(marker, kQuoteToken, "\"", false);
}

// Offset where the last component of path begins: behind the last separator
// ('/' or '\\') that lies on a character start. A trail byte 0x5C of a
// double-byte character is not a separator.
std::size_t last_component_offset(std::string_view path) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < path.size();) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '/' || c == '\\') begin = i + 1;
    i += c >= 0x80 ? 2 : 1;
  }
  return begin < path.size() ? begin : path.size();
}

}  // namespace

Text text_before(const Text& text, const Text& marker) {
  const std::int32_t p = find_text(text, marker);
  if (p == -1) return {};
  return text_left(text, p - 1);
}

Text text_between(const Text& text, const Text& start_marker, const Text& end_marker) {
  const Text start = expand_quote_token(start_marker);
  const Text end = expand_quote_token(end_marker);
  const std::int32_t found = find_text(text, start);
  if (found == -1) return {};
  const std::int64_t p1 = static_cast<std::int64_t>(found) + start.size();
  if (p1 > text.size()) return {};  // nothing behind the start marker
  const std::int32_t p2 = find_text(text, end, static_cast<std::int32_t>(p1));
  if (p2 == -1) return {};
  const std::int64_t n = static_cast<std::int64_t>(p2) - p1;
  if (n <= 0) return {};
  return text_mid(text, static_cast<std::int32_t>(p1), static_cast<std::int32_t>(n));
}

Text file_name_of_path(const Text& path) {
  // A path ending in a separator leaves an empty last component: a directory.
  return Text(path.view().substr(last_component_offset(path.view())));
}

// Like the Windows PathFindExtension, the last dot of the last component starts
// the extension wherever it stands: ".bashrc" gives ".bashrc" and "a." gives ".".
// A dot in a directory name does not count, and no dot gives the empty Text.
Text path_extension(const Text& path) {
  const std::string_view name = path.view().substr(last_component_offset(path.view()));
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return Text(name.substr(dot));
}

Text dedupe_tokens(const Text& text, const Text& separator) {
  const std::vector<std::string_view> items = detail::split_views(text.view(), separator.view());
  // The items seen so far, in an open-addressing table of item indexes (0 is
  // a free slot), at most half full, so each item costs one probe or two.
  std::size_t slots = 16;
  while (slots < 2 * items.size()) slots *= 2;
  std::vector<std::uint32_t> table(slots, 0);
  const std::hash<std::string_view> hash;
  std::string out;
  out.reserve(text.view().size() + separator.view().size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string_view item = items[i];
    bool repeat = false;
    std::size_t s = hash(item) & (slots - 1);
    for (; table[s] != 0; s = (s + 1) & (slots - 1)) {
      if (items[table[s] - 1] == item) {
        repeat = true;
        break;
      }
    }
    if (repeat) continue;
    table[s] = static_cast<std::uint32_t>(i + 1);
    out.append(item);
    out.append(separator.view());
  }
  out.resize(out.size() - (out.empty() ? 0 : separator.view().size()));
  return Text(std::move(out));
}

std::int32_t list_index_of(const TextList& list, const Text& text) {
  const std::int32_t n = list_size(list);
  for (std::int32_t p = 1; p <= n; ++p) {
    if (text_equal(list_item(list, p), text)) return p;
  }
  return -1;
}

Text replace_pairs(const Text& text, const Text& find1, const Text& replacement1,
                   const Text& find2, const Text& replacement2, const Text& find3,
                   const Text& replacement3, const Text& find4, const Text& replacement4,
                   const Text& find5, const Text& replacement5) {
  Text result = replace_text(text, find1, replacement1, true);
  result = replace_text(result, find2, replacement2, true);
  result = replace_text(result, find3, replacement3, true);
  result = replace_text(result, find4, replacement4, true);
  return replace_text(result, find5, replacement5, true);
}

}  // namespace quillon
