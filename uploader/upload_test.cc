#include "uploader/upload.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "http/testing/test_server.h"
#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/cookie_jar.h"
#include "uploader/jar_exchange.h"
#include "uploader/login.h"
#include "uploader/testing/fake_window.h"
#include "uploader/testing/forum_fixture.h"
#include "uploader/testing/temp_dir.h"
#include "uploader/testing/test_forum.h"
#include "uploader/unique_fd.h"

namespace quillon {
namespace {

using testing::FakeWindow;
using testing::ForumUpload;
using testing::gzip_compress;
using testing::ReceivedRequest;
using testing::Reply;
using testing::TempDir;
using testing::TestForum;
using testing::TestServer;
using testing::write_file_bytes;

const std::string kDelimiter = "------WebKitFormBoundaryWBNVTBKnAlTkF5H4";
const char kProfileTarget[] = "/profile.php?section=uploads&id=2";

// The body as the upload must send it, put together from its lines.
std::string expected_body(const std::string& encoded_name, const std::string& ticket,
                          const std::string& extension, const std::string& image) {
  return kDelimiter + "\r\n" +
         "Content-Disposition: form-data; name=\"method\"\r\n\r\nupload.userfile\r\n" + kDelimiter +
         "\r\n" + "Content-Disposition: form-data; name=\"token\"\r\n\r\n" + ticket + "\r\n" +
         kDelimiter + "\r\n" + "Content-Disposition: form-data; name=\"files[]\"; filename=\"" +
         encoded_name + "\"\r\nContent-Type: image/" + extension + "\r\n\r\n" + image + "\r\n" +
         kDelimiter;
}

const ReceivedRequest* find_request(const std::vector<ReceivedRequest>& requests,
                                    const std::string& target) {
  for (const ReceivedRequest& request : requests) {
    if (request.target == target) return &request;
  }
  return nullptr;
}

class UploadImage : public testing::ForumFixture {
 protected:
  void log_in_to_forum() {
    log_in(window_, dir_.text("config.ini"));
    ASSERT_EQ(window_.statuses().back(), kLoginSucceeded);
  }

  // Writes the image under its UTF-8 name and puts the 936 path in the field.
  void choose_file(const std::string& utf8_name, const Text& name936, const std::string& data) {
    write_file_bytes(dir_.file(utf8_name), data);
    window_.set_field_text(kFileBox, Text(dir_.path() + "/" + name936.str()));
  }

};

TEST_F(UploadImage, SendsTheExactBodyAndPutsTheAddressOnTheClipboard) {
  const std::string with_placeholder("GIF\xCD\xBC\x00\xCD\xBC", 8);
  const struct {
    std::string utf8_name;
    Text name936;
    std::string encoded;
    std::string extension;
    std::string image;
  } cases[] = {
      {"a b.png", Text("a b.png"), "%61+%62%2E%70%6E%67", "png", "\x89PNG data"},
      {"photo.jpg", Text("photo.jpg"), "%70%68%6F%74%6F%2E%6A%70%67", "jpeg", "jpg data"},
      {"photo.JPG", Text("photo.JPG"), "%70%68%6F%74%6F%2E%4A%50%47", "JPG", "JPG data"},
      {"photo.jpeg", Text("photo.jpeg"), "%70%68%6F%74%6F%2E%6A%70%65%67", "jpeg", "jpeg data"},
      {"noext", Text("noext"), "%6E%6F%65%78%74", "", "raw"},
      // 图.png: UTF-8 on disk, code page 936 in the field and in the name.
      {"\xE5\x9B\xBE.png", Text("\xCD\xBC.png"), "%CD%BC%2E%70%6E%67", "png", "pixels"},
      {"holds.gif", Text("holds.gif"), "%68%6F%6C%64%73%2E%67%69%66", "gif", with_placeholder},
  };
  log_in_to_forum();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8_name);
    choose_file(c.utf8_name, c.name936, c.image);
    const std::size_t requests_before = forum_.requests().size();
    upload_image(window_);

    const auto requests = forum_.requests();
    ASSERT_EQ(requests.size(), requests_before + 2);
    const ReceivedRequest& post = requests.back();
    ASSERT_EQ(post.target, "/upload");
    const std::vector<ForumUpload> uploads = forum_.uploads();
    ASSERT_FALSE(uploads.empty());
    const ForumUpload& taken = uploads.back();
    EXPECT_EQ(taken.error, "");
    EXPECT_EQ(post.body, expected_body(c.encoded, taken.token, c.extension, c.image));
    EXPECT_EQ(post.body.size(), 382 - (4 + 4 + 3 + 2) + c.encoded.size() + taken.token.size() +
                                    c.extension.size() + c.image.size());
    EXPECT_EQ(taken.data, c.image);

    EXPECT_EQ(window_.statuses().back(), kUploadSucceeded);
    EXPECT_EQ(window_.clipboard_writes().back(),
              text_concat(image_host_base, Text("/u/demo/"), Text(taken.stored_name)));
  }
  EXPECT_TRUE(window_.notices().empty());
}

