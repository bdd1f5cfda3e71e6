// Operations on Bytes values.
#include <cstring>
#include <string>
#include <vector>

#include "text/internal/concat.h"
#include "text/primitives.h"

namespace quillon {

std::int32_t bytes_length(const Bytes& b) { return b.size(); }

Bytes bytes_left(const Bytes& b, std::int32_t n) {
  if (n <= 0) return {};
  return Bytes(b.view().substr(0, static_cast<std::size_t>(n)));
}

Bytes bytes_mid(const Bytes& b, std::int32_t start, std::int32_t n) {
  const std::int64_t s = start < 1 ? 0 : static_cast<std::int64_t>(start) - 1;
  if (n <= 0 || s >= b.size()) return {};
  return Bytes(b.view().substr(static_cast<std::size_t>(s), static_cast<std::size_t>(n)));
}

Bytes replace_bytes(const Bytes& b, const Bytes& find, const Bytes& replacement) {
  if (b.empty() || find.empty()) return b;
  const char* src = b.data();
  const std::size_t len = b.view().size();
  const char* f = find.data();
  const std::size_t flen = find.view().size();
  const char* r = replacement.data();
  const std::size_t rlen = replacement.view().size();

  // Offset of the next match at or after at, or len when there is none.
  auto next_hit = [&](std::size_t at) -> std::size_t {
    if (at + flen > len) return len;
    const void* hit = memmem(src + at, len - at, f, flen);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - src) : len;
  };
  // Copies src from copied up to c, then the replacement; returns the new end.
  auto emit = [&](char* dst, std::size_t copied, std::size_t c) {
    std::memcpy(dst, src + copied, c - copied);
    dst += c - copied;
    if (rlen != 0) std::memcpy(dst, r, rlen);
    return dst + rlen;
  };

  if (rlen <= flen) {
    // The result is never longer than the input: one pass into a buffer of
    // the input's size, cut to the written length at the end.
    std::size_t c = next_hit(0);
    if (c == len) return b;
    std::string out(len, '\0');
    char* dst = out.data();
    std::size_t copied = 0;
    for (; c != len; c = next_hit(copied)) {
      dst = emit(dst, copied, c);
      copied = c + flen;
    }
    std::memcpy(dst, src + copied, len - copied);
    dst += len - copied;
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return Bytes(std::move(out));
  }

  // The result grows: collect the match offsets (they fit in 32 bits because
  // the input does), then fill a buffer of the exact size.
  std::vector<std::uint32_t> hits;
  for (std::size_t c = next_hit(0); c != len; c = next_hit(c + flen)) {
    hits.push_back(static_cast<std::uint32_t>(c));
  }
  if (hits.empty()) return b;
  const std::int64_t total =
      static_cast<std::int64_t>(len) +
      static_cast<std::int64_t>(hits.size()) * static_cast<std::int64_t>(rlen - flen);
  if (total > kMaxValueSize) return {};
  std::string out(static_cast<std::size_t>(total), '\0');
  char* dst = out.data();
  std::size_t copied = 0;
  for (const std::uint32_t c : hits) {
    dst = emit(dst, copied, c);
    copied = c + flen;
  }
  std::memcpy(dst, src + copied, len - copied);
  return Bytes(std::move(out));
}

Bytes blank_bytes(std::int32_t n) {
  if (n <= 0) return {};
  return Bytes(std::string(static_cast<std::size_t>(n), '\0'));
}

Bytes bytes_concat_list(std::initializer_list<std::string_view> parts) {
  std::optional<std::string> joined = internal::concat_views(parts);
  return joined ? Bytes(std::move(*joined)) : Bytes();
}

bool bytes_equal(const Bytes& a, const Bytes& b) { return a.view() == b.view(); }

Bytes bytes_from_pointer(const void* address, std::int32_t n) {
  if (address == nullptr || n <= 0) return {};
  return Bytes(std::string_view(static_cast<const char*>(address), static_cast<std::size_t>(n)));
}

const std::uint8_t* bytes_data(const Bytes& b) {
  if (b.empty()) return nullptr;
  return reinterpret_cast<const std::uint8_t*>(b.data());
}

std::int32_t read_code_unit(const void* address) {
  if (address == nullptr) return 0;
  const auto* p = static_cast<const unsigned char*>(address);
  return static_cast<std::int32_t>(p[0] | (p[1] << 8));
}

}  // namespace quillon
