// libFuzzer target for the raw pixel conversion and the bitmap header.
//
// Input: byte 0 picks the format code, byte 1 the size (a camera size code
// when its two top bits are set, a free small size otherwise), bytes 2-3 a width
// and height or a length adjustment, the rest is raw data. Checks that the
// conversion succeeds exactly when the format converts and the data holds
// enough pixels, that both converters write exactly what the literal
// per-pixel formula writes, and (through the sanitizers) that nothing reads
// or writes outside its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/raw_pixels.h"
#include "tests/native/literal_raw_conversion.h"

namespace {

constexpr int32_t kFormats[] = {16, 32, 64, 128, 256, 512, 1024, 0, 4, 2048, -1, 33};
constexpr int32_t kSizeCodes[] = {1, 2, 4, 8, 16, 32, 64, 0, 128, 3};

void Check(bool condition) {
  if (!condition) abort();
}

uint32_t ReadLe32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int32_t format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
  const uint8_t sizeChoice = data[1];
  const uint8_t a = data[2];
  const uint8_t b = data[3];
  const uint8_t* payload = data + 4;
  const size_t payloadSize = size - 4;

  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> raw;
  if ((sizeChoice & 0xC0) == 0xC0) {
    // A camera size code; the payload is repeated to the length the picture
    // needs, adjusted by -8 ... +7 bytes, so that whole pictures, truncated
    // ones and ones with extra bytes all occur.
    const int32_t code = kSizeCodes[sizeChoice % (sizeof kSizeCodes / sizeof kSizeCodes[0])];
    if (!RawSizeDimensions(code, &width, &height)) {
      int32_t untouchedWidth = -1, untouchedHeight = -1;
      Check(!RawSizeDimensions(code, &untouchedWidth, &untouchedHeight));
      Check(untouchedWidth == -1 && untouchedHeight == -1);
      return 0;
    }
    const size_t perPixel = RawBytesPerPixel(format) ? RawBytesPerPixel(format) : 2;
    const long wanted = static_cast<long>(width) * height * static_cast<long>(perPixel) +
                        (static_cast<int>(a & 15) - 8);
    raw.resize(static_cast<size_t>(wanted));
    for (size_t i = 0; i < raw.size(); ++i) {
      raw[i] = payloadSize ? payload[i % payloadSize] : static_cast<uint8_t>(i * 131 + b);
    }
  } else {
    // Any small picture, the payload as it is: row tails of every length
    // and data of every length, short or long.
    width = a % 67;
    height = b % 23;
    raw.assign(payload, payload + payloadSize);
  }

  // The bitmap block: the header must describe the picture exactly.
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
    // Exactly sized buffers, so that the sanitizer sees any overrun.
    std::vector<uint8_t> input(raw);
    std::vector<uint8_t> pixels(blockSize - kBitmapHeaderSize, 0xAA);
    const bool converted = ConvertRawPixelsWith(converter, format, input.data(), input.size(),
                                                width, height, pixels.data(), pixels.size());
    Check(converted == expectSuccess);
    if (converted) {
      Check(pixels == expected);
    } else {
      for (uint8_t byte : pixels)
        Check(byte == 0xAA);
    }
  }
  return 0;
}
