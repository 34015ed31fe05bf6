// Slider labels against exact integer arithmetic: halves such as Luminance 17
// (12.5%) or Contrast 2 (0.015625) round up whatever printf does.
#include "pages/picture_values.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Label(SliderScale scale, int position) {
  char text[kSliderLabelSize];
  FormatSliderLabel(scale, position, text, sizeof text);
  return text;
}

// `units` of 10^-decimals (5 or 6) with `decimals` places.
std::string Fixed(long long units, int decimals) {
  const long long scale = decimals == 6 ? 1000000 : 100000;
  return std::to_string(units / scale) + "." + std::to_string(scale + units % scale).substr(1);
}

long long HalfUp(long long numerator, long long denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

TEST(SliderLabels, EveryPositionMatchesExactArithmetic) {
  for (int p = 0; p <= 255; ++p) {
    if (p >= 16)
      ASSERT_EQ(Label(SliderScale::Luminance, p), std::to_string(HalfUp(100 * p, 136)) + "%");
    ASSERT_EQ(Label(SliderScale::WhiteBalance, p), Fixed(p * 15625LL, 6)) << p;  // p / 64
    ASSERT_EQ(Label(SliderScale::Sharpness, p), Fixed(p * 3125LL, 5)) << p;      // p / 32
    ASSERT_EQ(Label(SliderScale::Contrast, p), Fixed(HalfUp(p * 78125LL, 100), 5)) << p;
    if (p <= 63) ASSERT_EQ(Label(SliderScale::HueSaturation, p), Fixed(p * 3125LL, 5)) << p;
  }
  // Analog gain: 45.51 - 8.6562 x ln p, cut to whole decibels.
  const std::pair<int, const char*> gains[] = {
      {12, "+24 dB"}, {16, "+21 dB"}, {96, "+6 dB"}, {171, "+1 dB"}, {172, "+0 dB"}};
  for (auto [p, label] : gains)
    EXPECT_EQ(Label(SliderScale::AnalogGain, p), label) << p;
}

}  // namespace
