// One complete HTTP exchange, synchronous on the calling thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "http/request_object.h"
#include "text/values.h"

namespace quillon {

// The parameters of web_request, in their fixed order; callers use designated
// initializers: web_request({.url = u, .method = 1, .cookies = &jar}).
// Pointers are the caller's variables (null: not given); std::optional marks
// parameters whose "not given" differs from any value. Every member has an
// initializer so that designated initializers leave none of them unnamed in
// -Wextra's eyes.
struct WebRequestOptions {
  Text url{};
  std::int32_t method = 0;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE,
                            // 6 TRACE, 7 CONNECT; anything else counts as 0.
  Text post_text{};         // body sent when post_bytes is empty
  Text* cookies = nullptr;  // in-out: sent as the Cookie header, merged afterwards
  Text* reply_cookies = nullptr;  // out: name=value items of the reply's Set-Cookie lines
  Text extra_headers{};           // lines "Name: value" separated by CR LF
  Text* reply_headers = nullptr;  // out: header lines of the final reply
  std::int32_t* status_code = nullptr;  // out: status of the final reply, 0 on failure
  bool no_redirect = false;
  Bytes post_bytes{};  // raw body; sent instead of post_text when non-empty
  Text proxy{};
  std::int32_t timeout_seconds = 0;  // -1: none set; <= 0: 15 s; else seconds (<= 2147483)
  Text proxy_user{};
  Text proxy_password{};
  std::optional<std::int32_t> credential_target{};  // 1 proxy (default), 0 server
  std::shared_ptr<RequestObject> request_object{};  // null: a new object is made
  std::optional<bool> auto_merge_cookies{};       // default on
  std::optional<bool> complete_headers{};         // default on
  std::optional<bool> normalise_header_case{};    // default on
  // Makes the request object when none is given; null means the libcurl one.
  // A seam for tests, after the exchange's own parameters.
  RequestObjectFactory create_object{};
};

// Runs the exchange and returns the reply body exactly as received (empty when
// there is none or the exchange failed). When no request object can be made,
// returns empty and writes no output.
Bytes web_request(const WebRequestOptions& options);

}  // namespace quillon
