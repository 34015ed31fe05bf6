// Every label text of every slider position against exact decimal
// arithmetic on integers: halves, such as Luminance 17 (12.5%) or Contrast
// 2 (0.015625), must round up whatever the C runtime's printf does.
#include "pages/picture_values.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Label(SliderScale scale, int position) {
  char text[kSliderLabelSize];
  FormatSliderLabel(scale, position, text, sizeof text);
  return text;
}

// `units` of 10^-decimals, shown with `decimals` places.
std::string Fixed(long long units, int decimals) {
  const long long scale = decimals == 6 ? 1000000 : 100000;
  char text[40];
  snprintf(text, sizeof text, "%lld.%0*lld", units / scale, decimals, units % scale);
  return text;
}

long long RoundedHalfUp(long long numerator, long long denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

TEST(SliderLabels, EveryPositionMatchesExactDecimalArithmetic) {
  for (int p = 0; p <= 255; ++p) {
    if (p >= 16)
      ASSERT_EQ(Label(SliderScale::Luminance, p),
                std::to_string(RoundedHalfUp(100 * p, 136)) + "%");
    // White balance is p/64, sharpness p/32, contrast p/128.
    ASSERT_EQ(Label(SliderScale::WhiteBalance, p), Fixed(p * 15625LL, 6)) << p;
    ASSERT_EQ(Label(SliderScale::Sharpness, p), Fixed(p * 3125LL, 5)) << p;
    ASSERT_EQ(Label(SliderScale::Contrast, p), Fixed(RoundedHalfUp(p * 78125LL, 100), 5)) << p;
    ASSERT_EQ(Label(SliderScale::Brightness, p), std::to_string(p)) << p;
    if (p <= 63) ASSERT_EQ(Label(SliderScale::HueSaturation, p), Fixed(p * 3125LL, 5)) << p;
  }
}

// From +24 dB at 12, never rising, to +0 dB from 172 on.
TEST(SliderLabels, AnalogGainInWholeDecibels) {
  EXPECT_EQ(Label(SliderScale::AnalogGain, 16), "+21 dB");
  EXPECT_EQ(Label(SliderScale::AnalogGain, 96), "+6 dB");
  EXPECT_EQ(Label(SliderScale::AnalogGain, 160), "+1 dB");
  int previous = 25;
  for (int p = 12; p <= 192; ++p) {
    int gain = -1;
    ASSERT_EQ(sscanf(Label(SliderScale::AnalogGain, p).c_str(), "+%d dB", &gain), 1) << p;
    ASSERT_LE(gain, previous) << p;
    ASSERT_EQ(gain == 24, p == 12) << p;
    ASSERT_EQ(gain == 0, p >= 172) << p;
    previous = gain;
  }
}

}  // namespace
