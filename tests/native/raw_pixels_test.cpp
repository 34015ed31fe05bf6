// Raw camera pixels to bitmap: tables, header, and the conversion compared
// byte for byte with the literal per-pixel formula, for both converters.
#include "imaging/raw_pixels.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/native/literal_raw_conversion.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t ReadLe32(const Bytes& block, size_t at) {
  return block[at] | block[at + 1] << 8 | block[at + 2] << 16 |
         static_cast<uint32_t>(block[at + 3]) << 24;
}
uint32_t ReadLe16(const Bytes& block, size_t at) {
  return block[at] | block[at + 1] << 8;
}

Bytes RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (uint8_t& b : bytes)
    b = static_cast<uint8_t>(random());
  return bytes;
}

// Every test of the conversion runs once per converter this processor has.
class Converter : public testing::TestWithParam<RawConverter> {
 protected:
  void SetUp() override {
    if (!RawConverterAvailable(GetParam())) GTEST_SKIP() << "converter not available here";
  }

  // Converts into a pixel area of exactly stride x height bytes, prefilled
  // with 0xAA so that unwritten padding shows.
  bool Convert(int32_t format, const Bytes& raw, int32_t width, int32_t height, Bytes* pixels) {
    pixels->assign(RowStride(width) * height, 0xAA);
    return ConvertRawPixelsWith(GetParam(), format, raw.data(), raw.size(), width, height,
                                pixels->data(), pixels->size());
  }

  void ExpectMatchesLiteral(int32_t format, const Bytes& raw, int32_t width, int32_t height) {
    Bytes expected, actual;
    ASSERT_TRUE(literal::Convert(format, raw.data(), raw.size(), width, height, &expected));
    ASSERT_TRUE(Convert(format, raw, width, height, &actual))
        << "format " << format << ", " << width << " x " << height;
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      ASSERT_EQ(actual[i], expected[i])
          << "byte " << i << " of format " << format << ", " << width << " x " << height;
    }
  }
};

std::string ConverterName(const testing::TestParamInfo<RawConverter>& info) {
  return info.param == RawConverter::Portable ? "Portable" : "Vector";
}

INSTANTIATE_TEST_SUITE_P(RawPixels, Converter,
                         testing::Values(RawConverter::Portable, RawConverter::Vector),
                         ConverterName);

TEST(RawPixels, ScaleChannelWidensToFullRange) {
  EXPECT_EQ(ScaleChannel(0, 31), 0);
  EXPECT_EQ(ScaleChannel(1, 31), 8);
  EXPECT_EQ(ScaleChannel(16, 31), 131);
  EXPECT_EQ(ScaleChannel(31, 31), 255);
  EXPECT_EQ(ScaleChannel(0, 63), 0);
  EXPECT_EQ(ScaleChannel(1, 63), 4);
  EXPECT_EQ(ScaleChannel(32, 63), 129);
  EXPECT_EQ(ScaleChannel(63, 63), 255);
  // Run-time evaluation agrees with the integer quotient for every value.
  for (int maximum : {31, 63}) {
    for (volatile int value = 0; value <= maximum; value = value + 1) {
      EXPECT_EQ(ScaleChannel(value, maximum), value * 255 / maximum) << value << "/" << maximum;
    }
  }
}

TEST(RawPixels, FormatTableGivesBitsPerPixelAndConvertibility) {
  struct Row {
    int32_t code;
    uint8_t bits;
    size_t rawBytes;
  };
  const Row rows[] = {{16, 12, 0}, {32, 16, 2},  {64, 4, 0},   {128, 6, 0},
                      {256, 8, 0}, {512, 24, 3}, {1024, 24, 0}};
  for (const Row& row : rows) {
    uint8_t bits = 0xEE;
    EXPECT_TRUE(RawFormatBitsPerPixel(row.code, &bits)) << row.code;
    EXPECT_EQ(bits, row.bits) << row.code;
    EXPECT_EQ(RawBytesPerPixel(row.code), row.rawBytes) << row.code;
  }
  for (int32_t unknown : {0, 1, 2, 4, 8, 48, 2048, 4096, -1, INT32_MIN}) {
    uint8_t bits = 0xEE;
    EXPECT_FALSE(RawFormatBitsPerPixel(unknown, &bits)) << unknown;
    EXPECT_EQ(bits, 0xEE);
    EXPECT_EQ(RawBytesPerPixel(unknown), 0u);
  }
}

