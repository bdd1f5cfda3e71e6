// A move-only owner of a POSIX file descriptor that closes it when it goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace quillon {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes the descriptor now; returns close()'s result (0 when none was held),
  // so a writer can see a failure that only shows at close.
  int reset() {
    if (fd_ < 0) return 0;
    return ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

}  // namespace quillon
