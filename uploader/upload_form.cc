// The fixed texts of the upload request: the multipart form with its
// placeholders and the extra header lines that go with it.
#include "uploader/upload.h"

namespace quillon {

#ifndef QUILLON_IMAGE_HOST_BASE
#error "QUILLON_IMAGE_HOST_BASE must be defined by the build"
#endif

const Text image_host_base{QUILLON_IMAGE_HOST_BASE};

// Fourteen lines joined by CR LF, none after the last; the boundary is fixed
// and the body ends with a plain delimiter line, without a closing "--".
// Placeholders: 秘钥 (C3 D8 D4 BF) the ticket, 文件 (CE C4 BC FE) the encoded
// file name, png the extension, 图 (CD BC) the image bytes.
const Text upload_form_template{
    "------WebKitFormBoundaryWBNVTBKnAlTkF5H4\r\n"
    "Content-Disposition: form-data; name=\"method\"\r\n"
    "\r\n"
    "upload.userfile\r\n"
    "------WebKitFormBoundaryWBNVTBKnAlTkF5H4\r\n"
    "Content-Disposition: form-data; name=\"token\"\r\n"
    "\r\n"
    "\xC3\xD8\xD4\xBF\r\n"
    "------WebKitFormBoundaryWBNVTBKnAlTkF5H4\r\n"
    "Content-Disposition: form-data; name=\"files[]\"; filename=\"\xCE\xC4\xBC\xFE\"\r\n"
    "Content-Type: image/png\r\n"
    "\r\n"
    "\xCD\xBC\r\n"
    "------WebKitFormBoundaryWBNVTBKnAlTkF5H4"};

// Seven header lines joined by CR LF, none after the last. web_request adds the
// Referer line itself.
const Text upload_header_block{
    "Accept: */*\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "Accept-Language: zh-CN,zh;q=0.9,en;q=0.8,en-GB;q=0.7,en-US;q=0.6\r\n"
    "Content-Type: multipart/form-data; boundary=----WebKitFormBoundaryWBNVTBKnAlTkF5H4\r\n"
    "Proxy-Connection: keep-alive\r\n"
    "User-Agent: Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 "
    "(KHTML, like Gecko) Chrome/102.0.5005.40 Mobile Safari/537.36 Edg/102.0.1245.12\r\n"
    "X-Requested-With: XMLHttpRequest"};

}  // namespace quillon
