// The process-wide cookie text that the login fills and the upload sends and
// merges into. Every access takes a short lock; no lock is held while a request
// is on the wire, so logins and uploads never wait for each other's traffic.
#pragma once

#include <mutex>

#include "text/values.h"

namespace quillon {

class CookieJar {
 public:
  // A copy of the current text.
  Text get() const;
  // Replaces the text.
  void set(const Text& text);
  // Merges cookies harvested from a reply into the current text (merge_cookies)
  // in one step, so concurrent merges never lose each other's updates.
  void merge(const Text& harvested);
  // Empties the text.
  void clear();

 private:
  mutable std::mutex mutex_;
  Text text_;
};

extern CookieJar cookie_jar;

}  // namespace quillon
