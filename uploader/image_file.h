// The image file of an upload, held open for reading while its body is built.
#pragma once

#include <cstdint>

#include "text/values.h"
#include "uploader/unique_fd.h"

namespace quillon {

class ImageFile {
 public:
  // Opens the regular file at path (a code page 936 Text) read-only and takes a
  // shared advisory lock on it, so that cooperating writers wait while it is
  // read. An empty path, a file that cannot be opened and anything but a
  // regular file give a holder without a file, of size 0; so does a file that
  // a writer holds under an exclusive lock.
  static ImageFile open(const Text& path);

  ImageFile() = default;
  ImageFile(ImageFile&&) = default;
  ImageFile& operator=(ImageFile&&) = default;

  // The file's length when it was opened; 0 without a file.
  std::int64_t size() const { return size_; }
  // Reads up to n bytes from the start of the file into dest and returns how
  // many arrived; fewer when the file ended early or a read failed.
  std::int64_t read_into(char* dest, std::int64_t n) const;

 private:
  UniqueFd fd_;
  std::int64_t size_ = 0;
};

}  // namespace quillon
