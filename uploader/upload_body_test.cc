#include "uploader/upload_body.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "text/primitives.h"
#include "uploader/testing/temp_dir.h"
#include "uploader/unique_fd.h"
#include "uploader/upload.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::write_file_bytes;

const Bytes kImagePlaceholder{std::string_view("\xCD\xBC")};  // 图
const std::string kDelimiter = "------WebKitFormBoundaryWBNVTBKnAlTkF5H4";

std::string join_lines(std::initializer_list<std::string> lines) {
  std::string out;
  bool first = true;
  for (const std::string& line : lines) {
    if (!first) out += "\r\n";
    out += line;
    first = false;
  }
  return out;
}

TEST(UploadTemplates, AreByteExact) {
  const std::string form = join_lines({
      kDelimiter,
      "Content-Disposition: form-data; name=\"method\"",
      "",
      "upload.userfile",
      kDelimiter,
      "Content-Disposition: form-data; name=\"token\"",
      "",
      "\xC3\xD8\xD4\xBF",
      kDelimiter,
      "Content-Disposition: form-data; name=\"files[]\"; filename=\"\xCE\xC4\xBC\xFE\"",
      "Content-Type: image/png",
      "",
      "\xCD\xBC",
      kDelimiter,
  });
  EXPECT_EQ(upload_form_template.size(), 382);
  EXPECT_EQ(upload_form_template.str(), form);
  // The placeholders where they belong: 秘钥, 文件 and 图.
  EXPECT_EQ(upload_form_template.str().substr(198, 4), "\xC3\xD8\xD4\xBF");
  EXPECT_EQ(upload_form_template.str().substr(304, 4), "\xCE\xC4\xBC\xFE");
  EXPECT_EQ(upload_form_template.str().substr(338, 2), "\xCD\xBC");
  EXPECT_EQ(upload_form_template.str().substr(0, 6), "------");
  EXPECT_EQ(upload_form_template.str().substr(378), "F5H4");

  const std::string headers = join_lines({
      "Accept: */*",
      "Accept-Encoding: gzip, deflate",
      "Accept-Language: zh-CN,zh;q=0.9,en;q=0.8,en-GB;q=0.7,en-US;q=0.6",
      "Content-Type: multipart/form-data; boundary=----WebKitFormBoundaryWBNVTBKnAlTkF5H4",
      "Proxy-Connection: keep-alive",
      "User-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 "
      "(KHTML, like Gecko) Chrome/102.0.5005.40 Mobile Safari/537.36 Edg/102.0.1245.12",
      "X-Requested-With: XMLHttpRequest",
  });
  EXPECT_EQ(upload_header_block.size(), 424);
  EXPECT_EQ(upload_header_block.str(), headers);
}

TEST(FillUploadTemplate, ReplacesNameThenTicketThenExtension) {
  const struct {
    Text name;
    Text ticket;
    Text extension;
    std::string filename_line;
    std::string token;
    std::string type_line;
  } cases[] = {
      {Text("%61"), Text("T1"), Text("png"), "filename=\"%61\"", "T1", "Content-Type: image/png"},
      {Text(), Text(), Text(), "filename=\"\"", "", "Content-Type: image/"},
      // The extension step runs last, so a "png" inside the ticket is replaced too.
      {Text("%41"), Text("apngz"), Text("jpeg"), "filename=\"%41\"", "ajpegz",
       "Content-Type: image/jpeg"},
      // A ticket holding 文件 is not touched by the name step, which ran first.
      {Text("%42"), Text("\xCE\xC4\xBC\xFE"), Text("gif"), "filename=\"%42\"", "\xCE\xC4\xBC\xFE",
       "Content-Type: image/gif"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token);
    const std::string filled = fill_upload_template(c.name, c.ticket, c.extension).str();
    EXPECT_NE(filled.find(c.filename_line + "\r\n" + c.type_line + "\r\n\r\n\xCD\xBC\r\n"),
              std::string::npos);
    EXPECT_NE(filled.find("name=\"token\"\r\n\r\n" + c.token + "\r\n"), std::string::npos);
    EXPECT_EQ(static_cast<std::int32_t>(filled.size()),
              382 - (4 + 4 + 3) + c.name.size() + static_cast<std::int32_t>(c.token.size()) +
                  c.extension.size());
  }
}

