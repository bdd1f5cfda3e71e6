#include "http/testing/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <list>
#include <mutex>
#include <thread>

#include "http/testing/request_reader.h"
#include "http/testing/self_signed.h"
#include "http/testing/socket_stream.h"

namespace quillon::testing {

using detail::header_lists_token;
using detail::RequestReader;
using detail::SocketFd;
using detail::Stream;

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool has_header(const Reply& reply, std::string_view name) {
  for (const auto& header : reply.headers) {
    if (same_name(header.first, name)) return true;
  }
  return false;
}

// Statuses whose replies never carry a body.
bool status_has_no_body(int status) { return (status >= 100 && status < 200) || status == 204 || status == 304; }

// TLS writes go through OpenSSL's socket layer, which uses plain write(): a
// client that hangs up mid-reply would kill the process with SIGPIPE.
void ignore_sigpipe_once() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

// How often the accept loop looks at the stop flag.
constexpr int kAcceptPollMs = 50;

}  // namespace

std::string ReceivedRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (same_name(key, name)) return value;
  }
  return {};
}

int ReceivedRequest::header_count(std::string_view name) const {
  int count = 0;
  for (const auto& header : headers) {
    if (same_name(header.first, name)) ++count;
  }
  return count;
}

struct TestServer::Impl {
  struct Connection {
    std::thread thread;
    int fd = -1;        // guarded by mutex; -1 once the thread has closed it
    bool done = false;  // guarded by mutex; set as the thread's last act
  };

  Handler handler;
  ServerOptions options;
  detail::SslCtxPtr tls;
  SocketFd listener;
  int port = 0;

  std::atomic<bool> stopping{false};
  std::mutex mutex;  // guards connections; wake waits on it
  std::condition_variable wake;
  std::list<Connection> connections;

  mutable std::mutex records_mutex;
  std::vector<ReceivedRequest> records;

  std::thread acceptor;

  bool listen_on_loopback();
  void accept_loop();
  void serve(Connection* connection);
  void serve_requests(Stream& stream);
  // Sleeps for delay, or until the server stops; true when the server is stopping.
  bool wait_or_stop(std::chrono::milliseconds delay);
  void wait_for_stop();
  void stop();
};

bool TestServer::Impl::listen_on_loopback() {
  SocketFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return false;
  int one = 1;
  ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the OS picks a free port
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  if (::listen(fd.get(), 64) != 0) return false;
  socklen_t length = sizeof address;
  if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return false;
  port = ntohs(address.sin_port);
  listener = std::move(fd);
  return true;
}

void TestServer::Impl::accept_loop() {
  while (!stopping.load()) {
    pollfd waiting{listener.get(), POLLIN, 0};
    int ready = ::poll(&waiting, 1, kAcceptPollMs);
    if (ready <= 0 || stopping.load()) continue;
    int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    std::lock_guard lock(mutex);
    // Join the threads of connections that have ended, so a long-running
    // server does not collect them.
    for (auto it = connections.begin(); it != connections.end();) {
      if (it->done) {
        it->thread.join();
        it = connections.erase(it);
      } else {
        ++it;
      }
    }
    Connection& connection = connections.emplace_back();
    connection.fd = fd;
    connection.thread = std::thread([this, c = &connection] { serve(c); });
  }
}

void TestServer::Impl::serve(Connection* connection) {
  int fd;
  {
    std::lock_guard lock(mutex);
    fd = connection->fd;
  }
  {
    std::unique_ptr<Stream> stream =
        tls ? detail::make_tls_stream(tls.get(), fd) : detail::make_plain_stream(fd);
    if (stream && !stopping.load()) serve_requests(*stream);
  }
  std::lock_guard lock(mutex);
  ::close(fd);
  connection->fd = -1;
  connection->done = true;
}

bool TestServer::Impl::wait_or_stop(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex);
  return wake.wait_for(lock, delay, [this] { return stopping.load(); });
}

void TestServer::Impl::wait_for_stop() {
  std::unique_lock lock(mutex);
  wake.wait(lock, [this] { return stopping.load(); });
}

