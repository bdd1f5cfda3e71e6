#include <cstring>

#include "text/internal/char_walk.h"

namespace quillon::detail {

namespace {

bool is_ascii_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Offset of byte c in [from, size) of p, or kNoMatch.
std::size_t find_byte(const unsigned char* p, std::size_t size, std::size_t from, unsigned char c) {
  if (from >= size) return kNoMatch;
  const void* hit = std::memchr(p + from, c, size - from);
  return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p) : kNoMatch;
}

}  // namespace

Finder::Finder(std::string_view haystack, std::string_view needle, bool ignore_case)
    : hay_(reinterpret_cast<const unsigned char*>(haystack.data())),
      hay_size_(haystack.size()),
      needle_(reinterpret_cast<const unsigned char*>(needle.data())),
      needle_size_(needle.size()) {
  if (!ignore_case) return;
  // A needle without letters is searched exactly. Otherwise candidates are
  // looked up by a byte that is not a letter (one memchr stream) or, when all
  // are letters, by the first byte in both cases (two streams).
  bool has_letter = false;
  bool has_other = false;
  for (std::size_t i = 0; i < needle_size_; ++i) {
    if (is_ascii_letter(needle_[i])) {
      has_letter = true;
    } else if (!has_other) {
      has_other = true;
      anchor_offset_ = i;
    }
  }
  if (!has_letter) return;
  folded_ = true;
  if (!has_other) anchor_offset_ = 0;
  const unsigned char a = needle_[anchor_offset_];
  anchor_lower_ = fold_ascii(a);
  anchor_upper_ = is_ascii_letter(a) ? static_cast<unsigned char>(anchor_lower_ - ('a' - 'A')) : a;
}

std::size_t Finder::next(std::size_t from) {
  if (from > hay_size_ || hay_size_ - from < needle_size_) return kNoMatch;
  return folded_ ? next_folded(from) : next_exact(from);
}

std::size_t Finder::next_exact(std::size_t from) const {
  const void* hit = memmem(hay_ + from, hay_size_ - from, needle_, needle_size_);
  return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - hay_) : kNoMatch;
}

std::size_t Finder::next_anchor(std::size_t from) {
  if (!lower_valid_ || (hit_lower_ != kNoMatch && hit_lower_ < from)) {
    hit_lower_ = find_byte(hay_, hay_size_, from, anchor_lower_);
    lower_valid_ = true;
  }
  if (anchor_upper_ == anchor_lower_) return hit_lower_;
  if (!upper_valid_ || (hit_upper_ != kNoMatch && hit_upper_ < from)) {
    hit_upper_ = find_byte(hay_, hay_size_, from, anchor_upper_);
    upper_valid_ = true;
  }
  return hit_lower_ < hit_upper_ ? hit_lower_ : hit_upper_;
}

bool Finder::folded_equal_at(std::size_t at) const {
  const unsigned char* h = hay_ + at;
  for (std::size_t i = 0; i < needle_size_; ++i) {
    if (fold_ascii(h[i]) != fold_ascii(needle_[i])) return false;
  }
  return true;
}

std::size_t Finder::next_folded(std::size_t from) {
  const std::size_t last = hay_size_ - needle_size_;  // last offset a match can start at
  for (std::size_t at = from; at <= last;) {
    const std::size_t a = next_anchor(at + anchor_offset_);
    if (a == kNoMatch || a - anchor_offset_ > last) return kNoMatch;
    const std::size_t candidate = a - anchor_offset_;
    if (folded_equal_at(candidate)) return candidate;
    at = candidate + 1;
  }
  return kNoMatch;
}

}  // namespace quillon::detail
