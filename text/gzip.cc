// Decoding of gzip and zlib-wrapped deflate bodies with zlib.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text/gzip.h"

namespace quillon {

namespace {

constexpr std::size_t kChunk = 8192;  // input offered and output taken per step

// An inflate stream that is ended when the holder goes.
class InflateStream {
 public:
  InflateStream() {
    // 15 + 32: the largest window, and the header (gzip or zlib) detected.
    ok_ = inflateInit2(&z_, 15 + 32) == Z_OK;
  }
  ~InflateStream() {
    if (ok_) inflateEnd(&z_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  InflateStream(InflateStream&&) = delete;
  InflateStream& operator=(InflateStream&&) = delete;

  bool ok() const { return ok_; }
  z_stream* get() { return &z_; }

 private:
  z_stream z_{};
  bool ok_ = false;
};

}  // namespace

Bytes decode_gzip_body(const Bytes& body) {
  InflateStream stream;
  if (!stream.ok() || body.empty()) return {};
  z_stream* z = stream.get();
  const auto* in = reinterpret_cast<const Bytef*>(body.data());
  const std::size_t in_size = body.view().size();
  const auto limit = static_cast<std::size_t>(kMaxDecodedBody);

  unsigned char piece[kChunk];
  std::string collected;
  // A guess that saves most regrowth for ordinary text; append grows
  // geometrically past it.
  collected.reserve(std::min(in_size * 4, limit));
  std::size_t offset = 0;
  for (;;) {
    const std::size_t chunk = std::min(kChunk, in_size - offset);
    const std::size_t room = std::min(kChunk, limit - collected.size());
    z->next_in = const_cast<Bytef*>(in + offset);
    z->avail_in = static_cast<uInt>(chunk);
    z->next_out = piece;
    z->avail_out = static_cast<uInt>(room);
    const int rc = inflate(z, Z_NO_FLUSH);
    const std::size_t consumed = chunk - z->avail_in;
    const std::size_t produced = room - z->avail_out;
    collected.append(reinterpret_cast<const char*>(piece), produced);
    offset += consumed;
    if (rc == Z_STREAM_END) break;
    // Z_BUF_ERROR means no progress was possible: the body is used up (or cut
    // short) and nothing is pending. Any other code but Z_OK is an error.
    if (rc != Z_OK) break;
    if (collected.size() >= limit) break;
    if (consumed == 0 && produced == 0) break;
  }
  return Bytes(std::move(collected));
}

}  // namespace quillon
