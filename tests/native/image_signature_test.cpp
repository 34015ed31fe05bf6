// Picture file recognition by first bytes, and HIMETRIC to screen pixels.
#include "imaging/image_signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

ImageSignature Recognize(const Bytes& bytes) {
  return RecognizeImageSignature(bytes.data(), bytes.size());
}

Bytes JfifStart() {
  return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01};
}

// A bitmap file header and information header with the given 16-bit bit count.
Bytes BitmapStart(uint16_t bitCount) {
  Bytes bytes(54, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  bytes[14] = 40;
  bytes[26] = 1;
  bytes[28] = static_cast<uint8_t>(bitCount);
  bytes[29] = static_cast<uint8_t>(bitCount >> 8);
  return bytes;
}

void ExpectUnknown(const Bytes& bytes, const std::string& what) {
  const ImageSignature signature = Recognize(bytes);
  EXPECT_EQ(signature.type, ImageFileType::Unknown) << what;
  EXPECT_EQ(signature.bitsPerPixel, 0) << what;
}

TEST(ImageSignature, JpegFilesAreJfifOrOpenWithQuantisationTable) {
  ImageSignature jfif = Recognize(JfifStart());
  EXPECT_EQ(jfif.type, ImageFileType::Jpeg);
  EXPECT_EQ(jfif.bitsPerPixel, 24);

  ImageSignature dqt = Recognize({0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00});
  EXPECT_EQ(dqt.type, ImageFileType::Jpeg);
  EXPECT_EQ(dqt.bitsPerPixel, 24);
}

TEST(ImageSignature, OtherJpegMarkersAreRejected) {
  // Exif files open with the application marker FF E1.
  ExpectUnknown({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x16, 'E', 'x', 'i', 'f', 0, 0}, "Exif");
  // FF E0 without the letters JFIF at bytes 6-9.
  ExpectUnknown({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'X', 'X', 0x00, 0x10}, "JFXX");
  ExpectUnknown({0xFF, 0xD8, 0xFF, 0xE0, 'J', 'F', 'I', 'F', 0x00, 0x01}, "JFIF at 4");
  ExpectUnknown({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11}, "frame first");
  ExpectUnknown({0xFF, 0xD9, 0xFF, 0xDB, 0x00, 0x43}, "no start of image");
  ExpectUnknown({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, "PNG");
  ExpectUnknown({'G', 'I', 'F', '8', '9', 'a'}, "GIF");
}

TEST(ImageSignature, BitmapReportsLowByteOfBitCount) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    const ImageSignature signature = Recognize(BitmapStart(bits));
    EXPECT_EQ(signature.type, ImageFileType::Bitmap) << bits;
    EXPECT_EQ(signature.bitsPerPixel, bits);
  }
  EXPECT_EQ(Recognize(BitmapStart(0x0118)).bitsPerPixel, 0x18);
  EXPECT_EQ(Recognize(BitmapStart(0x0100)).bitsPerPixel, 0);
  EXPECT_EQ(Recognize(BitmapStart(0x0100)).type, ImageFileType::Bitmap);
  ExpectUnknown({'B', 'A', 0, 0}, "BA");
  ExpectUnknown({'b', 'm', 0, 0}, "lower case");
}

TEST(ImageSignature, FileTooShortForATestFailsThatTest) {
  // The JFIF test reads bytes 0-9.
  Bytes jfif = JfifStart();
  jfif.resize(10);
  EXPECT_EQ(Recognize(jfif).type, ImageFileType::Jpeg);
  jfif.resize(9);
  ExpectUnknown(jfif, "JFIF cut at 9");
  jfif.resize(4);
  ExpectUnknown(jfif, "JFIF cut at 4");

  // The quantisation table test reads bytes 0-3.
  EXPECT_EQ(Recognize({0xFF, 0xD8, 0xFF, 0xDB}).type, ImageFileType::Jpeg);
  ExpectUnknown({0xFF, 0xD8, 0xFF}, "DQT cut at 3");

  // The bitmap test reads byte 28.
  Bytes bitmap = BitmapStart(24);
  bitmap.resize(29);
  EXPECT_EQ(Recognize(bitmap).bitsPerPixel, 24);
  bitmap.resize(28);
  ExpectUnknown(bitmap, "bitmap cut at 28");
  ExpectUnknown({'B', 'M'}, "BM only");

  ExpectUnknown({}, "empty");
  const ImageSignature none = RecognizeImageSignature(nullptr, 100);
  EXPECT_EQ(none.type, ImageFileType::Unknown);
}

TEST(ImageSignature, HimetricRoundsToNearestScreenPixel) {
  EXPECT_EQ(HimetricToPixels(16933, 96), 640);
  EXPECT_EQ(HimetricToPixels(3386, 96), 128);
  EXPECT_EQ(HimetricToPixels(3387, 96), 128);
  EXPECT_EQ(HimetricToPixels(16933, 120), 800);
  EXPECT_EQ(HimetricToPixels(3386, 120), 160);
  // 13 HIMETRIC is 0.49 pixel at 96 per inch, 14 is 0.53.
  EXPECT_EQ(HimetricToPixels(13, 96), 0);
  EXPECT_EQ(HimetricToPixels(14, 96), 1);
  EXPECT_EQ(HimetricToPixels(2540, 96), 96);
  EXPECT_EQ(HimetricToPixels(0, 96), 0);
  // Division truncates toward zero: -8330 / 2540 is -3.
  EXPECT_EQ(HimetricToPixels(-100, 96), -3);
}

}  // namespace
