// What a picture file's first bytes say about it, and how its size in
// HIMETRIC units (0.01 mm) becomes screen pixels. No Windows header: built
// into the product and natively into the tests.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ImageFileType { Unknown, Jpeg, Bitmap };

struct ImageSignature {
  ImageFileType type;
  uint8_t bitsPerPixel;  // 24 for a JPEG; a bitmap's bit count, low byte; 0 when unknown
};

// Recognises a picture file by its first bytes, testing in this order:
//   FF D8 FF E0 with "JFIF" at bytes 6-9: a JPEG file (JFIF);
//   FF D8 FF DB: a JPEG that opens directly with a quantisation table;
//   "BM": a bitmap; its bits per pixel is the byte at offset 28, the low
//   byte of the bit-count field of the information header.
// Anything else is unknown; so is a JPEG whose first marker is another
// application marker (an Exif FF E1 file, for one). A file too short to hold
// the bytes that a test reads fails that test.
ImageSignature RecognizeImageSignature(const uint8_t* data, size_t size);

// Converts a length in HIMETRIC units to pixels at the given pixels per
// inch: (pixelsPerInch * himetric + 1270) / 2540 in 32-bit signed
// arithmetic, the division truncating toward zero, so positive lengths round
// to the nearest pixel.
int32_t HimetricToPixels(int32_t himetric, int32_t pixelsPerInch);
