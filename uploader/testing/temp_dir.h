// A fresh directory for one test, removed with everything in it afterwards,
// and small helpers to read and write whole files in it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "text/values.h"

namespace quillon::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's own path (ASCII), without a trailing '/'.
  const std::string& path() const { return path_; }
  // path() + "/" + name, as a UTF-8 name and as a Text (ASCII names only).
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  Text text(const std::string& name) const { return Text(file(name)); }

 private:
  std::string path_;
};

inline std::string read_file_bytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file_bytes(const std::string& name, const std::string& data) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace quillon::testing
