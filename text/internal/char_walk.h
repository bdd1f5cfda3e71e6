// Building blocks of the character-aware operations: a searcher that jumps to
// the next candidate match with memchr/memmem, and a tracker that tells whether
// a candidate lies on a character start of a left-to-right walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillon::detail {

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// ASCII letters folded to lower case; every other byte unchanged.
inline unsigned char fold_ascii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Finds byte-level occurrences of a needle in a haystack, exactly or with ASCII
// letters folded. Both views must outlive the finder; the needle is not empty.
//
// Candidates are found with memchr on the needle's rarest byte (by a rough
// frequency ranking of page text), or, ignoring case, by testing its two
// rarest bytes sixteen offsets at a time, and then compared. When false candidates
// come too densely, it switches to a search whose cost is linear whatever the
// input: memmem for exact search, a folded Knuth-Morris-Pratt scan otherwise.
class Finder {
 public:
  Finder(std::string_view haystack, std::string_view needle, bool ignore_case);

  // Offset of the first occurrence that begins at or after from and fits
  // entirely in the haystack; kNoMatch when there is none. Successive calls
  // must pass non-decreasing values of from.
  std::size_t next(std::size_t from);

 private:
  enum class Mode { kAnchor, kMemmem, kFoldedAnchor, kFoldedPair, kFoldedScan };

  std::size_t next_anchor_hit(std::size_t from);
  std::size_t next_with_anchor(std::size_t from);
  std::size_t next_memmem(std::size_t from) const;
  std::size_t next_folded_scan(std::size_t from);
  std::size_t next_folded_pair(std::size_t from);
  bool equal_at(std::size_t at) const;
  // Counts a candidate that did not match; true when the linear search
  // should take over.
  bool too_many_misses(std::size_t at);

  const unsigned char* hay_;
  std::size_t hay_size_;
  const unsigned char* needle_;
  std::size_t needle_size_;
  Mode mode_ = Mode::kAnchor;
  // The byte candidates are looked up by, its offset in the needle and, for
  // a folded letter, both of its cases with the cached next hit of each.
  std::size_t anchor_offset_ = 0;
  unsigned char anchor_a_ = 0;
  unsigned char anchor_b_ = 0;
  std::size_t hit_a_ = 0;
  std::size_t hit_b_ = 0;
  bool a_valid_ = false;
  bool b_valid_ = false;
  // Folded search of needles of two or more bytes: two needle offsets whose
  // bytes, ORed with their mask, must equal their value (the mask is 0x20 for
  // a letter, so both cases pass). Sixteen offsets are tested at a time.
  std::size_t pair_offset_[2] = {0, 0};
  unsigned char pair_mask_[2] = {0, 0};
  unsigned char pair_value_[2] = {0, 0};
  std::size_t misses_ = 0;
  std::size_t first_from_ = kNoMatch;
  // Folded failure table for the linear folded scan, built when needed.
  std::vector<std::size_t> failure_;
};

// Follows a walk over code page 936 text that steps over a lead byte (0x80 or
// above) and its trail byte together, starting from a known character start.
// It never walks byte by byte from the start: the position right behind a byte
// below 0x80 is always a character start (such a byte is a character or a trail
// byte), so only the run of high bytes in front of a position decides.
class CharWalk {
 public:
  CharWalk(std::string_view text, std::size_t start)
      : p_(reinterpret_cast<const unsigned char*>(text.data())), boundary_(start) {}

  // True when pos is a character start of the walk. pos must not lie before
  // the last position passed to starts_char or restart. Positions before pos
  // are not asked about again.
  bool starts_char(std::size_t pos) {
    std::size_t q = pos;
    while (q > boundary_ && p_[q - 1] >= 0x80) --q;
    // From q on every byte up to pos is high: lead, trail, lead, trail, ...
    const bool start = ((pos - q) & 1) == 0;
    boundary_ = start ? pos : pos + 1;
    return start;
  }

  // The walk goes on at pos (behind a match), which counts as a character start.
  void restart(std::size_t pos) { boundary_ = pos; }

  // The earliest position that may still be asked about.
  std::size_t boundary() const { return boundary_; }

 private:
  const unsigned char* p_;
  std::size_t boundary_;
};

}  // namespace quillon::detail
