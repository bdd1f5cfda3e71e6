// Move-only owners of the libcurl handles the request object uses.
#pragma once

#include <curl/curl.h>

#include <utility>

namespace quillon::detail {

// Owns one easy handle; null when curl_easy_init failed.
class CurlEasy {
 public:
  CurlEasy() : handle_(curl_easy_init()) {}
  ~CurlEasy() {
    if (handle_) curl_easy_cleanup(handle_);
  }
  CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  CurlEasy& operator=(CurlEasy&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;

  CURL* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  CURL* handle_;
};

// Owns a header list; append() returns false (and keeps the list) when libcurl
// cannot add the line.
class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  ~CurlHeaderList() { curl_slist_free_all(list_); }
  CurlHeaderList(CurlHeaderList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  CurlHeaderList& operator=(CurlHeaderList&& other) noexcept {
    std::swap(list_, other.list_);
    return *this;
  }
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;

  bool append(const char* line) {
    curl_slist* grown = curl_slist_append(list_, line);
    if (!grown) return false;
    list_ = grown;
    return true;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

}  // namespace quillon::detail
