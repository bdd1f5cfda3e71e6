#include "uploader/upload_body.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "text/primitives.h"
#include "uploader/upload.h"

namespace quillon {
namespace {

const Text kNamePlaceholder{"\xCE\xC4\xBC\xFE"};    // 文件
const Text kTicketPlaceholder{"\xC3\xD8\xD4\xBF"};  // 秘钥
const Text kTypePlaceholder{"png"};
constexpr char kImageFirst = '\xCD';  // 图 is CD BC
constexpr char kImageSecond = '\xBC';
constexpr std::int64_t kPlaceholderSize = 2;

// Offsets of the image placeholders, left to right, never overlapping.
std::vector<std::size_t> image_places(std::string_view data) {
  std::vector<std::size_t> places;
  for (std::size_t i = 0; i + 1 < data.size();) {
    if (data[i] == kImageFirst && data[i + 1] == kImageSecond) {
      places.push_back(i);
      i += kPlaceholderSize;
    } else {
      ++i;
    }
  }
  return places;
}

// Faults in the fresh pages of a large body's storage from two threads at once
// before the body is first written: the kernel zeroes every new page, which for
// hundreds of MiB is most of the cost of building the body, and a second core
// halves it. Only a speed-up; where MADV_POPULATE_WRITE is unknown (kernels
// before 5.14) the pages fault in as they are written.
void prefault_pages(char* data, std::size_t size) {
  constexpr std::size_t kThreshold = 32u << 20;
  constexpr std::uintptr_t kPage = 4096;
#ifndef MADV_POPULATE_WRITE
  constexpr int MADV_POPULATE_WRITE = 23;
#endif
  if (size < kThreshold || std::thread::hardware_concurrency() < 2) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
  const std::uintptr_t middle = begin + ((end - begin) / 2 & ~(kPage - 1));
  try {
    std::thread helper([begin, middle] {
      ::madvise(reinterpret_cast<void*>(begin), middle - begin, MADV_POPULATE_WRITE);
    });
    ::madvise(reinterpret_cast<void*>(middle), end - middle, MADV_POPULATE_WRITE);
    helper.join();
  } catch (const std::system_error&) {
    // No thread to be had: the pages fault in as the body is written.
  }
}

}  // namespace

Bytes fill_upload_template(const Text& encoded_name, const Text& ticket, const Text& extension) {
  Text filled = replace_text(upload_form_template, kNamePlaceholder, encoded_name, false);
  filled = replace_text(filled, kTicketPlaceholder, ticket, false);
  filled = replace_text(filled, kTypePlaceholder, extension, false);
  return text_to_bytes(filled);
}

UploadBody build_upload_body(const Bytes& filled, const ImageFile& image) {
  const std::string_view form = filled.view();
  const std::vector<std::size_t> places = image_places(form);
  if (places.empty()) return {filled, BodyFailure::kNone};

  // The exact size, in 64 bits so that no product or sum can wrap.
  const std::int64_t count = static_cast<std::int64_t>(places.size());
  const std::int64_t fixed = static_cast<std::int64_t>(form.size()) - count * kPlaceholderSize;
  const std::int64_t image_size = image.size();
  if (image_size > (kMaxValueSize - fixed) / count) return {{}, BodyFailure::kTooLarge};
  const std::int64_t total = fixed + count * image_size;

  std::string body;
  try {
    body.reserve(static_cast<std::size_t>(total));
    prefault_pages(body.data(), static_cast<std::size_t>(total));
    body.resize(static_cast<std::size_t>(total));
  } catch (const std::bad_alloc&) {
    return {{}, BodyFailure::kOutOfMemory};
  } catch (const std::length_error&) {
    return {{}, BodyFailure::kOutOfMemory};
  }

  // Lay the pieces out in order: the file goes straight into the first place,
  // every further place is a copy of what arrived there.
  char* out = body.data();
  std::size_t from = 0;
  const char* first_image = nullptr;
  std::int64_t arrived = 0;
  for (const std::size_t place : places) {
    std::memcpy(out, form.data() + from, place - from);
    out += place - from;
    if (first_image == nullptr) {
      arrived = image.read_into(out, image_size);
      first_image = out;
    } else if (arrived > 0) {
      std::memcpy(out, first_image, static_cast<std::size_t>(arrived));
    }
    out += arrived;
    from = place + kPlaceholderSize;
  }
  std::memcpy(out, form.data() + from, form.size() - from);
  out += form.size() - from;
  // A file that ended early leaves the body shorter; shrinking keeps the storage.
  body.resize(static_cast<std::size_t>(out - body.data()));
  return {Bytes(std::move(body)), BodyFailure::kNone};
}

}  // namespace quillon
