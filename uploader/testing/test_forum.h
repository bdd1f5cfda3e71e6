// A small forum on the loopback test server, for the uploader's tests, its
// benchmark and the demo: a login page, an uploads profile page that hands out
// the upload directory and one-time tickets, and an upload endpoint that takes
// the multipart body apart and answers with gzip-compressed JSON.
//
//   POST /login.php?action=in            form fields req_username, req_password
//   GET  /profile.php?section=uploads&id=2   needs the session cookie
//   POST /upload                         needs the session cookie and a ticket
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/testing/test_server.h"

namespace quillon::testing {

struct ForumAccount {
  std::string user;
  std::string password;
  std::string uploads_dir;  // what the profile page gives, e.g. "/u/demo"
};

// Cookies the forum sets.
inline constexpr std::string_view kSessionCookie = "forum_session";  // after a login
inline constexpr std::string_view kUserCookie = "forum_user";        // after a login
inline constexpr std::string_view kGuestCookie = "forum_guest";  // failed login; deleted by a good one
inline constexpr std::string_view kLastPageCookie = "forum_last";  // "profile" or "upload"

struct ForumOptions {
  std::vector<ForumAccount> accounts = {{"demo", "demo", "/u/demo"}};
  ServerOptions server;
  // Each profile reply also sets p<n>=1 and each upload reply u<n>=1, n counting
  // from 1, so a test can see which replies' cookies reached the jar.
  bool numbered_cookies = false;
  // Uploads wait in the handler until release_uploads(), until
  // release_when_held uploads wait at once (when above 0), or for hold_timeout.
  bool hold_uploads = false;
  int release_when_held = 0;
  std::chrono::milliseconds hold_timeout{10000};
  // Answer every upload as stored without looking at the body (for bodies cut
  // short by ServerOptions::record_body_limit); nothing is recorded.
  bool accept_any_upload = false;
};

// An upload as the forum took it apart.
struct ForumUpload {
  std::string cookie;        // the request's Cookie header
  std::string method_field;  // the "method" field
  std::string token;         // the "token" field
  std::string filename;      // the file part's filename, as sent
  std::string content_type;  // the file part's Content-Type
  std::string data;          // the file part's bytes
  std::string stored_name;   // the name the reply gave; empty when refused
  std::string error;         // why it was refused
};

class TestForum {
 public:
  explicit TestForum(ForumOptions options = {});
  // Releases held uploads, then stops the server.
  ~TestForum();
  TestForum(const TestForum&) = delete;
  TestForum& operator=(const TestForum&) = delete;

  // 0 when the server could not start.
  int port() const;
  // "http://127.0.0.1:<port>" (https with ServerOptions::tls), no trailing slash.
  std::string base_url() const;
  // Every request as the server received it (unless ServerOptions::record is off).
  std::vector<ReceivedRequest> requests() const;
  // Every upload request, in arrival order.
  std::vector<ForumUpload> uploads() const;
  // Number of logins that succeeded.
  int logins() const;

  // Waits until at least n uploads are waiting in the handler; false when the
  // timeout passed first.
  bool wait_for_held_uploads(int n, std::chrono::milliseconds timeout) const;
  // Number of uploads waiting in the handler now.
  int held_uploads() const;
  // Lets every waiting upload go on; later uploads no longer wait.
  void release_uploads();

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::unique_ptr<TestServer> server_;
};

// The bytes of data as one gzip (RFC 1952) member, at the default level.
std::string gzip_compress(std::string_view data);
// The bytes of a form field value with "+" and %XX decoded.
std::string form_decode(std::string_view value);

}  // namespace quillon::testing
