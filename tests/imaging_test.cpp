// Picture files and raw captures as the preview loads them: sizes, pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "imaging/image.h"
#include "imaging/image_signature.h"
#include "imaging/raw_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Info = std::vector<long>;  // width, height, bits per pixel, file size
const std::string kFixtures = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/";

// A file in the current folder holding `bytes`.
struct TempFile {
  explicit TempFile(const Bytes& bytes) {
    GetTempFileNameA(".", "kvr", 0, path);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  ~TempFile() { DeleteFileA(path); }
  char path[MAX_PATH] = {};
};

// The size from GetDimensions, the rest from GetImageInfo; {} when they fail.
Info InfoOf(CImageBase& image) {
  ImageInfo info = {};
  int32_t width = 0, height = 0;
  if (!image.GetImageInfo(&info) || !image.GetDimensions(&width, &height)) return {};
  return {width, height, info.bitsPerPixel, static_cast<long>(info.fileSize)};
}

// Draws the image and compares each pixel with `colour` (0xRRGGBB).
template <class Colour>
void ExpectDrawn(CImageBase& image, int width, int height, Colour colour) {
  HBITMAP bitmap = nullptr;
  ASSERT_TRUE(image.CreateBitmap(&bitmap));
  BITMAPINFO info = {{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  std::vector<uint32_t> rgb(static_cast<size_t>(width) * height);
  ASSERT_EQ(GetDIBits(fw::WindowDC(nullptr).Get(), bitmap, 0, height, &rgb[0], &info, 0), height);
  EXPECT_TRUE(DeleteObject(bitmap)) << "the bitmap is handed over deselected";
  for (int i = 0; i < width * height; ++i)
    ASSERT_EQ(rgb[i] & 0xFFFFFF, colour(i % width, i / width)) << i % width << ", " << i / width;
}

// Each file loaded over a picture, at 96 pixels per inch; null changes nothing.
TEST(ImageFiles, FirstBytesDecideWhatLoadsAndAFailedLoadEmptiesTheImage) {
  // The JFIF file's HIMETRIC size on screens of 96 and 120 pixels per inch.
  EXPECT_EQ(HimetricToPixels(16933, 96) << 16 | HimetricToPixels(3386, 96), 640 << 16 | 128);
  EXPECT_EQ(HimetricToPixels(16933, 120) << 16 | HimetricToPixels(3386, 120), 800 << 16 | 160);
  TempFile empty({}), shortJfif({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I'});
  const struct {
    std::string name;
    long width, height, bits;  // 0 when the file does not load
  } files[] = {{"jfif_640x128.jpg", 640, 128, 24}, {"dqt_first_32x16.jpg", 32, 16, 24},
               {"bitmap1_16x8.bmp", 16, 8, 1},     {"bitmap4_16x8.bmp", 16, 8, 4},
               {"bitmap8_32x8.bmp", 32, 8, 8},     {"bitmap16_16x8.bmp", 16, 8, 16},
               {"bitmap24_16x8.bmp", 16, 8, 24},   {"bitmap32_16x8.bmp", 16, 8, 32},
               {"exif_32x16.jpg", 0, 0, 0},        {"app0_avi1_32x16.jpg", 0, 0, 0},
               {"missing.jpg", 0, 0, 0},           {empty.path, 0, 0, 0},
               {shortJfif.path, 0, 0, 0}};
  CImage image;
  for (const auto& f : files) {
    const std::string path = f.name[0] == '.' ? f.name : kFixtures + f.name;
    ASSERT_TRUE(image.LoadFromFile((kFixtures + "dqt_first_32x16.jpg").c_str()));
    EXPECT_EQ(image.LoadFromFile(path.c_str()), f.bits != 0) << path;
    EXPECT_FALSE(image.LoadFromFile(nullptr));
    const long size = std::ifstream(path, std::ios::ate).tellg();
    EXPECT_EQ(InfoOf(image), (f.bits ? Info{f.width, f.height, f.bits, size} : Info{})) << path;
  }
}

bool LoadRaw(CRawImage& image, int32_t format, int32_t sizeCode, const Bytes& raw) {
  TempFile file(raw);
  return image.SetFormatAndSize(format, sizeCode) && image.LoadFromFile(file.path);
}

// QCIF captures in bands of 36 rows: RGB 565 words read big-endian (the
// fourth a little-endian red), RGB 888 as red, green, blue.
TEST(RawImage, CapturesDrawUprightInTheirColoursFromFilesLongEnough) {
  const std::vector<Bytes> bands[] = {{{0xF8, 0x00}, {0x07, 0xE0}, {0x00, 0x1F}, {0x1F, 0x00}},
                                      {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {1, 2, 3}}};
  const uint32_t colours[][4] = {{0xFF0000, 0xFF00, 0xFF, 0x18E200},
                                 {0xFF0000, 0xFF00, 0xFF, 0x10203}};
  for (int f = 0; f < 2; ++f) {
    Bytes raw;
    for (int i = 0; i < 176 * 144; ++i)
      raw.insert(raw.end(), bands[f][i / (176 * 36)].begin(), bands[f][i / (176 * 36)].end());
    CRawImage image;
    EXPECT_FALSE(LoadRaw(image, f ? 512 : 32, 4, Bytes(raw.begin(), raw.end() - 1)));
    HBITMAP bitmap = nullptr;
    EXPECT_FALSE(image.CreateBitmap(&bitmap)) << f;
    for (size_t bytes : {raw.size(), raw.size() + 100}) {
      raw.resize(bytes, 0xFF);
      ASSERT_TRUE(LoadRaw(image, f ? 512 : 32, 4, raw));
      EXPECT_EQ(InfoOf(image), (Info{176, 144, f ? 24 : 16, static_cast<long>(bytes)}));
      ExpectDrawn(image, 176, 144, [&](int, int y) { return colours[f][y / 36]; });
    }
  }
}

// Formats without a conversion fail in the converter (native portable_test).
TEST(RawImage, UnknownCodesChangeNothing) {
  CRawImage image;
  ASSERT_TRUE(image.SetFormatAndSize(1024, 4));
  for (auto [format, size] :
       {std::pair<int32_t, int32_t>{32, 128}, {32, 0}, {32, 3}, {0, 4}, {2048, 4}}) {
    EXPECT_FALSE(image.SetFormatAndSize(format, size)) << format << ", " << size;
    EXPECT_EQ(InfoOf(image), (Info{176, 144, 24, 0}));  // still Bayer QCIF
  }
}

}  // namespace