void TestServer::Impl::serve_requests(Stream& stream) {
  RequestReader reader(stream);
  while (!stopping.load()) {
    ReceivedRequest request;
    if (!reader.read_head(request)) return;
    std::string_view request_line = std::string_view(request.head).substr(0, request.head.find("\r\n"));
    bool http10 = request_line.ends_with(" HTTP/1.0");
    if (!http10 && header_lists_token(request.header("Expect"), "100-continue")) {
      if (!stream.write_all("HTTP/1.1 100 Continue\r\n\r\n")) return;
    }
    if (!reader.read_body(request, options.record_body_limit)) return;
    if (options.record) {
      std::lock_guard lock(records_mutex);
      records.push_back(request);
    }

    Reply reply = handler(request);
    if (reply.stall) {
      wait_for_stop();
      return;
    }
    if (reply.delay.count() > 0 && wait_or_stop(reply.delay)) return;

    bool no_body = status_has_no_body(reply.status);
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
    for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
    if (!no_body && !has_header(reply, "Content-Length") && !has_header(reply, "Transfer-Encoding")) {
      head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    }
    head += "\r\n";
    bool send_body = !no_body && request.method != "HEAD";
    if (send_body && reply.body.size() <= 64 * 1024) {
      head += reply.body;  // one write for small replies
      send_body = false;
    }
    if (!stream.write_all(head)) return;
    if (send_body && !stream.write_all(reply.body)) return;

    std::string connection = request.header("Connection");
    bool reply_closes = false;
    for (const auto& [name, value] : reply.headers) {
      if (same_name(name, "Connection") && header_lists_token(value, "close")) reply_closes = true;
    }
    if (reply_closes || header_lists_token(connection, "close") ||
        (http10 && !header_lists_token(connection, "keep-alive"))) {
      return;
    }
  }
}

void TestServer::Impl::stop() {
  {
    std::lock_guard lock(mutex);
    stopping.store(true);
  }
  wake.notify_all();
  // Wakes the acceptor's poll at once on Linux; the poll time-out covers the rest.
  if (listener.get() >= 0) ::shutdown(listener.get(), SHUT_RDWR);
  if (acceptor.joinable()) acceptor.join();
  listener = SocketFd();
  {
    // Wakes every connection thread blocked in a read or write; the threads
    // close their own descriptors, so none is reused while still in use here.
    std::lock_guard lock(mutex);
    for (auto& connection : connections) {
      if (connection.fd >= 0) ::shutdown(connection.fd, SHUT_RDWR);
    }
  }
  // No new connection can be added now that the acceptor has ended.
  for (auto& connection : connections) connection.thread.join();
  connections.clear();
}

TestServer::TestServer(Handler handler, ServerOptions options) : impl_(std::make_unique<Impl>()) {
  ignore_sigpipe_once();
  impl_->handler = std::move(handler);
  impl_->options = options;
  if (options.tls) {
    impl_->tls = detail::make_self_signed_context();
    if (!impl_->tls) {
      std::fprintf(stderr, "TestServer: could not make a TLS certificate\n");
      return;
    }
  }
  if (!impl_->listen_on_loopback()) {
    std::fprintf(stderr, "TestServer: could not listen on 127.0.0.1\n");
    return;
  }
  impl_->acceptor = std::thread([impl = impl_.get()] { impl->accept_loop(); });
}

TestServer::~TestServer() { impl_->stop(); }

int TestServer::port() const { return impl_->port; }

std::string TestServer::base_url() const {
  return std::string(impl_->options.tls ? "https" : "http") + "://127.0.0.1:" +
         std::to_string(impl_->port);
}

std::vector<ReceivedRequest> TestServer::requests() const {
  std::lock_guard lock(impl_->records_mutex);
  return impl_->records;
}

void TestServer::clear_requests() {
  std::lock_guard lock(impl_->records_mutex);
  impl_->records.clear();
}

}  // namespace quillon::testing