// The one-allocation body must hold exactly the bytes replace_bytes gives.
TEST(BuildUploadBody, MatchesReplaceBytes) {
  const std::string with_placeholder = std::string("ab\xCD\xBC" "cd\xCD", 7);
  const struct {
    const char* label;
    Text ticket;
    Text extension;
    std::string image;
  } cases[] = {
      {"plain", Text("T"), Text("png"), std::string("\x89PNG\r\n\x1A\n\0\0\xFF", 11)},
      {"image holding the placeholder", Text("T"), Text("png"), with_placeholder},
      {"ticket holding the placeholder", Text("x\xCD\xBCy\xCD\xBC"), Text("png"), "IMG"},
      {"extension holding the placeholder", Text("T"), Text("\xCD\xBC"), "IMG"},
      {"placeholders side by side", Text("\xCD\xBC\xCD\xBC"), Text("\xCD"), "II"},
      {"empty file", Text("\xCD\xBC"), Text("png"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    write_file_bytes(dir.file("image"), c.image);
    const ImageFile image = ImageFile::open(dir.text("image"));
    EXPECT_EQ(image.size(), static_cast<std::int64_t>(c.image.size()));
    const Bytes filled = fill_upload_template(Text("%61"), c.ticket, c.extension);
    const UploadBody built = build_upload_body(filled, image);
    EXPECT_EQ(built.failure, BodyFailure::kNone);
    EXPECT_EQ(built.body, replace_bytes(filled, kImagePlaceholder, Bytes(c.image)));
    EXPECT_EQ(built.body.str().substr(0, kDelimiter.size()), kDelimiter);
    EXPECT_EQ(built.body.str().substr(built.body.str().size() - 4), "F5H4");
  }
}

// Large files are read in pieces on two threads into storage faulted in ahead;
// the body must still be byte for byte the plain replacement, every copy of
// the image included.
TEST(BuildUploadBody, LargeFileReadInPiecesMatchesReplaceBytes) {
  std::string image((40 << 20) + 3, '\0');
  std::uint32_t x = 12345;
  for (char& c : image) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  TempDir dir;
  write_file_bytes(dir.file("large"), image);
  const ImageFile file = ImageFile::open(dir.text("large"));
  const Bytes filled = fill_upload_template(Text("%61"), Text("\xCD\xBC"), Text("png"));
  const UploadBody built = build_upload_body(filled, file);
  ASSERT_EQ(built.failure, BodyFailure::kNone);
  ASSERT_EQ(built.body.size(), filled.size() - 4 + 2 * static_cast<std::int32_t>(image.size()));
  EXPECT_TRUE(built.body == replace_bytes(filled, kImagePlaceholder, Bytes(image)));
}

TEST(BuildUploadBody, FileThatCannotBeReadGivesEmptyFilePart) {
  TempDir dir;
  write_file_bytes(dir.file("locked"), "data");
  // Another open of the file holds the exclusive lock a writer would take.
  UniqueFd writer(::open(dir.file("locked").c_str(), O_RDWR));
  ASSERT_TRUE(writer.valid());
  ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);

  const Text paths[] = {Text(), dir.text("missing"), Text(dir.path()), dir.text("locked")};
  const Bytes filled = fill_upload_template(Text("%61"), Text("T"), Text("png"));
  for (const Text& path : paths) {
    SCOPED_TRACE(path.str());
    const ImageFile image = ImageFile::open(path);
    EXPECT_EQ(image.size(), 0);
    const UploadBody built = build_upload_body(filled, image);
    EXPECT_EQ(built.failure, BodyFailure::kNone);
    EXPECT_EQ(built.body, replace_bytes(filled, kImagePlaceholder, Bytes()));
  }
}

TEST(BuildUploadBody, SharedReadersDoNotBlockEachOther) {
  TempDir dir;
  write_file_bytes(dir.file("img"), "pixels");
  const ImageFile first = ImageFile::open(dir.text("img"));
  const ImageFile second = ImageFile::open(dir.text("img"));
  EXPECT_EQ(first.size(), 6);
  EXPECT_EQ(second.size(), 6);
}

// A sparse file costs no disk; its length alone makes the body too large.
TEST(BuildUploadBody, FileTooLargeForABodyIsRefused) {
  TempDir dir;
  const std::string name = dir.file("huge.png");
  {
    UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_TRUE(fd.valid());
    ASSERT_EQ(::ftruncate(fd.get(), 5LL << 29), 0);  // 2.5 GiB
  }
  const ImageFile image = ImageFile::open(Text(name));
  EXPECT_EQ(image.size(), 5LL << 29);
  const UploadBody built =
      build_upload_body(fill_upload_template(Text("%61"), Text("T"), Text("png")), image);
  EXPECT_EQ(built.failure, BodyFailure::kTooLarge);
  EXPECT_TRUE(built.body.empty());
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLON_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLON_UNDER_SANITIZER 1
#endif
#endif

#ifndef QUILLON_UNDER_SANITIZER
// The address space of the current process, in bytes (VmSize).
std::int64_t address_space_in_use() {
  const std::string status = testing::read_file_bytes("/proc/self/status");
  const std::size_t at = status.find("VmSize:");
  return at == std::string::npos ? 0 : std::stoll(status.substr(at + 7)) * 1024;
}
#endif

// A body that fits a value but not the memory left is refused, not a crash. The
// check runs in a child process whose address space is capped just above its
// current size; sanitizers reserve address space of their own and cannot run
// under such a cap.
TEST(BuildUploadBodyDeathTest, BodyThatCannotBeAllocatedIsRefused) {
#ifdef QUILLON_UNDER_SANITIZER
  GTEST_SKIP() << "an address space cap breaks the sanitizer's own allocator";
#else
  TempDir dir;
  const std::string name = dir.file("big.png");
  {
    UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_TRUE(fd.valid());
    ASSERT_EQ(::ftruncate(fd.get(), 1LL << 30), 0);  // 1 GiB, sparse
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const ImageFile image = ImageFile::open(Text(name));
        const Bytes filled = fill_upload_template(Text("%61"), Text("T"), Text("png"));
        struct rlimit cap {};
        cap.rlim_cur = cap.rlim_max = static_cast<rlim_t>(address_space_in_use() + (256LL << 20));
        if (setrlimit(RLIMIT_AS, &cap) != 0) std::_Exit(2);
        const UploadBody built = build_upload_body(filled, image);
        std::_Exit(built.failure == BodyFailure::kOutOfMemory && built.body.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace quillon
