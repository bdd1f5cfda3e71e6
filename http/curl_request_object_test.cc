// The libcurl request object, driven through web_request against a loopback
// TestServer: what goes on the wire and what comes back.
#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "http/request_object.h"
#include "http/testing/test_server.h"
#include "http/web_request.h"

namespace quillon {
namespace {

using testing::ReceivedRequest;
using testing::Reply;
using testing::ServerOptions;
using testing::TestServer;
using Headers = std::vector<std::pair<std::string, std::string>>;

const char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Reply ok_reply(std::string body = "ok", Headers headers = {}) {
  Reply reply;
  reply.body = std::move(body);
  reply.headers = std::move(headers);
  return reply;
}

// A port on 127.0.0.1 that nothing listens on: bound by the OS, then closed.
int refused_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

class CurlRequestObjectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { http_global_init(); }
};

TEST_F(CurlRequestObjectTest, PostGoesOnTheWireAsGiven) {
  TestServer server([](const ReceivedRequest&) { return ok_reply(); });
  const std::string body("a=1&b=\0\xff\r\n", 11);
  Text cookies = "sid=42; lang=zh";
  std::int32_t status = 0;
  std::string url = server.base_url() + "/login.php?action=in";
  Bytes reply = web_request({.url = Text(url),
                             .method = 1,
                             .cookies = &cookies,
                             .extra_headers = "x-requested-with: XMLHttpRequest",
                             .status_code = &status,
                             .post_bytes = Bytes(body)});
  EXPECT_EQ(reply.str(), "ok");
  EXPECT_EQ(status, 200);

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const ReceivedRequest& request = requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/login.php?action=in");
  EXPECT_EQ(request.body, body);
  const Headers expect = {
      {"Host", "127.0.0.1:" + std::to_string(server.port())},
      {"Cookie", "sid=42; lang=zh"},
      {"X-Requested-With", "XMLHttpRequest"},
      {"Accept", "*/*"},
      {"Referer", url},
      {"Accept-Language", "zh-cn"},
      {"User-Agent", kUserAgent},
      {"Content-Type", "application/x-www-form-urlencoded"},
      {"Content-Length", "11"},
  };
  EXPECT_EQ(request.headers, expect) << request.head;
}

TEST_F(CurlRequestObjectTest, AddsNothingOfItsOwnWithoutDefaults) {
  TestServer server([](const ReceivedRequest&) { return ok_reply(); });
  // Above 1 MiB libcurl would ask for "Expect: 100-continue" by default.
  const std::string big(2 * 1024 * 1024, 'b');
  struct Case {
    std::int32_t method;
    std::string post_text;
    const char* name;
    Headers expect_extra;  // after Host
  } cases[] = {
      {0, "", "GET", {}},
      {1, "", "POST", {{"Content-Length", "0"}}},
      {1, "q=1", "POST", {{"Content-Length", "3"}}},
      {1, big, "POST", {{"Content-Length", std::to_string(big.size())}}},
      {3, "put body", "PUT", {{"Content-Length", "8"}}},
      {5, "", "DELETE", {}},
      {4, "", "OPTIONS", {}},
      {0, "get body", "GET", {{"Content-Length", "8"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.post_text.substr(0, 10));
    server.clear_requests();
    Bytes reply = web_request({.url = Text(server.base_url() + "/m"),
                               .method = c.method,
                               .post_text = Text(c.post_text),
                               .complete_headers = false});
    EXPECT_EQ(reply.str(), "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, c.name);
    Headers expect = {{"Host", "127.0.0.1:" + std::to_string(server.port())}};
    expect.insert(expect.end(), c.expect_extra.begin(), c.expect_extra.end());
    EXPECT_EQ(requests[0].headers, expect) << requests[0].head;
    EXPECT_EQ(requests[0].body, c.post_text);
  }
}

TEST_F(CurlRequestObjectTest, LaterHeaderReplacesEarlierAndEmptyValuesGoOut) {
  TestServer server([](const ReceivedRequest&) { return ok_reply(); });
  auto object = create_request_object();
  ASSERT_NE(object, nullptr);
  object->Open("GET", Text(server.base_url() + "/h"), false);
  object->SetRequestHeader("X-Token", "first");
  object->SetRequestHeader("Cookie", "");
  object->SetRequestHeader("x-token", "second");
  object->SetRequestHeader("Accept", "text/html");
  object->Send(Text());
  EXPECT_EQ(object->Status(), 200);
  ASSERT_EQ(server.requests().size(), 1u);
  const Headers expect = {{"Host", "127.0.0.1:" + std::to_string(server.port())},
                          {"x-token", "second"},
                          {"Cookie", ""},
                          {"Accept", "text/html"}};
  EXPECT_EQ(server.requests()[0].headers, expect) << server.requests()[0].head;
}

TEST_F(CurlRequestObjectTest, HarvestsSetCookieLinesOfTheReply) {
  TestServer server([](const ReceivedRequest&) {
    return ok_reply("", {{"Set-Cookie", "sid=abc; path=/; HttpOnly"},
                         {"Set-Cookie", "theme=dark"},
                         {"set-cookie", "lower=1"}});
  });
  Text reply_cookies;
  Text reply_headers;
  web_request({.url = Text(server.base_url() + "/"),
               .reply_cookies = &reply_cookies,
               .reply_headers = &reply_headers});
  EXPECT_EQ(reply_cookies, Text("sid=abc; theme=dark"));
  EXPECT_EQ(reply_headers, Text("Set-Cookie: sid=abc; path=/; HttpOnly\r\nSet-Cookie: theme=dark\r\n"
                                "set-cookie: lower=1\r\nContent-Length: 0\r\n"));
}

TEST_F(CurlRequestObjectTest, RedirectFollowedOrReturned) {
  TestServer server([](const ReceivedRequest& request) {
    if (request.target == "/start") {
      Reply reply = ok_reply("moved", {{"Location", "/final"}, {"Set-Cookie", "step=1; path=/"}});
      reply.status = 302;
      reply.reason = "Found";
      return reply;
    }
    return ok_reply("final page", {{"Set-Cookie", "done=2"}});
  });
  struct Case {
    bool no_redirect;
    std::int32_t status;
    const char* body;
    const char* cookies;
    std::vector<std::string> targets;
  } cases[] = {
      {false, 200, "final page", "done=2", {"/start", "/final"}},
      {true, 302, "moved", "step=1", {"/start"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.no_redirect);
    server.clear_requests();
    Text reply_cookies;
    Text reply_headers;
    std::int32_t status = 0;
    Bytes body = web_request({.url = Text(server.base_url() + "/start"),
                              .reply_cookies = &reply_cookies,
                              .reply_headers = &reply_headers,
                              .status_code = &status,
                              .no_redirect = c.no_redirect});
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(body.str(), c.body);
    EXPECT_EQ(reply_cookies, Text(c.cookies));
    // Only the final reply's headers come back.
    EXPECT_EQ(reply_headers.str().find("Location:") != std::string::npos, c.no_redirect)
        << reply_headers.str();
    std::vector<std::string> targets;
    for (const auto& request : server.requests()) targets.push_back(request.target);
    EXPECT_EQ(targets, c.targets);
  }
}

TEST_F(CurlRequestObjectTest, CompressedBodyComesBackUndecoded) {
  const std::string gzip_body(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\x48\xcd\xc9\xc9\xd7\x51\x48\xaf\xca\x2c\x00"
      "\x00\x4a\x9b\xb1\x5c\x0b\x00\x00\x00",
      31);
  TestServer server([&](const ReceivedRequest&) {
    return ok_reply(gzip_body, {{"Content-Encoding", "gzip"}, {"Content-Type", "text/plain"}});
  });
  Bytes body = web_request({.url = Text(server.base_url() + "/upload")});
  EXPECT_EQ(body.str(), gzip_body);
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].header_count("Accept-Encoding"), 0);
}

TEST_F(CurlRequestObjectTest, HeadAsksForNoBody) {
  TestServer server([](const ReceivedRequest&) { return ok_reply("0123456789"); });
  Text reply_headers;
  std::int32_t status = 0;
  Bytes body = web_request({.url = Text(server.base_url() + "/h"),
                            .method = 2,
                            .reply_headers = &reply_headers,
                            .status_code = &status,
                            .timeout_seconds = 5});
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(reply_headers, Text("Content-Length: 10\r\n"));
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].method, "HEAD");
}

TEST_F(CurlRequestObjectTest, TlsWithSelfSignedCertificate) {
  TestServer server([](const ReceivedRequest& request) { return ok_reply("secure " + request.body); },
                    {.tls = true});
  std::int32_t status = 0;
  Bytes body = web_request({.url = Text(server.base_url() + "/s"),
                            .method = 1,
                            .post_text = "x",
                            .status_code = &status});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body.str(), "secure x");

