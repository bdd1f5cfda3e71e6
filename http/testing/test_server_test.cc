#include "http/testing/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <string>

#include <gtest/gtest.h>

namespace quillon::testing {
namespace {

// A blocking client socket with a 10 s receive limit, so no test can hang on
// a server that does not answer.
class RawClient {
 public:
  explicit RawClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval limit{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  int fd() const { return fd_; }

  bool send_all(std::string_view data) {
    while (!data.empty()) {
      ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Reads until the buffer holds `until` (returns everything read up to and
  // including it) or the stream ends; empty when neither happens in time.
  std::string read_until(std::string_view until) {
    for (;;) {
      std::size_t at = buffer_.find(until);
      if (at != std::string::npos) {
        std::string out = buffer_.substr(0, at + until.size());
        buffer_.erase(0, at + until.size());
        return out;
      }
      char piece[4096];
      ssize_t n = ::recv(fd_, piece, sizeof piece, 0);
      if (n <= 0) return {};
      buffer_.append(piece, static_cast<std::size_t>(n));
    }
  }

  // Reads exactly count more bytes; fewer when the stream ends first.
  std::string read_count(std::size_t count) {
    while (buffer_.size() < count) {
      char piece[4096];
      ssize_t n = ::recv(fd_, piece, sizeof piece, 0);
      if (n <= 0) break;
      buffer_.append(piece, static_cast<std::size_t>(n));
    }
    std::string out = buffer_.substr(0, count);
    buffer_.erase(0, out.size());
    return out;
  }

  // True when the server closes the connection (before the receive limit).
  bool sees_close() {
    char piece[256];
    return buffer_.empty() && ::recv(fd_, piece, sizeof piece, 0) == 0;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  std::string buffer_;
};

Reply echo_body(const ReceivedRequest& request) {
  Reply reply;
  reply.body = request.body;
  return reply;
}

TEST(TestServer, DecodesRequestBodiesOfEveryFraming) {
  struct Case {
    const char* name;
    std::string request;
    std::string method, target, body;
  } cases[] = {
      {"no body", "GET /a?b=1 HTTP/1.1\r\nHost: x\r\n\r\n", "GET", "/a?b=1", ""},
      {"content-length", "POST /p HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", "POST", "/p",
       "hello"},
      {"binary content-length",
       std::string("PUT /b HTTP/1.1\r\nContent-Length: 4\r\n\r\n\0\r\n\xff", 42), "PUT", "/b",
       std::string("\0\r\n\xff", 4)},
      {"chunked with extension and trailer",
       "POST /c HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
       "3;ext=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-Trailer: t\r\n\r\n",
       "POST", "/c", "abc0123456789"},
  };
  TestServer server(echo_body);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server.clear_requests();
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.send_all(c.request));
    std::string head = client.read_until("\r\n\r\n");
    EXPECT_EQ(head.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << head;
    std::string length = "Content-Length: " + std::to_string(c.body.size()) + "\r\n";
    EXPECT_NE(head.find(length), std::string::npos) << head;
    EXPECT_EQ(client.read_count(c.body.size()), c.body);

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, c.method);
    EXPECT_EQ(requests[0].target, c.target);
    EXPECT_EQ(requests[0].body, c.body);
    EXPECT_EQ(requests[0].head, c.request.substr(0, c.request.find("\r\n\r\n") + 4));
  }
}

TEST(TestServer, ReassemblesARequestArrivingInSmallPieces) {
  TestServer server(echo_body);
  RawClient client(server.port());
  const std::string request =
      "POST /piece HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
      "4\r\nwire\r\n6\r\n-bytes\r\n0\r\n\r\n";
  // Three bytes at a time, so every separator is cut somewhere.
  for (std::size_t at = 0; at < request.size(); at += 3) {
    ASSERT_TRUE(client.send_all(request.substr(at, 3)));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
  EXPECT_EQ(client.read_count(10), "wire-bytes");
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].target, "/piece");
}

TEST(TestServer, KeepsHeadersAsSentAndAnswersInOrderOnOneConnection) {
  TestServer server([](const ReceivedRequest& request) {
    Reply reply;
    reply.status = 302;
    reply.reason = "Found";
    reply.headers = {{"Set-Cookie", "a=1; path=/"}, {"Location", "/next"}, {"set-cookie", "b=2"}};
    reply.body = "to " + request.target;
    return reply;
  });
  RawClient client(server.port());
  ASSERT_TRUE(client.connected());
  ASSERT_TRUE(client.send_all("GET /one HTTP/1.1\r\nhost:  x \r\nX-Dup: 1\r\nx-dup: 2\r\n\r\n"
                              "GET /two HTTP/1.1\r\nHost: x\r\n\r\n"));
  for (std::string target : {"/one", "/two"}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(client.read_until("\r\n\r\n"),
              "HTTP/1.1 302 Found\r\nSet-Cookie: a=1; path=/\r\nLocation: /next\r\n"
              "set-cookie: b=2\r\nContent-Length: " +
                  std::to_string(3 + target.size()) + "\r\n\r\n");
    EXPECT_EQ(client.read_count(3 + target.size()), "to " + target);
  }
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/one");
  EXPECT_EQ(requests[1].target, "/two");
  using Headers = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(requests[0].headers, (Headers{{"host", "x"}, {"X-Dup", "1"}, {"x-dup", "2"}}));
  EXPECT_EQ(requests[0].header("X-DUP"), "1");
  EXPECT_EQ(requests[0].header_count("x-dup"), 2);
  EXPECT_EQ(requests[0].header("Absent"), "");
  EXPECT_EQ(requests[0].header_count("Absent"), 0);
}

TEST(TestServer, HeadReplyCarriesLengthButNoBody) {
  TestServer server([](const ReceivedRequest&) {
    Reply reply;
    reply.body = "0123456789";
    return reply;
  });
  RawClient client(server.port());
  ASSERT_TRUE(client.send_all("HEAD / HTTP/1.1\r\nHost: x\r\n\r\nGET / HTTP/1.1\r\nHost: x\r\n\r\n"));
  EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
  // The next bytes belong to the second reply, not to a body of the first.
  EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
  EXPECT_EQ(client.read_count(10), "0123456789");
}

TEST(TestServer, ClosesAfterConnectionClose) {
  TestServer server(echo_body);
  RawClient client(server.port());
  ASSERT_TRUE(client.send_all("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n"));
  EXPECT_FALSE(client.read_until("Content-Length: 0\r\n\r\n").empty());
  EXPECT_TRUE(client.sees_close());
}

TEST(TestServer, AnswersExpectContinueBeforeTheBody) {
  TestServer server(echo_body);
  RawClient client(server.port());
  ASSERT_TRUE(client.send_all("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n"));
  EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 100 Continue\r\n\r\n");
  ASSERT_TRUE(client.send_all("abc"));
  EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n");
  EXPECT_EQ(client.read_count(3), "abc");
}

TEST(TestServer, ReadsWholeBodyButKeepsOnlyTheLimit) {
  const std::string body(3 * 1024 * 1024 + 17, 'z');
  char size_line[32];
  std::snprintf(size_line, sizeof size_line, "%zx\r\n", body.size());
  struct Case {
    ServerOptions options;
    std::size_t kept_records;
  } cases[] = {{{.record_body_limit = 10}, 2}, {{.record_body_limit = 0, .record = false}, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.record_body_limit);
    std::vector<std::size_t> seen_by_handler;
    std::vector<ReceivedRequest> requests;
    {
      TestServer server(
          [&](const ReceivedRequest& request) {
            seen_by_handler.push_back(request.body.size());  // one connection: one thread
            return Reply{};
          },
          c.options);
      RawClient client(server.port());
      ASSERT_TRUE(client.send_all("POST /l HTTP/1.1\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\n\r\n"));
      ASSERT_TRUE(client.send_all(body));
      EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
      ASSERT_TRUE(client.send_all(std::string("POST /c HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") +
                                  size_line));
      ASSERT_TRUE(client.send_all(body));
      ASSERT_TRUE(client.send_all("\r\n0\r\n\r\n"));
      EXPECT_EQ(client.read_until("\r\n\r\n"), "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
      requests = server.requests();
    }  // joining the server's threads orders their writes before the checks
    ASSERT_EQ(requests.size(), c.kept_records);
    for (const auto& request : requests) EXPECT_EQ(request.body, body.substr(0, 10));
    EXPECT_EQ(seen_by_handler, std::vector<std::size_t>(2, c.options.record_body_limit));
  }
}

TEST(TestServer, WaitsTheDelayBeforeAnswering) {
  TestServer server([](const ReceivedRequest&) {
    Reply reply;
    reply.delay = std::chrono::milliseconds(300);
    return reply;
  });
  RawClient client(server.port());
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.send_all("GET / HTTP/1.1\r\n\r\n"));
  EXPECT_FALSE(client.read_until("\r\n\r\n").empty());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST(TestServer, StopsWhileAConnectionStallsOrIsIdle) {
  std::unique_ptr<RawClient> stalled_client;
  {
    TestServer server([](const ReceivedRequest&) {
      Reply reply;
      reply.stall = true;
      return reply;
    });
    stalled_client = std::make_unique<RawClient>(server.port());
    ASSERT_TRUE(stalled_client->send_all("GET / HTTP/1.1\r\n\r\n"));
    RawClient idle(server.port());
    ASSERT_TRUE(idle.connected());
    // Wait (bounded) until the stalled request has been received.
    for (int i = 0; i < 200 && server.requests().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(server.requests().size(), 1u);
  }  // the destructor must return although both clients keep their sockets open
  EXPECT_TRUE(stalled_client->sees_close());
}

TEST(TestServer, ServesTlsWithASelfSignedCertificate) {
  TestServer server(echo_body, {.tls = true});
  EXPECT_EQ(server.base_url(), "https://127.0.0.1:" + std::to_string(server.port()));
  RawClient client(server.port());
  ASSERT_TRUE(client.connected());

  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
  SSL* ssl = SSL_new(ctx);
  SSL_set_fd(ssl, client.fd());
  ASSERT_EQ(SSL_connect(ssl), 1);
  X509* cert = SSL_get1_peer_certificate(ssl);
  ASSERT_NE(cert, nullptr);
  // Self-signed: subject and issuer are the same name.
  EXPECT_EQ(X509_NAME_cmp(X509_get_subject_name(cert), X509_get_issuer_name(cert)), 0);
  X509_free(cert);

  std::string request = "POST /s HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi";
  ASSERT_EQ(SSL_write(ssl, request.data(), static_cast<int>(request.size())), static_cast<int>(request.size()));
  std::string reply;
  char piece[1024];
  while (reply.find("\r\n\r\nhi") == std::string::npos) {
    int n = SSL_read(ssl, piece, sizeof piece);
    if (n <= 0) break;
    reply.append(piece, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(reply, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
  SSL_free(ssl);
  SSL_CTX_free(ctx);
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].body, "hi");
}

}  // namespace
}  // namespace quillon::testing
