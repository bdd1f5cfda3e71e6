#include "uploader/jar_exchange.h"

#include <mutex>
#include <utility>

#include "uploader/cookie_jar.h"

namespace quillon {
namespace {

std::mutex factory_mutex;
RequestObjectFactory test_factory;

RequestObjectFactory current_factory() {
  const std::lock_guard<std::mutex> lock(factory_mutex);
  return test_factory;
}

// web_request writes its outputs whenever it made a request object, the status
// included (0 after a failed exchange); -1 survives only when it wrote nothing.
constexpr std::int32_t kNotWritten = -1;

}  // namespace

void set_request_factory_for_tests(RequestObjectFactory factory) {
  const std::lock_guard<std::mutex> lock(factory_mutex);
  test_factory = std::move(factory);
}

Bytes exchange_replacing_jar(WebRequestOptions options) {
  Text harvested;
  std::int32_t status = kNotWritten;
  options.cookies = nullptr;
  options.reply_cookies = &harvested;
  options.status_code = &status;
  if (!options.create_object) options.create_object = current_factory();
  Bytes reply = web_request(options);
  if (status != kNotWritten) cookie_jar.set(harvested);
  return reply;
}

// Sending the jar and merging into it "in place" would mean holding its lock
// for the whole exchange, so that a login or another upload would wait for this
// request's traffic. Instead the request sends a snapshot, web_request only
// harvests the reply's cookies (its own merge is off), and the harvest is merged
// into the jar's *current* text in one locked step. With nothing running
// concurrently the jar ends exactly as the in-place merge would leave it (the
// snapshot is the current text); with concurrent requests no update is lost,
// since every merge starts from what the others left, and a login that
// replaced the jar meanwhile keeps its cookies, merged with this reply's.
Bytes exchange_merging_jar(WebRequestOptions options) {
  Text snapshot = cookie_jar.get();
  Text harvested;
  std::int32_t status = kNotWritten;
  options.cookies = &snapshot;
  options.reply_cookies = &harvested;
  options.status_code = &status;
  options.auto_merge_cookies = false;
  if (!options.create_object) options.create_object = current_factory();
  Bytes reply = web_request(options);
  if (status != kNotWritten) cookie_jar.merge(harvested);
  return reply;
}

}  // namespace quillon
