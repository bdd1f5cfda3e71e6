#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "text/primitives.h"

namespace quillon {
namespace {

// "图" is CD BC; B0 61 is a character whose trail byte looks like "a"; 95 5C
// one whose trail byte looks like a backslash.
TEST(FindText, PositionsStartsAndEmptyNeedles) {
  struct {
    const char* name;
    std::string text, needle;
    std::int32_t start;
    bool ignore_case;
    std::int32_t expect;
  } cases[] = {
      {"first byte", "abcabc", "abc", 1, false, 1},
      {"from start", "abcabc", "abc", 2, false, 4},
      {"start at match", "abcabc", "abc", 4, false, 4},
      {"no room left", "abcabc", "abc", 5, false, -1},
      {"start zero searches from one", "abc", "a", 0, false, 1},
      {"negative start", "abc", "a", -7, false, 1},
      {"INT_MIN start", "abc", "c", INT_MIN, false, 3},
      {"start beyond length", "abc", "c", 4, false, -1},
      {"INT_MAX start", "abc", "", INT_MAX, false, -1},
      {"empty needle gives one", "abc", "", 1, false, 1},
      {"empty needle gives one, not start", "abc", "", 3, false, 1},
      {"empty text, empty needle", "", "", 1, false, -1},
      {"needle longer than text", "ab", "abc", 1, false, -1},
      {"not found", "abc", "x", 1, false, -1},
      {"case kept", "Set-cookie: x", "Cookie:", 1, false, -1},
      {"case ignored", "Set-cookie: x", "Cookie:", 1, true, 5},
      {"case ignored all letters", "xxCoOkIe", "cookie", 1, true, 3},
      {"only ASCII folds", "\xC1", "\xE1", 1, true, -1},
      {"trail byte not a start", "\xB0\x61", "a", 1, false, -1},
      {"trail byte then real", "\xB0\x61" "a", "a", 1, false, 3},
      {"trail byte folded", "\xB0\x61" "A", "a", 1, true, 3},
      {"double-byte needle", "a\xCD\xBC" "b", "\xCD\xBC", 1, false, 2},
      {"needle across characters", "\xB0\xCD\xBC\x61", "\xCD\xBC", 1, false, -1},
      {"long high run parity", "\xB0\xB0\xB0\xB0\xB0" "a" "a", "\xB0" "a", 1, false, 5},
      // The walk counts characters from start: from 2 the trail byte 61 is
      // taken as a character start.
      {"walk begins at start", "\xB0\x61", "a", 2, false, 2},
      {"lone lead byte compared", "a\xB0", "\xB0", 1, false, 2},
      {"lone lead byte behind a pair", "\xB1\xB0\xB0", "\xB0", 1, false, 3},
      {"lead byte only as trail", "\xB1\xB0", "\xB0", 1, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(find_text(Text(c.text), Text(c.needle), c.start, c.ignore_case), c.expect);
  }
}

TEST(FindTextReverse, LastCharacterStartMatch) {
  struct {
    std::string text, needle;
    std::int32_t expect;
  } cases[] = {
      {"abcabc", "abc", 4},
      {"aaa", "aa", 2},                 // overlapping matches count
      {"a\xB0\x61", "a", 1},            // the last "a" is a trail byte
      {"\xCD\xBC\xCD\xBC", "\xCD\xBC", 3},
      {"\xBC\xCD\xBC", "\xCD\xBC", -1},  // BC CD is one character
      {"abc", "", 1},
      {"", "", -1},
      {"", "a", -1},
      {"abc", "x", -1},
      {"aBc", "b", -1},                 // exact match only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + "|" + c.needle);
    EXPECT_EQ(find_text_reverse(Text(c.text), Text(c.needle)), c.expect);
  }
}

TEST(ReplaceText, EveryCharacterStartOccurrenceOnce) {
  struct {
    const char* name;
    std::string text, find, replacement;
    bool ignore_case;
    std::string expect;
  } cases[] = {
      {"all occurrences", "a.b.c.", ".", "", false, "abc"},
      {"replacement holds find", "aXa", "a", "aa", false, "aaXaa"},
      {"no overlap", "aaaa", "aa", "b", false, "bb"},
      {"odd overlap", "aaa", "aa", "b", false, "ba"},
      {"empty find", "abc", "", "x", false, "abc"},
      {"empty text", "", "a", "x", false, ""},
      {"case kept", "aAa", "A", "-", false, "a-a"},
      {"case ignored", "aAa", "A", "-", true, "---"},
      {"case ignored word", "Cookie: COOKIE", "cookie", "c", true, "c: c"},
      {"tail shorter than find kept", "abcab", "abc", "", false, "ab"},
      {"trail byte not replaced", "\xB0\x61" "a", "a", "b", false, "\xB0\x61" "b"},
      {"double-byte replaced", "\xCD\xBC" "x\xCD\xBC", "\xCD\xBC", "y", false, "yxy"},
      {"lone lead dropped, one-byte find", "ab\xB0", "a", "c", false, "cb"},
      {"lone lead dropped, no match", "b\xB0", "a", "c", false, "b"},
      {"lone lead replaced when it is find", "b\xB0", "\xB0", "c", false, "bc"},
      {"lone lead kept, longer find", "ab\xB0", "ab", "c", false, "c\xB0"},
      {"lone trail-position lead", "\xB0\xB0\xB0", "x", "y", false, "\xB0\xB0"},
      {"pair ending the text kept", "\xB0\xB0", "x", "y", false, "\xB0\xB0"},
      // After a match the walk goes on right behind it, even inside a pair.
      {"resume inside pair", "a\xB0\x61" "a", "a\xB0", "-", false, "-aa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(replace_text(Text(c.text), Text(c.find), Text(c.replacement), c.ignore_case).str(),
              c.expect);
  }
}

TEST(SplitText, InnerEmptyPiecesStayTrailingOneGoes) {
  struct {
    const char* name;
    std::string text, separator;
    std::vector<std::string> expect;
  } cases[] = {
      {"lines", "a\r\nb\r\n", "\r\n", {"a", "b"}},
      {"no trailing separator", "a\r\nb", "\r\n", {"a", "b"}},
      {"two in a row", "a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"leading separator", "\r\na", "\r\n", {"", "a"}},
      {"only the separator", "\r\n", "\r\n", {""}},
      {"separator twice", "\r\n\r\n", "\r\n", {"", ""}},
      {"empty text", "", "\r\n", {}},
      {"empty separator", "a;b", "", {"a;b"}},
      {"not found", "abc", ";", {"abc"}},
      {"trail byte not a separator", "\x95\x5C" "a\\b", "\\", {"\x95\x5C" "a", "b"}},
      {"lone lead byte carried", "a;\xB0", ";", {"a", "\xB0"}},
      {"lone lead byte as separator", "a\xB0", "\xB0", {"a"}},
      {"cookie items", "a=1; b=2; ", "; ", {"a=1", "b=2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TextList got = split_text(Text(c.text), Text(c.separator));
    std::vector<std::string> pieces;
    for (const Text& t : got) pieces.push_back(t.str());
    EXPECT_EQ(pieces, c.expect);
  }
}

}  // namespace
}  // namespace quillon
