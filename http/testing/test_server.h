// A small HTTP/1.1 server on 127.0.0.1 with an OS-chosen port, for tests,
// benchmarks and the demo forum. Plain or TLS (self-signed certificate made at
// start). It records every request it receives, bytes as they arrived.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quillon::testing {

struct ReceivedRequest {
  std::string method;
  std::string target;  // as on the request line, e.g. "/login.php?action=in"
  std::string head;    // the raw request head, request line to the blank line, CR LF included
  std::vector<std::pair<std::string, std::string>> headers;  // in arrival order, as sent
  std::string body;    // decoded from Content-Length or chunked transfer
  // First value of the header named name (ASCII case ignored); empty when absent.
  std::string header(std::string_view name) const;
  // Number of headers with that name (ASCII case ignored).
  int header_count(std::string_view name) const;
};

struct Reply {
  int status = 200;
  std::string reason = "OK";
  // Sent in this order; Content-Length is added unless already present.
  std::vector<std::pair<std::string, std::string>> headers{};
  std::string body{};
  // Wait this long before sending anything.
  std::chrono::milliseconds delay{0};
  // Never answer: hold the connection open until the server stops.
  bool stall = false;
};

struct ServerOptions {
  bool tls = false;  // serve HTTPS with a fresh self-signed certificate
  // Keep only the first this many bytes of each request body in the record
  // and in what the handler sees (the whole body is still read, the rest in
  // pieces that are thrown away); for benchmarks with huge bodies.
  std::size_t record_body_limit = SIZE_MAX;
  // Do not keep request records at all.
  bool record = true;
};

class TestServer {
 public:
  using Handler = std::function<Reply(const ReceivedRequest&)>;

  // Starts listening at once on 127.0.0.1 with a port the OS picks, serving each
  // connection on its own thread (so the handler may run on several threads at
  // once). Answers "Expect: 100-continue" before reading the body. port() is 0
  // when the server could not start.
  explicit TestServer(Handler handler, ServerOptions options = {});
  ~TestServer();  // stops, closes every connection, joins every thread
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const;
  // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>", no trailing slash.
  std::string base_url() const;
  // Copies of the requests received so far, in order.
  std::vector<ReceivedRequest> requests() const;
  void clear_requests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillon::testing
