// The request object on top of one libcurl easy handle.
//
// Mapping of the request object's operations:
//  - SetTimeouts: resolve + connect time go to CURLOPT_CONNECTTIMEOUT_MS; the
//    send and receive limits become a stall limit (less than 1 byte/s for that
//    many seconds, rounded up), so a long transfer that keeps moving is never
//    cut off. Without SetTimeouts: 60 s to connect, 30 s of stall, the request
//    object's usual defaults. A stall limit of 0 or less sets none; a connect
//    limit of 0 leaves libcurl's own (300 s).
//  - Redirects are followed (at most 10) unless Option(6, 0).
//  - Option(4, flags): the certificate-error bits turn off peer checking
//    (untrusted issuer, wrong usage, invalid date) and host-name checking
//    (name mismatch).
//  - No content decoding: CURLOPT_ACCEPT_ENCODING stays unset and the body
//    comes back byte for byte.
//  - Headers go out as given, in the order first set; setting a name again
//    (ASCII case ignored) replaces its value in place. A header with an empty
//    value goes out with an empty value. libcurl's own Accept, Content-Type
//    and Expect lines are suppressed unless the caller set them, so nothing is
//    added to what the caller asked for beyond Host and Content-Length.
//  - SetCredentials(target 1) hands the proxy user to libcurl, which then
//    writes the one Proxy-Authorization line (a caller's line of that name is
//    left out); target 0 gives server credentials (Authorization: Basic).
//  - HTTP/1.1 only, so header names keep their spelling on the wire; no proxy
//    unless SetProxy names one (proxy environment variables are not read).
//  - GetAllResponseHeaders: the header lines of the final reply, without its
//    status line, each ended by CR LF.
//  - Any failure (no handle, unresolvable host, refused connection, time-out,
//    too many redirects) leaves body, headers and status empty.
#include <curl/curl.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "http/curl_handles.h"
#include "http/request_object.h"

namespace quillon {
namespace {

constexpr long kMaxRedirects = 10;
constexpr std::int64_t kDefaultConnectMs = 60000;
constexpr std::int64_t kDefaultStallMs = 30000;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

class CurlRequestObject final : public RequestObject {
 public:
  explicit CurlRequestObject(detail::CurlEasy easy) : easy_(std::move(easy)) {}

  void SetTimeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                   std::int32_t receive_ms) override {
    connect_ms_ = std::int64_t{std::max(resolve_ms, 0)} + std::max(connect_ms, 0);
    stall_ms_ = std::max(std::max(send_ms, 0), std::max(receive_ms, 0));
  }

  void SetProxy(std::int32_t setting, const Text& server) override {
    proxy_ = setting == kProxyNamedServer ? server.str() : std::string();
  }

  void Open(const Text& method, const Text& url, bool /*asynchronous: always synchronous*/) override {
    method_ = method.str();
    url_ = url.str();
    headers_.clear();
    clear_reply();
  }

  void Option(std::int32_t index, std::int32_t value) override {
    if (index == kOptionRedirects) follow_redirects_ = value != 0;
    if (index == kOptionIgnoreCertificateErrors) {
      verify_peer_ = (value & kIgnoreIssuerUsageDateErrors) == 0;
      verify_host_ = (value & kIgnoreNameMismatch) == 0;
    }
  }

  void SetCredentials(const Text& user, const Text& password, std::int32_t target) override {
    Credentials& credentials = target == kCredentialsForProxy ? proxy_credentials_ : server_credentials_;
    credentials = {true, user.str(), password.str()};
  }

  void SetRequestHeader(const Text& name, const Text& value) override {
    if (name.empty()) return;
    for (auto& header : headers_) {
      if (same_name(header.first, name.view())) {
        header = {name.str(), value.str()};
        return;
      }
    }
    headers_.emplace_back(name.str(), value.str());
  }

  void Send(const Bytes& body) override { perform(body.view()); }
  void Send(const Text& body) override { perform(body.view()); }

  Bytes ResponseBody() override { return Bytes(std::string_view(body_)); }
  Text GetAllResponseHeaders() override { return Text(std::string_view(reply_headers_)); }
  std::int32_t Status() override { return status_; }
  Text StatusText() override { return Text(std::string_view(status_text_)); }

 private:
  struct Credentials {
    bool given = false;
    std::string user;
    std::string password;
  };

  void clear_reply() {
    body_.clear();
    reply_headers_.clear();
    status_text_.clear();
    status_ = 0;
  }

  bool has_header(std::string_view name) const {
    return std::any_of(headers_.begin(), headers_.end(),
                       [&](const auto& header) { return same_name(header.first, name); });
  }

  // Builds the header list: the caller's headers, then empty lines that stop
  // libcurl from adding its own.
  bool build_header_list(detail::CurlHeaderList& list, bool sends_body) const {
    for (const auto& [name, value] : headers_) {
      // With proxy credentials libcurl writes Proxy-Authorization itself, on
      // the request to the proxy and on the CONNECT of an HTTPS tunnel; the
      // caller's line would go out a second time (or into the tunnel).
      if (proxy_credentials_.given && same_name(name, "Proxy-Authorization")) continue;
      // "Name;" is libcurl's way of sending a header with an empty value.
      std::string line = value.empty() ? name + ";" : name + ": " + value;
      if (!list.append(line.c_str())) return false;
    }
    if (!has_header("Expect") && !list.append("Expect:")) return false;
    if (!has_header("Accept") && !list.append("Accept:")) return false;
    if (sends_body && !has_header("Content-Type") && !list.append("Content-Type:")) return false;
    return true;
  }

