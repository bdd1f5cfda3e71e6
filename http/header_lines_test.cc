#include "http/header_lines.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(NormaliseHeaderNames, CapitalisesNameWordsAndKeepsOnlyHeaderLines) {
  struct Case {
    const char* in;
    const char* expect;
  } cases[] = {
      {"", ""},
      {"content-type: text/html", "Content-Type: text/html"},
      {"x-requested-with: XMLHttpRequest", "X-Requested-With: XMLHttpRequest"},
      // Only the first letter of each word is raised; the rest keep their case.
      {"CONTENT-length: 5", "CONTENT-Length: 5"},
      {"x-forwarded-FOR: a-b-c", "X-Forwarded-FOR: a-b-c"},
      // A trailing dash stays where it was and the line keeps its length.
      {"x-: v", "X-: v"},
      {"a--b: v", "A--B: v"},
      {"-x: v", "-X: v"},
      // A blank in front of the name stops its first letter from being raised.
      {" accept: x", " accept: x"},
      {"accept :x", "Accept :x"},
      // Colons in the value and dashes after the first colon are untouched.
      {"referer: http://a-b/c:d", "Referer: http://a-b/c:d"},
      {": no name", ": no name"},
      // The empty first line left by completing empty extra headers goes.
      {"\r\naccept: */*\r\nreferer: u", "Accept: */*\r\nReferer: u"},
      {"no colon\r\n\r\nalso none", ""},
      {"a: 1\r\n\r\nnot a header\r\nb-c: 2\r\n", "A: 1\r\nB-C: 2"},
      // Double-byte characters in a name are left alone ("\xd6\xd0" is 中).
      {"\xd6\xd0-name: v", "\xd6\xd0-Name: v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(normalise_header_names(c.in), Text(c.expect));
  }
}

TEST(CapitaliseFirst, RaisesOnlyAnAsciiLowerCaseFirstByte) {
  struct Case {
    const char* in;
    const char* expect;
  } cases[] = {
      {"", ""},         {"a", "A"},     {"abc", "Abc"},   {"Abc", "Abc"},
      {"zZ", "ZZ"},     {"1a", "1a"},   {" a", " a"},     {"{x", "{x"},
      {"`x", "`x"},
      // A double-byte first character (here 中) is not touched.
      {"\xd6\xd0x", "\xd6\xd0x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(capitalise_first(c.in), Text(c.expect));
  }
}

TEST(HeaderLineParts, SplitAtTheFirstColonAndTrim) {
  struct Case {
    const char* line;
    const char* name;
    const char* value;
  } cases[] = {
      {"Accept: */*", "Accept", "*/*"},
      {"Accept : */*", "Accept", "*/*"},
      {"  X-A  :   b  ", "X-A", "b"},
      {"Referer: http://h:8080/p?q=a:b", "Referer", "http://h:8080/p?q=a:b"},
      {"Cookie:", "Cookie", ""},
      {"Cookie:   ", "Cookie", ""},
      {": value", "", "value"},
      {"no colon here", "", ""},
      {"", "", ""},
      // Tabs are not blanks; the full-width space A1 A1 is.
      {"\tName:\tv\t", "\tName", "\tv\t"},
      {"\xa1\xa1Name:\xa1\xa1v\xa1\xa1", "Name", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(header_line_name(c.line), Text(c.name));
    EXPECT_EQ(header_line_value(c.line), Text(c.value));
  }
}

}  // namespace
}  // namespace quillon