TEST(RawPixels, SizeTableGivesDimensionsAndRejectsOtherCodes) {
  struct Row {
    int32_t code, width, height;
  };
  const Row rows[] = {{1, 80, 96},    {2, 128, 96},   {4, 176, 144}, {8, 352, 288},
                      {16, 160, 120}, {32, 320, 240}, {64, 640, 480}};
  for (const Row& row : rows) {
    int32_t width = -1, height = -1;
    EXPECT_TRUE(RawSizeDimensions(row.code, &width, &height)) << row.code;
    EXPECT_EQ(width, row.width) << row.code;
    EXPECT_EQ(height, row.height) << row.code;
  }
  for (int32_t other : {0, 3, 128, 256, 512, 1024, 2048, -1, INT32_MIN}) {
    int32_t width = -1, height = -1;
    EXPECT_FALSE(RawSizeDimensions(other, &width, &height)) << other;
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
  }
}

TEST(RawPixels, RowStrideRoundsUpToFourBytes) {
  const size_t expected[] = {0, 4, 8, 12, 12, 16, 20, 24, 24, 28};
  for (int32_t width = 0; width < 10; ++width)
    EXPECT_EQ(RowStride(width), expected[width]);
  // The camera sizes need no padding.
  for (int32_t code = 1; code <= 64; code <<= 1) {
    int32_t width = 0, height = 0;
    ASSERT_TRUE(RawSizeDimensions(code, &width, &height));
    EXPECT_EQ(RowStride(width), static_cast<size_t>(width) * 3) << code;
  }
  EXPECT_EQ(RowStride(640), 1920u);
  EXPECT_EQ(BitmapBlockSize(640, 480), 921654u);
  EXPECT_EQ(BitmapBlockSize(5, 3), 54u + 16 * 3);
  EXPECT_EQ(BitmapBlockSize(0, 0), 54u);
  EXPECT_EQ(BitmapBlockSize(-1, 3), 0u);
  EXPECT_EQ(BitmapBlockSize(3, kMaxRawDimension + 1), 0u);
}

TEST(RawPixels, HeaderDescribesBottomUp24BitBitmap) {
  for (auto [width, height] : {std::pair<int32_t, int32_t>{640, 480}, {5, 3}}) {
    const size_t total = BitmapBlockSize(width, height);
    Bytes block(total, 0xCC);
    ASSERT_TRUE(WriteBitmapHeader(block.data(), block.size(), width, height));
    EXPECT_EQ(block[0], 'B');
    EXPECT_EQ(block[1], 'M');
    EXPECT_EQ(ReadLe32(block, 2), total);
    EXPECT_EQ(ReadLe16(block, 6), 0u);
    EXPECT_EQ(ReadLe16(block, 8), 0u);
    EXPECT_EQ(ReadLe32(block, 10), 54u);
    EXPECT_EQ(ReadLe32(block, 14), 40u);
    EXPECT_EQ(ReadLe32(block, 18), static_cast<uint32_t>(width));
    EXPECT_EQ(ReadLe32(block, 22), static_cast<uint32_t>(height));
    EXPECT_EQ(ReadLe16(block, 26), 1u);
    EXPECT_EQ(ReadLe16(block, 28), 24u);
    EXPECT_EQ(ReadLe32(block, 30), 0u);
    EXPECT_EQ(ReadLe32(block, 34), 0u);
    EXPECT_EQ(ReadLe32(block, 38), 2835u);
    EXPECT_EQ(ReadLe32(block, 42), 2835u);
    EXPECT_EQ(ReadLe32(block, 46), 0u);
    EXPECT_EQ(ReadLe32(block, 50), 0u);
    EXPECT_EQ(block[54], 0xCC) << "the header writes only its own 54 bytes";
  }
}

TEST(RawPixels, HeaderRefusesShortBlockOrBadSize) {
  Bytes block(BitmapBlockSize(4, 4), 0xCC);
  EXPECT_FALSE(WriteBitmapHeader(block.data(), block.size() - 1, 4, 4));
  EXPECT_FALSE(WriteBitmapHeader(block.data(), block.size(), -4, 4));
  EXPECT_FALSE(WriteBitmapHeader(block.data(), block.size(), 4, kMaxRawDimension + 1));
  EXPECT_FALSE(WriteBitmapHeader(nullptr, block.size(), 4, 4));
  EXPECT_EQ(block, Bytes(block.size(), 0xCC));
}

