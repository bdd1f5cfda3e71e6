// The three value types every part of Quillon passes around.
//
//  Text     - code page 936 bytes that never hold a NUL (the empty and the absent
//             Text are the same value). Lengths and positions are bytes.
//  Bytes    - any bytes, NUL included (request and reply bodies, file contents,
//             UTF-16 and UTF-8 forms of a text).
//  TextList - an ordered list of Texts, read at positions 1 to list_size.
//
// Sizes and positions are 32-bit signed. A value whose size would not fit in
// int32_t is never made: the constructors and operations give the empty value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Largest size a Text or Bytes value may have.
inline constexpr std::int64_t kMaxValueSize = INT32_MAX;

class Text {
 public:
  Text() = default;
  // Takes the bytes before the first NUL (all of them when there is none).
  // Data longer than kMaxValueSize gives the empty Text.
  Text(const char* s);  // NOLINT: implicit, so literals read naturally.
  explicit Text(std::string_view s);
  explicit Text(std::string&& s);

  std::string_view view() const { return s_; }
  const char* c_str() const { return s_.c_str(); }
  std::int32_t size() const { return static_cast<std::int32_t>(s_.size()); }
  bool empty() const { return s_.empty(); }
  const std::string& str() const { return s_; }

  friend bool operator==(const Text&, const Text&) = default;

 private:
  std::string s_;
};

class Bytes {
 public:
  Bytes() = default;
  // Copies (or takes over) the data; data longer than kMaxValueSize gives the
  // empty value.
  explicit Bytes(std::string_view data);
  explicit Bytes(std::string&& data);

  std::string_view view() const { return s_; }
  const char* data() const { return s_.data(); }
  std::int32_t size() const { return static_cast<std::int32_t>(s_.size()); }
  bool empty() const { return s_.empty(); }
  const std::string& str() const { return s_; }
  // Hands the storage over without a copy (the value is left empty).
  std::string release() && { return std::move(s_); }

  friend bool operator==(const Bytes&, const Bytes&) = default;

 private:
  std::string s_;
};

using TextList = std::vector<Text>;

// Number of items; 0 for an empty list.
std::int32_t list_size(const TextList& list);
// Adds a copy of `item` as the new last item.
void list_append(TextList& list, const Text& item);
// The item at 1-based position p; the empty Text outside 1..list_size.
const Text& list_item(const TextList& list, std::int32_t p);

}  // namespace quillon
