// The portable code's rules on fixed inputs, under the sanitizers: picture
// signatures, raw pixel conversion, slider labels, the Registers page's numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_signature.h"
#include "imaging/raw_pixels.h"
#include "pages/picture_values.h"
#include "pages/register_text.h"
#include "tests/native/literal_raw_conversion.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The type (0 unknown, 1 JPEG, 2 bitmap) and bits per pixel from the first
// bytes (bitmap bits: the low byte of the count); too few give nothing.
// Whole files, Exif and other APP0 markers, short and empty ones: imaging_test.
TEST(ImageSignature, FirstBytesGiveTypeAndBitsAndTooFewGiveNothing) {
  const auto recognize = [](const Bytes& bytes) {
    const ImageSignature signature = RecognizeImageSignature(bytes.data(), bytes.size());
    return std::pair<int, int>(static_cast<int>(signature.type), signature.bitsPerPixel);
  };
  const std::pair<int, int> kJpeg{1, 24}, kUnknown{0, 0};
  EXPECT_EQ(recognize({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}), kJpeg);
  EXPECT_EQ(recognize({0xFF, 0xD8, 0xFF, 0xDB}), kJpeg);
  EXPECT_EQ(recognize({0xFF, 0xD8, 0xFF}), kUnknown);
  Bytes bitmap(30, 0);
  bitmap[0] = 'B', bitmap[1] = 'M', bitmap[28] = 0x18, bitmap[29] = 0x01;
  EXPECT_EQ(recognize(bitmap), std::make_pair(2, 24));
  bitmap.resize(28);
  EXPECT_EQ(recognize(bitmap), kUnknown);
}

class Converter : public testing::TestWithParam<RawConverter> {
 protected:
  void SetUp() override {
    if (!RawConverterAvailable(GetParam())) GTEST_SKIP() << "converter not available here";
  }
  // Into exactly stride x height bytes of 0xAA, so that unwritten bytes show.
  bool Convert(int32_t format, const Bytes& raw, int32_t width, int32_t height, Bytes* pixels) {
    pixels->assign(RowStride(width) * height, 0xAA);
    return ConvertRawPixelsWith(GetParam(), format, raw.data(), raw.size(), width, height,
                                pixels->data(), pixels->size());
  }
  void ExpectLiteral(int32_t format, const Bytes& raw, int32_t width, int32_t height) {
    Bytes expected, actual;
    literal::Convert(format, raw.data(), raw.size(), width, height, &expected);
    ASSERT_TRUE(Convert(format, raw, width, height, &actual));
    ASSERT_TRUE(actual == expected) << "format " << format << ", " << width << " x " << height;
  }
};

INSTANTIATE_TEST_SUITE_P(RawPixels, Converter,
                         testing::Values(RawConverter::Portable, RawConverter::Vector),
                         [](const auto& info) {
                           return info.param == RawConverter::Portable ? "Portable" : "Vector";
                         });

Bytes Noise(size_t count) {
  std::mt19937 random(static_cast<uint32_t>(count));
  Bytes bytes(count);
  std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<uint8_t>(random()); });
  return bytes;
}

