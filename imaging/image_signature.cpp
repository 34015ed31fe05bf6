#include "imaging/image_signature.h"

#include <cstring>

namespace {

bool StartsWith(const uint8_t* data, size_t size, size_t offset, const char* bytes, size_t count) {
  return size >= offset + count && std::memcmp(data + offset, bytes, count) == 0;
}

}  // namespace

ImageSignature RecognizeImageSignature(const uint8_t* data, size_t size) {
  if (!data) return {ImageFileType::Unknown, 0};
  if (StartsWith(data, size, 0, "\xFF\xD8\xFF\xE0", 4) && StartsWith(data, size, 6, "JFIF", 4)) {
    return {ImageFileType::Jpeg, 24};
  }
  if (StartsWith(data, size, 0, "\xFF\xD8\xFF\xDB", 4)) return {ImageFileType::Jpeg, 24};
  if (StartsWith(data, size, 0, "BM", 2) && size > 28) return {ImageFileType::Bitmap, data[28]};
  return {ImageFileType::Unknown, 0};
}

int32_t HimetricToPixels(int32_t himetric, int32_t pixelsPerInch) {
  // The product and sum wrap around as 32-bit integers would; done unsigned
  // so that a wrap is defined behaviour.
  const uint32_t scaled = static_cast<uint32_t>(pixelsPerInch) * static_cast<uint32_t>(himetric);
  const int32_t rounded = static_cast<int32_t>(scaled + 1270u);
  return rounded / 2540;
}
