#include "text/helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

TEST(TextBefore, EverythingBeforeTheFirstMarker) {
  struct {
    std::string text, marker, expect;
  } cases[] = {
      {"Content-Type: a: b", ": ", "Content-Type"},
      {": x", ": ", ""},
      {"no marker", ": ", ""},
      {"abc", "", ""},
      {"", ": ", ""},
      {"\xB0\x3A x: y", ": ", "\xB0\x3A x"},  // B0 3A is one character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(text_before(Text(c.text), Text(c.marker)).str(), c.expect);
  }
}

TEST(TextBetween, FirstStartMarkerThenFirstEndBehindIt) {
  struct {
    const char* name;
    std::string text, start, end, expect;
  } cases[] = {
      {"plain", "UserUploadsDir = 'up/2024'; x", "UserUploadsDir = '", "'", "up/2024"},
      {"start missing", "abc", "x", "c", ""},
      {"end missing behind start", "'a' Ticket = 'abc", "Ticket = '", "'", ""},
      {"end earlier is ignored", "]a[b]", "[", "]", "b"},
      {"start twice cuts behind first", "[a][b]", "[", "]", "a"},
      {"end right behind start", "[]x", "[", "]", ""},
      {"empty end marker", "[ab]", "[", "", ""},
      {"empty start marker", "ab]", "", "]", "ab"},
      {"start marker at the end", "ab[", "[", "]", ""},
      {"quote token", "name=\"pic.png\" rest", "name=#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5",
       "pic.png"},
      {"quote token in longer marker", "\"file\":\"a.jpg\"}", "#\xD2\xFD\xBA\xC5" "file"
       "#\xD2\xFD\xBA\xC5:#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", "a.jpg"},
      {"double-byte text", "\xCD\xBC[\xCD\xBC]", "[", "]", "\xCD\xBC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_between(Text(c.text), Text(c.start), Text(c.end)).str(), c.expect);
  }
}

TEST(PathParts, NameAndExtensionOfTheLastComponent) {
  struct {
    std::string path, name, extension;
  } cases[] = {
      {"C:\\pics\\cat.png", "cat.png", ".png"},
      {"/home/u/cat.tar.gz", "cat.tar.gz", ".gz"},
      {"cat.jpg", "cat.jpg", ".jpg"},
      {"cat", "cat", ""},
      {"C:\\pics\\", "", ""},
      {"pics/", "", ""},
      {"a.dir\\noext", "noext", ""},
      {"mixed/seps\\x.y", "x.y", ".y"},
      {".bashrc", ".bashrc", ".bashrc"},
      {"a.", "a.", "."},
      {"", "", ""},
      // 95 5C is one character: its trail byte is not a backslash.
      {"d\\\x95\x5C.png", "\x95\x5C.png", ".png"},
      {"\xCD\xBC.bmp", "\xCD\xBC.bmp", ".bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file_name_of_path(Text(c.path)).str(), c.name);
    EXPECT_EQ(path_extension(Text(c.path)).str(), c.extension);
  }
}

TEST(DedupeTokens, LaterRepeatsDroppedOrderKept) {
  struct {
    std::string text, separator, expect;
  } cases[] = {
      {"a=1; b=2; c=3; b=2", "; ", "a=1; b=2; c=3"},
      {"a=1; b=2; ", "; ", "a=1; b=2"},
      {"A=1; a=1", "; ", "A=1; a=1"},
      {"a; ; b; ; c", "; ", "a; ; b; c"},
      {"; ", "; ", ""},
      {"", "; ", ""},
      {"a; a; a", "; ", "a"},
      {"x;y", "", "x;y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(dedupe_tokens(Text(c.text), Text(c.separator)).str(), c.expect);
  }
}

TEST(ListIndexOf, FirstEqualItem) {
  const TextList list{Text("a"), Text(), Text("B"), Text("a")};
  EXPECT_EQ(list_index_of(list, Text("a")), 1);
  EXPECT_EQ(list_index_of(list, Text()), 2);
  EXPECT_EQ(list_index_of(list, Text("b")), -1);
  EXPECT_EQ(list_index_of(TextList{}, Text()), -1);
}

TEST(ReplacePairs, FiveReplacementsInTurnIgnoringCase) {
  EXPECT_EQ(replace_pairs(Text("a.b.c.png"), Text("."), Text()).str(), "abcpng");
  EXPECT_EQ(replace_pairs(Text("x.PNG"), Text("."), Text()).str(), "xPNG");
  // Later pairs see what earlier ones put in; letters fold.
  EXPECT_EQ(replace_pairs(Text("Ab"), Text("a"), Text("c"), Text("CB"), Text("d")).str(), "d");
  EXPECT_EQ(replace_pairs(Text("abc"), Text(), Text("x"), Text("B"), Text("-"), Text(), Text(),
                          Text(), Text(), Text("c"), Text("C"))
                .str(),
            "a-C");
}

}  // namespace
}  // namespace quillon
