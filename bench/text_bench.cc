// Text toolkit speed beside plain baselines in one run: searches and
// replacements against std::string_view::find and memmem loops, gzip decoding
// against zlib inflating into a presized buffer, and 1 MiB against 16 MiB
// inputs to show linear cost.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "text/gzip.h"
#include "text/helpers.h"
#include "text/primitives.h"

namespace quillon {
namespace {

constexpr std::size_t kMiB = 1 << 20;
constexpr std::string_view kNeedle = "Ticket = '";

// An HTML-like ASCII page of n bytes with "<br>" every few lines and kNeedle
// once near its end.
std::string ascii_page(std::size_t n) {
  std::mt19937 rng(1);
  static const char* const kWords[] = {"<div class=\"row\">", "upload", "profile", "section",
                                       "</div>", "var x = 42;", "href=\"/a/b\"", "<br>",
                                       "Logged", "cookie", "text/html"};
  std::string s;
  s.reserve(n + 64);
  while (s.size() + 64 < n) {
    s += kWords[rng() % (sizeof(kWords) / sizeof(kWords[0]))];
    s += ' ';
  }
  s += kNeedle;
  s += "abc';";
  s.resize(n, ' ');
  return s;
}

// A page of n bytes mixing code page 936 characters (some with trail bytes in
// the ASCII range, which the searches must step over) and ASCII words, with
// kNeedle once near its end.
std::string mixed_page(std::size_t n) {
  std::mt19937 rng(2);
  std::string s;
  s.reserve(n + 64);
  while (s.size() + 64 < n) {
    const int chars = 2 + static_cast<int>(rng() % 12);
    for (int i = 0; i < chars; ++i) {
      if (rng() % 4 == 0) {  // GBK extension: trail byte 0x40-0x7E
        s += static_cast<char>(0x81 + rng() % 0x20);
        s += static_cast<char>(0x40 + rng() % 0x3F);
      } else {  // GB2312 range
        s += static_cast<char>(0xB0 + rng() % 0x48);
        s += static_cast<char>(0xA1 + rng() % 0x5E);
      }
    }
    s += (rng() % 3 == 0) ? " <br>" : " id=7 ";
  }
  s += kNeedle;
  s += "abc';";
  s.resize(n, ' ');
  return s;
}

const std::string& page(bool mixed) {
  static const std::string ascii = ascii_page(kMiB);
  static const std::string mix = mixed_page(kMiB);
  return mixed ? mix : ascii;
}

std::string memmem_replace(std::string_view src, std::string_view find, std::string_view rep) {
  std::string out;
  out.reserve(src.size());
  std::size_t at = 0;
  while (at + find.size() <= src.size()) {
    const void* hit = memmem(src.data() + at, src.size() - at, find.data(), find.size());
    if (hit == nullptr) break;
    const auto c = static_cast<std::size_t>(static_cast<const char*>(hit) - src.data());
    out.append(src.substr(at, c - at));
    out.append(rep);
    at = c + find.size();
  }
  out.append(src.substr(at));
  return out;
}

// ---- find_text ---------------------------------------------------------------

void BM_FindText(benchmark::State& state) {
  const Text t(page(state.range(0) != 0));
  const Text needle(kNeedle);
  const bool ignore_case = state.range(1) != 0;
  for (auto _ : state) benchmark::DoNotOptimize(find_text(t, needle, 1, ignore_case));
  state.SetBytesProcessed(state.iterations() * t.size());
}
BENCHMARK(BM_FindText)->ArgNames({"mixed", "nocase"})->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});

void BM_BaselineStringViewFind(benchmark::State& state) {
  const std::string_view t = page(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(t.find(kNeedle));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(t.size()));
}
BENCHMARK(BM_BaselineStringViewFind)->ArgName("mixed")->Arg(0)->Arg(1);

