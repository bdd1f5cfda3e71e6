#include "http/cookies.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(MergeCookies, ReplyCookiesFirstThenUnnamedOldOnes) {
  struct Case {
    const char* old_text;
    const char* fresh;
    const char* expect;
  } cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1"},
      {"a=1", "a=deleted", ""},
      {"b=2", "a=1; b=deleted", "a=1"},
      {"", "x=1; x=1", "x=1"},
      {"", "a=1; a=2", "a=1; a=2"},
      {"a=1; a=2", "", "a=1"},
      {"SID=1", "sid=2", "sid=2; SID=1"},
      {" a =1", "a=5", "a=5"},
      {"t=x=deleted; u=1", "", "u=1"},
      {"a=1; b=2;", "c=3", "c=3; a=1; b=2"},
      {"a=1; b=2; ", "c=3", "c=3; a=1; b=2"},
      {"", "c=3;", "c=3"},
      {"", "", ""},
      // What the Cookie: prefix removal leaves: a blank in front.
      {" a=1", "b=2", "b=2; a=1"},
      // After a failed exchange: deleted items and later same-name items go.
      {"a=1; d=deleted; a=2; b=2", "", "a=1; b=2"},
      // A semicolon without a blank does not separate items.
      {"a=1;b=2", "a=3", "a=3"},
      {"flag; a=1", "flag", "flag; a=1"},
      // Values may hold "=" and the name is what stands before the first one.
      {"k=a=b", "k=c=d", "k=c=d"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.old_text) + " | " + c.fresh);
    Text old_text(c.old_text);
    Text fresh(c.fresh);
    Text merged = merge_cookies(old_text, fresh);
    EXPECT_EQ(merged, Text(c.expect));
    EXPECT_EQ(old_text, Text(c.expect));  // also stored into old
  }
}

TEST(MergeCookies, NormalisesTheReplyTextInPlace) {
  struct Case {
    const char* fresh;
    const char* normalised;
  } cases[] = {
      {"  a=1  ", "a=1"},
      {"a=1;", "a=1; "},
      {" a=1; ", "a=1; "},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fresh);
    Text old_text;
    Text fresh(c.fresh);
    merge_cookies(old_text, fresh);
    EXPECT_EQ(fresh, Text(c.normalised));
  }
}

TEST(CookieName, TrimmedTextBeforeTheFirstEquals) {
  struct Case {
    const char* item;
    const char* name;
  } cases[] = {
      {"a=1", "a"}, {" a =1", "a"}, {"a=b=c", "a"}, {"=v", ""},
      {"flag", "flag"}, {"  flag  ", "flag"}, {"", ""},
      {"\xa1\xa1wide\xa1\xa1=1", "wide"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(cookie_name(c.item), Text(c.name));
  }
}

TEST(HasCookieNamed, ComparesNamesByteForByte) {
  const TextList items = {"SID=1", " b =2", "flag"};
  struct Case {
    const char* name;
    bool expect;
  } cases[] = {
      {"SID", true}, {"sid", false}, {"b", true}, {" b ", false}, {"flag", true},
      {"fla", false}, {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(has_cookie_named(items, c.name), c.expect);
  }
  EXPECT_FALSE(has_cookie_named({}, "a"));
  EXPECT_TRUE(has_cookie_named({"=x"}, ""));
}

}  // namespace
}  // namespace quillon
