// Picture files and raw captures as the preview loads them: sizes, pixels.
// The signatures' and the conversion's rules themselves: the portable tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "imaging/image.h"
#include "imaging/raw_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Info = std::vector<long>;  // width, height, bits per pixel, file size
const std::string kFixtures = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/";

// The size from GetDimensions, the rest from GetImageInfo; {} when they fail.
Info InfoOf(CImageBase& image) {
  ImageInfo info = {};
  int32_t width = 0, height = 0;
  if (!image.GetImageInfo(&info) || !image.GetDimensions(&width, &height)) return {};
  return {width, height, info.bitsPerPixel, static_cast<long>(info.fileSize)};
}

// Each file loaded over a picture; a failed load empties it, null changes nothing.
TEST(ImageFiles, FirstBytesDecideWhatLoadsAndAFailedLoadEmptiesTheImage) {
  const struct {
    const char* name;
    long width, height, bits;  // 0 when the file does not load
  } files[] = {{"jfif_640x128.jpg", 640, 128, 24}, {"dqt_first_32x16.jpg", 32, 16, 24},
               {"bitmap1_16x8.bmp", 16, 8, 1},     {"bitmap4_16x8.bmp", 16, 8, 4},
               {"bitmap8_32x8.bmp", 32, 8, 8},     {"bitmap16_16x8.bmp", 16, 8, 16},
               {"bitmap24_16x8.bmp", 16, 8, 24},   {"bitmap32_16x8.bmp", 16, 8, 32},
               {"exif_32x16.jpg", 0, 0, 0},        {"app0_avi1_32x16.jpg", 0, 0, 0},
               {"missing.jpg", 0, 0, 0},           {"empty.jpg", 0, 0, 0},
               {"jfif_cut_short.jpg", 0, 0, 0}};
  CImage image;
  for (const auto& f : files) {
    const std::string path = kFixtures + f.name;
    ASSERT_TRUE(image.LoadFromFile((kFixtures + "dqt_first_32x16.jpg").c_str()));
    EXPECT_EQ(image.LoadFromFile(path.c_str()), f.bits != 0) << path;
    EXPECT_FALSE(image.LoadFromFile(nullptr));
    const long size = std::ifstream(path, std::ios::ate).tellg();
    EXPECT_EQ(InfoOf(image), (f.bits ? Info{f.width, f.height, f.bits, size} : Info{})) << path;
  }
}

// QCIF captures in bands of 36 rows: RGB 565 words read big-endian (the
// fourth a little-endian red), RGB 888 as red, green, blue; drawn upright
// from files long enough, none from one byte short. Unknown codes change
// nothing.
TEST(RawImage, CapturesDrawUprightInTheirColoursFromFilesLongEnough) {
  const std::vector<Bytes> bands[] = {{{0xF8, 0x00}, {0x07, 0xE0}, {0x00, 0x1F}, {0x1F, 0x00}},
                                      {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}, {1, 2, 3}}};
  const uint32_t colours[][4] = {{0xFF0000, 0xFF00, 0xFF, 0x18E200},
                                 {0xFF0000, 0xFF00, 0xFF, 0x10203}};
  for (int f = 0; f < 2; ++f) {
    Bytes raw;
    for (int i = 0; i < 176 * 144; ++i)
      raw.insert(raw.end(), bands[f][i / (176 * 36)].begin(), bands[f][i / (176 * 36)].end());
    const size_t whole = raw.size();
    CRawImage image;
    for (size_t bytes : {whole - 1, whole, whole + 100}) {
      raw.resize(std::max(bytes, whole), 0xFF);
      std::ofstream("capture.raw", std::ios::binary)
          .write(reinterpret_cast<const char*>(raw.data()), bytes);
      ASSERT_TRUE(image.SetFormatAndSize(f ? 512 : 32, 4));
      const bool ok = bytes >= whole;
      HBITMAP bitmap = nullptr;
      EXPECT_EQ(image.LoadFromFile("capture.raw"), ok);
      ASSERT_EQ(image.CreateBitmap(&bitmap), ok) << bytes;
      if (!ok) continue;
      EXPECT_EQ(InfoOf(image), (Info{176, 144, f ? 24 : 16, static_cast<long>(bytes)}));
      BITMAPINFO info = {{sizeof info.bmiHeader, 176, -144, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
      std::vector<uint32_t> rgb(176 * 144);
      ASSERT_EQ(GetDIBits(fw::WindowDC(nullptr).Get(), bitmap, 0, 144, &rgb[0], &info, 0), 144);
      EXPECT_TRUE(DeleteObject(bitmap)) << "the bitmap is handed over deselected";
      for (int i = 0; i < 176 * 144; ++i)
        ASSERT_EQ(rgb[i] & 0xFFFFFF, colours[f][i / 176 / 36]) << i % 176 << ", " << i / 176;
    }
    for (auto [format, size] : {std::pair{32, 128}, {32, 0}, {32, 3}, {0, 4}, {2048, 4}}) {
      EXPECT_FALSE(image.SetFormatAndSize(format, size)) << format << ", " << size;
      EXPECT_EQ(InfoOf(image), (Info{176, 144, f ? 24 : 16, static_cast<long>(raw.size())}));
    }
  }
  DeleteFileA("capture.raw");
}

}  // namespace
