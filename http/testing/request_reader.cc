#include "http/testing/request_reader.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace quillon::testing::detail {
namespace {

constexpr std::size_t kReadPiece = 256 * 1024;
constexpr std::size_t kMaxLine = 64 * 1024;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Parses a whole decimal or hexadecimal number; false on anything else.
bool parse_number(std::string_view s, int base, std::uint64_t& value) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

bool header_lists_token(std::string_view value, std::string_view token) {
  while (!value.empty()) {
    std::size_t comma = value.find(',');
    std::string_view item = trim_blanks(value.substr(0, comma));
    if (equal_ignoring_case(item, token)) return true;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return false;
}

bool parse_request_head(std::string_view head, ReceivedRequest& request) {
  std::size_t line_end = head.find("\r\n");
  if (line_end == std::string_view::npos) return false;
  std::string_view line = head.substr(0, line_end);
  std::size_t sp1 = line.find(' ');
  if (sp1 == std::string_view::npos || sp1 == 0) return false;
  std::size_t sp2 = line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return false;
  if (line.substr(sp2 + 1).substr(0, 5) != "HTTP/") return false;
  request.method = std::string(line.substr(0, sp1));
  request.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));

  request.headers.clear();
  std::string_view rest = head.substr(line_end + 2);
  while (!rest.empty()) {
    std::size_t end = rest.find("\r\n");
    std::string_view header = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    if (header.empty()) break;
    std::size_t colon = header.find(':');
    if (colon == std::string_view::npos) continue;  // not a header line; ignored
    request.headers.emplace_back(std::string(header.substr(0, colon)),
                                 std::string(trim_blanks(header.substr(colon + 1))));
  }
  return true;
}

bool RequestReader::fill() {
  // Drop what has been used before growing, so the buffer stays small.
  if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
    buffer_.erase(0, pos_);
    pos_ = 0;
  }
  std::size_t old_size = buffer_.size();
  buffer_.resize(old_size + kReadPiece);
  std::size_t n = stream_.read(buffer_.data() + old_size, kReadPiece);
  buffer_.resize(old_size + n);
  return n > 0;
}

bool RequestReader::read_head(ReceivedRequest& request) {
  std::size_t scanned = pos_;
  for (;;) {
    std::size_t end = buffer_.find("\r\n\r\n", scanned);
    if (end != std::string::npos) {
      request.head.assign(buffer_, pos_, end + 4 - pos_);
      pos_ = end + 4;
      return parse_request_head(request.head, request);
    }
    if (buffer_.size() - pos_ > kMaxHeadSize) return false;
    // Rescan the last three bytes: the blank line may straddle two reads.
    std::size_t before = buffer_.size() - pos_;
    if (!fill()) return false;
    scanned = pos_ + (before >= 3 ? before - 3 : 0);
  }
}

bool RequestReader::read_line(std::string& line, std::size_t max) {
  std::size_t scanned = pos_;
  for (;;) {
    std::size_t end = buffer_.find("\r\n", scanned);
    if (end != std::string::npos) {
      line.assign(buffer_, pos_, end - pos_);
      pos_ = end + 2;
      return true;
    }
    if (buffer_.size() - pos_ > max) return false;
    std::size_t before = buffer_.size() - pos_;
    if (!fill()) return false;
    scanned = pos_ + (before >= 1 ? before - 1 : 0);
  }
}

bool RequestReader::read_counted(std::uint64_t count, std::string& body, std::size_t keep_limit) {
  while (count > 0) {
    if (pos_ == buffer_.size()) {
      buffer_.clear();
      pos_ = 0;
      if (!fill()) return false;
    }
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer_.size() - pos_));
    if (body.size() < keep_limit) {
      std::size_t keep = std::min(take, keep_limit - body.size());
      body.append(buffer_, pos_, keep);
    }
    pos_ += take;
    count -= take;
  }
  return true;
}

bool RequestReader::read_chunked(std::string& body, std::size_t keep_limit) {
  std::string line;
  for (;;) {
    if (!read_line(line, kMaxLine)) return false;
    std::string_view size_text = trim_blanks(std::string_view(line).substr(0, line.find(';')));
    std::uint64_t size = 0;
    if (!parse_number(size_text, 16, size)) return false;
    if (size == 0) break;
    if (!read_counted(size, body, keep_limit)) return false;
    if (!read_line(line, kMaxLine) || !line.empty()) return false;
  }
  // Trailer lines up to the blank line are read and dropped.
  for (int i = 0; i < 1000; ++i) {
    if (!read_line(line, kMaxLine)) return false;
    if (line.empty()) return true;
  }
  return false;
}

bool RequestReader::read_body(ReceivedRequest& request, std::size_t keep_limit) {
  request.body.clear();
  for (const auto& [name, value] : request.headers) {
    if (equal_ignoring_case(name, "Transfer-Encoding") && header_lists_token(value, "chunked")) {
      return read_chunked(request.body, keep_limit);
    }
  }
  std::string length = request.header("Content-Length");
  if (length.empty()) return true;
  std::uint64_t count = 0;
  if (!parse_number(length, 10, count)) return false;
  if (keep_limit > 0 && count <= keep_limit) request.body.reserve(static_cast<std::size_t>(count));
  return read_counted(count, request.body, keep_limit);
}

}  // namespace quillon::testing::detail
