#include "imaging/raw_pixels.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define KVR_RAW_PIXELS_AVX2 1
#include <immintrin.h>
#endif

namespace {

struct FormatEntry {
  int32_t code;
  uint8_t bitsPerPixel;
  size_t rawBytesPerPixel;  // 0: no conversion
};

// The three YUV formats report 4, 6 and 8 bits per pixel.
constexpr FormatEntry kFormats[] = {
    {kRawFormatRgb444, 12, 0}, {kRawFormatRgb565, 16, 2}, {kRawFormatYuv400, 4, 0},
    {kRawFormatYuv420, 6, 0},  {kRawFormatYuv422, 8, 0},  {kRawFormatRgb888, 24, 3},
    {kRawFormatBayer, 24, 0},
};

struct SizeEntry {
  int32_t code;
  int32_t width;
  int32_t height;
};

constexpr SizeEntry kSizes[] = {
    {1, 80, 96},    {2, 128, 96},   {4, 176, 144},  {8, 352, 288},
    {16, 160, 120}, {32, 320, 240}, {64, 640, 480},
};

const FormatEntry* FindFormat(int32_t format) {
  for (const FormatEntry& entry : kFormats) {
    if (entry.code == format) return &entry;
  }
  return nullptr;
}

bool DimensionsInRange(int32_t width, int32_t height) {
  return width >= 0 && height >= 0 && width <= kMaxRawDimension && height <= kMaxRawDimension;
}

void PutLittleEndian16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLittleEndian32(uint8_t* at, uint32_t value) {
  PutLittleEndian16(at, value);
  PutLittleEndian16(at + 2, value >> 16);
}

// Channel widening tables, filled by the compiler from ScaleChannel itself,
// so that no rounding mode or excess precision of the target's floating-point
// unit can change them.
template <int Maximum>
struct ChannelTable {
  uint8_t scaled[Maximum + 1];
};

template <int Maximum>
constexpr ChannelTable<Maximum> MakeChannelTable() {
  ChannelTable<Maximum> table{};
  for (int value = 0; value <= Maximum; ++value) {
    table.scaled[value] = static_cast<uint8_t>(ScaleChannel(value, Maximum));
  }
  return table;
}

constexpr ChannelTable<31> kScale5 = MakeChannelTable<31>();
constexpr ChannelTable<63> kScale6 = MakeChannelTable<63>();

// The double-precision formula gives the integer quotient value * 255 /
// maximum for every channel value.
template <int Maximum>
constexpr bool IsIntegerQuotient(const ChannelTable<Maximum>& table) {
  for (int value = 0; value <= Maximum; ++value) {
    if (table.scaled[value] != value * 255 / Maximum) return false;
  }
  return true;
}
static_assert(IsIntegerQuotient(kScale5), "5-bit channel table");
static_assert(IsIntegerQuotient(kScale6), "6-bit channel table");

// The vector converter widens channels with a 16-bit multiply keeping the
// high half: (value << shift) * factor >> 16. These factors give exactly the
// tables' values for every channel value.
constexpr uint32_t kFactor5 = 33693;  // 5-bit channel shifted left by 4
constexpr uint32_t kFactor6 = 8290;   // 6-bit channel shifted left by 5

template <int Maximum>
constexpr bool MultiplyMatches(const ChannelTable<Maximum>& table, int shift, uint32_t factor) {
  for (int value = 0; value <= Maximum; ++value) {
    if (((static_cast<uint32_t>(value) << shift) * factor >> 16) != table.scaled[value]) {
      return false;
    }
  }
  return true;
}
static_assert(MultiplyMatches(kScale5, 4, kFactor5), "5-bit channel factor");
static_assert(MultiplyMatches(kScale6, 5, kFactor6), "6-bit channel factor");

// One row of pixels: width raw pixels from src into width bitmap pixels at
// dst (blue, green, red).
using RowConverter = void (*)(const uint8_t* src, uint8_t* dst, int32_t width);

void Rgb565RowPortable(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 2, dst += 3) {
    const unsigned high = src[0];  // the word is stored most significant byte first
    const unsigned low = src[1];
    dst[0] = kScale5.scaled[low & 31];
    dst[1] = kScale6.scaled[((high & 7) << 3) | (low >> 5)];
    dst[2] = kScale5.scaled[high >> 3];
  }
}

