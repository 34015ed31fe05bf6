#include "pages/picture_values.h"

#include <cmath>
#include <cstdio>

namespace {

// The stdio of mingw-w64, like glibc's, rounds a value that lies exactly
// halfway to the even neighbour ("%.0f" of 12.5 gives "12"), while the
// labels round halves away from zero ("13"). So the value is rounded to the
// decimals shown first. A float times 10^6 or less is exact in a double
// (24 + 14 significant bits), so std::round sees a true half as a half;
// the quotient is then the double nearest a number with that many
// decimals, which printf shows as it is, whatever its rule for halves.
double RoundedTo(float value, int decimals) {
  double scale = 1.0;
  for (int i = 0; i < decimals; ++i)
    scale *= 10.0;
  return std::round(static_cast<double>(value) * scale) / scale;
}

// A position divided by `divisor`, then multiplied by `factor`, in double
// precision, kept as a float as the labels keep it.
float Scaled(int32_t position, double divisor, double factor) {
  return static_cast<float>(position / divisor * factor);
}

}  // namespace

void FormatSliderLabel(SliderScale scale, int32_t position, char* text, size_t size) {
  if (!text || size == 0) return;
  switch (scale) {
    case SliderScale::Luminance:
      snprintf(text, size, "%.0f%%", RoundedTo(Scaled(position, 136.0, 100.0), 0));
      break;
    case SliderScale::WhiteBalance:
      snprintf(text, size, "%.6f", RoundedTo(Scaled(position, 255.0, 3.984375), 6));
      break;
    case SliderScale::AnalogGain: {
      // A whole number already: nothing for printf to round.
      const auto gain = static_cast<float>(std::trunc(45.51 - 8.6562 * std::log(position)));
      snprintf(text, size, "+%.0f dB", static_cast<double>(gain));
      break;
    }
    case SliderScale::Sharpness:
      snprintf(text, size, "%.5f", RoundedTo(Scaled(position, 255.0, 7.96875), 5));
      break;
    case SliderScale::Contrast:
      snprintf(text, size, "%.5f", RoundedTo(Scaled(position, 255.0, 1.9921875), 5));
      break;
    case SliderScale::Brightness:
      snprintf(text, size, "%d", static_cast<int>(position));
      break;
    case SliderScale::HueSaturation:
      snprintf(text, size, "%.5f", RoundedTo(Scaled(position, 63.0, 1.96875), 5));
      break;
  }
}

uint8_t WithRegisterBit(uint8_t value, int bit, bool set) {
  const auto mask = static_cast<uint8_t>(1u << bit);
  return static_cast<uint8_t>(set ? value | mask : value & ~mask);
}

uint16_t Rgb565Word(int32_t red, int32_t green, int32_t blue) {
  const uint32_t word = ((static_cast<uint32_t>(red) << 11) & 0xF800u) |
                        ((static_cast<uint32_t>(green) << 5) & 0x07E0u) |
                        (static_cast<uint32_t>(blue) & 0x001Fu);
  return static_cast<uint16_t>(word);
}

BinaryText ParseBinaryText(const char* text) {
  BinaryText result = {0, true};
  if (!text) return result;
  for (const char* c = text; *c; ++c)
    if (*c != '0' && *c != '1') result.onlyBinaryDigits = false;

  const char* c = text;
  while (*c == ' ' || (*c >= '\t' && *c <= '\r'))
    ++c;
  const bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  // 2^31, the magnitude of the smallest 32-bit number and one past the
  // largest: the magnitude stops growing there.
  constexpr int64_t kLimit = int64_t{1} << 31;
  int64_t magnitude = 0;
  for (; *c == '0' || *c == '1'; ++c) {
    magnitude = magnitude * 2 + (*c - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative)
    result.value = static_cast<int32_t>(-magnitude);
  else
    result.value = static_cast<int32_t>(magnitude >= kLimit ? kLimit - 1 : magnitude);
  return result;
}
