// Byte streams over one accepted connection, plain or TLS, for the test server.
// Internal to http/testing.
#pragma once

#include <openssl/ssl.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace quillon::testing::detail {

// Owns one socket descriptor; closes it on destruction.
class SocketFd {
 public:
  SocketFd() = default;
  explicit SocketFd(int fd) : fd_(fd) {}
  ~SocketFd();
  SocketFd(SocketFd&& other) noexcept : fd_(other.release()) {}
  SocketFd& operator=(SocketFd&& other) noexcept;
  SocketFd(const SocketFd&) = delete;
  SocketFd& operator=(const SocketFd&) = delete;

  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;

struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslPtr = std::unique_ptr<SSL, SslFree>;

// A connected stream. read() returns the count read, 0 at end of stream or on
// any error; write_all() returns false when not every byte could be sent.
class Stream {
 public:
  virtual ~Stream() = default;
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  virtual bool write_all(std::string_view data) = 0;
};

// A stream straight over the socket (the socket stays owned by the caller).
std::unique_ptr<Stream> make_plain_stream(int fd);
// A TLS stream over the socket after a completed server handshake; null when
// the handshake fails.
std::unique_ptr<Stream> make_tls_stream(SSL_CTX* ctx, int fd);

}  // namespace quillon::testing::detail