// As the literal formula: all 65536 RGB 565 words, also in rows with a tail
// after the vector steps; rows of every length up to a few vector steps;
// extra raw bytes ignored; RGB 888 bottom-up, blue first, rows padded.
TEST_P(Converter, MatchesTheLiteralFormula) {
  Bytes words(2 * 70000);
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<uint8_t>(i % 2 ? i / 2 : i / 2 >> 8);
  for (int32_t width : {256, 17, 23, 31})
    ExpectLiteral(32, words, width, (65536 + width - 1) / width);
  for (int32_t format : {32, 512})
    for (int32_t width = 1; width <= 70; ++width)
      ExpectLiteral(format, Noise(width * 5 * 3 + 1), width, 5);
  Bytes pixels;
  ASSERT_TRUE(Convert(512, {1, 2, 3, 4, 5, 6}, 1, 2, &pixels));
  EXPECT_EQ(pixels, (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

// One byte short, or a format without a conversion, fails writing nothing.
TEST_P(Converter, ShortDataAndOtherFormatsFailWritingNothing) {
  const size_t n = 176 * 144;
  for (int32_t format : {32, 512, 16, 64, 128, 256, 1024, 0, 2048}) {
    Bytes pixels;
    const size_t bytes = format == 32 ? 2 * n - 1 : format == 512 ? 3 * n - 1 : 3 * n;
    EXPECT_FALSE(Convert(format, Noise(bytes), 176, 144, &pixels)) << format;
    EXPECT_EQ(pixels, Bytes(pixels.size(), 0xAA)) << format;
  }
}

// Slider labels against exact integer arithmetic: halves such as Luminance 17
// (12.5%) or Contrast 2 (0.015625) round up whatever printf does.
TEST(SliderLabels, EveryPositionMatchesExactArithmetic) {
  const auto label = [](SliderScale scale, int position) {
    char text[kSliderLabelSize];
    FormatSliderLabel(scale, position, text, sizeof text);
    return std::string(text);
  };
  const auto fixed = [](long long units, int decimals) {  // units of 10^-decimals (5 or 6)
    const long long scale = decimals == 6 ? 1000000 : 100000;
    return std::to_string(units / scale) + "." + std::to_string(scale + units % scale).substr(1);
  };
  const auto halfUp = [](long long numerator, long long denominator) {
    return (2 * numerator + denominator) / (2 * denominator);
  };
  for (int p = 0; p <= 255; ++p) {
    if (p >= 16)
      ASSERT_EQ(label(SliderScale::Luminance, p), std::to_string(halfUp(100 * p, 136)) + "%");
    ASSERT_EQ(label(SliderScale::WhiteBalance, p), fixed(p * 15625LL, 6)) << p;  // p / 64
    ASSERT_EQ(label(SliderScale::Sharpness, p), fixed(p * 3125LL, 5)) << p;      // p / 32
    ASSERT_EQ(label(SliderScale::Contrast, p), fixed(halfUp(p * 78125LL, 100), 5)) << p;
    if (p <= 63) ASSERT_EQ(label(SliderScale::HueSaturation, p), fixed(p * 3125LL, 5)) << p;
  }
  // Analog gain: 45.51 - 8.6562 x ln p, cut to whole decibels.
  const std::pair<int, const char*> gains[] = {
      {12, "+24 dB"}, {16, "+21 dB"}, {96, "+6 dB"}, {171, "+1 dB"}, {172, "+0 dB"}};
  for (auto [p, text] : gains)
    EXPECT_EQ(label(SliderScale::AnalogGain, p), text) << p;
}

// The range boxes take a signed decimal number, an in-place edit the leading
// digits of its base and nothing else; thousands of digits are read only as
// far as they matter. The page's boxes themselves: bad_text_test.
TEST(RegisterText, RangeNumbersAndInPlaceValuesFromAnyText) {
  const struct {
    const char* text;
    int32_t number;                 // as a range box reads it
    unsigned binary, hex, decimal;  // as an in-place edit reads it; 256: refused
  } cases[] = {
      {"159", 159, 1, 256, 159},
      {"1F", 1, 1, 31, 1},
      {"100", 100, 4, 256, 100},
      {"256", 256, 0, 256, 256},
      {"-12 ", -12, 0, 0, 0},
      {"00000000000011111111", 11111111, 255, 256, 256},
      {"99999999999999999999", INT32_MAX, 0, 256, 256},
      {"-99999999999999999999", INT32_MIN, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseRegisterNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 2), c.binary) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 16), c.hex) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 10), c.decimal) << c.text;
  }
  EXPECT_EQ(ParseRegisterValue((std::string(5000, '0') + "1").c_str(), 10), 1u);
  EXPECT_EQ(ParseRegisterValue(std::string(5000, '9').c_str(), 10), 256u);
}

}  // namespace
