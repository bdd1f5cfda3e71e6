#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
#if defined(__SSE2__)
  if (folded && needle_size_ >= 2) {
    // The two rarest bytes, ranked without the two-case penalty.
    std::size_t first = 0;
    std::size_t second = 1;
    if (byte_rank(fold_ascii(needle_[1])) < byte_rank(fold_ascii(needle_[0]))) std::swap(first, second);
    for (std::size_t i = 2; i < needle_size_; ++i) {
      const int rank = byte_rank(fold_ascii(needle_[i]));
      if (rank < byte_rank(fold_ascii(needle_[first]))) {
        second = first;
        first = i;
      } else if (rank < byte_rank(fold_ascii(needle_[second]))) {
        second = i;
      }
    }
    const std::size_t offsets[2] = {first, second};
    for (int k = 0; k < 2; ++k) {
      const unsigned char c = needle_[offsets[k]];
      pair_offset_[k] = offsets[k];
      pair_mask_[k] = is_ascii_letter(c) ? 0x20 : 0;
      pair_value_[k] = is_ascii_letter(c) ? fold_ascii(c) : c;
    }
    mode_ = Mode::kFoldedPair;
  }
#endif
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
    case Mode::kFoldedPair:
      return next_folded_pair(from);
    default:
      return next_with_anchor(from);
  }
}

bool Finder::equal_at(std::size_t at) const {
  const unsigned char* h = hay_ + at;
  if (mode_ == Mode::kAnchor || mode_ == Mode::kMemmem) {
    return std::memcmp(h, needle_, needle_size_) == 0;
  }
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

std::size_t Finder::next_folded_pair(std::size_t from) {
  const std::size_t last = hay_size_ - needle_size_;  // last offset a match can start at
  std::size_t at = from;
#if defined(__SSE2__)
  const unsigned char* p0 = hay_ + pair_offset_[0];
  const unsigned char* p1 = hay_ + pair_offset_[1];
  const __m128i mask0 = _mm_set1_epi8(static_cast<char>(pair_mask_[0]));
  const __m128i mask1 = _mm_set1_epi8(static_cast<char>(pair_mask_[1]));
  const __m128i value0 = _mm_set1_epi8(static_cast<char>(pair_value_[0]));
  const __m128i value1 = _mm_set1_epi8(static_cast<char>(pair_value_[1]));
  // Blocks of sixteen candidate offsets, all of them <= last, so every load
  // stays inside the haystack.
  for (; at + 16 <= last + 1; at += 16) {
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p0 + at));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p1 + at));
    const __m128i eq = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(b0, mask0), value0),
                                     _mm_cmpeq_epi8(_mm_or_si128(b1, mask1), value1));
    for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(eq)); bits != 0; bits &= bits - 1) {
      const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(bits));
      if (equal_at(candidate)) return candidate;
      if (too_many_misses(candidate + 1)) {
        mode_ = Mode::kFoldedScan;
        return next(candidate + 1);
      }
    }
  }
#endif
  for (; at <= last; ++at) {
    if ((hay_[at + pair_offset_[0]] | pair_mask_[0]) == pair_value_[0] &&
        (hay_[at + pair_offset_[1]] | pair_mask_[1]) == pair_value_[1] && equal_at(at)) {
      return at;
    }
  }
  return kNoMatch;
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
