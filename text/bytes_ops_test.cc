#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <string>

#include "text/primitives.h"

namespace quillon {
namespace {

Bytes B(std::string_view s) { return Bytes(s); }
using namespace std::string_literals;

TEST(BytesLeftMid, CountsAndStartsOutsideTheData) {
  const Bytes b = B("a\0c\0e"s);
  struct {
    std::int32_t start, n;
    std::string expect;
  } mid_cases[] = {
      {1, 2, "a\0"s},      {0, 2, "a\0"s},     {INT_MIN, 1, "a"},  {3, 100, "c\0e"s},
      {3, INT_MAX, "c\0e"s}, {5, 1, "e"},      {6, 1, ""},         {INT_MAX, 1, ""},
      {2, 0, ""},          {2, -1, ""},         {2, INT_MIN, ""},
  };
  for (const auto& c : mid_cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.n);
    EXPECT_EQ(bytes_mid(b, c.start, c.n).str(), c.expect);
  }
  struct {
    std::int32_t n;
    std::string expect;
  } left_cases[] = {{INT_MIN, ""}, {0, ""}, {2, "a\0"s}, {5, "a\0c\0e"s}, {INT_MAX, "a\0c\0e"s}};
  for (const auto& c : left_cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(bytes_left(b, c.n).str(), c.expect);
  }
  EXPECT_EQ(bytes_length(b), 5);
  EXPECT_EQ(bytes_length(Bytes()), 0);
}

TEST(ReplaceBytes, LeftToRightNonOverlappingExactBytes) {
  struct {
    const char* name;
    std::string in, find, replacement, expect;
  } cases[] = {
      {"grows", "a<P>b<P>", "<P>", "\0\1\2\3"s, "a\0\1\2\3b\0\1\2\3"s},
      {"shrinks", "xxaxx", "xx", "", "a"},
      {"same size", "abab", "b", "c", "acac"},
      {"nul in find", "a\0b\0"s, "\0"s, "-", "a-b-"},
      {"no overlap", "aaa", "aa", "b", "ba"},
      {"inserted bytes not searched", "aa", "a", "aa", "aaaa"},
      {"not found", "abc", "x", "y", "abc"},
      {"empty find", "abc", "", "y", "abc"},
      {"empty input", "", "a", "y", ""},
      {"whole input", "abc", "abc", "", ""},
      {"find longer than input", "ab", "abc", "x", "ab"},
      {"high bytes are plain bytes", "\xB0\x61", "a", "b", "\xB0" "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(replace_bytes(B(c.in), B(c.find), B(c.replacement)).str(), c.expect);
  }
}

TEST(BlankBytes, ZerosOrEmpty) {
  EXPECT_EQ(blank_bytes(3).str(), "\0\0\0"s);
  for (std::int32_t n : {0, -1, INT_MIN}) EXPECT_TRUE(blank_bytes(n).empty()) << n;
}

TEST(BytesConcat, KeepsNulsAndAddsUp) {
  EXPECT_EQ(bytes_concat(B("a\0"s), B(""), B("\0b"s)).str(), "a\0\0b"s);
  EXPECT_TRUE(bytes_concat(Bytes(), Bytes()).empty());
}

// Two reserved, never-touched regions whose sizes add up past the largest
// value: the concatenations must refuse before copying anything.
TEST(Concat, ResultTooLargeForAValueGivesEmpty) {
  const std::size_t half = static_cast<std::size_t>(INT32_MAX / 2) + 16;
  void* region = mmap(nullptr, half, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  const std::string_view big(static_cast<const char*>(region), half);
  EXPECT_TRUE(bytes_concat_list({big, big}).empty());
  EXPECT_TRUE(text_concat_list({big, big}).empty());
  munmap(region, half);
}

TEST(BytesEqual, CountAndBytes) {
  EXPECT_TRUE(bytes_equal(Bytes(), B("")));
  EXPECT_TRUE(bytes_equal(B("a\0b"s), B("a\0b"s)));
  EXPECT_FALSE(bytes_equal(B("a\0b"s), B("a\0c"s)));
  EXPECT_FALSE(bytes_equal(B("a"s), B("a\0"s)));
}

TEST(BytesPointer, CopiesAndAddresses) {
  const char raw[] = {'x', '\0', 'y'};
  EXPECT_EQ(bytes_from_pointer(raw, 3).str(), "x\0y"s);
  EXPECT_TRUE(bytes_from_pointer(raw, 0).empty());
  EXPECT_TRUE(bytes_from_pointer(raw, -3).empty());
  EXPECT_TRUE(bytes_from_pointer(nullptr, 3).empty());

  const Bytes b = B("\x34\x12\xFE\xFF");
  ASSERT_NE(bytes_data(b), nullptr);
  EXPECT_EQ(bytes_data(b)[0], 0x34);
  EXPECT_EQ(bytes_data(Bytes()), nullptr);
  EXPECT_EQ(read_code_unit(bytes_data(b)), 0x1234);
  EXPECT_EQ(read_code_unit(bytes_data(b) + 2), 0xFFFE);
}

}  // namespace
}  // namespace quillon