TEST_F(UploadImage, HeadersAsTheForumReceivesThem) {
  log_in_to_forum();
  choose_file("h.png", Text("h.png"), "img");
  upload_image(window_);
  const auto requests = forum_.requests();

  const ReceivedRequest* profile = find_request(requests, kProfileTarget);
  ASSERT_NE(profile, nullptr);
  EXPECT_EQ(profile->method, "GET");
  const std::pair<const char*, std::string> profile_headers[] = {
      {"Accept", "*/*"},
      {"Referer", forum_.base_url() + kProfileTarget},
      {"Accept-Language", "zh-cn"},
      {"User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
  };
  for (const auto& [name, value] : profile_headers) {
    SCOPED_TRACE(name);
    EXPECT_EQ(profile->header(name), value);
    EXPECT_EQ(profile->header_count(name), 1);
  }
  EXPECT_EQ(profile->header_count("Content-Type"), 0);

  const ReceivedRequest* post = find_request(requests, "/upload");
  ASSERT_NE(post, nullptr);
  EXPECT_EQ(post->method, "POST");
  const std::pair<const char*, std::string> post_headers[] = {
      {"Accept", "*/*"},
      {"Accept-Encoding", "gzip, deflate"},
      {"Accept-Language", "zh-CN,zh;q=0.9,en;q=0.8,en-GB;q=0.7,en-US;q=0.6"},
      {"Content-Type", "multipart/form-data; boundary=----WebKitFormBoundaryWBNVTBKnAlTkF5H4"},
      {"Proxy-Connection", "keep-alive"},
      {"User-Agent",
       "Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like "
       "Gecko) Chrome/102.0.5005.40 Mobile Safari/537.36 Edg/102.0.1245.12"},
      {"X-Requested-With", "XMLHttpRequest"},
      {"Referer", forum_.base_url() + "/upload"},
  };
  for (const auto& [name, value] : post_headers) {
    SCOPED_TRACE(name);
    EXPECT_EQ(post->header(name), value);
    EXPECT_EQ(post->header_count(name), 1);
  }
  EXPECT_EQ(post->header("Content-Length"), std::to_string(post->body.size()));
}

// Login cookies go to the profile GET; its reply's cookies are merged in
// (deleted ones dropping out) and go to the upload POST, whose reply overrides
// the cookie of the same name.
TEST_F(UploadImage, CookiesFlowFromLoginThroughBothRequests) {
  log_in_to_forum();
  EXPECT_EQ(cookie_jar.get(), Text("forum_session=s1; forum_user=demo; forum_guest=deleted"));
  choose_file("c.png", Text("c.png"), "img");
  upload_image(window_);

  const auto requests = forum_.requests();
  const ReceivedRequest* profile = find_request(requests, kProfileTarget);
  const ReceivedRequest* post = find_request(requests, "/upload");
  ASSERT_NE(profile, nullptr);
  ASSERT_NE(post, nullptr);
  EXPECT_EQ(profile->header("Cookie"), "forum_session=s1; forum_user=demo; forum_guest=deleted");
  EXPECT_EQ(post->header("Cookie"), "forum_last=profile; forum_session=s1; forum_user=demo");
  EXPECT_EQ(cookie_jar.get(), Text("forum_last=upload; forum_session=s1; forum_user=demo"));
}

TEST_F(UploadImage, RefusedUploadShowsTheReplyAndEmptiesTheClipboard) {
  // Not logged in: the profile page has no markers, the token goes out empty.
  choose_file("r.png", Text("r.png"), "img");
  upload_image(window_);
  ASSERT_EQ(forum_.uploads().size(), 1u);
  EXPECT_EQ(forum_.uploads()[0].token, "");
  EXPECT_EQ(window_.notices(),
            TextList{text_concat(kUploadFailed, Text("{\"success\":false,\"error\":\"not logged in\"}"))});
  EXPECT_EQ(window_.clipboard_writes(), TextList{Text()});
  EXPECT_TRUE(window_.statuses().empty());
}

TEST_F(UploadImage, EmptyFileFieldStillPostsAnEmptyFilePart) {
  log_in_to_forum();
  upload_image(window_);
  const auto uploads = forum_.uploads();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].filename, "");
  EXPECT_EQ(uploads[0].data, "");
  EXPECT_EQ(find_request(forum_.requests(), "/upload")->body,
            expected_body("", uploads[0].token, "", ""));
  EXPECT_EQ(window_.notices(),
            TextList{text_concat(kUploadFailed, Text("{\"success\":false,\"error\":\"no file\"}"))});
  EXPECT_EQ(window_.clipboard_writes(), TextList{Text()});
}

