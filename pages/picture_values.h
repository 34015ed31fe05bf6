// Arithmetic of the picture pages that needs no window: the texts beside
// the tuning sliders, single bits of a camera register, the RGB 565 word of
// the specific test colour and the binary numbers of the colour fields.
//
// No Windows header: the same code is built into the product and natively
// into fast tests.
#pragma once

#include <cstddef>
#include <cstdint>

// How a slider position p is shown in its label.
enum class SliderScale {
  Luminance,      // p / 136 × 100, whole percent: "13%"
  WhiteBalance,   // p / 255 × 3.984375, six decimals
  AnalogGain,     // 45.51 − 8.6562 × ln p, cut to whole decibels: "+21 dB"
  Sharpness,      // p / 255 × 7.96875, five decimals
  Contrast,       // p / 255 × 1.9921875, five decimals
  Brightness,     // p itself
  HueSaturation,  // p / 63 × 1.96875, five decimals
};

// Room for a label text with its terminator.
constexpr size_t kSliderLabelSize = 32;

// Writes the label text for `position` into `text` (at most `size` bytes
// with the terminator). The value is worked out in double precision in the
// order above, kept as a float and shown with halves rounded away from
// zero.
void FormatSliderLabel(SliderScale scale, int32_t position, char* text, size_t size);

// `value` with bit `bit` (0 to 7) set or cleared and the other bits kept.
uint8_t WithRegisterBit(uint8_t value, int bit, bool set);

// The 16-bit RGB 565 word: red in bits 15-11, green in bits 10-5, blue in
// bits 4-0; higher bits of each part are dropped.
uint16_t Rgb565Word(int32_t red, int32_t green, int32_t blue);

// A colour field's text read as a binary number.
struct BinaryText {
  int32_t value;          // 0 when no binary digit leads the text
  bool onlyBinaryDigits;  // the text holds nothing but 0s and 1s
};

// Skips leading white space, takes an optional sign, then reads the
// longest run of the digits 0 and 1 as a base-2 number, negated after a
// minus. A run too long for 32 bits gives the largest (or, negated, the
// smallest) 32-bit number.
BinaryText ParseBinaryText(const char* text);
