#include "text/values.h"

#include <cstring>
#include <utility>

namespace quillon {

namespace {

// The length a Text may keep of s: up to the first NUL, or 0 when that would
// not fit in a Text.
std::size_t text_extent(std::string_view s) {
  const void* nul = s.empty() ? nullptr : std::memchr(s.data(), '\0', s.size());
  const std::size_t n =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - s.data()) : s.size();
  return n > static_cast<std::size_t>(kMaxValueSize) ? 0 : n;
}

}  // namespace

Text::Text(const char* s) {
  if (s != nullptr) s_.assign(std::string_view(s).substr(0, text_extent(s)));
}

Text::Text(std::string_view s) : s_(s.substr(0, text_extent(s))) {}

Text::Text(std::string&& s) {
  const std::size_t n = text_extent(s);
  s_ = std::move(s);
  s_.resize(n);
}

Bytes::Bytes(std::string_view data) {
  if (data.size() <= static_cast<std::size_t>(kMaxValueSize)) s_.assign(data);
}

Bytes::Bytes(std::string&& data) {
  if (data.size() <= static_cast<std::size_t>(kMaxValueSize)) s_ = std::move(data);
}

std::int32_t list_size(const TextList& list) {
  return list.size() > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX
                                                            : static_cast<std::int32_t>(list.size());
}

void list_append(TextList& list, const Text& item) { list.push_back(item); }

const Text& list_item(const TextList& list, std::int32_t p) {
  static const Text kNone;
  if (p < 1 || static_cast<std::size_t>(p) > list.size()) return kNone;
  return list[static_cast<std::size_t>(p) - 1];
}

}  // namespace quillon
