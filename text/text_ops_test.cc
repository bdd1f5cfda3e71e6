#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "text/primitives.h"

namespace quillon {
namespace {

TEST(TextLeftRight, CountsOutsideTheTextGiveEmptyOrWhole) {
  const Text t("abc");
  struct {
    std::int32_t n;
    std::string left, right;
  } cases[] = {
      {INT_MIN, "", ""}, {-1, "", ""}, {0, "", ""},         {1, "a", "c"},
      {2, "ab", "bc"},   {3, "abc", "abc"}, {4, "abc", "abc"}, {INT_MAX, "abc", "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(text_left(t, c.n).str(), c.left);
    EXPECT_EQ(text_right(t, c.n).str(), c.right);
  }
  EXPECT_TRUE(text_left(Text(), 5).empty());
  EXPECT_TRUE(text_right(Text(), 5).empty());
}

TEST(TextMid, StartBelowOneIsNotMovedUp) {
  const Text t("abcdef");
  struct {
    std::int32_t start, n;
    std::string expect;
  } cases[] = {
      {1, 3, "abc"},       {1, 100, "abcdef"},     {1, INT_MAX, "abcdef"}, {4, INT_MAX, "def"},
      {6, 1, "f"},         {7, 1, ""},              {0, 3, ""},             {-1, 3, ""},
      {INT_MIN, INT_MAX, ""}, {INT_MAX, INT_MAX, ""}, {2, 0, "" },           {2, -5, ""},
      {2, INT_MIN, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.n);
    EXPECT_EQ(text_mid(t, c.start, c.n).str(), c.expect);
  }
}

TEST(TrimText, StripsOnlySpacesAndFullWidthSpaces) {
  struct {
    const char* name;
    std::string in, expect;
  } cases[] = {
      {"plain", "  ab c  ", "ab c"},
      {"full-width", "\xA1\xA1 a\xA1\xA1", "a"},
      {"tabs and breaks stay", "\t a \r\n", "\t a \r\n"},
      {"only blanks", " \xA1\xA1  \xA1\xA1", ""},
      {"empty", "", ""},
      {"inner blanks stay", "a \xA1\xA1 b", "a \xA1\xA1 b"},
      // A1 followed by A1 inside a character pair is not a blank: B0 A1 is a
      // character, the A1 after it is a lone lead byte.
      {"A1 as trail byte", "\xB0\xA1\xA1", "\xB0\xA1"},
      {"trail byte 0x20 is not a space", "\x81\x20", "\x81\x20"},
      {"lone lead byte dropped, blanks before it stay", "a  \xB0", "a  "},
      {"lone lead byte after leading blanks", "  \xB0", ""},
      {"lone A1 at end", "a\xA1", "a"},
      {"double-byte kept", " \xCD\xBC ", "\xCD\xBC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(trim_text(Text(c.in)).str(), c.expect);
  }
}

TEST(TextToUpper, LeavesBothBytesOfDoubleByteCharactersAlone) {
  struct {
    std::string in, expect;
  } cases[] = {
      {"abc-XyZ 09", "ABC-XYZ 09"},
      {"\xB0\x61" "a", "\xB0\x61" "A"},   // trail byte 'a' stays
      {"a\xB0", "A\xB0"},                 // lone lead byte carried over
      {"\x81\x7A\x7A", "\x81\x7A\x5A"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(text_to_upper(Text(c.in)).str(), c.expect);
  }
}

TEST(CharCode, FirstByteAsSignedValue) {
  EXPECT_EQ(char_code(Text("A")), 65);
  EXPECT_EQ(char_code(Text("\xCD\xBC")), static_cast<std::int8_t>(0xCD));
  EXPECT_LT(char_code(Text("\x80")), 0);
  EXPECT_EQ(char_code(Text("\xFF")), -1);
  EXPECT_EQ(char_code(Text()), 0);
}

TEST(CharFromCode, TakesCodeModulo256) {
  struct {
    std::int32_t code;
    std::string expect;
  } cases[] = {
      {0x20, " "}, {65, "A"}, {256 + 65, "A"}, {-1, "\xFF"}, {0xCD, "\xCD"},
      {0, ""},     {256, ""}, {INT_MIN, ""},   {INT_MAX, "\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(char_from_code(c.code).str(), c.expect);
  }
}

TEST(TextEqual, ComparesBytesWithCase) {
  EXPECT_TRUE(text_equal(Text(), Text("")));
  EXPECT_TRUE(text_equal(Text("\xCD\xBC"), Text("\xCD\xBC")));
  EXPECT_FALSE(text_equal(Text("a"), Text("A")));
  EXPECT_FALSE(text_equal(Text("ab"), Text("a")));
}

TEST(TextConcat, JoinsAnyNumberAndSkipsEmpty) {
  EXPECT_EQ(text_concat(Text("a"), Text()).str(), "a");
  EXPECT_EQ(text_concat(Text("a"), Text("\xCD\xBC"), Text(), Text("c")).str(), "a\xCD\xBC" "c");
  EXPECT_TRUE(text_concat(Text(), Text()).empty());
}

TEST(TextBytes, RoundTripAndNulCut) {
  const Text t("a\xCD\xBC" "b");
  EXPECT_EQ(text_to_bytes(t).str(), t.str());
  EXPECT_EQ(bytes_to_text(text_to_bytes(t)), t);
  EXPECT_EQ(bytes_to_text(Bytes(std::string("ab\0cd", 5))).str(), "ab");
  EXPECT_TRUE(bytes_to_text(Bytes(std::string("\0a", 2))).empty());
  EXPECT_TRUE(text_to_bytes(Text()).empty());
}

}  // namespace
}  // namespace quillon