void Rgb888RowPortable(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

#ifdef KVR_RAW_PIXELS_AVX2

// Byte shuffles that interleave 8 pixels per 128-bit lane into 24 bytes of
// blue, green, red. The sources are blueRed (bytes 0-7 the blue, 8-15 the
// red values of the lane's 8 pixels) and green (16-bit lanes, the value in
// the low byte). Part 0 makes output bytes 0-15, part 1 bytes 16-23.
struct InterleaveShuffles {
  int8_t fromBlueRed[2][32];
  int8_t fromGreen[2][32];
};

constexpr InterleaveShuffles MakeInterleaveShuffles() {
  InterleaveShuffles shuffles{};
  for (int part = 0; part < 2; ++part) {
    for (int i = 0; i < 32; ++i) {
      const int out = part * 16 + i % 16;  // both lanes alike
      const int pixel = out / 3;
      const int channel = out % 3;  // 0 blue, 1 green, 2 red
      int8_t blueRed = -128;        // -128: the shuffle writes 0
      int8_t green = -128;
      if (out < 24) {
        if (channel == 0) blueRed = static_cast<int8_t>(pixel);
        if (channel == 2) blueRed = static_cast<int8_t>(8 + pixel);
        if (channel == 1) green = static_cast<int8_t>(2 * pixel);
      }
      shuffles.fromBlueRed[part][i] = blueRed;
      shuffles.fromGreen[part][i] = green;
    }
  }
  return shuffles;
}

constexpr InterleaveShuffles kInterleave = MakeInterleaveShuffles();

__attribute__((target("avx2"))) void Rgb565RowAvx2(const uint8_t* src, uint8_t* dst,
                                                   int32_t width) {
  const __m256i swapBytes = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14,
                                             1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14);
  const __m256i mask5 = _mm256_set1_epi16(0x1F0);
  const __m256i mask6 = _mm256_set1_epi16(0x7E0);
  const __m256i factor5 = _mm256_set1_epi16(static_cast<int16_t>(kFactor5 - 65536));
  const __m256i factor6 = _mm256_set1_epi16(static_cast<int16_t>(kFactor6));
  const __m256i blueRed0 =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kInterleave.fromBlueRed[0]));
  const __m256i blueRed1 =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kInterleave.fromBlueRed[1]));
  const __m256i green0 =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kInterleave.fromGreen[0]));
  const __m256i green1 =
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kInterleave.fromGreen[1]));

  int32_t x = 0;
  for (; x + 16 <= width; x += 16, src += 32, dst += 48) {
    const __m256i word =
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)), swapBytes);
    const __m256i red =
        _mm256_mulhi_epu16(_mm256_and_si256(_mm256_srli_epi16(word, 7), mask5), factor5);
    const __m256i green = _mm256_mulhi_epu16(_mm256_and_si256(word, mask6), factor6);
    const __m256i blue =
        _mm256_mulhi_epu16(_mm256_and_si256(_mm256_slli_epi16(word, 4), mask5), factor5);
    const __m256i blueRed = _mm256_packus_epi16(blue, red);
    const __m256i first =
        _mm256_or_si256(_mm256_shuffle_epi8(blueRed, blueRed0), _mm256_shuffle_epi8(green, green0));
    const __m256i second =
        _mm256_or_si256(_mm256_shuffle_epi8(blueRed, blueRed1), _mm256_shuffle_epi8(green, green1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(first));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm256_castsi256_si128(second));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 24), _mm256_extracti128_si256(first, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 40), _mm256_extracti128_si256(second, 1));
  }
  Rgb565RowPortable(src, dst, width - x);
}

__attribute__((target("avx2"))) void Rgb888RowAvx2(const uint8_t* src, uint8_t* dst,
                                                   int32_t width) {
  // Five pixels per step: 16 bytes are read and written, the 16th written
  // byte is 0 and is overwritten by the next step or the tail. Reads and
  // writes stay inside the row.
  const __m128i reverse = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, -128);
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  size_t at = 0;
  for (; at + 16 <= rowBytes; at += 15) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + at), _mm_shuffle_epi8(in, reverse));
  }
  Rgb888RowPortable(src + at, dst + at, static_cast<int32_t>((rowBytes - at) / 3));
}

bool ProcessorHasAvx2() {
  static const bool hasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return hasAvx2;
}

#endif  // KVR_RAW_PIXELS_AVX2

RowConverter PickRowConverter(RawConverter converter, int32_t format) {
  const bool rgb565 = format == kRawFormatRgb565;
#ifdef KVR_RAW_PIXELS_AVX2
  if (converter == RawConverter::Vector) return rgb565 ? Rgb565RowAvx2 : Rgb888RowAvx2;
#else
  (void)converter;
#endif
  return rgb565 ? Rgb565RowPortable : Rgb888RowPortable;
}

}  // namespace

