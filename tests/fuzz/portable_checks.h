// Checks of the portable code that reads outside input against plain
// statements of the rules, in exactly sized buffers (for the address
// sanitizer). Run: byte 0 picks the part; README.md gives the layouts. The
// fuzz target and the native tests drive them; each defines Check.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/image_signature.h"
#include "imaging/raw_pixels.h"
#include "pages/picture_values.h"
#include "pages/register_text.h"
#include "tests/native/literal_raw_conversion.h"

namespace portable_checks {

void Check(bool condition);

inline uint32_t ReadLe32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

inline std::vector<char> TextOf(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  return text;
}

inline int DigitOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Leading blanks, a sign, then digits of `base` (2 or 10); clamped to 32 bits.
inline int64_t SignedNumber(const char* text, int base) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t magnitude = 0;
  for (; DigitOf(*text) < base; ++text)
    magnitude = std::min<int64_t>(magnitude * base + DigitOf(*text), int64_t{1} << 32);
  return std::clamp<int64_t>(negative ? -magnitude : magnitude, INT32_MIN, INT32_MAX);
}

// The label at position p in exact integer arithmetic (halves such as
// Luminance 17 or Contrast 2 round up), "" outside the slider's range.
inline std::string SliderLabel(SliderScale scale, int32_t p) {
  const auto halfUp = [](int64_t n, int64_t d) { return (2 * n + d) / (2 * d); };
  const auto fixed = [](int64_t units, int64_t one) {  // units of 1 / one
    return std::to_string(units / one) + "." + std::to_string(one + units % one).substr(1);
  };
  if (p < 0 || p > (scale == SliderScale::HueSaturation ? 63 : 255)) return "";
  switch (scale) {
    case SliderScale::Luminance:
      return p < 16 ? "" : std::to_string(halfUp(100 * p, 136)) + "%";
    case SliderScale::WhiteBalance:
      return fixed(p * 15625LL, 1000000);  // p / 64
    case SliderScale::AnalogGain:
      if (p < 12 || p > 192) return "";
      return "+" + std::to_string(static_cast<int>(45.51 - 8.6562 * std::log(p))) + " dB";
    case SliderScale::Sharpness:
    case SliderScale::HueSaturation:
      return fixed(p * 3125LL, 100000);  // p / 32
    case SliderScale::Contrast:
      return fixed(halfUp(p * 78125LL, 100), 100000);  // p / 128
    case SliderScale::Brightness:
      return std::to_string(p);
  }
  return "";
}

// Raw pixels: the bitmap header describes the picture exactly; both
// converters succeed exactly when the format converts and the data holds
// enough pixels, then write what the literal formula writes, else nothing.
inline constexpr int32_t kFormats[] = {16, 32, 64, 128, 256, 512, 1024, 0, 4, 2048, -1, 33};
inline constexpr int32_t kSizeCodes[] = {1, 2, 4, 8, 16, 32, 64, 0, 128, 3};

inline void RawPixels(const uint8_t* data, size_t size) {
  if (size < 4) return;
  const int32_t format = kFormats[data[0] % std::size(kFormats)];
  const size_t payloadSize = size - 4, perPixel = RawBytesPerPixel(format);
  int32_t width = -1, height = -1;
  std::vector<uint8_t> raw(data + 4, data + size);
  if ((data[1] & 0xC0) == 0xC0) {
    // Whole pictures, truncated ones and ones with extra bytes (-8 ... +7).
    if (!RawSizeDimensions(kSizeCodes[data[1] % std::size(kSizeCodes)], &width, &height))
      return Check(width == -1 && height == -1);
    raw.resize(width * height * (perPixel ? perPixel : 2) + (data[2] & 15) - 8);
    for (size_t i = 0; i < raw.size(); ++i)
      raw[i] = payloadSize ? data[4 + i % payloadSize] : static_cast<uint8_t>(i * 131 + data[3]);
  } else {
    width = data[2] % 67, height = data[3] % 23;
  }
  const size_t blockSize = BitmapBlockSize(width, height);
  Check(blockSize == kBitmapHeaderSize + literal::Stride(width) * height);
  std::vector<uint8_t> block(blockSize);
  Check(WriteBitmapHeader(block.data(), block.size(), width, height));
  Check(block[0] == 'B' && block[1] == 'M' && ReadLe32(&block[2]) == blockSize);
  Check(ReadLe32(&block[18]) == static_cast<uint32_t>(width) &&
        ReadLe32(&block[22]) == static_cast<uint32_t>(height));
  Check(!WriteBitmapHeader(block.data(), block.size() - 1, width, height));

  std::vector<uint8_t> expected;
  const bool success = literal::Convert(format, raw.data(), raw.size(), width, height, &expected);
  Check(success == (perPixel != 0 && raw.size() >= static_cast<size_t>(width) * height * perPixel));
  for (RawConverter converter : {RawConverter::Portable, RawConverter::Vector}) {
    if (!RawConverterAvailable(converter)) continue;
    std::vector<uint8_t> input(raw), pixels(blockSize - kBitmapHeaderSize, 0xAA);
    Check(ConvertRawPixelsWith(converter, format, input.data(), input.size(), width, height,
                               pixels.data(), pixels.size()) == success);
    Check(pixels == (success ? expected : std::vector<uint8_t>(pixels.size(), 0xAA)));
  }
}

