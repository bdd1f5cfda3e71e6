// A request object that records every call made on it and plays back a
// prepared reply, for tests of code that drives a RequestObject.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "http/request_object.h"
#include "text/values.h"

namespace quillon::testing {

class FakeRequestObject : public RequestObject {
 public:
  // What Send hands back; the default is a failed exchange (all empty, 0).
  struct Reply {
    std::string body{};
    std::string headers{};  // as GetAllResponseHeaders gives them
    std::int32_t status = 0;
    std::string status_text{};
  };

  FakeRequestObject() = default;
  explicit FakeRequestObject(Reply reply) : reply_(std::move(reply)) {}

  // Every call in order, written as "Name(arg, arg)" with texts as they came,
  // e.g. "Open(GET, http://x/, false)", "SetRequestHeader(Cookie, a=1)" or
  // "Send(Bytes, <body>)".
  std::vector<std::string> calls;
  // The SetRequestHeader calls alone, in order.
  std::vector<std::pair<std::string, std::string>> headers;
  // The body of the last Send, whether it came as Bytes, and where the Bytes
  // data lay (to check that it was the caller's own buffer).
  std::string sent_body;
  bool sent_as_bytes = false;
  const void* sent_bytes_address = nullptr;

  void SetTimeouts(std::int32_t resolve_ms, std::int32_t connect_ms, std::int32_t send_ms,
                   std::int32_t receive_ms) override {
    record("SetTimeouts", {std::to_string(resolve_ms), std::to_string(connect_ms),
                           std::to_string(send_ms), std::to_string(receive_ms)});
  }
  void SetProxy(std::int32_t setting, const Text& server) override {
    record("SetProxy", {std::to_string(setting), server.str()});
  }
  void Open(const Text& method, const Text& url, bool asynchronous) override {
    record("Open", {method.str(), url.str(), asynchronous ? "true" : "false"});
  }
  void Option(std::int32_t index, std::int32_t value) override {
    record("Option", {std::to_string(index), std::to_string(value)});
  }
  void SetCredentials(const Text& user, const Text& password, std::int32_t target) override {
    record("SetCredentials", {user.str(), password.str(), std::to_string(target)});
  }
  void SetRequestHeader(const Text& name, const Text& value) override {
    record("SetRequestHeader", {name.str(), value.str()});
    headers.emplace_back(name.str(), value.str());
  }
  void Send(const Bytes& body) override {
    record("Send", {"Bytes", body.str()});
    sent_body = body.str();
    sent_as_bytes = true;
    sent_bytes_address = body.data();
  }
  void Send(const Text& body) override {
    record("Send", {"Text", body.str()});
    sent_body = body.str();
    sent_as_bytes = false;
    sent_bytes_address = nullptr;
  }
  Bytes ResponseBody() override {
    record("ResponseBody", {});
    return Bytes(std::string_view(reply_.body));
  }
  Text GetAllResponseHeaders() override {
    record("GetAllResponseHeaders", {});
    return Text(std::string_view(reply_.headers));
  }
  std::int32_t Status() override {
    record("Status", {});
    return reply_.status;
  }
  Text StatusText() override {
    record("StatusText", {});
    return Text(std::string_view(reply_.status_text));
  }

 private:
  void record(const std::string& name, const std::vector<std::string>& args) {
    std::string call = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) call += (i ? ", " : "") + args[i];
    calls.push_back(call + ")");
  }

  Reply reply_;
};

}  // namespace quillon::testing
