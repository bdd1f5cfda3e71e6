// The conversions keep one converter per thread; many threads converting at
// once must each get their own correct results.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "text/encoders.h"
#include "text/primitives.h"

namespace quillon {
namespace {

TEST(EncodersThreads, ConcurrentConversionsStayCorrect) {
  const Text ansi("\xCD\xBC\xC6\xAC a.png \x80");
  const Text utf8("\xE5\x9B\xBE\xE7\x89\x87 a.png \xE2\x82\xAC");
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      for (int r = 0; r < kRounds; ++r) {
        // Alternate the direction so both converters of a thread are used.
        if ((r + i) % 2 == 0) {
          if (utf8_to_ansi(utf8) != ansi) ++wrong;
        } else if (utf16_to_text(ansi_to_utf16(ansi), kCodePageUtf8) != utf8) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace quillon
