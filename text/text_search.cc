// The character-aware searches: find_text, find_text_reverse, replace_text and
// split_text. Each jumps from candidate to candidate with a Finder and asks a
// CharWalk whether the candidate lies on a character start, so the cost stays
// linear in the size of the Text.
#include <string>
#include <vector>

#include "text/internal/char_walk.h"
#include "text/internal/split_views.h"
#include "text/primitives.h"

namespace quillon {

using detail::CharWalk;
using detail::Finder;
using detail::kNoMatch;

std::int32_t find_text(const Text& t, const Text& needle, std::int32_t start, bool ignore_case) {
  const std::int64_t s = start < 1 ? 0 : static_cast<std::int64_t>(start) - 1;
  const std::int64_t len = t.size();
  if (s >= len) return -1;
  if (needle.empty()) return 1;
  Finder finder(t.view(), needle.view(), ignore_case);
  CharWalk walk(t.view(), static_cast<std::size_t>(s));
  for (std::size_t from = static_cast<std::size_t>(s);;) {
    const std::size_t c = finder.next(from);
    if (c == kNoMatch) return -1;
    if (walk.starts_char(c)) return static_cast<std::int32_t>(c + 1);
    from = c + 1;
  }
}

std::int32_t find_text_reverse(const Text& t, const Text& needle) {
  if (needle.empty()) return t.empty() ? -1 : 1;
  Finder finder(t.view(), needle.view(), false);
  CharWalk walk(t.view(), 0);
  std::int32_t last = -1;
  for (std::size_t from = 0;;) {
    const std::size_t c = finder.next(from);
    if (c == kNoMatch) return last;
    if (walk.starts_char(c)) last = static_cast<std::int32_t>(c + 1);
    from = c + 1;
  }
}

Text replace_text(const Text& t, const Text& find, const Text& replacement, bool ignore_case) {
  if (t.empty() || find.empty()) return t;
  const std::string_view src = t.view();
  const std::string_view rep = replacement.view();
  const std::size_t len = src.size();
  Finder finder(src, find.view(), ignore_case);
  CharWalk walk(src, 0);
  std::string out;
  std::size_t copied = 0;  // src bytes before this offset are dealt with
  std::size_t from = 0;
  for (;;) {
    const std::size_t c = finder.next(from);
    if (c == kNoMatch) break;
    if (!walk.starts_char(c)) {
      from = c + 1;
      continue;
    }
    if (out.empty()) out.reserve(len);
    if (out.size() + (c - copied) + rep.size() > static_cast<std::size_t>(kMaxValueSize)) return {};
    out.append(src.substr(copied, c - copied));
    out.append(rep);
    copied = c + find.view().size();
    from = copied;
    walk.restart(copied);
  }
  std::size_t tail_end = len;
  // With a one-byte find the walk reaches every character start, a lone lead
  // byte at the end included; it stops there and leaves that byte out.
  if (find.size() == 1 && copied < len && static_cast<unsigned char>(src[len - 1]) >= 0x80 &&
      walk.boundary() <= len - 1 && walk.starts_char(len - 1)) {
    tail_end = len - 1;
  }
  if (copied == 0 && tail_end == len) return t;
  if (out.size() + (tail_end - copied) > static_cast<std::size_t>(kMaxValueSize)) return {};
  out.append(src.substr(copied, tail_end - copied));
  return Text(std::move(out));
}

TextList split_text(const Text& t, const Text& separator) {
  const std::vector<std::string_view> views = detail::split_views(t.view(), separator.view());
  TextList items;
  items.reserve(views.size());
  for (const std::string_view v : views) items.emplace_back(v);
  return items;
}

namespace detail {

std::vector<std::string_view> split_views(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> items;
  if (text.empty()) return items;
  if (separator.empty()) {
    items.push_back(text);
    return items;
  }
  Finder finder(text, separator, false);
  CharWalk walk(text, 0);
  std::size_t piece = 0;
  for (std::size_t from = 0;;) {
    const std::size_t c = finder.next(from);
    if (c == kNoMatch) break;
    if (!walk.starts_char(c)) {
      from = c + 1;
      continue;
    }
    items.push_back(text.substr(piece, c - piece));
    piece = c + separator.size();
    from = piece;
    walk.restart(piece);
  }
  if (piece < text.size()) items.push_back(text.substr(piece));
  return items;
}

}  // namespace detail

}  // namespace quillon