TEST_F(UploadImage, SiteWithTrailingSlashDoublesTheSlash) {
  log_in_to_forum();
  window_.set_field_text(kSiteBox, Text(forum_.base_url() + "/"));
  choose_file("s.png", Text("s.png"), "img");
  upload_image(window_);
  const auto requests = forum_.requests();
  EXPECT_NE(find_request(requests, std::string("/") + kProfileTarget), nullptr);
  EXPECT_NE(find_request(requests, "//upload"), nullptr);
  // The forum knows neither address; its 404 page is no gzip reply.
  EXPECT_EQ(window_.notices(), TextList{kUploadFailed});
  EXPECT_EQ(window_.clipboard_writes(), TextList{Text()});
}

TEST_F(UploadImage, FileTooLargeIsRefusedBeforeTheUpload) {
  log_in_to_forum();
  const std::string name = dir_.file("huge.png");
  {
    UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_TRUE(fd.valid());
    ASSERT_EQ(::ftruncate(fd.get(), 5LL << 29), 0);  // 2.5 GiB, sparse
  }
  window_.set_field_text(kFileBox, Text(name));
  upload_image(window_);
  // 上传失败，文件太大
  EXPECT_EQ(window_.notices(), TextList{text_concat(kUploadFailed, Text("\xCE\xC4\xBC\xFE\xCC\xAB\xB4\xF3"))});
  EXPECT_EQ(window_.clipboard_writes(), TextList{Text()});
  EXPECT_EQ(find_request(forum_.requests(), "/upload"), nullptr);
  EXPECT_NE(find_request(forum_.requests(), kProfileTarget), nullptr);
}

TEST_F(UploadImage, NoRequestObjectEndsInTheBareFailureNotice) {
  cookie_jar.set(Text("kept=1"));
  set_request_factory_for_tests([] { return std::shared_ptr<RequestObject>(); });
  choose_file("n.png", Text("n.png"), "img");
  upload_image(window_);
  EXPECT_EQ(window_.notices(), TextList{kUploadFailed});
  EXPECT_EQ(window_.clipboard_writes(), TextList{Text()});
  EXPECT_EQ(cookie_jar.get(), Text("kept=1"));
  EXPECT_TRUE(forum_.requests().empty());
}

// Replies of a site other than the forum, each decoded and judged as received.
TEST(UploadReply, EachReplyTakesItsPath) {
  const std::string page =
      "<script>var UserUploadsDir = '/u/ab'; var Ticket = 'tk';</script>";
  const struct {
    const char* label;
    std::string profile_page;
    std::string upload_body;
    Text notice;     // empty: success expected
    Text clipboard;  // after the host base (success) or the whole write (failure)
  } cases[] = {
      {"stored name", page, gzip_compress("{\"filename\":\"abc.png\"}"), Text(), Text("/u/ab/abc.png")},
      {"escaped slash kept", page, gzip_compress("{\"filename\":\"a\\/b.png\"}"), Text(),
       Text("/u/ab/a\\/b.png")},
      // UTF-8 图.png comes out in code page 936.
      {"utf-8 name", page, gzip_compress("{\"filename\":\"\xE5\x9B\xBE.png\"}"), Text(),
       Text("/u/ab/\xCD\xBC.png")},
      {"no markers on the profile page", "<p>login first</p>",
       gzip_compress("{\"filename\":\"x.png\"}"), Text(), Text("/x.png")},
      {"empty reply", page, "", kUploadFailed, Text()},
      {"plain reply, not gzip", page, "{\"filename\":\"x.png\"}", kUploadFailed, Text()},
      {"marker behind a NUL", page, gzip_compress(std::string("err\0\"filename\":\"x\"", 19)),
       text_concat(kUploadFailed, Text("err")), Text()},
      {"invalid utf-8, no marker", page, gzip_compress("bad \xFF\xFE reply"),
       text_concat(kUploadFailed, Text("bad ?? reply")), Text()},
      {"no stored name", page, gzip_compress("{\"error\":\"denied\"}"),
       text_concat(kUploadFailed, Text("{\"error\":\"denied\"}")), Text()},
  };
  TempDir dir;
  write_file_bytes(dir.file("i.png"), "img");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    cookie_jar.clear();
    TestServer site([&c](const ReceivedRequest& request) {
      Reply reply;
      reply.body = request.target == kProfileTarget ? c.profile_page : c.upload_body;
      return reply;
    });
    FakeWindow window;
    window.set_field_text(kSiteBox, Text(site.base_url()));
    window.set_field_text(kFileBox, dir.text("i.png"));
    upload_image(window);
    if (c.notice.empty()) {
      EXPECT_TRUE(window.notices().empty());
      EXPECT_EQ(window.statuses(), TextList{kUploadSucceeded});
      EXPECT_EQ(window.clipboard_writes(), TextList{text_concat(image_host_base, c.clipboard)});
    } else {
      EXPECT_EQ(window.notices(), TextList{c.notice});
      EXPECT_TRUE(window.statuses().empty());
      EXPECT_EQ(window.clipboard_writes(), TextList{Text()});
    }
  }
}

}  // namespace
}  // namespace quillon
