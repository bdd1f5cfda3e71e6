// Building the multipart body of an upload from the form template and the
// image file.
#pragma once

#include <cstdint>

#include "text/values.h"
#include "uploader/image_file.h"

namespace quillon {

// upload_form_template with every "文件" replaced by the encoded name, then
// every "秘钥" by the ticket, then every "png" by the extension (replace_text:
// case-sensitive, character-aware, inserted text never rescanned), as bytes.
Bytes fill_upload_template(const Text& encoded_name, const Text& ticket, const Text& extension);

enum class BodyFailure { kNone, kTooLarge, kOutOfMemory };

struct UploadBody {
  Bytes body;
  BodyFailure failure = BodyFailure::kNone;
};

// The filled template with every occurrence of the bytes CD BC ("图"), found
// left to right without overlap, replaced by the image's bytes: the same bytes
// as replace_bytes(filled, "图", whole file) but made in one allocation, the
// file read straight into its first place. A file that ends early counts with
// the bytes that arrived. kTooLarge when the body would exceed kMaxValueSize,
// kOutOfMemory when it cannot be allocated; the body is empty in both cases.
UploadBody build_upload_body(const Bytes& filled, const ImageFile& image);

}  // namespace quillon
