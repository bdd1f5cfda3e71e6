// The two ways the login and the upload run web_request against cookie_jar,
// and the seam through which tests choose the request object they use.
#pragma once

#include "http/web_request.h"
#include "text/values.h"

namespace quillon {

// Makes the request objects of the login's and the upload's exchanges. An
// empty factory (the default) lets web_request make its libcurl object. For
// tests; safe to call from any thread.
void set_request_factory_for_tests(RequestObjectFactory factory);

// web_request with the reply's cookies replacing cookie_jar's text (the login):
// the jar changes only when the exchange ran, not when no request object could
// be made. Any cookies, reply_cookies or status_code in options are replaced.
Bytes exchange_replacing_jar(WebRequestOptions options);

// web_request that sends cookie_jar's text and merges the reply's cookies back
// into it (each request of the upload), without holding the jar while on the
// wire. Any cookies, reply_cookies, status_code or auto_merge_cookies in
// options are replaced.
Bytes exchange_merging_jar(WebRequestOptions options);

}  // namespace quillon
