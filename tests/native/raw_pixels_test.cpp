// Raw pixels to bitmap rows, byte for byte as the literal formula, per converter.
#include "imaging/raw_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "tests/native/literal_raw_conversion.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

// All 65536 RGB 565 words, also in rows with a tail after the vector steps;
// rows of every length up to a few vector steps. The raw data runs longer
// than the picture: extra bytes are ignored.
TEST_P(Converter, MatchesTheLiteralFormula) {
  Bytes words(2 * 70000);
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<uint8_t>(i % 2 ? i / 2 : i / 2 >> 8);
  for (int32_t width : {256, 17, 23, 31})
    ExpectLiteral(32, words, width, (65536 + width - 1) / width);
  for (int32_t format : {32, 512})
    for (int32_t width = 1; width <= 70; ++width)
      ExpectLiteral(format, Noise(width * 5 * 3 + 1), width, 5);
  Bytes pixels;  // two rows of one RGB 888 pixel: bottom-up, blue first, padded
  ASSERT_TRUE(Convert(512, {1, 2, 3, 4, 5, 6}, 1, 2, &pixels));
  EXPECT_EQ(pixels, (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

// One byte short, or a format without a conversion, fails.
TEST_P(Converter, ShortDataAndOtherFormatsFailWritingNothing) {
  const size_t n = 176 * 144;
  for (int32_t format : {32, 512, 16, 64, 128, 256, 1024, 0, 2048}) {
    Bytes pixels;
    const size_t bytes = format == 32 ? 2 * n - 1 : format == 512 ? 3 * n - 1 : 3 * n;
    EXPECT_FALSE(Convert(format, Noise(bytes), 176, 144, &pixels)) << format;
    EXPECT_EQ(pixels, Bytes(pixels.size(), 0xAA)) << format;
  }
}

}  // namespace
