// The HTTP request object that web_request drives: one object carries one
// exchange. Texts cross this interface in code page 936. Failures are silent:
// a failed operation leaves the reads empty (status 0).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "text/values.h"

namespace quillon {

// Values of the request object's settings, shared by web_request and the
// libcurl object.
inline constexpr std::int32_t kProxyNamedServer = 2;        // SetProxy: use the named server
inline constexpr std::int32_t kCredentialsForProxy = 1;     // SetCredentials target
inline constexpr std::int32_t kOptionRedirects = 6;         // Option index: 0 turns redirects off
inline constexpr std::int32_t kOptionIgnoreCertificateErrors = 4;  // Option index
// Certificate errors to ignore: untrusted issuer 0x0100, wrong usage 0x0200,
// name mismatch 0x1000, invalid date 0x2000.
inline constexpr std::int32_t kIgnoreIssuerUsageDateErrors = 0x0100 | 0x0200 | 0x2000;
inline constexpr std::int32_t kIgnoreNameMismatch = 0x1000;
inline constexpr std::int32_t kIgnoreAllCertificateErrors =
    kIgnoreIssuerUsageDateErrors | kIgnoreNameMismatch;

class RequestObject {
 public:
  virtual ~RequestObject() = default;

  // Resolve, connect, send and receive limits in milliseconds, each a limit on
  // one operation (a transfer that keeps moving is not cut off).
  virtual void SetTimeouts(std::int32_t resolve_ms, std::int32_t connect_ms,
                           std::int32_t send_ms, std::int32_t receive_ms) = 0;
  // setting 2: use the named proxy server.
  virtual void SetProxy(std::int32_t setting, const Text& server) = 0;
  virtual void Open(const Text& method, const Text& url, bool asynchronous) = 0;
  // index 6 <- 0: redirects off; index 4 <- 0x3300: ignore certificate errors.
  virtual void Option(std::int32_t index, std::int32_t value) = 0;
  // target 1: proxy credentials; 0: server credentials.
  virtual void SetCredentials(const Text& user, const Text& password, std::int32_t target) = 0;
  virtual void SetRequestHeader(const Text& name, const Text& value) = 0;
  // Sends the request with a raw byte body; the object must keep no copy of it
  // beyond what the transfer needs, and returns when the reply is in or failed.
  virtual void Send(const Bytes& body) = 0;
  // Sends the request with a text body.
  virtual void Send(const Text& body) = 0;
  // The reply body as received (no content decoding); empty after a failure.
  virtual Bytes ResponseBody() = 0;
  // The final reply's header lines, CR LF separated; empty after a failure.
  virtual Text GetAllResponseHeaders() = 0;
  // The final reply's status code; 0 after a failure.
  virtual std::int32_t Status() = 0;
  virtual Text StatusText() = 0;
};

// Makes a new request object; null when none can be made.
using RequestObjectFactory = std::function<std::shared_ptr<RequestObject>()>;

// A new libcurl-backed request object; null when libcurl cannot make a handle.
std::shared_ptr<RequestObject> create_request_object();

}  // namespace quillon

namespace quillon {
// Prepares libcurl for the whole process. Call once on the main thread before
// any worker starts; create_request_object also calls it (only the first call
// does anything).
void http_global_init();
}  // namespace quillon
