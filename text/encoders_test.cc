#include "text/encoders.h"

#include <gtest/gtest.h>

#include <string>

#include "text/primitives.h"

namespace quillon {
namespace {

using namespace std::string_literals;

TEST(Base64Encode, StandardAlphabetWithPadding) {
  struct {
    std::string in, expect;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"foobar", "Zm9vYmFy"},
      {"\xFB\xFF", "+/8="},  // values 62 and 63
      {"\0\0\0"s, "AAAA"},
      {"user:p\xC3\xA4ss", "dXNlcjpww6Rzcw=="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(base64_encode(Bytes(c.in)).str(), c.expect);
  }
}

TEST(UrlEncode, SpaceIsPlusEverythingElseATriplet) {
  struct {
    std::string in, expect;
  } cases[] = {
      {"", ""},
      {"a b", "%61+%62"},
      {"A.z-_9", "%41%2E%7A%2D%5F%39"},
      {"\xCD\xBC", "%CD%BC"},
      {"  ", "++"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(url_encode(Text(c.in)).str(), c.expect);
  }
}

// Expected UTF-16 is written as little-endian bytes.
TEST(MultibyteToUtf16, TerminatedUnitsOfEachCodePage) {
  struct {
    const char* name;
    std::string in;
    std::int32_t code_page;
    std::string expect;
  } cases[] = {
      {"ascii", "abc", 936, "a\0b\0c\0\0\0"s},
      {"empty", "", 936, ""},
      {"leading nul", "\0abc"s, 936, ""},
      {"stops at nul", "ab\0c"s, 936, "a\0b\0\0\0"s},
      {"\xCD\xBC (picture)", "\xCD\xBC", 936, "\xFE\x56\0\0"s},
      {"0x80 is the euro sign", "\x80", 936, "\xAC\x20\0\0"s},
      {"invalid pair gives U+FFFD, next byte kept", "\x81\x20", 936, "\xFD\xFF\x20\0\0\0"s},
      {"lone lead byte gives U+FFFD", "a\x81", 936, "a\0\xFD\xFF\0\0"s},
      {"utf-8", "\xE5\x9B\xBE", 65001, "\xFE\x56\0\0"s},
      {"utf-8 outside the BMP", "\xF0\x9F\x98\x80", 65001, "\x3D\xD8\x00\xDE\0\0"s},
      {"invalid utf-8", "a\xFF" "b", 65001, "a\0\xFD\xFF" "b\0\0\0"s},
      {"unknown code page", "abc", 1252, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(multibyte_to_utf16(Bytes(c.in), c.code_page).str(), c.expect);
  }
}

TEST(Utf16ToMultibyte, UnitsBeforeTheFirstZeroUnit) {
  struct {
    const char* name;
    std::string units;
    std::int32_t code_page;
    std::string expect;
  } cases[] = {
      {"ascii", "a\0b\0"s, 936, "ab"},
      {"ignores from zero unit", "a\0\0\0b\0"s, 936, "a"},
      {"empty", "", 936, ""},
      {"leading zero unit", "\0\0a\0"s, 936, ""},
      {"odd last byte", "a\0b"s, 936, "ab"},
      {"picture", "\xFE\x56"s, 936, "\xCD\xBC"},
      {"euro sign", "\xAC\x20"s, 936, "\x80"},
      {"emoji becomes ?", "\x3D\xD8\x00\xDE" "a\0"s, 936, "?a"},
      {"U+FFFD becomes ?", "\xFD\xFF"s, 936, "?"},
      {"utf-8", "\xFE\x56\x3D\xD8\x00\xDE"s, 65001, "\xE5\x9B\xBE\xF0\x9F\x98\x80"},
      {"lone surrogate in utf-8", "\x00\xD8" "a\0"s, 65001, "\xEF\xBF\xBD" "a"},
      {"unknown code page", "a\0"s, 437, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf16_to_multibyte(Bytes(c.units), c.code_page).str(), c.expect);
  }
}

TEST(AnsiToUtf16, TerminatedAndEmpty) {
  EXPECT_EQ(ansi_to_utf16(Text("abc")).size(), 8);
  EXPECT_EQ(ansi_to_utf16(Text("abc")).str(), "a\0b\0c\0\0\0"s);
  EXPECT_TRUE(ansi_to_utf16(Text()).empty());
}

TEST(Utf8ToAnsi, ConvertsToCodePage936) {
  struct {
    const char* name;
    std::string in, expect;
  } cases[] = {
      {"ascii unchanged", "{\"file\":\"a.png\"}", "{\"file\":\"a.png\"}"},
      {"chinese", "\xE5\x9B\xBE\xE7\x89\x87", "\xCD\xBC\xC6\xAC"},  // 图片
      {"euro sign", "\xE2\x82\xAC", "\x80"},
      {"outside 936 becomes ?", "a\xF0\x9F\x98\x80" "b", "a?b"},
      {"invalid utf-8 becomes ?", "a\xC3" "b\xFF", "a?b?"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8_to_ansi(Text(c.in)).str(), c.expect);
  }
}

TEST(Utf16ToText, RoundTripOfCodePage936) {
  const Text t("a\xCD\xBC\x80 \xC6\xAC\xA1\xA1z");
  EXPECT_EQ(utf16_to_text(ansi_to_utf16(t), kCodePage936), t);
  const Text utf8("\xE5\x9B\xBE-\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16_to_text(multibyte_to_utf16(text_to_bytes(utf8), kCodePageUtf8), kCodePageUtf8),
            utf8);
}

}  // namespace
}  // namespace quillon
