// Reading HTTP/1.1 requests off a stream for the test server: the head up to
// the blank line, then a Content-Length or chunked body, of which only a
// leading part may be kept. Internal to http/testing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "http/testing/socket_stream.h"
#include "http/testing/test_server.h"

namespace quillon::testing::detail {

// Longest request head accepted; a longer one ends the connection.
inline constexpr std::size_t kMaxHeadSize = 1 << 20;

// Splits a raw head (request line to blank line) into method, target and
// headers; false when the request line is malformed.
bool parse_request_head(std::string_view head, ReceivedRequest& request);

// True when the value, compared without ASCII case, lists token among its
// comma-separated items ("Connection: keep-alive, Close" lists "close").
bool header_lists_token(std::string_view value, std::string_view token);

class RequestReader {
 public:
  explicit RequestReader(Stream& stream) : stream_(stream) {}

  // Reads the next head into request.head and parses it; false at end of
  // stream, on a head over kMaxHeadSize or a malformed request line.
  bool read_head(ReceivedRequest& request);
  // Reads the body the head announces, keeping at most keep_limit bytes of it
  // in request.body and reading the rest in pieces that are thrown away; false
  // when the stream ends early or the framing is malformed.
  bool read_body(ReceivedRequest& request, std::size_t keep_limit);

 private:
  // Appends more bytes from the stream to buffer_; false at end of stream.
  bool fill();
  // Reads one CR LF terminated line (without the CR LF); false at end of
  // stream or when the line exceeds max bytes.
  bool read_line(std::string& line, std::size_t max);
  // Reads exactly count bytes, appending them to body while it has room.
  bool read_counted(std::uint64_t count, std::string& body, std::size_t keep_limit);
  bool read_chunked(std::string& body, std::size_t keep_limit);

  Stream& stream_;
  std::string buffer_;   // bytes read but not yet used start at pos_
  std::size_t pos_ = 0;
};

}  // namespace quillon::testing::detail