void BM_BaselineMemmem(benchmark::State& state) {
  const std::string_view t = page(state.range(0) != 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(t.data(), t.size(), kNeedle.data(), kNeedle.size()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(t.size()));
}
BENCHMARK(BM_BaselineMemmem)->ArgName("mixed")->Arg(0)->Arg(1);

// ---- replace_text --------------------------------------------------------------

void BM_ReplaceText(benchmark::State& state) {
  const Text t(page(state.range(0) != 0));
  const Text find("<br>");
  const Text rep("\r\n");
  for (auto _ : state) benchmark::DoNotOptimize(replace_text(t, find, rep, false));
  state.SetBytesProcessed(state.iterations() * t.size());
}
BENCHMARK(BM_ReplaceText)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_BaselineMemmemReplace(benchmark::State& state) {
  const std::string_view t = page(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(memmem_replace(t, "<br>", "\r\n"));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(t.size()));
}
BENCHMARK(BM_BaselineMemmemReplace)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// ---- replace_bytes on 64 MiB ------------------------------------------------------

// 64 MiB of ASCII page data; "many" puts a placeholder every 4 KiB, otherwise
// there is one in the middle.
const std::string& big_body(bool many) {
  static const std::string one = [] {
    std::string s;
    while (s.size() < 64 * kMiB) s += page(false);
    s.resize(64 * kMiB);
    s.replace(s.size() / 2, 7, "{IMAGE}");
    return s;
  }();
  static const std::string lots = [] {
    std::string s = one;
    for (std::size_t at = 0; at + 7 < s.size(); at += 4096) s.replace(at, 7, "{IMAGE}");
    return s;
  }();
  return many ? lots : one;
}

void BM_ReplaceBytes(benchmark::State& state) {
  const Bytes b(big_body(state.range(0) != 0));
  const Bytes find(std::string_view("{IMAGE}"));
  const Bytes rep(std::string(100, '\x89'));
  for (auto _ : state) benchmark::DoNotOptimize(replace_bytes(b, find, rep));
  state.SetBytesProcessed(state.iterations() * b.size());
}
BENCHMARK(BM_ReplaceBytes)->ArgName("many")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BaselineMemmemReplaceBytes(benchmark::State& state) {
  const std::string& b = big_body(state.range(0) != 0);
  const std::string rep(100, '\x89');
  for (auto _ : state) benchmark::DoNotOptimize(memmem_replace(b, "{IMAGE}", rep));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}
BENCHMARK(BM_BaselineMemmemReplaceBytes)->ArgName("many")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---- decode_gzip_body of a 32 MiB body --------------------------------------------

struct GzipCase {
  std::string plain;
  std::string packed;
};

const GzipCase& gzip_case() {
  static const GzipCase c = [] {
    GzipCase g;
    std::mt19937 rng(3);
    while (g.plain.size() < 32 * kMiB) {
      g.plain += "{\"name\":\"" + std::to_string(rng()) + ".png\",\"size\":" +
                 std::to_string(rng() % 100000) + "} ";
    }
    g.plain.resize(32 * kMiB);
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    g.packed.resize(deflateBound(&z, g.plain.size()));
    z.next_in = reinterpret_cast<Bytef*>(g.plain.data());
    z.avail_in = static_cast<uInt>(g.plain.size());
    z.next_out = reinterpret_cast<Bytef*>(g.packed.data());
    z.avail_out = static_cast<uInt>(g.packed.size());
    deflate(&z, Z_FINISH);
    g.packed.resize(z.total_out);
    deflateEnd(&z);
    return g;
  }();
  return c;
}

void BM_DecodeGzipBody(benchmark::State& state) {
  const Bytes body(gzip_case().packed);
  for (auto _ : state) {
    const Bytes out = decode_gzip_body(body);
    if (out.size() != static_cast<std::int32_t>(gzip_case().plain.size())) {
      state.SkipWithError("wrong decoded size");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(gzip_case().plain.size()));
}
BENCHMARK(BM_DecodeGzipBody)->Unit(benchmark::kMillisecond);

void BM_BaselineInflatePresized(benchmark::State& state) {
  const std::string& packed = gzip_case().packed;
  std::string out(gzip_case().plain.size(), '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, 15 + 32);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_BaselineInflatePresized)->Unit(benchmark::kMillisecond);

// ---- linear cost: 1 MiB against 16 MiB -----------------------------------------------

const std::string& mixed_of_size(std::size_t n) {
  static const std::string small = mixed_page(kMiB);
  static const std::string large = mixed_page(16 * kMiB);
  return n == kMiB ? small : large;
}

void BM_ReplaceTextScale(benchmark::State& state) {
  const Text t(mixed_of_size(static_cast<std::size_t>(state.range(0))));
  const Text find("<br>");
  const Text rep("\r\n");
  for (auto _ : state) benchmark::DoNotOptimize(replace_text(t, find, rep, false));
  state.SetBytesProcessed(state.iterations() * t.size());
}
BENCHMARK(BM_ReplaceTextScale)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

void BM_SplitTextScale(benchmark::State& state) {
  const Text t(mixed_of_size(static_cast<std::size_t>(state.range(0))));
  const Text sep("<br>");
  for (auto _ : state) benchmark::DoNotOptimize(split_text(t, sep));
  state.SetBytesProcessed(state.iterations() * t.size());
}
BENCHMARK(BM_SplitTextScale)->Arg(kMiB)->Arg(16 * kMiB)->Unit(benchmark::kMillisecond);

// The 4 MiB and 64 MiB points tell the algorithm's cost from the memory's: the
// lookups of repeats land at random places in the text, so once the text and
// the table outgrow the caches each item costs a cache miss more.
// Cookie-like items "k<id>=v" joined by "; ", ids drawn from half as many
// values as there are items, so about half the items repeat.
std::string cookie_items(std::size_t n) {
  std::mt19937 rng(4);
  std::string s;
  s.reserve(n + 32);
  const std::size_t ids = n / 24;
  while (s.size() < n) {
    s += 'k';
    s += std::to_string(rng() % ids);
    s += "=v; ";
  }
  return s;
}

void BM_DedupeTokensScale(benchmark::State& state) {
  const Text t(cookie_items(static_cast<std::size_t>(state.range(0))));
  const Text sep("; ");
  for (auto _ : state) benchmark::DoNotOptimize(dedupe_tokens(t, sep));
  state.SetBytesProcessed(state.iterations() * t.size());
}
BENCHMARK(BM_DedupeTokensScale)->Arg(kMiB)->Arg(4 * kMiB)->Arg(16 * kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillon

BENCHMARK_MAIN();