  // Without the certificate option the same exchange is refused, so it is
  // that option, not a lax default, that lets the call through.
  auto object = create_request_object();
  ASSERT_NE(object, nullptr);
  object->Open("GET", Text(server.base_url() + "/s"), false);
  object->Send(Text());
  EXPECT_EQ(object->Status(), 0);
  EXPECT_TRUE(object->ResponseBody().empty());
}

TEST_F(CurlRequestObjectTest, FailuresLeaveEverythingEmpty) {
  TestServer stalled([](const ReceivedRequest&) {
    Reply reply;
    reply.stall = true;
    return reply;
  });
  struct Case {
    const char* name;
    std::string url;
    std::int32_t timeout_seconds;
  } cases[] = {
      {"refused", "http://127.0.0.1:" + std::to_string(refused_port()) + "/", 0},
      {"stalled", stalled.base_url() + "/", 1},
      {"not http", "ftp://127.0.0.1:" + std::to_string(stalled.port()) + "/", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Text reply_headers = "stale";
    Text reply_cookies = "stale";
    std::int32_t status = -1;
    auto start = std::chrono::steady_clock::now();
    Bytes body = web_request({.url = Text(c.url),
                              .reply_cookies = &reply_cookies,
                              .reply_headers = &reply_headers,
                              .status_code = &status,
                              .timeout_seconds = c.timeout_seconds});
    // Loose bound: the call must end by itself well before the 15 s default.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reply_headers, Text(""));
    EXPECT_EQ(reply_cookies, Text(""));
  }
}

TEST_F(CurlRequestObjectTest, SlowReplyWithinTheLimitArrives) {
  TestServer server([](const ReceivedRequest&) {
    Reply reply = ok_reply("late");
    reply.delay = std::chrono::milliseconds(400);
    return reply;
  });
  Bytes body = web_request({.url = Text(server.base_url() + "/"), .timeout_seconds = 2});
  EXPECT_EQ(body.str(), "late");
}

TEST_F(CurlRequestObjectTest, ProxyAndCredentialTargets) {
  // The test server stands in for the proxy: it sees the absolute address.
  TestServer proxy([](const ReceivedRequest&) { return ok_reply("via proxy"); });
  struct Case {
    std::optional<std::int32_t> target;
    const char* proxy_authorization;
    const char* authorization;
  } cases[] = {
      {std::nullopt, "Basic dXNlcjpwYXNz", ""},
      {0, "", "Basic dXNlcjpwYXNz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target.value_or(-1));
    proxy.clear_requests();
    Bytes body = web_request({.url = "http://forum.invalid/page",
                              .proxy = Text(proxy.base_url()),
                              .proxy_user = "user",
                              .proxy_password = "pass",
                              .credential_target = c.target,
                              .complete_headers = false});
    EXPECT_EQ(body.str(), "via proxy");
    auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "http://forum.invalid/page");
    EXPECT_EQ(requests[0].header("Proxy-Authorization"), c.proxy_authorization);
    EXPECT_LE(requests[0].header_count("Proxy-Authorization"), 1);
    EXPECT_EQ(requests[0].header("Authorization"), c.authorization);
  }
}

TEST_F(CurlRequestObjectTest, ReusedObjectStartsEachExchangeAfresh) {
  TestServer server([](const ReceivedRequest& request) { return ok_reply("to " + request.target); });
  auto object = create_request_object();
  ASSERT_NE(object, nullptr);
  web_request({.url = Text(server.base_url() + "/one"), .extra_headers = "X-Once: 1",
               .request_object = object});
  Bytes second = web_request({.url = Text(server.base_url() + "/two"), .request_object = object});
  EXPECT_EQ(second.str(), "to /two");
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].header_count("X-Once"), 0);
}

}  // namespace
}  // namespace quillon
