// libFuzzer target for the portable code that reads outside input; byte 0
// picks the part, README.md gives each part's input layout. Each part checks
// against a plain statement of the rule in exactly sized buffers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/image_signature.h"
#include "imaging/raw_pixels.h"
#include "pages/picture_values.h"
#include "pages/register_text.h"
#include "tests/native/literal_raw_conversion.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

uint32_t ReadLe32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

std::vector<char> TextOf(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Raw pixels: the bitmap header describes the picture exactly; both
// converters succeed exactly when the format converts and the data holds
// enough pixels, and then write what the literal formula writes. Input: a
// format, a size (a camera size code when its two top bits are set), a width
// and height or a length adjustment, raw data.

constexpr int32_t kFormats[] = {16, 32, 64, 128, 256, 512, 1024, 0, 4, 2048, -1, 33};
constexpr int32_t kSizeCodes[] = {1, 2, 4, 8, 16, 32, 64, 0, 128, 3};

void FuzzRawPixels(const uint8_t* data, size_t size) {
  if (size < 4) return;
  const int32_t format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
  const uint8_t sizeChoice = data[1], a = data[2], b = data[3];
  const uint8_t* payload = data + 4;
  const size_t payloadSize = size - 4;

  int32_t width = 0, height = 0;
  std::vector<uint8_t> raw;
  if ((sizeChoice & 0xC0) == 0xC0) {
    // Whole pictures, truncated ones and ones with extra bytes (-8 ... +7).
    const int32_t code = kSizeCodes[sizeChoice % (sizeof kSizeCodes / sizeof kSizeCodes[0])];
    if (!RawSizeDimensions(code, &width, &height)) {
      int32_t untouchedWidth = -1, untouchedHeight = -1;
      Check(!RawSizeDimensions(code, &untouchedWidth, &untouchedHeight));
      Check(untouchedWidth == -1 && untouchedHeight == -1);
      return;
    }
    const size_t perPixel = RawBytesPerPixel(format) ? RawBytesPerPixel(format) : 2;
    const long wanted = static_cast<long>(width) * height * static_cast<long>(perPixel) +
                        (static_cast<int>(a & 15) - 8);
    raw.resize(static_cast<size_t>(wanted));
    for (size_t i = 0; i < raw.size(); ++i)
      raw[i] = payloadSize ? payload[i % payloadSize] : static_cast<uint8_t>(i * 131 + b);
  } else {
    width = a % 67;
    height = b % 23;
    raw.assign(payload, payload + payloadSize);
  }

  const size_t blockSize = BitmapBlockSize(width, height);
  Check(blockSize == kBitmapHeaderSize + literal::Stride(width) * height);
  std::vector<uint8_t> block(blockSize);
  Check(WriteBitmapHeader(block.data(), block.size(), width, height));
  Check(block[0] == 'B' && block[1] == 'M' && ReadLe32(&block[2]) == blockSize);
  Check(ReadLe32(&block[18]) == static_cast<uint32_t>(width));
  Check(ReadLe32(&block[22]) == static_cast<uint32_t>(height));
  Check(!WriteBitmapHeader(block.data(), block.size() - 1, width, height));

  std::vector<uint8_t> expected;
  const bool expectSuccess =
      literal::Convert(format, raw.data(), raw.size(), width, height, &expected);
  const size_t perPixel = RawBytesPerPixel(format);
  Check(expectSuccess ==
        (perPixel != 0 && raw.size() >= static_cast<size_t>(width) * height * perPixel));

  for (RawConverter converter : {RawConverter::Portable, RawConverter::Vector}) {
    if (!RawConverterAvailable(converter)) continue;
    std::vector<uint8_t> input(raw);
    std::vector<uint8_t> pixels(blockSize - kBitmapHeaderSize, 0xAA);
    const bool converted = ConvertRawPixelsWith(converter, format, input.data(), input.size(),
                                                width, height, pixels.data(), pixels.size());
    Check(converted == expectSuccess);
    // A refused conversion leaves the output untouched.
    Check(pixels == (converted ? expected : std::vector<uint8_t>(pixels.size(), 0xAA)));
  }
}

// Picture file signature, and HIMETRIC lengths rounded to the nearest pixel.
// Input: the start of a file, whose first 8 bytes also give a length and ppi.

void FuzzImageSignature(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> file(data, data + size);
  const ImageSignature signature = RecognizeImageSignature(file.data(), file.size());
  const uint8_t* f = file.data();
  const auto has = [&](size_t offset, const char* bytes, size_t count) {
    return size >= offset + count && memcmp(f + offset, bytes, count) == 0;
  };
  const bool jfif = has(0, "\xFF\xD8\xFF\xE0", 4) && has(6, "JFIF", 4);
  const bool quantisation = has(0, "\xFF\xD8\xFF\xDB", 4);
  const bool bitmap = has(0, "BM", 2) && size > 28;
  if (jfif || quantisation) {
    Check(signature.type == ImageFileType::Jpeg && signature.bitsPerPixel == 24);
  } else if (bitmap) {
    Check(signature.type == ImageFileType::Bitmap && signature.bitsPerPixel == f[28]);
  } else {
    Check(signature.type == ImageFileType::Unknown && signature.bitsPerPixel == 0);
  }

  if (size < 8) return;
  const auto himetric = static_cast<int32_t>(ReadLe32(f));
  const auto pixelsPerInch = static_cast<int32_t>(ReadLe32(f + 4));
  const int32_t pixels = HimetricToPixels(himetric, pixelsPerInch);  // any input: no overflow trap
  const int64_t exact = int64_t{pixelsPerInch} * himetric + 1270;
  if (pixelsPerInch >= 0 && himetric >= 0 && exact <= INT32_MAX) Check(pixels == exact / 2540);
}

int DigitOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Leading blanks, a sign, then digits of `base` (2 or 10); clamped to 32 bits.
int64_t SignedNumber(const char* text, int base) {
  while (IsBlank(*text))
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t magnitude = 0;
  for (; DigitOf(*text) < base; ++text)
    magnitude = std::min<int64_t>(magnitude * base + DigitOf(*text), int64_t{1} << 32);
  const int64_t number = negative ? -magnitude : magnitude;
  return std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, number));
}

