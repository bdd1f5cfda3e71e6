#include <cstring>

#include "text/internal/char_walk.h"

namespace quillon::detail {

namespace {

bool is_ascii_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Rough frequency of a byte in page, header and mixed Chinese text: higher is
// more common. Only the order matters, to pick a rare anchor byte.
int byte_rank(unsigned char c) {
  static const char kLowerByFrequency[] = "etaoinsrhldcumfpgwybvkxjqz";
  if (c == ' ') return 255;
  if (c >= 'a' && c <= 'z') {
    return 250 - 2 * static_cast<int>(std::strchr(kLowerByFrequency, c) - kLowerByFrequency);
  }
  if (c >= 'A' && c <= 'Z') {
    return 150 - static_cast<int>(std::strchr(kLowerByFrequency, c - 'A' + 'a') - kLowerByFrequency);
  }
  if (c >= '0' && c <= '9') return 180;
  if (c >= 0x80) return 190;  // every byte of a double-byte character
  if (std::strchr("\"'=<>/.,:;-_()\r\n", c) != nullptr) return 185;
  if (c < 0x20 || c == 0x7F) return 20;
  return 100;  // other punctuation
}

// Offset of byte c in [from, end) of p, or kNoMatch.
std::size_t find_byte(const unsigned char* p, std::size_t from, std::size_t end, unsigned char c) {
  if (from >= end) return kNoMatch;
  const void* hit = std::memchr(p + from, c, end - from);
  return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p) : kNoMatch;
}

}  // namespace

Finder::Finder(std::string_view haystack, std::string_view needle, bool ignore_case)
    : hay_(reinterpret_cast<const unsigned char*>(haystack.data())),
      hay_size_(haystack.size()),
      needle_(reinterpret_cast<const unsigned char*>(needle.data())),
      needle_size_(needle.size()) {
  bool has_letter = false;
  for (std::size_t i = 0; i < needle_size_; ++i) has_letter |= is_ascii_letter(needle_[i]);
  const bool folded = ignore_case && has_letter;
  mode_ = folded ? Mode::kFoldedAnchor : Mode::kAnchor;
  // A folded letter is looked up in both cases, which costs about twice as
  // much; its rank is raised to say so.
  int best = 1 << 30;
  for (std::size_t i = 0; i < needle_size_; ++i) {
    const unsigned char c = needle_[i];
    const bool two_cases = folded && is_ascii_letter(c);
    const int rank = two_cases ? byte_rank(fold_ascii(c)) + 40 : byte_rank(c);
    if (rank < best) {
      best = rank;
      anchor_offset_ = i;
    }
  }
  const unsigned char a = needle_[anchor_offset_];
  anchor_a_ = a;
  anchor_b_ = a;
  if (folded && is_ascii_letter(a)) {
    anchor_a_ = fold_ascii(a);
    anchor_b_ = static_cast<unsigned char>(anchor_a_ - ('a' - 'A'));
  }
}

std::size_t Finder::next(std::size_t from) {
  if (from > hay_size_ || hay_size_ - from < needle_size_) return kNoMatch;
  if (first_from_ == kNoMatch) first_from_ = from;
  switch (mode_) {
    case Mode::kMemmem:
      return next_memmem(from);
    case Mode::kFoldedScan:
      return next_folded_scan(from);
    default:
      return next_with_anchor(from);
  }
}

bool Finder::equal_at(std::size_t at) const {
  const unsigned char* h = hay_ + at;
  if (mode_ == Mode::kAnchor) return std::memcmp(h, needle_, needle_size_) == 0;
  for (std::size_t i = 0; i < needle_size_; ++i) {
    if (fold_ascii(h[i]) != fold_ascii(needle_[i])) return false;
  }
  return true;
}

bool Finder::too_many_misses(std::size_t at) {
  ++misses_;
  // Misses closer than 32 bytes apart on average make memchr plus compare
  // slower than a linear scan, and can make it quadratic.
  return misses_ > 256 && misses_ * 32 > at - first_from_;
}

std::size_t Finder::next_anchor_hit(std::size_t from) {
  // Only anchors of candidates that fit entirely are searched.
  const std::size_t end = hay_size_ - needle_size_ + anchor_offset_ + 1;
  if (!a_valid_ || (hit_a_ != kNoMatch && hit_a_ < from)) {
    hit_a_ = find_byte(hay_, from, end, anchor_a_);
    a_valid_ = true;
  }
  if (anchor_b_ == anchor_a_) return hit_a_;
  if (!b_valid_ || (hit_b_ != kNoMatch && hit_b_ < from)) {
    hit_b_ = find_byte(hay_, from, end, anchor_b_);
    b_valid_ = true;
  }
  return hit_a_ < hit_b_ ? hit_a_ : hit_b_;
}

std::size_t Finder::next_with_anchor(std::size_t from) {
  for (std::size_t at = from;;) {
    const std::size_t a = next_anchor_hit(at + anchor_offset_);
    if (a == kNoMatch) return kNoMatch;
    const std::size_t candidate = a - anchor_offset_;
    if (needle_size_ == 1 || equal_at(candidate)) return candidate;
    at = candidate + 1;
    if (too_many_misses(at)) {
      mode_ = mode_ == Mode::kAnchor ? Mode::kMemmem : Mode::kFoldedScan;
      return next(at);
    }
  }
}

std::size_t Finder::next_memmem(std::size_t from) const {
  const void* hit = memmem(hay_ + from, hay_size_ - from, needle_, needle_size_);
  return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - hay_) : kNoMatch;
}

std::size_t Finder::next_folded_scan(std::size_t from) {
  const std::size_t m = needle_size_;
  if (failure_.empty()) {
    // failure_[i]: length of the longest proper border of the folded needle's
    // first i + 1 bytes.
    failure_.assign(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
      while (k > 0 && fold_ascii(needle_[i]) != fold_ascii(needle_[k])) k = failure_[k - 1];
      if (fold_ascii(needle_[i]) == fold_ascii(needle_[k])) ++k;
      failure_[i] = k;
    }
  }
  std::size_t k = 0;  // needle bytes matched so far
  for (std::size_t i = from; i < hay_size_; ++i) {
    const unsigned char c = fold_ascii(hay_[i]);
    while (k > 0 && c != fold_ascii(needle_[k])) k = failure_[k - 1];
    if (c == fold_ascii(needle_[k])) ++k;
    if (k == m) return i + 1 - m;
  }
  return kNoMatch;
}

}  // namespace quillon::detail
