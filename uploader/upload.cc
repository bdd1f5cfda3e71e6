#include "uploader/upload.h"

#include <utility>

#include "text/encoders.h"
#include "text/gzip.h"
#include "text/helpers.h"
#include "text/primitives.h"
#include "uploader/controls.h"
#include "uploader/image_file.h"
#include "uploader/jar_exchange.h"
#include "uploader/upload_body.h"

namespace quillon {
namespace {

const Text kFileTooLarge{"\xCE\xC4\xBC\xFE\xCC\xAB\xB4\xF3"};  // 文件太大
const Text kOutOfMemory{"\xC4\xDA\xB4\xE6\xB2\xBB\xD7\xE3"};   // 内存不足

void report_failure(WindowServices& window, const Text& detail) {
  window.show_notice(text_concat(kUploadFailed, detail));
  window.set_clipboard_text(Text());
}

}  // namespace

void upload_image(WindowServices& window) {
  const Text file_name = file_name_of_path(window.field_text(kFileBox));

  const Text profile_url =
      text_concat(window.field_text(kSiteBox), Text("/profile.php?section=uploads&id=2"));
  const Text page = bytes_to_text(exchange_merging_jar({.url = profile_url}));
  const Text uploads_dir = text_between(page, Text("UserUploadsDir = '"), Text("'"));
  const Text upload_ticket = text_between(page, Text("Ticket = '"), Text("'"));

  UploadBody built;
  {
    // The file stays open (and share-locked) only while the body is built.
    const ImageFile image = ImageFile::open(window.field_text(kFileBox));

    Text extension = replace_pairs(path_extension(window.field_text(kFileBox)), Text("."), Text());
    if (text_equal(extension, Text("jpg"))) extension = Text("jpeg");
    const Text encoded_name = url_encode(file_name);

    built = build_upload_body(fill_upload_template(encoded_name, upload_ticket, extension), image);
  }
  // A body that cannot be made is refused here: nothing goes on the wire.
  if (built.failure == BodyFailure::kTooLarge) return report_failure(window, kFileTooLarge);
  if (built.failure == BodyFailure::kOutOfMemory) return report_failure(window, kOutOfMemory);

  const Text upload_url = text_concat(window.field_text(kSiteBox), Text("/upload"));
  // The body moves into the request without a copy and is freed with it.
  const Bytes reply = exchange_merging_jar({.url = upload_url,
                                            .method = 1,
                                            .extra_headers = upload_header_block,
                                            .no_redirect = true,
                                            .post_bytes = std::move(built.body)});

  const Text reply_text = utf8_to_ansi(bytes_to_text(decode_gzip_body(reply)));
  const Text stored_name = text_between(reply_text, Text("filename\":\""), Text("\""));
  if (stored_name.empty()) return report_failure(window, reply_text);

  window.set_status_text(kUploadSucceeded);
  window.set_clipboard_text(text_concat(image_host_base, uploads_dir, Text("/"), stored_name));
}

}  // namespace quillon
