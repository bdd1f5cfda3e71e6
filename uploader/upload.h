// Uploading the image named in the file field.
#pragma once

#include "text/values.h"
#include "uploader/window_services.h"

namespace quillon {

// Base address of the image host (scheme and host, no trailing slash), fixed at
// build time.
extern const Text image_host_base;

// The multipart template (382 bytes) and the extra header block (424 bytes) of
// the upload request.
extern const Text upload_form_template;
extern const Text upload_header_block;

// Fetches the profile page for the upload directory and ticket, posts the file
// as multipart/form-data, and on success puts image_host_base + directory + "/"
// + stored name on the clipboard and reports it in the status bar; on failure
// shows a notice "上传失败，..." and leaves an empty clipboard.
void upload_image(WindowServices& window);

}  // namespace quillon