TEST_P(Converter, EveryRgb565WordMatchesLiteralFormula) {
  Bytes raw(65536 * 2);
  for (uint32_t word = 0; word < 65536; ++word) {
    raw[2 * word] = static_cast<uint8_t>(word >> 8);
    raw[2 * word + 1] = static_cast<uint8_t>(word);
  }
  Bytes pixels;
  ASSERT_TRUE(Convert(32, raw, 256, 256, &pixels));
  for (uint32_t word = 0; word < 65536; ++word) {
    const uint32_t y = word / 256, x = word % 256;
    const uint8_t* out = pixels.data() + RowStride(256) * (255 - y) + 3 * x;
    const int red = word >> 11, green = (word >> 5) & 63, blue = word & 31;
    ASSERT_EQ(out[0], literal::Scale(blue, 31)) << "word " << word;
    ASSERT_EQ(out[1], literal::Scale(green, 63)) << "word " << word;
    ASSERT_EQ(out[2], literal::Scale(red, 31)) << "word " << word;
  }
  // The same words again in rows whose length leaves a remainder after the
  // vector steps, so the row tails see every word too.
  for (int32_t width : {17, 23, 31}) {
    const int32_t height = (65536 + width - 1) / width;
    Bytes shaped(static_cast<size_t>(width) * height * 2);
    for (size_t i = 0; i < shaped.size(); ++i)
      shaped[i] = raw[i % raw.size()];
    ExpectMatchesLiteral(32, shaped, width, height);
  }
}

TEST_P(Converter, Rgb565PrimariesAndByteOrder) {
  struct Case {
    uint8_t b0, b1, blue, green, red;
  };
  const Case cases[] = {
      {0xF8, 0x00, 0x00, 0x00, 0xFF},  // pure red
      {0x07, 0xE0, 0x00, 0xFF, 0x00},  // pure green
      {0x00, 0x1F, 0xFF, 0x00, 0x00},  // pure blue
      {0x1F, 0x00, 0x00, 0xE2, 0x18},  // little-endian red read as a big-endian word
  };
  for (const Case& c : cases) {
    Bytes pixels;
    ASSERT_TRUE(Convert(32, {c.b0, c.b1}, 1, 1, &pixels));
    EXPECT_EQ(pixels, (Bytes{c.blue, c.green, c.red, 0})) << int(c.b0) << " " << int(c.b1);
  }
}

TEST_P(Converter, Rgb888SwapsToBlueGreenRed) {
  Bytes pixels;
  ASSERT_TRUE(Convert(512, {0x10, 0x20, 0x30}, 1, 1, &pixels));
  EXPECT_EQ(pixels, (Bytes{0x30, 0x20, 0x10, 0}));
  // Every row length up to a few vector steps, random content.
  for (int32_t width = 1; width <= 70; ++width) {
    ExpectMatchesLiteral(512, RandomBytes(static_cast<size_t>(width) * 7 * 3, width), width, 7);
  }
}

TEST_P(Converter, RowsAreStoredBottomUpWithZeroPadding) {
  // Three rows of two pixels: red, green, blue from the top.
  const Bytes raw = {0xF8, 0, 0xF8, 0, 0x07, 0xE0, 0x07, 0xE0, 0, 0x1F, 0, 0x1F};
  Bytes pixels;
  ASSERT_TRUE(Convert(32, raw, 2, 3, &pixels));
  const Bytes expected = {
      0xFF, 0,    0,    0xFF, 0,    0,    0, 0,  // bottom row first: blue
      0,    0xFF, 0,    0,    0xFF, 0,    0, 0,  // green
      0,    0,    0xFF, 0,    0,    0xFF, 0, 0,  // top row last: red
  };
  EXPECT_EQ(pixels, expected);
  for (int32_t format : {32, 512}) {
    for (int32_t width = 1; width <= 40; ++width) {
      const size_t bytes = static_cast<size_t>(width) * 5 * RawBytesPerPixel(format);
      ExpectMatchesLiteral(format, RandomBytes(bytes, 1000 + width), width, 5);
    }
  }
}

