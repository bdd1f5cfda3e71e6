// Random texts, bytes and integers thrown at every operation. The searches and
// walks are checked against a plain character-by-character walk written here;
// the rest must keep their invariants and never crash (run it under the
// address and undefined-behaviour sanitizers too).
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "text/encoders.h"
#include "text/gzip.h"
#include "text/helpers.h"
#include "text/primitives.h"

namespace quillon {
namespace {

using std::string;

bool high(unsigned char c) { return c >= 0x80; }
unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool same_at(const string& t, std::size_t p, const string& n, bool fold) {
  if (t.size() - p < n.size()) return false;
  for (std::size_t i = 0; i < n.size(); ++i) {
    const auto a = static_cast<unsigned char>(t[p + i]);
    const auto b = static_cast<unsigned char>(n[i]);
    if (fold ? lower(a) != lower(b) : a != b) return false;
  }
  return true;
}

// The walks, one character at a time.
std::int32_t ref_find(const string& t, const string& n, std::int64_t start, bool fold) {
  const std::int64_t s = start < 1 ? 0 : start - 1;
  if (s >= static_cast<std::int64_t>(t.size())) return -1;
  if (n.empty()) return 1;
  for (std::size_t p = static_cast<std::size_t>(s); p < t.size() && t.size() - p >= n.size();) {
    if (same_at(t, p, n, fold)) return static_cast<std::int32_t>(p + 1);
    p += high(t[p]) ? 2 : 1;
  }
  return -1;
}

std::int32_t ref_find_reverse(const string& t, const string& n) {
  if (n.empty()) return t.empty() ? -1 : 1;
  std::int32_t last = -1;
  for (std::size_t p = 0; p < t.size() && t.size() - p >= n.size();) {
    if (same_at(t, p, n, false)) last = static_cast<std::int32_t>(p + 1);
    p += high(t[p]) ? 2 : 1;
  }
  return last;
}

string ref_replace(const string& t, const string& f, const string& r, bool fold) {
  if (t.empty() || f.empty()) return t;
  string out;
  std::size_t p = 0;
  while (p < t.size() && t.size() - p >= f.size()) {
    if (same_at(t, p, f, fold)) {
      out += r;
      p += f.size();
    } else if (high(t[p])) {
      if (p + 1 == t.size()) return out;  // lone lead byte left out
      out += t.substr(p, 2);
      p += 2;
    } else {
      out += t[p++];
    }
  }
  return out + t.substr(p);
}

std::vector<string> ref_split(const string& t, const string& sep) {
  std::vector<string> items;
  if (t.empty()) return items;
  if (sep.empty()) return {t};
  std::size_t piece = 0;
  for (std::size_t p = 0; p < t.size() && t.size() - p >= sep.size();) {
    if (same_at(t, p, sep, false)) {
      items.push_back(t.substr(piece, p - piece));
      p = piece = p + sep.size();
    } else {
      p += high(t[p]) ? 2 : 1;
    }
  }
  if (piece < t.size()) items.push_back(t.substr(piece));
  return items;
}

string ref_replace_bytes(const string& b, const string& f, const string& r) {
  if (b.empty() || f.empty()) return b;
  string out;
  std::size_t at = 0;
  for (std::size_t hit; (hit = b.find(f, at)) != string::npos; at = hit + f.size()) {
    out += b.substr(at, hit - at) + r;
  }
  return out + b.substr(at);
}

// Few distinct bytes so that matches, lead bytes, trail bytes that look like
// ASCII and full-width spaces turn up often.
string random_text(std::mt19937& rng, std::size_t max_len) {
  static const unsigned char kAlphabet[] = {'a', 'A', 'b', ' ', '\\', ';', 0x80, 0xA1, 0xB0, 0xCD, 0xFF};
  const std::size_t n = rng() % (max_len + 1);
  string s(n, 'a');
  for (char& c : s) c = static_cast<char>(kAlphabet[rng() % sizeof(kAlphabet)]);
  return s;
}

std::int32_t random_int(std::mt19937& rng, std::int32_t len) {
  static const std::int32_t kEdges[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 2, INT_MAX - 1, INT_MAX};
  switch (rng() % 3) {
    case 0: return kEdges[rng() % (sizeof(kEdges) / sizeof(kEdges[0]))];
    case 1: return static_cast<std::int32_t>(rng() % static_cast<unsigned>(len + 3)) - 1;
    default: return static_cast<std::int32_t>(rng());
  }
}

std::vector<string> pieces(const TextList& list) {
  std::vector<string> out;
  for (const Text& t : list) out.push_back(t.str());
  return out;
}

TEST(Robustness, WalksAgreeWithCharacterByCharacterReference) {
  std::mt19937 rng(20240611);
  for (int iter = 0; iter < 20000; ++iter) {
    const string t = random_text(rng, iter % 4 == 0 ? 96 : 24);
    const string n = random_text(rng, 3);
    const string r = random_text(rng, 3);
    const std::int32_t start = random_int(rng, static_cast<std::int32_t>(t.size()));
    const bool fold = rng() % 2 == 0;
    SCOPED_TRACE(testing::Message() << "iteration " << iter);
    ASSERT_EQ(find_text(Text(t), Text(n), start, fold), ref_find(t, n, start, fold));
    ASSERT_EQ(find_text_reverse(Text(t), Text(n)), ref_find_reverse(t, n));
    ASSERT_EQ(replace_text(Text(t), Text(n), Text(r), fold).str(), ref_replace(t, n, r, fold));
    ASSERT_EQ(pieces(split_text(Text(t), Text(n))), ref_split(t, n));
  }
}

TEST(Robustness, LongRunsOfHighBytes) {
  // Long runs of lead bytes between ASCII exercise the resynchronisation that
  // decides whether a candidate starts a character.
  std::mt19937 rng(7);
  for (int iter = 0; iter < 300; ++iter) {
    string t;
    while (t.size() < 2000) {
      t.append(rng() % 40, static_cast<char>(0xB0));
      t.append(1 + rng() % 2, 'a');
    }
    const string n = (rng() % 2) ? "\xB0" "a" : "a";
    const std::int32_t start = 1 + static_cast<std::int32_t>(rng() % 100);
    SCOPED_TRACE(iter);
    ASSERT_EQ(find_text(Text(t), Text(n), start), ref_find(t, n, start, false));
    ASSERT_EQ(find_text_reverse(Text(t), Text(n)), ref_find_reverse(t, n));
    ASSERT_EQ(replace_text(Text(t), Text(n), Text("-"), false).str(), ref_replace(t, n, "-", false));
  }
}

TEST(Robustness, LongTextsWithDenseCandidates) {
  // A tiny alphabet makes false candidates so dense that the searches leave
  // memchr on an anchor byte for their linear fallbacks part-way through.
  static const char kBytes[] = {'a', 'b', 'A', 'B', '\xB0'};
  std::mt19937 rng(11);
  for (int iter = 0; iter < 60; ++iter) {
    string t(4000 + rng() % 2000, 'a');
    for (char& c : t) c = kBytes[rng() % (iter % 2 ? 5 : 4)];
    string n(2 + rng() % 5, 'a');
    for (char& c : n) c = kBytes[rng() % 5];
    const bool fold = rng() % 2 == 0;
    const std::int32_t start = 1 + static_cast<std::int32_t>(rng() % 3000);
    SCOPED_TRACE(iter);
    ASSERT_EQ(find_text(Text(t), Text(n), start, fold), ref_find(t, n, start, fold));
    ASSERT_EQ(find_text_reverse(Text(t), Text(n)), ref_find_reverse(t, n));
    ASSERT_EQ(replace_text(Text(t), Text(n), Text("-"), fold).str(), ref_replace(t, n, "-", fold));
    ASSERT_EQ(pieces(split_text(Text(t), Text(n))), ref_split(t, n));
  }
}

TEST(Robustness, EveryOperationSurvivesRandomInput) {
  std::mt19937 rng(99);
  for (int iter = 0; iter < 3000; ++iter) {
    SCOPED_TRACE(iter);
    string raw(rng() % 40, '\0');
    for (char& c : raw) c = static_cast<char>(rng() & 0xFF);
    const Bytes b(raw);
    const Text t = bytes_to_text(b);
    const Text u(random_text(rng, 12));
    const std::int32_t i = random_int(rng, t.size());
    const std::int32_t j = random_int(rng, t.size());

    ASSERT_LE(text_left(t, i).size(), t.size());
    ASSERT_LE(text_right(t, i).size(), t.size());
    ASSERT_LE(text_mid(t, i, j).size(), t.size());
    ASSERT_LE(bytes_mid(b, i, j).size(), b.size());
    ASSERT_LE(bytes_left(b, i).size(), b.size());
    const Text trimmed = trim_text(t);
    ASSERT_NE(t.view().find(trimmed.view()), std::string_view::npos);
    ASSERT_FALSE(trimmed.view().starts_with(' '));
    ASSERT_EQ(text_to_upper(t).size(), t.size());
    const std::int32_t code = char_code(t);
    ASSERT_TRUE(code >= -128 && code <= 127);
    ASSERT_LE(char_from_code(i).size(), 1);
    ASSERT_EQ(text_concat(t, u).size(), t.size() + u.size());
    ASSERT_EQ(bytes_concat(b, b).size(), 2 * b.size());
    const Bytes find = bytes_mid(b, 1 + static_cast<std::int32_t>(rng() % 8), 1 + rng() % 2);
    ASSERT_EQ(replace_bytes(b, find, text_to_bytes(u)).str(), ref_replace_bytes(raw, find.str(), u.str()));
    ASSERT_EQ(replace_bytes(b, Bytes(), text_to_bytes(u)), b);
    const std::int32_t small = j % 1000;
    ASSERT_EQ(blank_bytes(small).size(), small > 0 ? small : 0);

    const Text before = text_before(t, u);
    ASSERT_LE(before.size(), t.size());
    ASSERT_LE(text_between(t, u, text_left(u, 1)).size(), t.size());
    ASSERT_LE(file_name_of_path(t).size(), t.size());
    ASSERT_TRUE(file_name_of_path(t).view().ends_with(path_extension(t).view()));
    ASSERT_LE(dedupe_tokens(t, u).size(), t.size());
    ASSERT_LE(replace_pairs(t, u, Text("x"), Text("a")).size(), t.size());

    ASSERT_EQ(base64_encode(b).size(), (b.size() + 2) / 3 * 4);
    const auto spaces = static_cast<std::int32_t>(std::count(t.view().begin(), t.view().end(), ' '));
    ASSERT_EQ(url_encode(t).size(), 3 * t.size() - 2 * spaces);
    const Bytes w = multibyte_to_utf16(b, rng() % 2 ? kCodePage936 : kCodePageUtf8);
    ASSERT_EQ(w.size() % 2, 0);
    ASSERT_EQ(w.empty(), t.empty());
    if (!w.empty()) {
      ASSERT_EQ(read_code_unit(bytes_data(w) + w.size() - 2), 0);
    }
    const Text back = utf16_to_text(b, rng() % 2 ? kCodePage936 : kCodePageUtf8);
    ASSERT_EQ(back.view().find('\0'), std::string_view::npos);
    const Text ansi = utf8_to_ansi(t);
    // Every input character gives at most two code page 936 bytes.
    ASSERT_LE(ansi.size(), 2 * t.size());
    (void)decode_gzip_body(b);
  }
}

TEST(Robustness, CodePage936RoundTripOfEveryDoubleByteCharacter) {
  // Every lead/trail pair the table maps converts to UTF-16 and back to the
  // same two bytes; unmapped pairs become U+FFFD and then "?".
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const string s{static_cast<char>(lead), static_cast<char>(trail)};
      const Bytes w = ansi_to_utf16(Text(s));
      ASSERT_GE(w.size(), 4);
      const string back = utf16_to_text(w, kCodePage936).str();
      if (w.size() == 4 && read_code_unit(bytes_data(w)) != 0xFFFD) {
        ++mapped;
        ASSERT_EQ(back, s) << std::hex << lead << " " << trail;
      } else {
        ASSERT_EQ(back.find_first_not_of("?" + s.substr(1, 1)), string::npos) << std::hex << lead;
      }
    }
  }
  // The table maps over 21000 double-byte characters.
  EXPECT_GT(mapped, 21000);
}

TEST(Robustness, Utf8RoundTripOfRandomScalarValues) {
  std::mt19937 rng(5);
  for (int iter = 0; iter < 2000; ++iter) {
    std::u32string cps;
    for (int k = 0; k < 8; ++k) {
      char32_t c = 1 + rng() % 0x10FFFF;
      if (c >= 0xD800 && c <= 0xDFFF) c = 'x';
      cps.push_back(c);
    }
    string units;  // UTF-16LE
    for (char32_t c : cps) {
      auto put = [&](unsigned u) { units += static_cast<char>(u & 0xFF); units += static_cast<char>(u >> 8); };
      if (c < 0x10000) {
        put(c);
      } else {
        put(0xD800 + ((c - 0x10000) >> 10));
        put(0xDC00 + ((c - 0x10000) & 0x3FF));
      }
    }
    SCOPED_TRACE(iter);
    const Bytes utf8 = utf16_to_multibyte(Bytes(units), kCodePageUtf8);
    const Bytes again = multibyte_to_utf16(utf8, kCodePageUtf8);
    ASSERT_EQ(again.str(), units + string(2, '\0'));
  }
}

}  // namespace
}  // namespace quillon
