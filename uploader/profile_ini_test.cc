#include "uploader/profile_ini.h"

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "uploader/testing/temp_dir.h"

namespace quillon {
namespace {

using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file_bytes;

const Text kSection{"\xB1\xE0\xBC\xAD\xBF\xF2"};                        // 编辑框
const Text kSite{"\xB1\xE0\xBC\xAD\xBF\xF2\xCD\xF8\xD6\xB7"};          // 编辑框网址
const Text kAccount{"\xB1\xE0\xBC\xAD\xBF\xF2\xD3\xC3\xBB\xA7\xC3\xFB"};  // 编辑框用户名
const std::string kSectionLine = "[\xB1\xE0\xBC\xAD\xBF\xF2]\r\n";

TEST(ProfileIni, NewFileGetsSectionAndKeysInWriteOrder) {
  TempDir dir;
  const Text path = dir.text("new.ini");
  ASSERT_TRUE(write_profile_string(kSection, kSite, Text("http://a"), path));
  ASSERT_TRUE(write_profile_string(kSection, kAccount, Text("bob"), path));
  ASSERT_TRUE(write_profile_string(Text("Other"), Text("k"), Text("v"), path));
  ASSERT_TRUE(write_profile_string(kSection, Text("last"), Text(), path));
  EXPECT_EQ(read_file_bytes(dir.file("new.ini")),
            kSectionLine + kSite.str() + "=http://a\r\n" + kAccount.str() +
                "=bob\r\nlast=\r\n[Other]\r\nk=v\r\n");
  EXPECT_EQ(read_profile_string(kSection, kAccount, path), Text("bob"));
  EXPECT_EQ(read_profile_string(kSection, Text("last"), path), Text());
}

// A file sized with zero bytes first (as the login makes it) keeps them as its
// head; they never read as a section or a key.
TEST(ProfileIni, ZeroByteHeadIsKeptAndNeverTakenForAName) {
  TempDir dir;
  const std::string name = dir.file("sized.ini");
  const std::string zeros(10240, '\0');
  write_file_bytes(name, zeros);
  const Text path = dir.text("sized.ini");
  ASSERT_TRUE(write_profile_string(kSection, kSite, Text("x"), path));
  ASSERT_TRUE(write_profile_string(kSection, kAccount, Text("y"), path));
  EXPECT_EQ(read_file_bytes(name),
            zeros + kSectionLine + kSite.str() + "=x\r\n" + kAccount.str() + "=y\r\n");
  EXPECT_EQ(read_profile_string(kSection, kSite, path), Text("x"));
  EXPECT_EQ(read_profile_string(kSection, kAccount, path), Text("y"));
}

TEST(ProfileIni, ReadsFileAsWindowsLeavesIt) {
  TempDir dir;
  const std::string name = dir.file("win.ini");
  // Zero head, then the section and keys, 936 bytes and CR LF lines.
  write_file_bytes(name, std::string(10240, '\0') + kSectionLine +
                             "\xB1\xE0\xBC\xAD\xBF\xF2\xC3\xDC\xC2\xEB=pw\r\n" +  // 编辑框密码
                             kAccount.str() + "=\xD5\xC5\xC8\xFD\r\n" +          // 张三
                             kSite.str() + "=http://forum.example\r\n" +
                             "\xB1\xE0\xBC\xAD\xBF\xF2\xCE\xC4\xBC\xFE=C:\\a b\\#\xD2\xFD\xBA\xC5.png\r\n");
  const Text path = dir.text("win.ini");
  const struct {
    Text key;
    Text expect;
  } cases[] = {
      {Text("\xB1\xE0\xBC\xAD\xBF\xF2\xC3\xDC\xC2\xEB"), Text("pw")},
      {kAccount, Text("\xD5\xC5\xC8\xFD")},
      {kSite, Text("http://forum.example")},
      {Text("\xB1\xE0\xBC\xAD\xBF\xF2\xCE\xC4\xBC\xFE"), Text("C:\\a b\\#\xD2\xFD\xBA\xC5.png")},
      {Text("\xB1\xE0\xBC\xAD\xBF\xF2"), Text()},  // the section name is not a key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.str());
    EXPECT_EQ(read_profile_string(kSection, c.key, path), c.expect);
  }
}

TEST(ProfileIni, ReplacesValueInPlaceAndKeepsEveryOtherByte) {
  TempDir dir;
  const std::string name = dir.file("keep.ini");
  const std::string before =
      "; comment\r\n"
      "[First]\n"
      "key=old value\n"
      "  other = 1 \r\n"
      "\r\n"
      "[Second]\r\n"
      "key=second\r\n";
  write_file_bytes(name, before);
  const Text path = dir.text("keep.ini");
  ASSERT_TRUE(write_profile_string(Text("first"), Text("KEY"), Text("new"), path));
  ASSERT_TRUE(write_profile_string(Text("First"), Text("added"), Text("a"), path));
  EXPECT_EQ(read_file_bytes(name),
            "; comment\r\n"
            "[First]\n"
            "key=new\n"
            "  other = 1 \r\n"
            "added=a\r\n"
            "\r\n"
            "[Second]\r\n"
            "key=second\r\n");
  EXPECT_EQ(read_profile_string(Text("Second"), Text("key"), path), Text("second"));
  EXPECT_EQ(read_profile_string(Text("First"), Text("other"), path), Text(" 1 "));
}

TEST(ProfileIni, UnterminatedLastLineGetsItsBreakBeforeNewLines) {
  TempDir dir;
  const std::string name = dir.file("open.ini");
  write_file_bytes(name, "[S]\r\na=1");
  const Text path = dir.text("open.ini");
  ASSERT_TRUE(write_profile_string(Text("S"), Text("b"), Text("2"), path));
  ASSERT_TRUE(write_profile_string(Text("T"), Text("c"), Text("3"), path));
  EXPECT_EQ(read_file_bytes(name), "[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n");
}

TEST(ProfileIni, NamesMatchIgnoringAsciiCaseOnly) {
  TempDir dir;
  const std::string name = dir.file("case.ini");
  // B0 41 and B0 61 are two different double-byte characters whose trail
  // bytes happen to be the letters A and a.
  write_file_bytes(name, "[Settings]\r\nUser=u\r\n\xB0\x41=upper\r\n\xB0\x61=lower\r\n");
  const Text path = dir.text("case.ini");
  const struct {
    Text section;
    Text key;
    Text expect;
  } cases[] = {
      {Text("SETTINGS"), Text("user"), Text("u")},
      {Text("settings"), Text("USER"), Text("u")},
      {Text("Settings"), Text("\xB0\x41"), Text("upper")},
      {Text("Settings"), Text("\xB0\x61"), Text("lower")},
      {Text("Setting"), Text("User"), Text()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section.str() + "/" + c.key.str());
    EXPECT_EQ(read_profile_string(c.section, c.key, path), c.expect);
  }
}

TEST(ProfileIni, LeadingControlBytesInNamesAreSkipped) {
  TempDir dir;
  const Text path = dir.text("lead.ini");
  ASSERT_TRUE(write_profile_string(Text("S"), Text("k"), Text("v"), path));
  const struct {
    Text section;
    Text key;
    Text path;
    Text expect;
  } cases[] = {
      {Text(" \tS"), Text("\x01k"), Text(" " + path.str()), Text("v")},
      {Text("  "), Text("k"), path, Text()},
      {Text("S"), Text(" "), path, Text()},
      {Text("S"), Text("k"), Text("\x1F"), Text()},
      {Text("S"), Text("k"), Text(), Text()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section.str() + "/" + c.key.str() + "/" + c.path.str());
    EXPECT_EQ(read_profile_string(c.section, c.key, c.path), c.expect);
  }
  EXPECT_FALSE(write_profile_string(Text(" "), Text("k"), Text("v"), path));
  EXPECT_FALSE(write_profile_string(Text("S"), Text("\t"), Text("v"), path));
}

TEST(ProfileIni, ReadStopsAtTheValueLimit) {
  TempDir dir;
  const Text path = dir.text("long.ini");
  const std::string value(kMaxProfileValue + 1000, 'x');
  ASSERT_TRUE(write_profile_string(Text("S"), Text("k"), Text(value), path));
  EXPECT_EQ(read_profile_string(Text("S"), Text("k"), path).size(), kMaxProfileValue);
  ASSERT_TRUE(write_profile_string(Text("S"), Text("k"), Text(std::string(kMaxProfileValue, 'y')), path));
  EXPECT_EQ(read_profile_string(Text("S"), Text("k"), path), Text(std::string(kMaxProfileValue, 'y')));
}

TEST(ProfileIni, RefusesWhatCannotBeWrittenOnOneLine) {
  TempDir dir;
  const std::string name = dir.file("refuse.ini");
  write_file_bytes(name, "[S]\r\nk=v\r\n");
  const Text path = dir.text("refuse.ini");
  const struct {
    Text section;
    Text key;
    Text value;
  } cases[] = {
      {Text("S"), Text("k"), Text("a\r\n[T]\r\nx=y")},
      {Text("S"), Text("k"), Text("a\nb")},
      {Text("S]"), Text("k"), Text("v")},
      {Text("S"), Text("a=b"), Text("v")},
      {Text("S"), Text("[k"), Text("v")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section.str() + "/" + c.key.str() + "/" + c.value.str());
    EXPECT_FALSE(write_profile_string(c.section, c.key, c.value, path));
  }
  EXPECT_EQ(read_file_bytes(name), "[S]\r\nk=v\r\n");
}

// The new content goes to a file beside the old one and is renamed over it, so
// a write that fails part-way leaves the old file whole and no stray file.
TEST(ProfileIni, FailedWriteLeavesOldFileIntact) {
  TempDir dir;
  const std::string name = dir.file("atomic.ini");
  const std::string before = "[S]\r\nk=old\r\n";
  write_file_bytes(name, before);
  const Text path = dir.text("atomic.ini");

  // A file size limit makes writing the new content fail even for root.
  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {}, old_action {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &old_action), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = write_profile_string(Text("S"), Text("k"), Text(std::string(8000, 'n')), path);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old_action, nullptr);

