#include "uploader/cookie_jar.h"

#include "http/cookies.h"

namespace quillon {

CookieJar cookie_jar;

Text CookieJar::get() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

void CookieJar::set(const Text& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  text_ = text;
}

void CookieJar::merge(const Text& harvested) {
  Text fresh = harvested;
  const std::lock_guard<std::mutex> lock(mutex_);
  merge_cookies(text_, fresh);
}

void CookieJar::clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  text_ = Text();
}

}  // namespace quillon
