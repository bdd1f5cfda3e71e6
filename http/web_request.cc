#include "http/web_request.h"

#include <algorithm>
#include <array>
#include <string>

#include "http/cookies.h"
#include "http/header_lines.h"
#include "text/encoders.h"
#include "text/helpers.h"
#include "text/primitives.h"

namespace quillon {
namespace {

const Text kLineBreak = "\r\n";

const std::array<Text, 8> kMethodNames = {"GET",     "POST",   "HEAD",  "PUT",
                                          "OPTIONS", "DELETE", "TRACE", "CONNECT"};

constexpr std::int32_t kPostMethod = 1;
constexpr std::int32_t kDefaultTimeoutMs = 15000;

struct DefaultHeader {
  Text searched;
  Text line;
  bool post_only;
};

// The default header lines, tested and appended in this order.
const std::array<DefaultHeader, 5> kDefaultHeaders = {{
    {"Accept:", "Accept: */*", false},
    {"Referer:", "", false},  // the line is "Referer: " plus the address
    {"Accept-Language:", "Accept-Language: zh-cn", false},
    {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
}};

// Appends every default line whose name (with its colon, ASCII case ignored)
// occurs nowhere in the working text, each after a CR LF.
Text complete_headers(Text work, const Text& url, std::int32_t method) {
  for (const DefaultHeader& header : kDefaultHeaders) {
    if (header.post_only && method != kPostMethod) continue;
    if (find_text(work, header.searched, 1, true) != -1) continue;
    Text line = header.line.empty() ? text_concat(Text("Referer: "), url) : header.line;
    work = text_concat(work, kLineBreak, line);
  }
  return work;
}

// Hands the working header text to the request object line by line.
void set_header_lines(RequestObject& object, const Text& work) {
  if (find_text(work, kLineBreak) == -1) {
    // One line (or none): no line is skipped here, only an empty name is.
    Text name = header_line_name(work);
    if (!name.empty()) object.SetRequestHeader(name, header_line_value(work));
    return;
  }
  for (const Text& line : split_text(work, kLineBreak)) {
    if (line.empty()) continue;
    Text name = header_line_name(line);
    Text value = header_line_value(line);
    if (name == Text("Connection") && value == Text("keep-alive")) continue;
    if (name.empty()) continue;
    object.SetRequestHeader(name, value);
  }
}

// The name=value items of the reply's "Set-Cookie" lines (name byte-exact),
// attributes dropped, joined by "; ".
Text harvest_cookies(const Text& reply_headers) {
  std::string harvested;
  for (const Text& line : split_text(reply_headers, kLineBreak)) {
    if (text_before(line, ": ") != Text("Set-Cookie")) continue;
    Text cookie = find_text(line, ";") != -1 ? text_between(line, "Set-Cookie:", ";")
                                             : replace_text(line, "Set-Cookie:", "", true);
    harvested += trim_text(cookie).view();
    harvested += "; ";
  }
  if (harvested.ends_with("; ")) harvested.resize(harvested.size() - 2);
  return Text(std::move(harvested));
}

}  // namespace

Bytes web_request(const WebRequestOptions& options) {
  const bool auto_merge = options.auto_merge_cookies.value_or(true);
  const bool complete = options.complete_headers.value_or(true);
  const bool normalise = options.normalise_header_case.value_or(true);

  // The COM request object needs a per-thread initialisation around each
  // call; libcurl has no such step (its process-wide set-up happens once in
  // http_global_init), so nothing is done here.

  const std::int32_t method = (options.method < 0 || options.method > 7) ? 0 : options.method;

  std::shared_ptr<RequestObject> object = options.request_object;
  if (!object) {
    object = options.create_object ? options.create_object() : create_request_object();
  }
  if (!object) return {};

  if (options.timeout_seconds != -1) {
    // Seconds above 2147483 would overflow; they are held at the largest limit.
    std::int64_t ms = options.timeout_seconds >= 1
                          ? std::min<std::int64_t>(std::int64_t{options.timeout_seconds} * 1000, INT32_MAX)
                          : kDefaultTimeoutMs;
    auto limit = static_cast<std::int32_t>(ms);
    object->SetTimeouts(limit, limit, limit, limit);
  }
  if (!options.proxy.empty()) object->SetProxy(kProxyNamedServer, options.proxy);
  object->Open(kMethodNames[method], options.url, false);
  if (options.no_redirect) object->Option(kOptionRedirects, 0);
  object->Option(kOptionIgnoreCertificateErrors, kIgnoreAllCertificateErrors);

  Text work = options.extra_headers;
  if (complete) work = complete_headers(work, options.url, method);
  if (normalise) work = normalise_header_names(work);

  if (!options.proxy.empty() && !options.proxy_user.empty()) {
    std::int32_t target = options.credential_target.value_or(kCredentialsForProxy);
    object->SetCredentials(options.proxy_user, options.proxy_password, target);
    if (target == kCredentialsForProxy) {
      Text pair = text_concat(options.proxy_user, Text(":"), options.proxy_password);
      object->SetRequestHeader("Proxy-Authorization",
                               text_concat(Text("Basic "), base64_encode(text_to_bytes(pair))));
    }
  }

  if (options.cookies) {
    Text& cookies = *options.cookies;
    if (!cookies.empty() && find_text(cookies, "Cookie:", 1, true) != -1) {
      cookies = replace_text(cookies, "Cookie:", "", true);
    }
    object->SetRequestHeader("Cookie", cookies);
  }

  set_header_lines(*object, work);

  if (!options.post_bytes.empty()) {
    object->Send(options.post_bytes);
  } else {
    object->Send(options.post_text);
  }

  Bytes body = object->ResponseBody();
  Text reply_headers = object->GetAllResponseHeaders();
  std::int32_t status = object->Status();
  object->StatusText();  // read and dropped, as the exchange's last read
  if (options.reply_headers) *options.reply_headers = reply_headers;
  if (options.status_code) *options.status_code = status;

  Text harvested = harvest_cookies(reply_headers);
  if (auto_merge && options.cookies) harvested = merge_cookies(*options.cookies, harvested);
  if (options.reply_cookies) *options.reply_cookies = harvested;

  object.reset();
  return body;
}

}  // namespace quillon