  EXPECT_FALSE(written);
  EXPECT_EQ(read_file_bytes(name), before);
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(write_profile_string(Text("S"), Text("k"), Text("v"), dir.text("missing/dir.ini")));
}

TEST(ProfileIni, WriteThroughSymbolicLinkKeepsTheLink) {
  TempDir dir;
  write_file_bytes(dir.file("real.ini"), "[S]\r\nk=1\r\n");
  std::filesystem::create_symlink(dir.file("real.ini"), dir.file("link.ini"));
  ASSERT_TRUE(write_profile_string(Text("S"), Text("k"), Text("2"), dir.text("link.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.ini")));
  EXPECT_EQ(read_file_bytes(dir.file("real.ini")), "[S]\r\nk=2\r\n");
}

// Writers in one process never base their content on the same old file, so no
// key is lost when several write at once.
TEST(ProfileIni, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const Text path = dir.text("shared.ini");
  constexpr int kThreads = 4;
  constexpr int kKeysEach = 10;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&path, t] {
      for (int k = 0; k < kKeysEach; ++k) {
        write_profile_string(Text("S"), Text("t" + std::to_string(t) + "k" + std::to_string(k)),
                             Text(std::to_string(k)), path);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeysEach; ++k) {
      const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
      SCOPED_TRACE(key);
      EXPECT_EQ(read_profile_string(Text("S"), Text(key), path), Text(std::to_string(k)));
    }
  }
}

}  // namespace
}  // namespace quillon
