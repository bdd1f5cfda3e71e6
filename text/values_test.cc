#include "text/values.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

TEST(Text, KeepsOnlyTheBytesBeforeTheFirstNul) {
  const std::string with_nul("ab\0cd", 5);
  struct {
    const char* name;
    Text text;
    std::string expect;
  } cases[] = {
      {"view", Text(std::string_view(with_nul)), "ab"},
      {"moved string", Text(std::string(with_nul)), "ab"},
      {"leading nul", Text(std::string_view("\0x", 2)), ""},
      {"pointer", Text("\xCD\xBC" "a"), "\xCD\xBC" "a"},
      {"null pointer", Text(static_cast<const char*>(nullptr)), ""},
      {"default", Text(), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.text.str(), c.expect);
    EXPECT_EQ(c.text.size(), static_cast<std::int32_t>(c.expect.size()));
    EXPECT_EQ(c.text.empty(), c.expect.empty());
  }
  EXPECT_EQ(Text(""), Text());
}

TEST(Bytes, KeepsNulBytes) {
  const std::string data("\0a\0\0", 4);
  EXPECT_EQ(Bytes(std::string_view(data)).size(), 4);
  EXPECT_EQ(Bytes(std::string(data)).str(), data);
  std::string moved = Bytes(std::string(data)).release();
  EXPECT_EQ(moved, data);
}

TEST(TextList, ItemsAreCopiesReadFromOne) {
  TextList list;
  EXPECT_EQ(list_size(list), 0);
  Text item("first");
  list_append(list, item);
  item = Text("changed");
  list_append(list, Text());
  ASSERT_EQ(list_size(list), 2);
  EXPECT_EQ(list_item(list, 1).str(), "first");
  EXPECT_TRUE(list_item(list, 2).empty());
  for (std::int32_t p : {0, -1, 3, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(p);
    EXPECT_TRUE(list_item(list, p).empty());
  }
}

}  // namespace
}  // namespace quillon
