#include "uploader/login.h"

#include <string>

#include <gtest/gtest.h>

#include "http/testing/test_server.h"
#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/cookie_jar.h"
#include "uploader/jar_exchange.h"
#include "uploader/profile_ini.h"
#include "uploader/settings_file.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/forum_fixture.h"
#include "uploader/testing/temp_dir.h"
#include "uploader/testing/test_forum.h"

namespace quillon {
namespace {

using testing::FakeWindow;
using testing::ReceivedRequest;
using testing::Reply;
using testing::TempDir;
using testing::TestForum;
using testing::TestServer;

const char kLoggedInJar[] = "forum_session=s1; forum_user=demo; forum_guest=deleted";

class LogIn : public testing::ForumFixture {
 protected:
  Text settings() const { return dir_.text("config.ini"); }
};

TEST_F(LogIn, SucceedsKeepsReplyCookiesAndSavesTheBoxes) {
  window_.set_field_text(kFileBox, Text("/tmp/a.png"));
  log_in(window_, settings());

  EXPECT_EQ(window_.statuses(), TextList{kLoginSucceeded});
  // Exactly the reply's items, the deleted one included: no merge ran.
  EXPECT_EQ(cookie_jar.get(), Text(kLoggedInJar));

  const auto requests = forum_.requests();
  ASSERT_EQ(requests.size(), 1u);
  const ReceivedRequest& sent = requests[0];
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.target, "/login.php?action=in");
  EXPECT_EQ(sent.body, "form_sent=1&redirect_url=&req_username=demo&req_password=demo&login=Login");
  EXPECT_EQ(sent.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(sent.header("Referer"), forum_.base_url() + "/login.php?action=in");
  EXPECT_EQ(sent.header_count("Cookie"), 0);

  // The settings file did not exist: it starts with 10240 zero bytes, then the
  // four boxes in their order, the password in plain text.
  const std::string file = testing::read_file_bytes(dir_.file("config.ini"));
  EXPECT_EQ(file, std::string(10240, '\0') + "[" + kSettingsSection.str() + "]\r\n" +
                      kPasswordBox.str() + "=demo\r\n" + kAccountBox.str() + "=demo\r\n" +
                      kSiteBox.str() + "=" + forum_.base_url() + "\r\n" + kFileBox.str() +
                      "=/tmp/a.png\r\n");
}

TEST_F(LogIn, ExistingSettingsFileIsNotRecreated) {
  const std::string before = "[Other]\r\nkeep=1\r\n";
  testing::write_file_bytes(dir_.file("config.ini"), before);
  log_in(window_, settings());
  const std::string file = testing::read_file_bytes(dir_.file("config.ini"));
  EXPECT_EQ(file.substr(0, before.size()), before);
  EXPECT_EQ(read_profile_string(kSettingsSection, kAccountBox, settings()), Text("demo"));
}

// Account and password go out unescaped; the forum's form decoding shows what
// that does to them, and none of these is a known account.
TEST_F(LogIn, FormTextCarriesFieldsUnescaped) {
  const struct {
    std::string account;
    std::string password;
    std::string body;
  } cases[] = {
      {"", "", "form_sent=1&redirect_url=&req_username=&req_password=&login=Login"},
      {"a&b=c", "x", "form_sent=1&redirect_url=&req_username=a&b=c&req_password=x&login=Login"},
      {"demo", "de+m%6F", "form_sent=1&redirect_url=&req_username=demo&req_password=de+m%6F&login=Login"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    window_.set_field_text(kAccountBox, Text(c.account));
    window_.set_field_text(kPasswordBox, Text(c.password));
    log_in(window_, settings());
    ASSERT_FALSE(forum_.requests().empty());
    EXPECT_EQ(forum_.requests().back().body, c.body);
    EXPECT_EQ(window_.statuses().back(), kLoginFailed);
  }
  EXPECT_EQ(forum_.logins(), 0);
  EXPECT_FALSE(is_existing_file(settings()));
}

TEST_F(LogIn, FailureAfterSuccessKeepsOnlyTheFailedReplysCookies) {
  log_in(window_, settings());
  ASSERT_EQ(cookie_jar.get(), Text(kLoggedInJar));
  window_.set_field_text(kPasswordBox, Text("wrong"));
  log_in(window_, settings());
  EXPECT_EQ(window_.statuses(), (TextList{kLoginSucceeded, kLoginFailed}));
  EXPECT_EQ(cookie_jar.get(), Text("forum_guest=1"));
}

TEST_F(LogIn, UnreachableSiteEmptiesTheJar) {
  int closed_port = 0;
  {
    TestServer gone([](const ReceivedRequest&) { return Reply{}; });
    closed_port = gone.port();
  }
  cookie_jar.set(Text("old=1"));
  window_.set_field_text(kSiteBox, Text("http://127.0.0.1:" + std::to_string(closed_port)));
  log_in(window_, settings());
  EXPECT_EQ(window_.statuses(), TextList{kLoginFailed});
  EXPECT_EQ(cookie_jar.get(), Text());
}

TEST_F(LogIn, NoRequestObjectLeavesTheJarAlone) {
  cookie_jar.set(Text("old=1"));
  set_request_factory_for_tests([] { return std::shared_ptr<RequestObject>(); });
  log_in(window_, settings());
  EXPECT_EQ(window_.statuses(), TextList{kLoginFailed});
  EXPECT_EQ(cookie_jar.get(), Text("old=1"));
  EXPECT_TRUE(forum_.requests().empty());
}

// Replies from a site other than the forum: the marker must match in case,
// and a redirect is not followed (its own cookies and body are the reply).
TEST_F(LogIn, JudgesTheReplyAsReceived) {
  const struct {
    const char* label;
    Reply reply;
    Text status;
    Text jar;
  } cases[] = {
      {"marker in other case", {200, "OK", {{"Set-Cookie", "a=1"}}, "logged in successfully"},
       kLoginFailed, Text("a=1")},
      {"marker after a NUL", {200, "OK", {}, std::string("x\0Logged in successfully", 24)},
       kLoginFailed, Text()},
      {"redirect carrying the marker",
       {302, "Found", {{"Location", "/elsewhere"}, {"Set-Cookie", "r=1; path=/"}},
        "Logged in successfully"},
       kLoginSucceeded, Text("r=1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    FakeWindow window;
    TestServer site([&c](const ReceivedRequest&) { return c.reply; });
    window.set_field_text(kSiteBox, Text(site.base_url()));
    log_in(window, settings());
    EXPECT_EQ(window.statuses(), TextList{c.status});
    EXPECT_EQ(cookie_jar.get(), c.jar);
    EXPECT_EQ(site.requests().size(), 1u);
  }
}

}  // namespace
}  // namespace quillon
