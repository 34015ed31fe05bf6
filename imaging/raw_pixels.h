// Raw camera pixel data turned into a 24-bit Windows bitmap file image.
//
// A raw capture is bare pixel data, top row first, no padding, no header.
// RGB 565 stores one big-endian 16-bit word per pixel, RGB 888 three bytes
// (red, green, blue). The bitmap that is built from it is a standard
// bottom-up 24-bit bitmap: a 54-byte header, then rows of blue, green, red
// padded to a multiple of four bytes.
//
// Plain byte buffers in, bool out: no Windows header, so the same code is
// built into the product and natively into tests, fuzzing and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>

// Pixel format codes of the capture pages (one bit each).
constexpr int32_t kRawFormatRgb444 = 16;
constexpr int32_t kRawFormatRgb565 = 32;
constexpr int32_t kRawFormatYuv400 = 64;
constexpr int32_t kRawFormatYuv420 = 128;
constexpr int32_t kRawFormatYuv422 = 256;
constexpr int32_t kRawFormatRgb888 = 512;
constexpr int32_t kRawFormatBayer = 1024;

// Bits per pixel that image information reports for a raw format code.
// False for a code that is not a raw format.
bool RawFormatBitsPerPixel(int32_t format, uint8_t* bitsPerPixel);

// Width and height in pixels of an image size code. False for a code that
// has no raw dimensions.
bool RawSizeDimensions(int32_t sizeCode, int32_t* width, int32_t* height);

// Bytes one pixel takes in a raw file of a format that can be converted
// (2 for RGB 565, 3 for RGB 888); 0 for every other code.
size_t RawBytesPerPixel(int32_t format);

// Largest width or height the helpers below accept. It keeps every size
// computation well inside 32 bits, also in the 32-bit product.
constexpr int32_t kMaxRawDimension = 16384;

// Size of the bitmap file header plus the bitmap information header.
constexpr size_t kBitmapHeaderSize = 54;

// Bytes of one bitmap row: three per pixel, rounded up to a multiple of 4.
// Width must lie in 0 ... kMaxRawDimension.
constexpr size_t RowStride(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
}

// Size of the whole bitmap block (header and rows) for the given
// dimensions; 0 when a dimension is outside 0 ... kMaxRawDimension.
size_t BitmapBlockSize(int32_t width, int32_t height);

// Writes the 54-byte header of a bottom-up 24-bit bitmap of width x height
// at the start of block. The file size field holds BitmapBlockSize. False,
// writing nothing, when the block is shorter than that size or a dimension
// is out of range.
bool WriteBitmapHeader(uint8_t* block, size_t blockSize, int32_t width, int32_t height);

// Widens a colour channel of the given maximum (31 or 63) to 0 ... 255:
// value / maximum * 255 in double precision, truncated toward zero.
constexpr int ScaleChannel(int value, int maximum) {
  return static_cast<int>(static_cast<double>(value) / maximum * 255.0);
}

// Converts width x height raw pixels of the given format into the pixel
// area of a bitmap (the bytes after its 54-byte header): rows bottom-up,
// blue, green, red, padding bytes 0.
//
// False, with nothing written, when the format has no conversion (RGB 444,
// YUV, Bayer and unknown codes), a dimension is out of range, the raw data
// holds fewer than width x height pixels (bytes beyond them are ignored) or
// the pixel area is shorter than RowStride(width) x height.
bool ConvertRawPixels(int32_t format, const uint8_t* raw, size_t rawSize, int32_t width,
                      int32_t height, uint8_t* pixels, size_t pixelsSize);

// The conversion has a portable implementation and, on x86 processors with
// AVX2, a vector one; ConvertRawPixels takes the vector one when the
// processor has it. Both give identical bytes; tests and benchmarks reach
// each one directly through these.
enum class RawConverter { Portable, Vector };
bool RawConverterAvailable(RawConverter converter);
bool ConvertRawPixelsWith(RawConverter converter, int32_t format, const uint8_t* raw,
                          size_t rawSize, int32_t width, int32_t height, uint8_t* pixels,
                          size_t pixelsSize);