// Registers page: an in-place value is its leading digits of the base (or
// one past the largest register value); a range box reads a signed number
// from the whole text and from the six characters the page reads. Input:
// the base of an in-place edit (2, 16, 10), the text typed or pasted.
void FuzzRegisterText(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const int bases[] = {2, 16, 10};
  const int base = bases[data[0] % 3];
  const std::vector<char> text = TextOf(data + 1, size - 1);

  unsigned expected = 0;
  for (const char* c = text.data(); DigitOf(*c) < base; ++c)
    expected = std::min<unsigned>(expected * base + DigitOf(*c), kMaxRegisterValue + 1);
  Check(ParseRegisterValue(text.data(), base) == expected);

  Check(ParseRegisterNumber(text.data()) == SignedNumber(text.data(), 10));
  std::vector<char> boxText(text.begin(), text.begin() + std::min<size_t>(6, text.size() - 1));
  boxText.push_back('\0');
  const int32_t number = ParseRegisterNumber(boxText.data());
  Check(number == SignedNumber(boxText.data(), 10));
  Check(number >= -99999 && number <= 999999);
}

// Input: a red, green and blue value for the RGB 565 word, a colour field's text.

void FuzzBinaryText(const uint8_t* data, size_t size) {
  if (size < 3) return;
  const uint16_t word = Rgb565Word(data[0], data[1], data[2]);
  Check(word >> 11 == (data[0] & 31) && ((word >> 5) & 63) == (data[1] & 63) &&
        (word & 31) == (data[2] & 31));

  const std::vector<char> text = TextOf(data + 3, size - 3);
  const BinaryText parsed = ParseBinaryText(text.data());
  Check(parsed.onlyBinaryDigits == (strspn(text.data(), "01") == strlen(text.data())));
  Check(parsed.value == SignedNumber(text.data(), 2));
}

// Slider labels: any position gives a terminated label, a smaller buffer
// its start; in range, the exact quotient within half a unit of the last
// decimal shown (the float it is kept in aside), or whole decibels. Input:
// the slider, the label buffer's size (1 to 32), the position (32 bits).

struct Slider {
  SliderScale scale;
  int32_t minimum, maximum;
  double divisor, factor;  // the label shows position / divisor * factor
  int decimals;            // -1: whole decibels, see below
};
constexpr Slider kSliders[] = {
    {SliderScale::Luminance, 16, 255, 136, 100, 0},
    {SliderScale::WhiteBalance, 0, 255, 255, 3.984375, 6},
    {SliderScale::AnalogGain, 12, 192, 1, 1, -1},
    {SliderScale::Sharpness, 0, 255, 255, 7.96875, 5},
    {SliderScale::Contrast, 0, 255, 255, 1.9921875, 5},
    {SliderScale::Brightness, 0, 255, 1, 1, 0},
    {SliderScale::HueSaturation, 0, 63, 63, 1.96875, 5},
};

void FuzzSliderLabel(const uint8_t* data, size_t size) {
  if (size < 6) return;
  const Slider& slider = kSliders[data[0] % (sizeof kSliders / sizeof kSliders[0])];
  const size_t bufferSize = 1 + data[1] % kSliderLabelSize;
  const auto position = static_cast<int32_t>(ReadLe32(data + 2));

  std::vector<char> full(kSliderLabelSize, '\x7f');
  FormatSliderLabel(slider.scale, position, full.data(), full.size());
  const size_t length = strnlen(full.data(), full.size());
  Check(length < full.size() && length > 0);
  std::vector<char> cut(bufferSize, '\x7f');
  FormatSliderLabel(slider.scale, position, cut.data(), cut.size());
  Check(std::string(cut.data()) == std::string(full.data(), std::min(length, bufferSize - 1)));

  if (position < slider.minimum || position > slider.maximum) return;
  const std::string label = full.data();
  if (slider.decimals < 0) {
    const double gain = 45.51 - 8.6562 * std::log(position);
    Check(label == "+" + std::to_string(static_cast<int>(gain)) + " dB");
    return;
  }
  char* end = nullptr;
  const double shown = strtod(label.c_str(), &end);
  const double exact = position / slider.divisor * slider.factor;
  Check(std::fabs(shown - exact) <= 0.5 * std::pow(10.0, -slider.decimals) + 1e-6);
  Check(std::string(end) == (slider.scale == SliderScale::Luminance ? "%" : ""));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Part = void (*)(const uint8_t*, size_t);
  const Part parts[5] = {FuzzRawPixels, FuzzImageSignature, FuzzRegisterText, FuzzBinaryText,
                         FuzzSliderLabel};
  if (size >= 1) parts[data[0] % 5](data + 1, size - 1);
  return 0;
}
