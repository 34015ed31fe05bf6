// The raw pixel conversion written out pixel by pixel as it is described:
// a bounds check for every pixel, the RGB 565 word read most significant byte
// first, each channel widened by value / maximum * 255 in double precision at
// run time. The product's converters must give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace literal {

inline int Scale(int value, int maximum) {
  const double widened = static_cast<double>(value) / maximum * 255;
  return static_cast<int>(widened);
}

inline size_t Stride(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
}

// Fills pixels (resized to stride x height, padding 0) from raw. False for a
// format without conversion or when a pixel lies beyond the raw data.
inline bool Convert(int32_t format, const uint8_t* raw, size_t rawSize, int32_t width,
                    int32_t height, std::vector<uint8_t>* pixels) {
  if (format != 32 && format != 512) return false;
  const size_t stride = Stride(width);
  pixels->assign(stride * static_cast<size_t>(height), 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t number = static_cast<size_t>(y) * width + x;
      uint8_t* out = pixels->data() + stride * (height - 1 - y) + 3 * static_cast<size_t>(x);
      if (format == 32) {
        if (2 * number + 2 > rawSize) return false;
        const int b0 = raw[2 * number];
        const int b1 = raw[2 * number + 1];
        const int red = b0 >> 3;
        const int green = ((b0 & 7) << 3) | (b1 >> 5);
        const int blue = b1 & 31;
        out[0] = static_cast<uint8_t>(Scale(blue, 31));
        out[1] = static_cast<uint8_t>(Scale(green, 63));
        out[2] = static_cast<uint8_t>(Scale(red, 31));
      } else {
        if (3 * number + 3 > rawSize) return false;
        out[0] = raw[3 * number + 2];
        out[1] = raw[3 * number + 1];
        out[2] = raw[3 * number];
      }
    }
  }
  return true;
}

}  // namespace literal
