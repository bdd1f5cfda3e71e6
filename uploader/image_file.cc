#include "uploader/image_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

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

std::int64_t ImageFile::read_into(char* dest, std::int64_t n) const {
  if (!fd_.valid() || n <= 0) return 0;
  std::int64_t done = 0;
  while (done < n) {
    // Reads stay below 1 GiB each, which every kernel accepts in one call.
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(n - done, 1 << 30));
    const ssize_t got = ::pread(fd_.get(), dest + done, chunk, done);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

}  // namespace quillon
