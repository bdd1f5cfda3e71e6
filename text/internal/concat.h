// Joins byte runs into one string with a single allocation; nullopt when the
// total would not fit a Text or Bytes value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "text/values.h"

namespace quillon::internal {

inline std::optional<std::string> concat_views(std::initializer_list<std::string_view> parts) {
  std::int64_t total = 0;
  for (std::string_view p : parts) total += static_cast<std::int64_t>(p.size());
  if (total > kMaxValueSize) return std::nullopt;
  std::string out;
  out.reserve(static_cast<std::size_t>(total));
  for (std::string_view p : parts) out.append(p);
  return out;
}

}  // namespace quillon::internal
