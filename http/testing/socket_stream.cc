#include "http/testing/socket_stream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace quillon::testing::detail {

SocketFd::~SocketFd() {
  if (fd_ >= 0) ::close(fd_);
}

SocketFd& SocketFd::operator=(SocketFd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

namespace {

class PlainStream : public Stream {
 public:
  explicit PlainStream(int fd) : fd_(fd) {}

  std::size_t read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t n = ::recv(fd_, buffer, size, 0);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return 0;
    }
  }

  bool write_all(std::string_view data) override {
    while (!data.empty()) {
      // MSG_NOSIGNAL: a client that hung up gives EPIPE instead of SIGPIPE.
      ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

 private:
  int fd_;
};

class TlsStream : public Stream {
 public:
  explicit TlsStream(SslPtr ssl) : ssl_(std::move(ssl)) {}

  ~TlsStream() override {
    // A best-effort close_notify; the peer may already be gone.
    SSL_shutdown(ssl_.get());
  }

  std::size_t read(char* buffer, std::size_t size) override {
    int want = size > INT_MAX ? INT_MAX : static_cast<int>(size);
    int n = SSL_read(ssl_.get(), buffer, want);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  bool write_all(std::string_view data) override {
    while (!data.empty()) {
      int want = data.size() > INT_MAX ? INT_MAX : static_cast<int>(data.size());
      int n = SSL_write(ssl_.get(), data.data(), want);
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

 private:
  SslPtr ssl_;
};

}  // namespace

std::unique_ptr<Stream> make_plain_stream(int fd) { return std::make_unique<PlainStream>(fd); }

std::unique_ptr<Stream> make_tls_stream(SSL_CTX* ctx, int fd) {
  SslPtr ssl(SSL_new(ctx));
  if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) return nullptr;
  if (SSL_accept(ssl.get()) != 1) return nullptr;
  return std::make_unique<TlsStream>(std::move(ssl));
}

}  // namespace quillon::testing::detail