// Picture file signature, and HIMETRIC lengths rounded to the nearest pixel
// (any input, no overflow trap).
inline void ImageSignatureOf(const uint8_t* data, size_t size) {
  const ImageSignature signature = RecognizeImageSignature(data, size);
  const auto has = [&](size_t offset, const char* bytes, size_t count) {
    return size >= offset + count && memcmp(data + offset, bytes, count) == 0;
  };
  const bool jpeg =
      (has(0, "\xFF\xD8\xFF\xE0", 4) && has(6, "JFIF", 4)) || has(0, "\xFF\xD8\xFF\xDB", 4);
  const bool bitmap = has(0, "BM", 2) && size > 28;
  Check(signature.type == (jpeg     ? ImageFileType::Jpeg
                           : bitmap ? ImageFileType::Bitmap
                                    : ImageFileType::Unknown));
  Check(signature.bitsPerPixel == (jpeg ? 24 : bitmap ? data[28] : 0));
  if (size < 8) return;
  const auto himetric = static_cast<int32_t>(ReadLe32(data)),
             ppi = static_cast<int32_t>(ReadLe32(data + 4));
  const int32_t pixels = HimetricToPixels(himetric, ppi);
  const int64_t exact = int64_t{ppi} * himetric + 1270;
  if (ppi >= 0 && himetric >= 0 && exact <= INT32_MAX) Check(pixels == exact / 2540);
}

// Registers page: an in-place value is its leading digits of the base (or
// one past the largest register value); a range box reads a signed number
// from the whole text and from the six characters the page reads.
inline void RegisterText(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const int base = data[0] % 3 == 0 ? 2 : data[0] % 3 == 1 ? 16 : 10;
  const std::vector<char> text = TextOf(data + 1, size - 1),
                          box = TextOf(data + 1, std::min<size_t>(6, size - 1));
  unsigned value = 0;
  for (const char* c = text.data(); DigitOf(*c) < base; ++c)
    value = std::min<unsigned>(value * base + DigitOf(*c), kMaxRegisterValue + 1);
  Check(ParseRegisterValue(text.data(), base) == value);
  Check(ParseRegisterNumber(text.data()) == SignedNumber(text.data(), 10));
  const int32_t number = ParseRegisterNumber(box.data());
  Check(number == SignedNumber(box.data(), 10) && number >= -99999 && number <= 999999);
}

// Colour fields: the RGB 565 word, the binary text.
inline void BinaryTextOf(const uint8_t* data, size_t size) {
  if (size < 3) return;
  const uint16_t word = Rgb565Word(data[0], data[1], data[2]);
  Check(word >> 11 == (data[0] & 31) && ((word >> 5) & 63) == (data[1] & 63) &&
        (word & 31) == (data[2] & 31));
  const std::vector<char> text = TextOf(data + 3, size - 3);
  const BinaryText parsed = ParseBinaryText(text.data());
  Check(parsed.onlyBinaryDigits == (strspn(text.data(), "01") == strlen(text.data())));
  Check(parsed.value == SignedNumber(text.data(), 2));
}

// Slider labels: any position gives a terminated label, a smaller buffer its
// start, a position in range the exact label.
inline void SliderLabelOf(const uint8_t* data, size_t size) {
  if (size < 6) return;
  const auto scale = static_cast<SliderScale>(data[0] % 7);
  const auto position = static_cast<int32_t>(ReadLe32(data + 2));
  std::vector<char> full(kSliderLabelSize, '\x7f'), cut(1 + data[1] % kSliderLabelSize, '\x7f');
  FormatSliderLabel(scale, position, full.data(), full.size());
  FormatSliderLabel(scale, position, cut.data(), cut.size());
  const size_t length = strnlen(full.data(), full.size());
  Check(length < full.size() && length > 0);
  Check(std::string(cut.data()) == std::string(full.data(), std::min(length, cut.size() - 1)));
  const std::string exact = SliderLabel(scale, position);
  Check(exact.empty() || exact == full.data());
}

inline void Run(const uint8_t* data, size_t size) {
  using Part = void (*)(const uint8_t*, size_t);
  const Part parts[5] = {RawPixels, ImageSignatureOf, RegisterText, BinaryTextOf, SliderLabelOf};
  if (size >= 1) parts[data[0] % 5](data + 1, size - 1);
}

}  // namespace portable_checks
