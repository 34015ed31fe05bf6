// The raw conversion written out pixel by pixel: a bounds check each, RGB 565
// words big-endian, channels widened by value / maximum * 255 in double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace literal {

inline size_t Stride(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
}

// Fills pixels (stride x height, bottom-up, padding 0) from raw. False for
// a format without conversion or raw data short of width x height pixels.
inline bool Convert(int32_t format, const uint8_t* raw, size_t rawSize, int32_t width,
                    int32_t height, std::vector<uint8_t>* pixels) {
  if (format != 32 && format != 512) return false;
  const size_t stride = Stride(width), size = format == 32 ? 2 : 3;
  pixels->assign(stride * static_cast<size_t>(height), 0);
  for (size_t n = 0; n < static_cast<size_t>(width) * height; ++n) {
    const size_t at = n * size, x = n % width, y = n / width;
    if (at + size > rawSize) return false;
    uint8_t* out = pixels->data() + stride * (height - 1 - y) + 3 * x;
    if (format == 512) {
      out[0] = raw[at + 2], out[1] = raw[at + 1], out[2] = raw[at];
      continue;
    }
    const int b0 = raw[at], b1 = raw[at + 1];
    const auto Scale = [](int value, int maximum) {
      return static_cast<uint8_t>(static_cast<double>(value) / maximum * 255);
    };
    out[0] = Scale(b1 & 31, 31);
    out[1] = Scale(((b0 & 7) << 3) | (b1 >> 5), 63);
    out[2] = Scale(b0 >> 3, 31);
  }
  return true;
}

}  // namespace literal
