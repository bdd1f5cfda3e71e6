#include "uploader/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "text/encoders.h"
#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/native_path.h"
#include "uploader/profile_ini.h"
#include "uploader/unique_fd.h"

namespace quillon {
namespace {

const Text kLineBreak{"\r\n"};
const Text kLineBreakToken{"><br><"};
const Text kQuote{"\""};
const Text kQuoteToken{"#\xD2\xFD\xBA\xC5"};  // #引号

Text encode_value(const Text& value) {
  return replace_text(replace_text(value, kLineBreak, kLineBreakToken, false), kQuote, kQuoteToken,
                      false);
}

Text decode_value(const Text& value) {
  return replace_text(replace_text(value, kLineBreakToken, kLineBreak, false), kQuoteToken, kQuote,
                      false);
}

bool stat_path(const Text& path, struct stat* st) {
  const std::string name = native_path(path);
  return !name.empty() && ::stat(name.c_str(), st) == 0;
}

}  // namespace

Text run_directory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string exe(buffer, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return {};
  // The root directory stays "/"; every other folder loses its trailing '/'.
  exe.resize(slash == 0 ? 1 : slash);
  return text_from_native_path(exe);
}

Text settings_file() { return text_concat(run_directory(), Text("/config.ini")); }

std::int32_t load_edit_boxes(WindowServices& window, const Text& path) {
  const Text file = text_equal(path, Text()) ? default_settings_path() : path;
  const TextList boxes = window.edit_boxes();
  for (const Text& name : boxes) {
    const Text value = read_profile_string(kSettingsSection, name, file);
    // An empty stored value and a missing key both leave the box as it is.
    if (value.empty()) continue;
    window.set_field_text(name, decode_value(value));
  }
  return list_size(boxes);
}

std::int32_t save_edit_boxes(WindowServices& window, const Text& path, const Text& exclusions) {
  const Text file = text_equal(path, Text()) ? default_settings_path() : path;
  const TextList boxes = window.edit_boxes();
  for (const Text& name : boxes) {
    if (!name_not_excluded(exclusions, name)) continue;
    write_profile_string(kSettingsSection, name, encode_value(window.field_text(name)), file);
  }
  return list_size(boxes);
}

bool name_not_excluded(const Text& exclusions, const Text& name) {
  for (const Text& item : split_text(exclusions, Text("|"))) {
    if (text_equal(item, name)) return false;
  }
  return true;
}

Text default_settings_path() {
  const Text run = run_directory();
  const Text dir = text_concat(run, Text("/data"));
  if (!is_directory(dir)) make_directories(dir);
  return text_concat(run, Text("/data/setsoft.ini"));
}

bool is_existing_file(const Text& path) {
  struct stat st {};
  return stat_path(path, &st) && !S_ISDIR(st.st_mode);
}

std::int32_t create_sized_file(const Text& path, std::int32_t size) {
  make_directories(parent_directory(path));
  const std::string name = native_path(path);
  // errno 1 (EPERM) would read as success, so it is reported as EACCES.
  const auto error_code = [](int error) { return error == 1 ? EACCES : error; };
  UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!fd.valid()) return error_code(name.empty() ? ENOENT : errno);
  std::int32_t result = 1;
  if (::ftruncate(fd.get(), size) != 0) result = error_code(errno);
  if (fd.reset() != 0 && result == 1) result = error_code(errno);
  if (result != 1) ::unlink(name.c_str());
  return result;
}

Text parent_directory(const Text& path) {
  if (has_directory_attribute(path)) return path;
  return text_left(path, find_text_reverse(path, Text("/")));
}

void make_directories(const Text& path) {
  // Paths of fewer than three characters are never created.
  if (bytes_length(ansi_to_utf16(path)) < 4 * 2) return;
  const std::string name = native_path(path);
  // Every folder along the path is created in turn, the root (the empty part
  // before a leading '/') excepted; existing folders make mkdir fail, which is
  // ignored like every other failure here.
  for (std::size_t at = name.find('/'); at != std::string::npos; at = name.find('/', at + 1)) {
    if (at > 0) ::mkdir(name.substr(0, at).c_str(), 0777);
  }
  ::mkdir(name.c_str(), 0777);
}

bool is_directory(const Text& path) {
  struct stat st {};
  return stat_path(path, &st) && S_ISDIR(st.st_mode);
}

bool has_directory_attribute(const Text& path) {
  struct stat st {};
  return stat_path(path, &st) && S_ISDIR(st.st_mode);
}

}  // namespace quillon
