// Picture files recognised by their first bytes.
#include "imaging/image_signature.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The type (0 unknown, 1 JPEG, 2 bitmap) and bits per pixel. Whole files,
// Exif and other APP0 markers, short and empty ones: imaging_test.
std::pair<int, int> Recognize(const Bytes& bytes) {
  const ImageSignature signature = RecognizeImageSignature(bytes.data(), bytes.size());
  return {static_cast<int>(signature.type), signature.bitsPerPixel};
}

TEST(ImageSignature, FirstBytesGiveTypeAndBitsAndTooFewGiveNothing) {
  const std::pair<int, int> kJpeg{1, 24}, kUnknown{0, 0};
  EXPECT_EQ(Recognize({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}), kJpeg);
  EXPECT_EQ(Recognize({0xFF, 0xD8, 0xFF, 0xDB}), kJpeg);
  EXPECT_EQ(Recognize({0xFF, 0xD8, 0xFF}), kUnknown);
  Bytes bitmap(30, 0);  // bit count 0x0118: its low byte counts
  bitmap[0] = 'B', bitmap[1] = 'M', bitmap[28] = 0x18, bitmap[29] = 0x01;
  EXPECT_EQ(Recognize(bitmap), std::make_pair(2, 24));
  bitmap.resize(28);
  EXPECT_EQ(Recognize(bitmap), kUnknown);
}

}  // namespace
