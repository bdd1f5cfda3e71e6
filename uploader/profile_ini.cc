#include "uploader/profile_ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "text/primitives.h"
#include "uploader/native_path.h"
#include "uploader/unique_fd.h"

namespace quillon {
namespace {

// Bytes up to 0x20 (blank, tab, CR, LF and the zero bytes of a freshly sized
// file) are never part of a name.
bool is_filler(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view skip_leading_filler(std::string_view s) {
  while (!s.empty() && is_filler(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trim_filler(std::string_view s) {
  s = skip_leading_filler(s);
  while (!s.empty() && is_filler(s.back())) s.remove_suffix(1);
  return s;
}

bool is_lead_byte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x81 && u <= 0xFE;
}

char fold_ascii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Section and key names match with ASCII letters folded, as the Windows
// profile functions compare them. A double-byte character is compared whole and
// exactly, so a trail byte that happens to be a letter is never folded.
bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (is_lead_byte(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (fold_ascii(a[i]) != fold_ascii(b[i])) return false;
  }
  return true;
}

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;
  // Offsets of the value in the whole file (keys only).
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
  // Offset just past the line's LF, or the file's end for an unterminated last line.
  std::size_t end = 0;
};

// Takes apart the line that starts at offset begin of data.
ParsedLine parse_line(std::string_view data, std::size_t begin) {
  ParsedLine line;
  const std::size_t lf = data.find('\n', begin);
  line.end = lf == std::string_view::npos ? data.size() : lf + 1;
  std::size_t content_end = lf == std::string_view::npos ? data.size() : lf;
  if (content_end > begin && data[content_end - 1] == '\r') --content_end;

  const std::string_view raw = data.substr(begin, content_end - begin);
  const std::string_view content = skip_leading_filler(raw);
  if (content.empty() || content.front() == ';') return line;
  if (content.front() == '[') {
    const std::size_t close = content.find(']');
    if (close == std::string_view::npos) return line;
    line.kind = LineKind::kSection;
    line.name = trim_filler(content.substr(1, close - 1));
    return line;
  }
  const std::size_t eq = content.find('=');
  if (eq == std::string_view::npos) return line;
  line.name = trim_filler(content.substr(0, eq));
  if (line.name.empty()) return line;
  line.kind = LineKind::kKey;
  const std::size_t content_offset = content_end - content.size();
  line.value_begin = content_offset + eq + 1;
  line.value_end = content_end;
  return line;
}

// The whole file; nullopt when it cannot be read (missing included).
std::optional<std::string> read_whole_file(const std::string& name, int* error) {
  UniqueFd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    *error = errno;
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = EISDIR;
    return std::nullopt;
  }
  std::string data;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return std::nullopt;
    }
    if (n == 0) break;
    if (data.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(kMaxValueSize)) {
      *error = EFBIG;
      return std::nullopt;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The name a write must replace: the target of a symbolic link, so that the
// link itself survives the rename.
std::string resolve_target(const std::string& name) {
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return name;
}

std::string directory_of(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return name.substr(0, slash);
}

// Replaces the file with data: the bytes go to a new file in the same
// directory, are flushed to disk and then renamed over the old name, so readers
// and a crash see either the old or the new content, never a part of it.
bool replace_file(const std::string& name, std::string_view data, const struct stat* old_stat) {
  static std::atomic<unsigned> counter{0};
  const std::string dir = directory_of(name);
  const std::string base = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
  const std::string temp = dir + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                           std::to_string(counter.fetch_add(1));

  UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!fd.valid()) return false;
  bool ok = true;
  if (old_stat != nullptr) ok = ::fchmod(fd.get(), old_stat->st_mode & 07777) == 0;
  ok = ok && write_all(fd.get(), data);
  ok = ok && ::fsync(fd.get()) == 0;
  ok = (fd.reset() == 0) && ok;
  ok = ok && ::rename(temp.c_str(), name.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here leaves a complete file.
  UniqueFd dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_fd.valid()) ::fsync(dir_fd.get());
  return true;
}

bool has_line_break(std::string_view s) {
  return s.find('\r') != std::string_view::npos || s.find('\n') != std::string_view::npos;
}

// The file with key in section set to value; keeps every other byte.
std::string with_value(const std::string& data, std::string_view section, std::string_view key,
                       std::string_view value) {
  const std::string_view view(data);
  bool in_section = false;
  bool section_found = false;
  std::size_t insert_at = 0;
  for (std::size_t at = 0; at < view.size();) {
    const ParsedLine line = parse_line(view, at);
    if (line.kind == LineKind::kSection) {
      if (in_section) break;  // the first matching section ends here
      if (!section_found && same_name(line.name, section)) {
        in_section = true;
        section_found = true;
        insert_at = line.end;
      }
    } else if (line.kind == LineKind::kKey && in_section) {
      if (same_name(line.name, key)) {
        std::string result = data;
        result.replace(line.value_begin, line.value_end - line.value_begin, value);
        return result;
      }
      insert_at = line.end;
    }
    at = line.end;
  }

  std::string result;
  if (section_found) {
    result = data.substr(0, insert_at);
    if (!result.empty() && result.back() != '\n') result += "\r\n";
    result.append(key).append("=").append(value).append("\r\n");
    result.append(data, insert_at);
    return result;
  }
  // A new section goes at the end. An unterminated last line gets its line
  // break first, unless it is nothing but the zero bytes of a freshly sized
  // file: those stay a blank head in front of the section line.
  result = data;
  const std::size_t last_lf = view.rfind('\n');
  const std::string_view tail = view.substr(last_lf == std::string_view::npos ? 0 : last_lf + 1);
  if (tail.find_first_not_of('\0') != std::string_view::npos) result += "\r\n";
  result.append("[").append(section).append("]\r\n");
  result.append(key).append("=").append(value).append("\r\n");
  return result;
}

std::mutex& writer_mutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

Text read_profile_string(const Text& section, const Text& key, const Text& path) {
  const std::string_view wanted_section = skip_leading_filler(section.view());
  const std::string_view wanted_key = skip_leading_filler(key.view());
  const std::string_view file = skip_leading_filler(path.view());
  if (wanted_section.empty() || wanted_key.empty() || file.empty()) return {};

  int error = 0;
  const std::optional<std::string> data = read_whole_file(native_path(Text(file)), &error);
  if (!data) return {};
  const std::string_view view(*data);
  bool in_section = false;
  for (std::size_t at = 0; at < view.size();) {
    const ParsedLine line = parse_line(view, at);
    if (line.kind == LineKind::kSection) {
      if (in_section) return {};
      in_section = same_name(line.name, wanted_section);
    } else if (line.kind == LineKind::kKey && in_section && same_name(line.name, wanted_key)) {
      return text_left(Text(view.substr(line.value_begin, line.value_end - line.value_begin)),
                       kMaxProfileValue);
    }
    at = line.end;
  }
  return {};
}

bool write_profile_string(const Text& section, const Text& key, const Text& value,
                          const Text& path) {
  const std::string_view wanted_section = skip_leading_filler(section.view());
  const std::string_view wanted_key = skip_leading_filler(key.view());
  const std::string_view file = skip_leading_filler(path.view());
  if (wanted_section.empty() || wanted_key.empty() || file.empty()) return false;
  // What cannot be written on one line, or would read back as something else,
  // is refused rather than written broken.
  if (has_line_break(wanted_section) || wanted_section.find(']') != std::string_view::npos ||
      has_line_break(wanted_key) || wanted_key.find('=') != std::string_view::npos ||
      wanted_key.front() == '[' || wanted_key.front() == ';' || has_line_break(value.view())) {
    return false;
  }

  // Read, change and replace under one lock, so that two writers in this
  // process never base their files on the same old content.
  const std::lock_guard<std::mutex> lock(writer_mutex());
  const std::string target = resolve_target(native_path(Text(file)));
  struct stat old_stat {};
  const bool existed = ::stat(target.c_str(), &old_stat) == 0;
  std::string data;
  if (existed) {
    int error = 0;
    std::optional<std::string> old = read_whole_file(target, &error);
    if (!old) return false;
    data = std::move(*old);
  }
  const std::string updated = with_value(data, trim_filler(wanted_section), trim_filler(wanted_key),
                                         value.view());
  return replace_file(target, updated, existed ? &old_stat : nullptr);
}

}  // namespace quillon