  bool set_method(CURL* curl, std::string_view body) {
    if (method_ == "HEAD") return curl_easy_setopt(curl, CURLOPT_NOBODY, 1L) == CURLE_OK;
    bool sends_body = method_ == "POST" || !body.empty();
    // GET without a body and POST are libcurl's own; every other method (a GET
    // with a body among them) is named on the request line as given.
    if (method_ != "POST" && (method_ != "GET" || sends_body)) {
      if (curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method_.c_str()) != CURLE_OK) return false;
    }
    if (!sends_body) return curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    // The body stays in the caller's buffer, which outlives the transfer;
    // libcurl reads it from there without a copy of its own.
    return curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) ==
               CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data()) == CURLE_OK;
  }

  bool set_options(CURL* curl, std::string_view body, detail::CurlHeaderList& header_list) {
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    // No signals: time-outs must not use SIGALRM on worker threads.
    set(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(curl, CURLOPT_URL, url_.c_str()));
    set(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    set(curl_easy_setopt(curl, CURLOPT_PROXY, proxy_.c_str()));  // "" means no proxy at all
    set(curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));

    set(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_ms_)));
    if (stall_ms_ > 0) {
      set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L));
      set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((stall_ms_ + 999) / 1000)));
    }

    set(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, follow_redirects_ ? 1L : 0L));
    set(curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects));
    set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, verify_peer_ ? 1L : 0L));
    set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, verify_host_ ? 2L : 0L));

    if (proxy_credentials_.given) {
      set(curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy_credentials_.user.c_str()));
      set(curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy_credentials_.password.c_str()));
    }
    if (server_credentials_.given) {
      set(curl_easy_setopt(curl, CURLOPT_USERNAME, server_credentials_.user.c_str()));
      set(curl_easy_setopt(curl, CURLOPT_PASSWORD, server_credentials_.password.c_str()));
    }

    bool sends_body = method_ != "HEAD" && (method_ == "POST" || !body.empty());
    ok = ok && set_method(curl, body) && build_header_list(header_list, sends_body);
    set(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, header_list.get()));

    set(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CurlRequestObject::on_body));
    set(curl_easy_setopt(curl, CURLOPT_WRITEDATA, this));
    set(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CurlRequestObject::on_header));
    set(curl_easy_setopt(curl, CURLOPT_HEADERDATA, this));
    return ok;
  }

  void perform(std::string_view body) {
    clear_reply();
    if (!easy_ || url_.empty() || method_.empty()) return;
    CURL* curl = easy_.get();
    curl_easy_reset(curl);
    detail::CurlHeaderList header_list;
    bool done = set_options(curl, body, header_list) && curl_easy_perform(curl) == CURLE_OK;
    long status = 0;
    if (done) done = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0;
    // The header list and the caller's body must not be used after this call.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
    if (!done) {
      clear_reply();
      return;
    }
    status_ = static_cast<std::int32_t>(status);
  }

  static size_t on_body(char* data, size_t size, size_t count, void* self_pointer) {
    auto* self = static_cast<CurlRequestObject*>(self_pointer);
    size_t n = size * count;
    // A body too large for a Bytes value ends the transfer as a failure.
    if (self->body_.size() + n > static_cast<size_t>(kMaxValueSize)) return 0;
    self->body_.append(data, n);
    return n;
  }

  static size_t on_header(char* data, size_t size, size_t count, void* self_pointer) {
    auto* self = static_cast<CurlRequestObject*>(self_pointer);
    size_t n = size * count;
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.starts_with("HTTP/")) {
      // A new status line: a redirect or an interim reply came before, and
      // only the final reply's headers are kept.
      self->reply_headers_.clear();
      std::size_t code_end = line.find(' ', line.find(' ') + 1);
      self->status_text_ = code_end == std::string_view::npos ? "" : std::string(line.substr(code_end + 1));
    } else if (!line.empty()) {
      self->reply_headers_.append(line);
      self->reply_headers_.append("\r\n");
    }
    return n;
  }

  detail::CurlEasy easy_;
  std::string method_;
  std::string url_;
  std::string proxy_;
  std::int64_t connect_ms_ = kDefaultConnectMs;
  std::int64_t stall_ms_ = kDefaultStallMs;
  bool follow_redirects_ = true;
  bool verify_peer_ = true;
  bool verify_host_ = true;
  Credentials proxy_credentials_;
  Credentials server_credentials_;
  std::vector<std::pair<std::string, std::string>> headers_;

  std::string body_;
  std::string reply_headers_;
  std::string status_text_;
  std::int32_t status_ = 0;
};

}  // namespace

void http_global_init() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::shared_ptr<RequestObject> create_request_object() {
  http_global_init();
  detail::CurlEasy easy;
  if (!easy) return nullptr;
  return std::make_shared<CurlRequestObject>(std::move(easy));
}

}  // namespace quillon
