#include "text/gzip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace quillon {
namespace {

enum class Wrap { kGzip, kZlib, kRaw };

// The data compressed with the given wrapper.
std::string compress_with(const std::string& data, Wrap wrap) {
  z_stream z{};
  const int bits = wrap == Wrap::kGzip ? 15 + 16 : wrap == Wrap::kZlib ? 15 : -15;
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string random_bytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Text that compresses well but is not one repeated byte.
std::string page_text(std::size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i) s += "{\"file\":\"" + std::to_string(i) + ".png\"} ";
  s.resize(n);
  return s;
}

TEST(DecodeGzipBody, DecodesWholeStreams) {
  struct {
    const char* name;
    std::string plain;
    Wrap wrap;
  } cases[] = {
      {"small gzip", "{\"name\":\"a.png\"}", Wrap::kGzip},
      {"many output pieces", page_text(100000), Wrap::kGzip},
      {"input longer than one chunk", random_bytes(50000, 1), Wrap::kGzip},
      {"zlib-wrapped deflate", page_text(30000), Wrap::kZlib},
      {"zlib, long input", random_bytes(40000, 2), Wrap::kZlib},
      {"nul bytes", std::string(20000, '\0'), Wrap::kGzip},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string packed = compress_with(c.plain, c.wrap);
    const Bytes got = decode_gzip_body(Bytes(packed));
    ASSERT_EQ(got.size(), static_cast<std::int32_t>(c.plain.size()));
    EXPECT_TRUE(got.str() == c.plain);
  }
}

TEST(DecodeGzipBody, RejectedOrEmptyBodiesGiveEmpty) {
  struct {
    const char* name;
    std::string body;
  } cases[] = {
      {"empty", ""},
      {"garbage", "this is not compressed"},
      {"raw deflate without a header", compress_with("hello hello", Wrap::kRaw)},
      {"gzip header only", compress_with("abc", Wrap::kGzip).substr(0, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(decode_gzip_body(Bytes(c.body)).empty());
  }
}

// A stream cut short returns what was decoded before the cut and does not
// hang waiting for more input.
TEST(DecodeGzipBody, TruncatedStreamGivesCollectedPrefix) {
  const std::string plain = random_bytes(60000, 3);
  const std::string packed = compress_with(plain, Wrap::kGzip);
  for (std::size_t cut : {packed.size() - 1, packed.size() - 8, packed.size() / 2, std::size_t{9000}}) {
    SCOPED_TRACE(cut);
    const Bytes got = decode_gzip_body(Bytes(std::string_view(packed).substr(0, cut)));
    EXPECT_GT(got.size(), 0);
    EXPECT_LE(got.size(), static_cast<std::int32_t>(plain.size()));
    EXPECT_TRUE(plain.compare(0, got.view().size(), got.view()) == 0);
  }
  // Without the 8-byte trailer every data byte is still there.
  EXPECT_EQ(decode_gzip_body(Bytes(std::string_view(packed).substr(0, packed.size() - 8))).str(),
            plain);
}

TEST(DecodeGzipBody, BytesBehindTheStreamAreIgnored) {
  const std::string packed = compress_with("payload", Wrap::kGzip) + "trailing junk";
  EXPECT_EQ(decode_gzip_body(Bytes(packed)).str(), "payload");
}

// A gzip stream flushed to a byte boundary after part of the data and then
// broken by a block with the reserved type 3: the decoder fails exactly there.
TEST(DecodeGzipBody, ErrorKeepsWhatCameBefore) {
  const std::string plain = page_text(50000);
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string packed(deflateBound(&z, plain.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
  ASSERT_EQ(z.avail_in, 0u);
  packed.resize(z.total_out);
  deflateEnd(&z);
  packed += "\x07 and whatever follows";
  EXPECT_TRUE(decode_gzip_body(Bytes(packed)).str() == plain);
}

// 80 MiB of zeros squeeze into about 80 KiB; decoding stops at the ceiling.
TEST(DecodeGzipBody, StopsAtTheCeiling) {
  const std::string plain(80u << 20, '\0');
  const std::string packed = compress_with(plain, Wrap::kGzip);
  ASSERT_LT(packed.size(), 200000u);
  const Bytes got = decode_gzip_body(Bytes(packed));
  ASSERT_EQ(got.size(), kMaxDecodedBody);
  EXPECT_EQ(got.view().find_first_not_of('\0'), std::string_view::npos);
}

}  // namespace
}  // namespace quillon