TEST_P(Converter, WholeCameraSizesMatchLiteralFormula) {
  for (int32_t code = 1; code <= 64; code <<= 1) {
    int32_t width = 0, height = 0;
    ASSERT_TRUE(RawSizeDimensions(code, &width, &height));
    for (int32_t format : {32, 512}) {
      const size_t bytes = static_cast<size_t>(width) * height * RawBytesPerPixel(format);
      ExpectMatchesLiteral(format, RandomBytes(bytes, code * format), width, height);
    }
  }
}

TEST_P(Converter, ShortRawDataFailsAndExtraBytesAreIgnored) {
  for (int32_t format : {32, 512}) {
    for (int32_t code : {4, 64}) {  // QCIF, VGA
      int32_t width = 0, height = 0;
      ASSERT_TRUE(RawSizeDimensions(code, &width, &height));
      const size_t exact = static_cast<size_t>(width) * height * RawBytesPerPixel(format);
      const Bytes raw = RandomBytes(exact + 7, exact);

      Bytes fromExact, fromLonger;
      ASSERT_TRUE(
          Convert(format, Bytes(raw.begin(), raw.begin() + exact), width, height, &fromExact));
      ASSERT_TRUE(Convert(format, raw, width, height, &fromLonger));
      EXPECT_EQ(fromExact, fromLonger);

      for (size_t missing : {size_t{1}, RawBytesPerPixel(format), exact}) {
        Bytes pixels;
        EXPECT_FALSE(Convert(format, Bytes(raw.begin(), raw.begin() + (exact - missing)), width,
                             height, &pixels))
            << format << " " << code << " missing " << missing;
        EXPECT_EQ(pixels, Bytes(pixels.size(), 0xAA)) << "nothing is written";
      }
    }
  }
}

TEST_P(Converter, FormatsWithoutConversionFail) {
  const Bytes raw = RandomBytes(640 * 480 * 3, 7);
  for (int32_t format : {16, 64, 128, 256, 1024, 0, 4, 2048, -1}) {
    Bytes pixels;
    EXPECT_FALSE(Convert(format, raw, 640, 480, &pixels)) << format;
    EXPECT_EQ(pixels, Bytes(pixels.size(), 0xAA)) << format;
  }
}

TEST_P(Converter, RefusesBadDimensionsAndShortOutput) {
  const Bytes raw = RandomBytes(4 * 4 * 3, 3);
  Bytes pixels(RowStride(4) * 4, 0xAA);
  const RawConverter converter = GetParam();
  EXPECT_FALSE(ConvertRawPixelsWith(converter, 512, raw.data(), raw.size(), 4, 4, pixels.data(),
                                    pixels.size() - 1));
  EXPECT_FALSE(ConvertRawPixelsWith(converter, 512, raw.data(), raw.size(), -4, 4, pixels.data(),
                                    pixels.size()));
  EXPECT_FALSE(ConvertRawPixelsWith(converter, 512, raw.data(), raw.size(), 4, -4, pixels.data(),
                                    pixels.size()));
  EXPECT_FALSE(ConvertRawPixelsWith(converter, 512, raw.data(), raw.size(), kMaxRawDimension + 1, 1,
                                    pixels.data(), pixels.size()));
  EXPECT_FALSE(ConvertRawPixelsWith(converter, 512, nullptr, raw.size(), 4, 4, pixels.data(),
                                    pixels.size()));
  EXPECT_FALSE(
      ConvertRawPixelsWith(converter, 512, raw.data(), raw.size(), 4, 4, nullptr, pixels.size()));
  EXPECT_EQ(pixels, Bytes(pixels.size(), 0xAA));
  // An empty picture has nothing to convert.
  EXPECT_TRUE(ConvertRawPixelsWith(converter, 32, nullptr, 0, 0, 0, nullptr, 0));
}

TEST(RawPixels, DefaultConversionEqualsPortableConversion) {
  const Bytes raw = RandomBytes(352 * 288 * 3, 11);
  for (int32_t format : {32, 512}) {
    Bytes portable(RowStride(352) * 288), chosen(RowStride(352) * 288);
    ASSERT_TRUE(ConvertRawPixelsWith(RawConverter::Portable, format, raw.data(), raw.size(), 352,
                                     288, portable.data(), portable.size()));
    ASSERT_TRUE(
        ConvertRawPixels(format, raw.data(), raw.size(), 352, 288, chosen.data(), chosen.size()));
    EXPECT_EQ(chosen, portable) << format;
  }
}

}  // namespace
