#include "uploader/image_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <thread>

#include "uploader/native_path.h"

namespace quillon {

ImageFile ImageFile::open(const Text& path) {
  ImageFile image;
  const std::string name = native_path(path);
  if (name.empty()) return image;
  UniqueFd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return image;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return image;
  // The shared lock keeps out writers that take the (advisory) exclusive lock
  // while the file is read. A file already locked by such a writer counts as one
  // that cannot be opened, rather than making the upload wait for it.
  if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return image;
  image.fd_ = std::move(fd);
  image.size_ = st.st_size;
  return image;
}

namespace {

// Reads up to n bytes at offset into dest; the count that arrived.
std::int64_t read_range(int fd, char* dest, std::int64_t offset, std::int64_t n) {
  std::int64_t done = 0;
  while (done < n) {
    // Reads stay below 1 GiB each, which every kernel accepts in one call.
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(n - done, 1 << 30));
    const ssize_t got = ::pread(fd, dest + done, chunk, offset + done);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

// Below this a second reader costs more than it saves.
constexpr std::int64_t kParallelReadThreshold = 32LL << 20;

}  // namespace

std::int64_t ImageFile::read_into(char* dest, std::int64_t n) const {
  if (!fd_.valid() || n <= 0) return 0;
  const int fd = fd_.get();
  if (n < kParallelReadThreshold || std::thread::hardware_concurrency() < 2) {
    return read_range(fd, dest, 0, n);
  }
  // A large file is read in two halves at once: copying out of the page cache
  // and faulting in the fresh pages of the body is CPU work that a second core
  // halves. Each half lands in its own part of dest, so they never overlap.
  const std::int64_t half = n / 2;
  std::int64_t first = 0;
  try {
    std::thread reader([&first, fd, dest, half] { first = read_range(fd, dest, 0, half); });
    const std::int64_t second = read_range(fd, dest + half, half, n - half);
    reader.join();
    // A first half that came up short means the file ended inside it.
    return first < half ? first : half + second;
  } catch (const std::system_error&) {
    return read_range(fd, dest, 0, n);  // no thread to be had: read alone
  }
}

}  // namespace quillon
