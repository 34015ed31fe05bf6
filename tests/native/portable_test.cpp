// The raw conversion under the sanitizers on what the fuzz target's short
// smoke run (tests/fuzz, which checks the other portable code and holds the
// boundaries in its seeds) cannot be relied on to reach: every RGB 565 word
// and every row length through each converter.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/raw_pixels.h"
#include "tests/native/literal_raw_conversion.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Converter : public testing::TestWithParam<RawConverter> {};

INSTANTIATE_TEST_SUITE_P(RawPixels, Converter,
                         testing::Values(RawConverter::Portable, RawConverter::Vector),
                         [](const auto& info) {
                           return info.param == RawConverter::Portable ? "Portable" : "Vector";
                         });

// As the literal formula, into exactly sized buffers: all 65536 RGB 565 words,
// also in rows with a tail after the vector steps; rows of every length up to
// a few vector steps, extra raw bytes ignored; one byte short writes nothing.
TEST_P(Converter, MatchesTheLiteralFormula) {
  if (!RawConverterAvailable(GetParam())) GTEST_SKIP() << "converter not available here";
  const auto expect = [&](int32_t format, const Bytes& raw, int32_t width, int32_t height) {
    Bytes expected, actual(literal::Stride(width) * height, 0xAA);
    const bool ok = literal::Convert(format, raw.data(), raw.size(), width, height, &expected);
    EXPECT_EQ(ConvertRawPixelsWith(GetParam(), format, raw.data(), raw.size(), width, height,
                                   actual.data(), actual.size()),
              ok);
    ASSERT_TRUE(actual == (ok ? expected : Bytes(actual.size(), 0xAA))) << format << " " << width;
  };
  Bytes raw(2 * 70000);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<uint8_t>(i % 2 ? i / 2 : i / 2 >> 8);
  for (int32_t width : {256, 17, 23, 31})
    expect(32, raw, width, (65536 + width - 1) / width);
  std::mt19937 random(1);
  for (int32_t format : {32, 512})
    for (int32_t width = 1; width <= 70; ++width)
      for (int extra : {1, -1}) {
        raw.resize(width * 5 * (format == 32 ? 2 : 3) + extra);
        for (uint8_t& byte : raw)
          byte = static_cast<uint8_t>(random());
        expect(format, raw, width, 5);
      }
}

}  // namespace
