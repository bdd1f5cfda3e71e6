// Conversions between code page 936 or UTF-8 and UTF-16, through ICU.
// Code page 936 is ICU's "windows-936-2000", the Windows table (0x80 is the
// euro sign). A UConverter is not thread safe, so each thread keeps its own.
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "text/encoders.h"
#include "text/primitives.h"

namespace quillon {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// Invalid input sequences become U+FFFD: ICU's default substitution would
// write U+001A for some tables, so the callback writes the character itself.
void to_unicode_replacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                            UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  static const UChar kReplacement = 0xFFFD;
  *err = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
}

ConverterHandle open_converter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterHandle conv(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setToUCallBack(conv.get(), to_unicode_replacement, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return nullptr;
  // Characters the code page cannot hold come out as "?" (both tables put
  // the substitute through their own encoding, so "?" is a single 0x3F).
  if (std::strcmp(name, "UTF-8") != 0) {
    ucnv_setSubstChars(conv.get(), "?", 1, &status);
    if (U_FAILURE(status)) return nullptr;
  }
  return conv;
}

// This thread's converter for a Windows code page number; null for a code page
// that is not supported.
UConverter* converter_for(std::int32_t code_page) {
  thread_local ConverterHandle cp936 = open_converter("windows-936-2000");
  thread_local ConverterHandle utf8 = open_converter("UTF-8");
  if (code_page == kCodePage936) return cp936.get();
  if (code_page == kCodePageUtf8) return utf8.get();
  return nullptr;
}

void write_units_le(char* out, const UChar* units, std::size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, units, n * 2);
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      out[2 * i] = static_cast<char>(units[i] & 0xFF);
      out[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
  }
}

}  // namespace

Bytes multibyte_to_utf16(const Bytes& data, std::int32_t code_page) {
  const std::string_view in = data.view().substr(0, data.view().find('\0'));
  if (in.empty()) return {};
  UConverter* conv = converter_for(code_page);
  if (conv == nullptr) return {};
  // Every input byte gives at most one code unit: a double-byte character
  // gives one, a four-byte UTF-8 sequence two, an invalid byte one U+FFFD.
  const std::int64_t capacity = std::min<std::int64_t>(static_cast<std::int64_t>(in.size()) + 1,
                                                       INT32_MAX);
  std::u16string units(static_cast<std::size_t>(capacity), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t m =
      ucnv_toUChars(conv, units.data(), static_cast<std::int32_t>(capacity), in.data(),
                    static_cast<std::int32_t>(in.size()), &status);
  if (U_FAILURE(status) || m < 0 || m > capacity) return {};
  // The result, terminator included, must fit in a value.
  if ((static_cast<std::int64_t>(m) + 1) * 2 > kMaxValueSize) return {};
  // m code units and the terminating zero unit.
  std::string out(static_cast<std::size_t>(m + 1) * 2, '\0');
  write_units_le(out.data(), units.data(), static_cast<std::size_t>(m));
  return Bytes(std::move(out));
}

Bytes utf16_to_multibyte(const Bytes& units, std::int32_t code_page) {
  const auto* p = reinterpret_cast<const unsigned char*>(units.data());
  const std::size_t bytes = units.view().size();
  // Code units up to the first zero unit; an odd last byte is the low half of
  // a unit whose high half is zero.
  std::u16string in;
  in.reserve((bytes + 1) / 2);
  for (std::size_t i = 0; i < bytes; i += 2) {
    const unsigned lo = p[i];
    const unsigned hi = i + 1 < bytes ? p[i + 1] : 0;
    const auto u = static_cast<char16_t>(lo | (hi << 8));
    if (u == 0) break;
    in.push_back(u);
  }
  if (in.empty()) return {};
  UConverter* conv = converter_for(code_page);
  if (conv == nullptr) return {};
  // At most three bytes per code unit (UTF-8 of a unit in the BMP; a
  // surrogate pair gives four bytes for two units).
  // A result that needs more room than a value may hold fails with a
  // buffer overflow and gives the empty value.
  const std::int64_t capacity =
      std::min<std::int64_t>(static_cast<std::int64_t>(in.size()) * 3 + 1, kMaxValueSize);
  std::string out(static_cast<std::size_t>(capacity), '\0');
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t k =
      ucnv_fromUChars(conv, out.data(), static_cast<std::int32_t>(capacity), in.data(),
                      static_cast<std::int32_t>(in.size()), &status);
  if (U_FAILURE(status) || k < 0 || k > capacity) return {};
  out.resize(static_cast<std::size_t>(k));
  out.resize(std::strlen(out.c_str()));
  return Bytes(std::move(out));
}

}  // namespace quillon