bool RawFormatBitsPerPixel(int32_t format, uint8_t* bitsPerPixel) {
  const FormatEntry* entry = FindFormat(format);
  if (!entry || !bitsPerPixel) return false;
  *bitsPerPixel = entry->bitsPerPixel;
  return true;
}

bool RawSizeDimensions(int32_t sizeCode, int32_t* width, int32_t* height) {
  if (!width || !height) return false;
  for (const SizeEntry& entry : kSizes) {
    if (entry.code == sizeCode) {
      *width = entry.width;
      *height = entry.height;
      return true;
    }
  }
  return false;
}

size_t RawBytesPerPixel(int32_t format) {
  const FormatEntry* entry = FindFormat(format);
  return entry ? entry->rawBytesPerPixel : 0;
}

size_t BitmapBlockSize(int32_t width, int32_t height) {
  if (!DimensionsInRange(width, height)) return 0;
  return kBitmapHeaderSize + RowStride(width) * static_cast<size_t>(height);
}

bool WriteBitmapHeader(uint8_t* block, size_t blockSize, int32_t width, int32_t height) {
  const size_t total = BitmapBlockSize(width, height);
  if (total == 0 || !block || blockSize < total) return false;
  block[0] = 'B';
  block[1] = 'M';
  PutLittleEndian32(block + 2, static_cast<uint32_t>(total));
  PutLittleEndian16(block + 6, 0);                                          // reserved
  PutLittleEndian16(block + 8, 0);                                          // reserved
  PutLittleEndian32(block + 10, static_cast<uint32_t>(kBitmapHeaderSize));  // pixels offset
  PutLittleEndian32(block + 14, 40);  // information header size
  PutLittleEndian32(block + 18, static_cast<uint32_t>(width));
  PutLittleEndian32(block + 22, static_cast<uint32_t>(height));  // positive: bottom-up rows
  PutLittleEndian16(block + 26, 1);                              // planes
  PutLittleEndian16(block + 28, 24);                             // bits per pixel
  PutLittleEndian32(block + 30, 0);                              // no compression
  PutLittleEndian32(block + 34, 0);                              // image size
  PutLittleEndian32(block + 38, 2835);                           // pixels per metre, horizontal
  PutLittleEndian32(block + 42, 2835);                           // and vertical
  PutLittleEndian32(block + 46, 0);                              // colours used
  PutLittleEndian32(block + 50, 0);                              // important colours
  return true;
}

bool RawConverterAvailable(RawConverter converter) {
  switch (converter) {
    case RawConverter::Portable:
      return true;
    case RawConverter::Vector:
#ifdef KVR_RAW_PIXELS_AVX2
      return ProcessorHasAvx2();
#else
      return false;
#endif
  }
  return false;
}

bool ConvertRawPixelsWith(RawConverter converter, int32_t format, const uint8_t* raw,
                          size_t rawSize, int32_t width, int32_t height, uint8_t* pixels,
                          size_t pixelsSize) {
  const size_t bytesPerPixel = RawBytesPerPixel(format);
  if (bytesPerPixel == 0 || !DimensionsInRange(width, height)) return false;
  if (!RawConverterAvailable(converter)) return false;

  // Every bound is checked here, once, so that the row loops need none.
  const size_t pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t stride = RowStride(width);
  // Dimensions are at most kMaxRawDimension: no product below can overflow.
  if (rawSize / bytesPerPixel < pixelCount) return false;
  if (pixelsSize < stride * static_cast<size_t>(height)) return false;
  if (pixelCount == 0) return true;
  if (!raw || !pixels) return false;

  const RowConverter convertRow = PickRowConverter(converter, format);
  const size_t rawRowBytes = static_cast<size_t>(width) * bytesPerPixel;
  const size_t usedBytes = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    // The first raw row becomes the last bitmap row: the picture stands upright.
    uint8_t* row = pixels + stride * static_cast<size_t>(height - 1 - y);
    convertRow(raw + rawRowBytes * static_cast<size_t>(y), row, width);
    std::memset(row + usedBytes, 0, stride - usedBytes);
  }
  return true;
}

bool ConvertRawPixels(int32_t format, const uint8_t* raw, size_t rawSize, int32_t width,
                      int32_t height, uint8_t* pixels, size_t pixelsSize) {
  const RawConverter converter =
      RawConverterAvailable(RawConverter::Vector) ? RawConverter::Vector : RawConverter::Portable;
  return ConvertRawPixelsWith(converter, format, raw, rawSize, width, height, pixels, pixelsSize);
}
