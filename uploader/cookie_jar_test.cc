#include "uploader/cookie_jar.h"

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "http/cookies.h"
#include "text/helpers.h"
#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/login.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/temp_dir.h"
#include "uploader/testing/test_forum.h"
#include "uploader/upload.h"

namespace quillon {
namespace {

using testing::FakeWindow;
using testing::ForumOptions;
using testing::TempDir;
using testing::TestForum;

// Bounds every wait on another thread; never a measure of speed.
constexpr std::chrono::seconds kPatience{20};

bool jar_has(const Text& name) { return has_cookie_named(split_text(cookie_jar.get(), Text("; ")), name); }

TEST(CookieJar, MergeWorksOnTheCurrentText) {
  cookie_jar.set(Text("a=1; b=2; c=3"));
  cookie_jar.merge(Text("b=9; c=deleted; d=4"));
  EXPECT_EQ(cookie_jar.get(), Text("b=9; d=4; a=1"));
  cookie_jar.merge(Text());
  EXPECT_EQ(cookie_jar.get(), Text("b=9; d=4; a=1"));
  cookie_jar.clear();
  EXPECT_EQ(cookie_jar.get(), Text());
}

TEST(CookieJar, ConcurrentMergesLoseNothing) {
  cookie_jar.clear();
  constexpr int kThreads = 8;
  constexpr int kRounds = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int r = 0; r < kRounds; ++r) {
        cookie_jar.merge(Text("t" + std::to_string(t) + "=" + std::to_string(r)));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    const auto items = split_text(cookie_jar.get(), Text("; "));
    EXPECT_GT(list_index_of(items, Text("t" + std::to_string(t) + "=" + std::to_string(kRounds - 1))), 0);
  }
  cookie_jar.clear();
}

class JarUnderLoad : public ::testing::Test {
 protected:
  void TearDown() override { cookie_jar.clear(); }

  // A window for one worker, with its own image file.
  std::unique_ptr<FakeWindow> window_for(const TestForum& forum, int n) {
    auto window = std::make_unique<FakeWindow>();
    window->set_field_text(kSiteBox, Text(forum.base_url()));
    window->set_field_text(kAccountBox, Text("demo"));
    window->set_field_text(kPasswordBox, Text("demo"));
    const std::string name = "img" + std::to_string(n) + ".png";
    testing::write_file_bytes(dir_.file(name), "image " + std::to_string(n));
    window->set_field_text(kFileBox, dir_.text(name));
    return window;
  }

  Text settings() const { return dir_.text("config.ini"); }

  TempDir dir_;
};

// Every upload's POST is held until all of them wait in the forum, so each
// took its snapshot of the jar before any of them merged. Their replies' cookies
// must all arrive: a merge that wrote back "snapshot + reply" would keep one.
TEST_F(JarUnderLoad, ConcurrentUploadsLoseNoUpdate) {
  constexpr int kUploads = 6;
  ForumOptions options;
  options.numbered_cookies = true;
  options.hold_uploads = true;
  options.release_when_held = kUploads;
  TestForum forum(options);
  ASSERT_NE(forum.port(), 0);
  auto login_window = window_for(forum, 0);
  log_in(*login_window, settings());
  ASSERT_EQ(login_window->statuses(), TextList{kLoginSucceeded});

  std::vector<std::unique_ptr<FakeWindow>> windows;
  for (int n = 1; n <= kUploads; ++n) {
    windows.push_back(window_for(forum, n));
    FakeWindow* window = windows.back().get();
    window->start_worker([window] { upload_image(*window); });
  }
  for (auto& window : windows) window->join_workers();

  ASSERT_EQ(forum.uploads().size(), static_cast<std::size_t>(kUploads));
  for (int n = 1; n <= kUploads; ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(jar_has(Text("p" + std::to_string(n))));
    EXPECT_TRUE(jar_has(Text("u" + std::to_string(n))));
    EXPECT_EQ(windows[n - 1]->statuses(), TextList{kUploadSucceeded});
  }
  EXPECT_TRUE(jar_has(Text("forum_session")));
  EXPECT_FALSE(jar_has(Text("forum_guest")));
}

// Logins replace the jar while uploads merge into it; every upload still finds
// a session and a ticket, and the jar ends holding a session the forum made.
TEST_F(JarUnderLoad, LoginsAndUploadsRunTogether) {
  constexpr int kEach = 4;
  TestForum forum;
  ASSERT_NE(forum.port(), 0);
  auto first = window_for(forum, 0);
  log_in(*first, settings());
  ASSERT_EQ(first->statuses(), TextList{kLoginSucceeded});

  std::vector<std::unique_ptr<FakeWindow>> windows;
  for (int n = 1; n <= 2 * kEach; ++n) {
    windows.push_back(window_for(forum, n));
    FakeWindow* window = windows.back().get();
    const Text path = settings();
    if (n % 2 == 0) {
      window->start_worker([window, path] { log_in(*window, path); });
    } else {
      window->start_worker([window] { upload_image(*window); });
    }
  }
  for (auto& window : windows) window->join_workers();

  for (int n = 1; n <= 2 * kEach; ++n) {
    SCOPED_TRACE(n);
    const Text expected = n % 2 == 0 ? kLoginSucceeded : kUploadSucceeded;
    EXPECT_EQ(windows[n - 1]->statuses(), TextList{expected});
  }
  EXPECT_EQ(forum.logins(), kEach + 1);
  const Text session = text_between(cookie_jar.get(), Text("forum_session=s"), Text(";"));
  EXPECT_FALSE(session.empty());
}

// While an upload waits in the forum, a login goes through at once: no lock on
// the jar is held over the upload's time on the wire. Afterwards the upload's
// merge keeps the new login's cookies.
TEST_F(JarUnderLoad, LoginDuringBlockedUploadCompletes) {
  ForumOptions options;
  options.hold_uploads = true;
  // Shorter than the client's 15 s receive limit, so a held upload ends in the
  // forum, never in a client time-out.
  options.hold_timeout = std::chrono::seconds(14);
  TestForum forum(options);
  ASSERT_NE(forum.port(), 0);
  auto uploader = window_for(forum, 1);
  log_in(*uploader, settings());
  ASSERT_EQ(cookie_jar.get(), Text("forum_session=s1; forum_user=demo; forum_guest=deleted"));

  uploader->start_worker([window = uploader.get()] { upload_image(*window); });
  ASSERT_TRUE(forum.wait_for_held_uploads(1, kPatience));

  auto second = window_for(forum, 2);
  std::future<void> login = std::async(std::launch::async, [&] { log_in(*second, settings()); });
  // A login stuck behind the upload would finish only once the hold ends; the
  // upload is still held when this one is done.
  const bool login_done = login.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  const int still_held = forum.held_uploads();
  forum.release_uploads();
  uploader->join_workers();
  login.wait();

  EXPECT_TRUE(login_done);
  EXPECT_EQ(still_held, 1);
  EXPECT_EQ(second->statuses(), TextList{kLoginSucceeded});
  ASSERT_EQ(uploader->statuses().size(), 2u);
  EXPECT_EQ(uploader->statuses()[1], kUploadSucceeded);
  EXPECT_EQ(cookie_jar.get(), Text("forum_last=upload; forum_session=s2; forum_user=demo"));
}

}  // namespace
}  // namespace quillon
