#include "http/web_request.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "http/testing/fake_request_object.h"

namespace quillon {
namespace {

using testing::FakeRequestObject;
using Headers = std::vector<std::pair<std::string, std::string>>;

const char kUrl[] = "http://forum.test/login.php?action=in";
const char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Runs web_request with a fresh fake made through the factory seam and hands
// the fake back for inspection.
std::shared_ptr<FakeRequestObject> run(WebRequestOptions options, FakeRequestObject::Reply reply = {},
                                       Bytes* result = nullptr) {
  auto fake = std::make_shared<FakeRequestObject>(std::move(reply));
  options.create_object = [fake] { return fake; };
  if (options.url.empty()) options.url = kUrl;
  Bytes body = web_request(options);
  if (result) *result = body;
  return fake;
}

const Headers kGetDefaults = {{"Accept", "*/*"},
                              {"Referer", kUrl},
                              {"Accept-Language", "zh-cn"},
                              {"User-Agent", kUserAgent}};

TEST(WebRequest, PlainGetCallsTheRequestObjectInOrder) {
  auto fake = run({});
  const std::vector<std::string> expect = {
      "SetTimeouts(15000, 15000, 15000, 15000)",
      std::string("Open(GET, ") + kUrl + ", false)",
      "Option(4, 13056)",
      "SetRequestHeader(Accept, */*)",
      std::string("SetRequestHeader(Referer, ") + kUrl + ")",
      "SetRequestHeader(Accept-Language, zh-cn)",
      std::string("SetRequestHeader(User-Agent, ") + kUserAgent + ")",
      "Send(Text, )",
      "ResponseBody()",
      "GetAllResponseHeaders()",
      "Status()",
      "StatusText()",
  };
  EXPECT_EQ(fake->calls, expect);
}

TEST(WebRequest, FullCallSetsEverythingBeforeTheHeaderLines) {
  Text cookies = "a=1";
  auto fake = run({.method = 1,
                   .post_text = "x=1",
                   .cookies = &cookies,
                   .extra_headers = "X-One: 1",
                   .no_redirect = true,
                   .proxy = "proxy.test:8080",
                   .timeout_seconds = 30,
                   .proxy_user = "user",
                   .proxy_password = "pass"});
  const std::vector<std::string> expect = {
      "SetTimeouts(30000, 30000, 30000, 30000)",
      "SetProxy(2, proxy.test:8080)",
      std::string("Open(POST, ") + kUrl + ", false)",
      "Option(6, 0)",
      "Option(4, 13056)",
      "SetCredentials(user, pass, 1)",
      "SetRequestHeader(Proxy-Authorization, Basic dXNlcjpwYXNz)",
      "SetRequestHeader(Cookie, a=1)",
      "SetRequestHeader(X-One, 1)",
      "SetRequestHeader(Accept, */*)",
      std::string("SetRequestHeader(Referer, ") + kUrl + ")",
      "SetRequestHeader(Accept-Language, zh-cn)",
      std::string("SetRequestHeader(User-Agent, ") + kUserAgent + ")",
      "SetRequestHeader(Content-Type, application/x-www-form-urlencoded)",
      "Send(Text, x=1)",
      "ResponseBody()",
      "GetAllResponseHeaders()",
      "Status()",
      "StatusText()",
  };
  EXPECT_EQ(fake->calls, expect);
}

TEST(WebRequest, MethodOutsideTheTableCountsAsGet) {
  struct Case {
    std::int32_t method;
    const char* name;
  } cases[] = {{-1, "GET"},     {0, "GET"},    {1, "POST"},  {2, "HEAD"},
               {3, "PUT"},      {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"},
               {7, "CONNECT"},  {8, "GET"},    {100, "GET"}, {INT32_MIN, "GET"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    auto fake = run({.method = c.method});
    EXPECT_EQ(fake->calls.at(1), std::string("Open(") + c.name + ", " + kUrl + ", false)");
    // Only the normalised POST gets the default Content-Type line.
    bool has_content_type = false;
    for (const auto& header : fake->headers) has_content_type |= header.first == "Content-Type";
    EXPECT_EQ(has_content_type, c.method == 1);
  }
}

TEST(WebRequest, TimeOutValues) {
  struct Case {
    std::int32_t seconds;
    const char* call;  // null: no SetTimeouts at all
  } cases[] = {
      {-1, nullptr},
      {0, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {-5, "SetTimeouts(15000, 15000, 15000, 15000)"},
      {1, "SetTimeouts(1000, 1000, 1000, 1000)"},
      {30, "SetTimeouts(30000, 30000, 30000, 30000)"},
      {2147483, "SetTimeouts(2147483000, 2147483000, 2147483000, 2147483000)"},
      // Beyond the documented range the limit is held at the largest value.
      {2147484, "SetTimeouts(2147483647, 2147483647, 2147483647, 2147483647)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    auto fake = run({.timeout_seconds = c.seconds});
    if (c.call) {
      EXPECT_EQ(fake->calls.front(), c.call);
    } else {
      EXPECT_EQ(fake->calls.front().rfind("Open(", 0), 0u) << fake->calls.front();
    }
  }
}

TEST(WebRequest, HeaderLinesFromExtraHeadersAndDefaults) {
  struct Case {
    const char* name;
    std::int32_t method;
    const char* extra;
    bool complete;
    bool normalise;
    Headers expect;
  } cases[] = {
      {"get defaults", 0, "", true, true, kGetDefaults},
      {"get defaults, not normalised", 0, "", true, false, kGetDefaults},
      {"post defaults",
       1,
       "",
       true,
       true,
       {{"Accept", "*/*"},
        {"Referer", kUrl},
        {"Accept-Language", "zh-cn"},
        {"User-Agent", kUserAgent},
        {"Content-Type", "application/x-www-form-urlencoded"}}},
      {"lower-case accept suppresses the default and is capitalised",
       0,
       "accept: text/html",
       true,
       true,
       {{"Accept", "text/html"}, {"Referer", kUrl}, {"Accept-Language", "zh-cn"}, {"User-Agent", kUserAgent}}},
      {"lower-case accept kept as written without normalising",
       0,
       "accept: text/html",
       true,
       false,
       {{"accept", "text/html"}, {"Referer", kUrl}, {"Accept-Language", "zh-cn"}, {"User-Agent", kUserAgent}}},
      {"X-Accept also suppresses the default Accept",
       0,
       "X-Accept: 1",
       true,
       true,
       {{"X-Accept", "1"}, {"Referer", kUrl}, {"Accept-Language", "zh-cn"}, {"User-Agent", kUserAgent}}},
      {"own Content-Type and User-Agent win",
       1,
       "Content-Type: multipart/form-data; boundary=b\r\nuser-agent: Q",
       true,
       true,
       {{"Content-Type", "multipart/form-data; boundary=b"},
        {"User-Agent", "Q"},
        {"Accept", "*/*"},
        {"Referer", kUrl},
        {"Accept-Language", "zh-cn"}}},
      {"no completion, no extra headers", 0, "", false, true, {}},
      {"no completion, one line without CR LF", 0, "x-one: 1", false, true, {{"X-One", "1"}}},
      {"no completion, one line without a colon", 0, "junk", false, false, {}},
      {"keep-alive Connection skipped, others applied",
       0,
       "Connection: keep-alive\r\nConnection: close\r\nProxy-Connection: keep-alive\r\nA: 1",
       false,
       true,
       {{"Connection", "close"}, {"Proxy-Connection", "keep-alive"}, {"A", "1"}}},
      {"keep-alive test is case-sensitive",
       0,
       "connection: keep-alive\r\nConnection: Keep-Alive\r\n",
       false,
       false,
       {{"connection", "keep-alive"}, {"Connection", "Keep-Alive"}}},
      {"normalising lets the keep-alive test see the name",
       0,
       "connection: keep-alive\r\nA: 1",
       false,
       true,
       {{"A", "1"}}},
      {"lines without a name add nothing",
       0,
       "junk\r\n: empty name\r\n\r\nB:  2 ",
       false,
       false,
       {{"B", "2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto fake = run({.method = c.method,
                     .extra_headers = c.extra,
                     .complete_headers = c.complete,
                     .normalise_header_case = c.normalise});
    EXPECT_EQ(fake->headers, c.expect);
  }
}

TEST(WebRequest, CookieHeaderAndPrefixRemoval) {
  struct Case {
    const char* given;
    bool merge;
    const char* sent;
    const char* after;
  } cases[] = {
      // The prefix goes, the blank behind it stays in the caller's text.
      {"Cookie: a=1", false, " a=1", " a=1"},
      // Merging then trims it.
      {"Cookie: a=1", true, " a=1", "a=1"},
      {"cookie:a=1; COOKIE:b=2", false, "a=1; b=2", "a=1; b=2"},
      {"a=1; b=2", false, "a=1; b=2", "a=1; b=2"},
      {"", false, "", ""},
      {"", true, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    Text cookies(c.given);
    auto fake = run({.cookies = &cookies, .auto_merge_cookies = c.merge, .complete_headers = false});
    EXPECT_EQ(fake->headers, (Headers{{"Cookie", c.sent}}));
    EXPECT_EQ(cookies, Text(c.after));
  }

  auto fake = run({.complete_headers = false});
  EXPECT_TRUE(fake->headers.empty()) << "no Cookie header when cookies are not given";
}

TEST(WebRequest, HarvestsSetCookieLinesWithoutAttributes) {
  struct Case {
    const char* headers;
    const char* harvested;
  } cases[] = {
      {"Set-Cookie: a=1; path=/; HttpOnly\r\nSet-Cookie: b=2\r\n", "a=1; b=2"},
      {"HTTP/1.1 302 Found\r\nLocation: /\r\nSet-Cookie: b=2\r\nSet-Cookie: a=1; expires=x\r\n",
       "b=2; a=1"},
      // Only the exact name counts.
      {"set-cookie: a=1\r\nSET-COOKIE: b=2\r\nX-Set-Cookie: c=3\r\nSet-Cookie: d=4", "d=4"},
      // No ": " after the name: not a Set-Cookie line.
      {"Set-Cookie:a=1\r\n", ""},
      {"Set-Cookie:   spaced=1   \r\n", "spaced=1"},
      {"Set-Cookie: a=1;\r\n", "a=1"},
      {"Set-Cookie: a=deleted; path=/\r\n", "a=deleted"},
      {"Content-Type: text/html\r\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    Text reply_cookies = "stale";
    Text reply_headers;
    run({.reply_cookies = &reply_cookies, .reply_headers = &reply_headers},
        {.body = "ok", .headers = c.headers, .status = 200});
    EXPECT_EQ(reply_cookies, Text(c.harvested));
    EXPECT_EQ(reply_headers, Text(c.headers));
  }
}

TEST(WebRequest, MergesReplyCookiesIntoTheSentOnes) {
  const FakeRequestObject::Reply reply = {
      .headers = "Set-Cookie: b=3; path=/\r\nSet-Cookie: c=deleted\r\n", .status = 200};
  struct Case {
    std::optional<bool> merge;
    const char* cookies_after;
    const char* reply_cookies_after;
  } cases[] = {
      {std::nullopt, "b=3; a=1", "b=3; a=1"},
      {true, "b=3; a=1", "b=3; a=1"},
      {false, "a=1; b=2; c=4", "b=3; c=deleted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cookies_after);
    Text cookies = "a=1; b=2; c=4";
    Text reply_cookies;
    run({.cookies = &cookies, .reply_cookies = &reply_cookies, .auto_merge_cookies = c.merge}, reply);
    EXPECT_EQ(cookies, Text(c.cookies_after));
    EXPECT_EQ(reply_cookies, Text(c.reply_cookies_after));
  }
}

TEST(WebRequest, SendsPostBytesOverPostTextFromTheCallersBuffer) {
  const std::string binary("\x89PNG\r\n\x1a\n\0\0\xff", 11);
  WebRequestOptions options{.method = 1, .post_text = "text body", .post_bytes = Bytes(binary)};
  auto fake = run(options);
  EXPECT_TRUE(fake->sent_as_bytes);
  EXPECT_EQ(fake->sent_body, binary);

  // web_request hands over the caller's own Bytes, not a copy: run() copies
  // the options once, so check with a request object given directly.
  auto direct = std::make_shared<FakeRequestObject>();
  options.url = kUrl;
  options.request_object = direct;
  web_request(options);
  EXPECT_EQ(direct->sent_bytes_address, static_cast<const void*>(options.post_bytes.data()));

  fake = run({.method = 1, .post_text = "text body", .post_bytes = Bytes()});
  EXPECT_FALSE(fake->sent_as_bytes);
  EXPECT_EQ(fake->sent_body, "text body");
}

TEST(WebRequest, ProxyCredentials) {
  struct Case {
    const char* name;
    const char* proxy;
    const char* user;
    std::optional<std::int32_t> target;
    const char* credentials_call;  // null: none
    bool authorization_header;
  } cases[] = {
      {"default target is the proxy", "p:1", "user", std::nullopt, "SetCredentials(user, pass, 1)", true},
      {"explicit proxy target", "p:1", "user", 1, "SetCredentials(user, pass, 1)", true},
      {"server target", "p:1", "user", 0, "SetCredentials(user, pass, 0)", false},
      {"other target", "p:1", "user", 3, "SetCredentials(user, pass, 3)", false},
      {"no proxy", "", "user", std::nullopt, nullptr, false},
      {"no user", "p:1", "", std::nullopt, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto fake = run({.proxy = c.proxy,
                     .proxy_user = c.user,
                     .proxy_password = "pass",
                     .credential_target = c.target,
                     .complete_headers = false});
    int credential_calls = 0;
    for (const auto& call : fake->calls) {
      if (call.rfind("SetCredentials(", 0) == 0) {
        ++credential_calls;
        EXPECT_EQ(call, c.credentials_call ? c.credentials_call : "(none)");
      }
    }
    EXPECT_EQ(credential_calls, c.credentials_call ? 1 : 0);
    Headers expect_headers;
    if (c.authorization_header) expect_headers = {{"Proxy-Authorization", "Basic dXNlcjpwYXNz"}};
    EXPECT_EQ(fake->headers, expect_headers);
  }
}

TEST(WebRequest, HandsBackTheReply) {
  Text reply_headers;
  std::int32_t status = -1;
  Bytes body;
  const std::string binary("\x1f\x8b\x08\0gz", 6);
  run({.reply_headers = &reply_headers, .status_code = &status},
      {.body = binary, .headers = "Content-Encoding: gzip\r\n", .status = 201, .status_text = "Created"},
      &body);
  EXPECT_EQ(body.str(), binary);
  EXPECT_EQ(reply_headers, Text("Content-Encoding: gzip\r\n"));
  EXPECT_EQ(status, 201);
}

TEST(WebRequest, FailedExchangeWritesEmptyOutputsAndKeepsOldCookies) {
  Text cookies = "a=1; d=deleted; a=2; b=2";
  Text reply_cookies = "stale";
  Text reply_headers = "stale";
  std::int32_t status = -1;
  Bytes body(std::string_view("stale"));
  run({.cookies = &cookies,
       .reply_cookies = &reply_cookies,
       .reply_headers = &reply_headers,
       .status_code = &status},
      {}, &body);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(reply_headers, Text(""));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(cookies, Text("a=1; b=2"));
  EXPECT_EQ(reply_cookies, Text("a=1; b=2"));
}

TEST(WebRequest, CreationFailureWritesNothing) {
  Text cookies = "Cookie: a=1";
  Text reply_cookies = "rc";
  Text reply_headers = "rh";
  std::int32_t status = 7;
  int factory_calls = 0;
  Bytes body = web_request({.url = kUrl,
                            .cookies = &cookies,
                            .reply_cookies = &reply_cookies,
                            .reply_headers = &reply_headers,
                            .status_code = &status,
                            .create_object = [&]() -> std::shared_ptr<RequestObject> {
                              ++factory_calls;
                              return nullptr;
                            }});
  EXPECT_EQ(factory_calls, 1);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(cookies, Text("Cookie: a=1"));
  EXPECT_EQ(reply_cookies, Text("rc"));
  EXPECT_EQ(reply_headers, Text("rh"));
  EXPECT_EQ(status, 7);
}

TEST(WebRequest, UsesAGivenRequestObjectAndLeavesItToTheCaller) {
  auto given = std::make_shared<FakeRequestObject>(FakeRequestObject::Reply{.body = "b", .status = 200});
  bool factory_called = false;
  Bytes body = web_request({.url = kUrl,
                            .request_object = given,
                            .create_object = [&]() -> std::shared_ptr<RequestObject> {
                              factory_called = true;
                              return nullptr;
                            }});
  EXPECT_FALSE(factory_called);
  EXPECT_EQ(body.str(), "b");
  EXPECT_EQ(given.use_count(), 1);  // web_request dropped its own reference
  EXPECT_FALSE(given->calls.empty());
}

}  // namespace
}  // namespace quillon
