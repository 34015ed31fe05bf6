// Picture files (CImage) and raw camera captures (CRawImage): recognition,
// sizes, failures, and the pixels of the bitmaps they draw, read back with
// GetDIBits.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "imaging/image.h"
#include "imaging/image_signature.h"
#include "imaging/raw_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Microsoft::WRL::ComPtr;

// Colours as 0xRRGGBB.
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kYellow = 0xFFFF00;

// The committed fixtures, reached through Wine's Z: drive.
std::string FixturePath(const char* name) {
  std::string path = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

Bytes ReadWholeFile(const std::string& path) {
  Bytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return bytes;
  int c;
  while ((c = fgetc(file)) != EOF)
    bytes.push_back(static_cast<uint8_t>(c));
  fclose(file);
  return bytes;
}

// A file in the temp folder holding the given bytes, deleted at the end.
class TempFile {
 public:
  explicit TempFile(const Bytes& bytes) {
    char folder[MAX_PATH] = {};
    EXPECT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    EXPECT_NE(GetTempFileNameA(folder, "kvr", 0, path), 0u);
    FILE* file = fopen(path, "wb");
    EXPECT_NE(file, nullptr);
    if (file) {
      EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
      fclose(file);
    }
  }
  ~TempFile() { DeleteFileA(path); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const char* Path() const { return path; }

 private:
  char path[MAX_PATH] = {};
};

// A bitmap's pixels, read back top row first as 0xRRGGBB.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

Pixels ReadBitmap(HBITMAP bitmap) {
  Pixels pixels;
  BITMAP description = {};
  if (!GetObjectA(bitmap, sizeof description, &description)) return pixels;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = description.bmWidth;
  info.bmiHeader.biHeight = -description.bmHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> rgb(static_cast<size_t>(description.bmWidth) * description.bmHeight);
  fw::WindowDC screen(nullptr);
  const int rows =
      GetDIBits(screen.Get(), bitmap, 0, description.bmHeight, rgb.data(), &info, DIB_RGB_COLORS);
  if (rows != description.bmHeight) return pixels;
  pixels.width = description.bmWidth;
  pixels.height = description.bmHeight;
  pixels.rgb = std::move(rgb);
  return pixels;
}

// Draws the image into a bitmap and reads it back; the bitmap must be the
// caller's to delete (so not selected into any device context).
Pixels DrawAndRead(CImageBase& image) {
  HBITMAP bitmap = nullptr;
  EXPECT_TRUE(image.CreateBitmap(&bitmap));
  if (!bitmap) return {};
  Pixels pixels = ReadBitmap(bitmap);
  EXPECT_TRUE(DeleteObject(bitmap)) << "the bitmap is handed over deselected";
  return pixels;
}

bool CloseTo(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = (actual >> shift) & 255, e = (expected >> shift) & 255;
    if (a - e > tolerance || e - a > tolerance) return false;
  }
  return true;
}

struct Dimensions {
  int32_t width = -1;
  int32_t height = -1;
};

Dimensions DimensionsOf(CImageBase& image) {
  Dimensions d;
  EXPECT_TRUE(image.GetDimensions(&d.width, &d.height));
  return d;
}

void ExpectEmpty(CImage& image) {
  int32_t width = 0, height = 0;
  HBITMAP bitmap = nullptr;
  ImageInfo info = {};
  EXPECT_FALSE(image.GetDimensions(&width, &height));
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_FALSE(image.GetImageInfo(&info));
}

class ImageFiles : public testing::Test {
 protected:
  void SetUp() override {
    fw::WindowDC screen(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSX), 96) << "tests expect a 96 dpi screen";
    ASSERT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSY), 96);
  }
};

TEST_F(ImageFiles, JfifJpegLoadsAtItsScreenSize) {
  const std::string path = FixturePath("jfif_640x128.jpg");
  CImage image;
  ASSERT_TRUE(image.LoadFromFile(path.c_str()));
  const Dimensions size = DimensionsOf(image);
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 128);

  ImageInfo info = {};
  ASSERT_TRUE(image.GetImageInfo(&info));
  EXPECT_EQ(info.width, 640);
  EXPECT_EQ(info.height, 128);
  EXPECT_EQ(info.bitsPerPixel, 24);
  EXPECT_EQ(info.planes, 1);
  EXPECT_EQ(info.fileSize, ReadWholeFile(path).size());

  // The loader measures the picture in HIMETRIC; at 96 and at 120 pixels per
  // inch those units round back to whole pixels.
  HGLOBAL memory = nullptr;
  ASSERT_TRUE(image.ReadFileToGlobal(path.c_str(), &memory));
  fw::UniqueGlobal block(memory);
  ComPtr<IPicture> picture;
  ASSERT_TRUE(image.LoadPictureFromGlobal(block.Get(), &picture));
  OLE_XSIZE_HIMETRIC himetricWidth = 0;
  OLE_YSIZE_HIMETRIC himetricHeight = 0;
  ASSERT_EQ(picture->get_Width(&himetricWidth), S_OK);
  ASSERT_EQ(picture->get_Height(&himetricHeight), S_OK);
  EXPECT_EQ(HimetricToPixels(himetricWidth, 96), 640) << himetricWidth;
  EXPECT_EQ(HimetricToPixels(himetricHeight, 96), 128) << himetricHeight;
  EXPECT_EQ(HimetricToPixels(16933, 96), 640);
  EXPECT_EQ(HimetricToPixels(3386, 96), 128);
  EXPECT_EQ(HimetricToPixels(16933, 120), 800);
  EXPECT_EQ(HimetricToPixels(3386, 120), 160);
}

TEST_F(ImageFiles, JpegOpeningWithQuantisationTableLoads) {
  CImage image;
  ASSERT_TRUE(image.LoadFromFile(FixturePath("dqt_first_32x16.jpg").c_str()));
  const Dimensions size = DimensionsOf(image);
  EXPECT_EQ(size.width, 32);
  EXPECT_EQ(size.height, 16);
  ImageInfo info = {};
  ASSERT_TRUE(image.GetImageInfo(&info));
  EXPECT_EQ(info.bitsPerPixel, 24);
}

TEST_F(ImageFiles, OtherApplicationMarkersAreRejectedThoughTheLoaderReadsThem) {
  for (const char* name : {"exif_32x16.jpg", "app0_avi1_32x16.jpg"}) {
    const std::string path = FixturePath(name);
    CImage image;
    EXPECT_FALSE(image.LoadFromFile(path.c_str())) << name;
    ExpectEmpty(image);

    // The picture loader itself reads the file: the first bytes reject it.
    HGLOBAL memory = nullptr;
    ASSERT_TRUE(image.ReadFileToGlobal(path.c_str(), &memory)) << name;
    fw::UniqueGlobal block(memory);
    ComPtr<IPicture> picture;
    EXPECT_TRUE(image.LoadPictureFromGlobal(block.Get(), &picture)) << name;
  }
}

TEST_F(ImageFiles, BitmapsReportTheirBitCount) {
  struct Fixture {
    const char* name;
    uint8_t bits;
    int32_t width, height;
  };
  const Fixture fixtures[] = {
      {"bitmap1_16x8.bmp", 1, 16, 8},   {"bitmap4_16x8.bmp", 4, 16, 8},
      {"bitmap8_32x8.bmp", 8, 32, 8},   {"bitmap16_16x8.bmp", 16, 16, 8},
      {"bitmap24_16x8.bmp", 24, 16, 8}, {"bitmap32_16x8.bmp", 32, 16, 8},
  };
  for (const Fixture& fixture : fixtures) {
    const std::string path = FixturePath(fixture.name);
    CImage image;
    ASSERT_TRUE(image.LoadFromFile(path.c_str())) << fixture.name;
    ImageInfo info = {};
    ASSERT_TRUE(image.GetImageInfo(&info)) << fixture.name;
    EXPECT_EQ(info.bitsPerPixel, fixture.bits) << fixture.name;
    EXPECT_EQ(info.width, fixture.width) << fixture.name;
    EXPECT_EQ(info.height, fixture.height) << fixture.name;
    EXPECT_EQ(info.planes, 1);
    EXPECT_EQ(info.fileSize, ReadWholeFile(path).size()) << fixture.name;
  }
}

TEST_F(ImageFiles, BitmapIsDrawnUpright) {
  // Red top left, green top right, blue bottom left, yellow bottom right.
  CImage bitmapFile;
  ASSERT_TRUE(bitmapFile.LoadFromFile(FixturePath("bitmap24_16x8.bmp").c_str()));
  const Pixels exact = DrawAndRead(bitmapFile);
  ASSERT_EQ(exact.width, 16);
  ASSERT_EQ(exact.height, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t expected = y < 4 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kYellow);
      ASSERT_EQ(exact.At(x, y), expected) << x << ", " << y;
    }
  }

  // The JPEG is lossy: compare inside the quarters, away from the edges,
  // and check the corners, which a shifted or shrunk drawing would miss.
  CImage jpeg;
  ASSERT_TRUE(jpeg.LoadFromFile(FixturePath("jfif_640x128.jpg").c_str()));
  const Pixels lossy = DrawAndRead(jpeg);
  ASSERT_EQ(lossy.width, 640);
  ASSERT_EQ(lossy.height, 128);
  struct Probe {
    int x, y;
    uint32_t colour;
  };
  const Probe probes[] = {{160, 32, kRed},    {480, 32, kGreen},  {160, 96, kBlue},
                          {480, 96, kYellow}, {0, 0, kRed},       {639, 0, kGreen},
                          {0, 127, kBlue},    {639, 127, kYellow}};
  for (const Probe& probe : probes) {
    EXPECT_TRUE(CloseTo(lossy.At(probe.x, probe.y), probe.colour, 24))
        << probe.x << ", " << probe.y << ": " << std::hex << lossy.At(probe.x, probe.y);
  }
}

TEST_F(ImageFiles, EmptyMissingAndNullPathsFail) {
  TempFile empty(Bytes{});
  CImage image;
  EXPECT_FALSE(image.LoadFromFile(empty.Path()));
  ExpectEmpty(image);
  EXPECT_FALSE(image.LoadFromFile(FixturePath("no_such_picture.jpg").c_str()));
  ExpectEmpty(image);
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  ExpectEmpty(image);

  // A null path changes nothing: a loaded image stays loaded.
  ASSERT_TRUE(image.LoadFromFile(FixturePath("dqt_first_32x16.jpg").c_str()));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  const Dimensions size = DimensionsOf(image);
  EXPECT_EQ(size.width, 32);
  EXPECT_EQ(size.height, 16);
}

TEST_F(ImageFiles, FailedLoadOrResetEmptiesLoadedImage) {
  CImage image;
  for (const char* failing : {"no_such_picture.jpg", "exif_32x16.jpg"}) {
    ASSERT_TRUE(image.LoadFromFile(FixturePath("jfif_640x128.jpg").c_str()));
    EXPECT_FALSE(image.LoadFromFile(FixturePath(failing).c_str())) << failing;
    ExpectEmpty(image);
  }
  ASSERT_TRUE(image.LoadFromFile(FixturePath("bitmap24_16x8.bmp").c_str()));
  EXPECT_TRUE(image.Reset());
  ExpectEmpty(image);
  // A file that is too short for any signature test.
  TempFile shortJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I'});
  ASSERT_TRUE(image.LoadFromFile(FixturePath("bitmap24_16x8.bmp").c_str()));
  EXPECT_FALSE(image.LoadFromFile(shortJpeg.Path()));
  ExpectEmpty(image);
}

TEST_F(ImageFiles, ReadFileToGlobalCopiesWholeFile) {
  const std::string path = FixturePath("bitmap8_32x8.bmp");
  const Bytes expected = ReadWholeFile(path);
  ASSERT_FALSE(expected.empty());
  CImage image;
  HGLOBAL memory = nullptr;
  ASSERT_TRUE(image.ReadFileToGlobal(path.c_str(), &memory));
  fw::UniqueGlobal block(memory);
  ASSERT_EQ(GlobalSize(block.Get()), expected.size());
  {
    fw::GlobalLock bytes(block.Get());
    ASSERT_TRUE(bytes);
    const uint8_t* data = static_cast<const uint8_t*>(bytes.Get());
    EXPECT_EQ(Bytes(data, data + expected.size()), expected);
  }

  HGLOBAL untouched = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0xDEADBEEF));
  TempFile empty(Bytes{});
  EXPECT_FALSE(image.ReadFileToGlobal(empty.Path(), &untouched));
  EXPECT_FALSE(image.ReadFileToGlobal(FixturePath("no_such_file").c_str(), &untouched));
  EXPECT_FALSE(image.ReadFileToGlobal(nullptr, &untouched));
  EXPECT_EQ(untouched, reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0xDEADBEEF)));
  EXPECT_FALSE(image.ReadFileToGlobal(path.c_str(), nullptr));

  ComPtr<IPicture> picture;
  EXPECT_FALSE(image.LoadPictureFromGlobal(nullptr, &picture));
  EXPECT_EQ(picture, nullptr);
}

// Raw captures ---------------------------------------------------------------

constexpr int32_t kSubQcif = 2;  // 128 x 96
constexpr int32_t kQcif = 4;     // 176 x 144
constexpr size_t kQcifRgb565Bytes = 176 * 144 * 2;

// A raw RGB 565 picture in which every pixel has the same two bytes.
Bytes FilledRaw(size_t pixels, const Bytes& pixel) {
  Bytes raw;
  raw.reserve(pixels * pixel.size());
  for (size_t i = 0; i < pixels; ++i)
    raw.insert(raw.end(), pixel.begin(), pixel.end());
  return raw;
}

// The colour that an RGB 565 word becomes, from the literal formula.
uint32_t Rgb565Colour(uint8_t b0, uint8_t b1) {
  const int red = b0 >> 3, green = ((b0 & 7) << 3) | (b1 >> 5), blue = b1 & 31;
  const auto scale = [](int value, int maximum) {
    return static_cast<uint32_t>(static_cast<double>(value) / maximum * 255);
  };
  return scale(red, 31) << 16 | scale(green, 63) << 8 | scale(blue, 31);
}

// Loads raw bytes as the given format and size code.
bool LoadRaw(CRawImage& image, int32_t format, int32_t sizeCode, const Bytes& raw) {
  EXPECT_TRUE(image.SetFormatAndSize(format, sizeCode));
  TempFile file(raw);
  return image.LoadFromFile(file.Path());
}

void ExpectInfo(CRawImage& image, int32_t width, int32_t height, uint8_t bits, uint32_t fileSize) {
  ImageInfo info = {};
  ASSERT_TRUE(image.GetImageInfo(&info));
  EXPECT_EQ(info.width, width);
  EXPECT_EQ(info.height, height);
  EXPECT_EQ(info.bitsPerPixel, bits);
  EXPECT_EQ(info.planes, 1);
  EXPECT_EQ(info.fileSize, fileSize);
}

TEST(RawImage, NewImageIsRgb444WithoutSize) {
  CRawImage image;
  ExpectInfo(image, 0, 0, 12, 0);
  const Dimensions size = DimensionsOf(image);
  EXPECT_EQ(size.width, 0);
  EXPECT_EQ(size.height, 0);
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
}

TEST(RawImage, UniformPicturesHaveTheirColourEverywhere) {
  struct Case {
    int32_t format;
    Bytes pixel;
    uint32_t colour;
  };
  const Case cases[] = {
      {32, {0xF8, 0x00}, kRed},
      {32, {0x07, 0xE0}, kGreen},
      {32, {0x00, 0x1F}, kBlue},
      {32, {0x1F, 0x00}, 0x18E200},  // a little-endian red, read most significant byte first
      {512, {0x10, 0x20, 0x30}, 0x102030},
  };
  for (const Case& c : cases) {
    CRawImage image;
    ASSERT_TRUE(LoadRaw(image, c.format, kSubQcif, FilledRaw(128 * 96, c.pixel)));
    const Pixels pixels = DrawAndRead(image);
    ASSERT_EQ(pixels.width, 128);
    ASSERT_EQ(pixels.height, 96);
    for (int y = 0; y < 96; ++y) {
      for (int x = 0; x < 128; ++x) {
        ASSERT_EQ(pixels.At(x, y), c.colour)
            << std::hex << "format " << c.format << " at " << x << ", " << y;
      }
    }
  }
}

TEST(RawImage, EveryPixelStandsUprightWithItsColour) {
  // Each pixel of a QCIF picture gets its own RGB 565 word, so a flipped,
  // shifted or scaled drawing shows.
  Bytes raw(kQcifRgb565Bytes);
  for (size_t i = 0; i < 176 * 144; ++i) {
    const uint32_t word = static_cast<uint32_t>(i * 40503u) & 0xFFFF;
    raw[2 * i] = static_cast<uint8_t>(word >> 8);
    raw[2 * i + 1] = static_cast<uint8_t>(word);
  }
  CRawImage image;
  ASSERT_TRUE(LoadRaw(image, 32, kQcif, raw));
  const Pixels pixels = DrawAndRead(image);
  ASSERT_EQ(pixels.width, 176);
  ASSERT_EQ(pixels.height, 144);
  for (int y = 0; y < 144; ++y) {
    for (int x = 0; x < 176; ++x) {
      const size_t i = static_cast<size_t>(y) * 176 + x;
      ASSERT_EQ(pixels.At(x, y), Rgb565Colour(raw[2 * i], raw[2 * i + 1]))
          << std::hex << "at " << std::dec << x << ", " << y;
    }
  }
}

TEST(RawImage, FileMustHoldThePictureAndExtraBytesAreIgnored) {
  const Bytes exact = FilledRaw(176 * 144, {0x07, 0xE0});
  ASSERT_EQ(exact.size(), 50688u);

  CRawImage fromExact;
  ASSERT_TRUE(LoadRaw(fromExact, 32, kQcif, exact));
  ExpectInfo(fromExact, 176, 144, 16, 50688);

  CRawImage oneShort;
  EXPECT_FALSE(LoadRaw(oneShort, 32, kQcif, Bytes(exact.begin(), exact.end() - 1)));
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(oneShort.CreateBitmap(&bitmap));

  Bytes longer = exact;
  longer.insert(longer.end(), 100, 0xFF);
  CRawImage fromLonger;
  ASSERT_TRUE(LoadRaw(fromLonger, 32, kQcif, longer));
  ExpectInfo(fromLonger, 176, 144, 16, 50788);
  const Pixels a = DrawAndRead(fromExact);
  const Pixels b = DrawAndRead(fromLonger);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_EQ(b.At(175, 143), kGreen);
}

TEST(RawImage, FormatsWithoutConversionFailToLoad) {
  struct Case {
    int32_t format;
    uint8_t bits;
  };
  const Case cases[] = {{16, 12}, {64, 4}, {128, 6}, {256, 8}, {1024, 24}};
  const Bytes raw(176 * 144 * 3, 0x5A);  // long enough for any of them
  for (const Case& c : cases) {
    CRawImage image;
    EXPECT_FALSE(LoadRaw(image, c.format, kQcif, raw)) << c.format;
    ExpectInfo(image, 176, 144, c.bits, 0);
    HBITMAP bitmap = nullptr;
    EXPECT_FALSE(image.CreateBitmap(&bitmap)) << c.format;
  }
}

TEST(RawImage, RejectedCodesChangeNothing) {
  CRawImage image;
  EXPECT_FALSE(image.SetFormatAndSize(512, 128));
  ExpectInfo(image, 0, 0, 12, 0);
  TempFile file(Bytes(640 * 480 * 3, 1));
  EXPECT_FALSE(image.LoadFromFile(file.Path()));

  ASSERT_TRUE(image.SetFormatAndSize(512, kQcif));
  for (auto [format, size] : {std::pair<int32_t, int32_t>{32, 128},
                              {32, 0},
                              {4, kQcif},
                              {2048, kQcif},
                              {0, kQcif},
                              {32, 3}}) {
    EXPECT_FALSE(image.SetFormatAndSize(format, size)) << format << " " << size;
    ExpectInfo(image, 176, 144, 24, 0);
  }
  // Every camera size is accepted with its dimensions.
  const int32_t sizes[][3] = {{1, 80, 96},    {2, 128, 96},   {4, 176, 144}, {8, 352, 288},
                              {16, 160, 120}, {32, 320, 240}, {64, 640, 480}};
  for (const auto& size : sizes) {
    ASSERT_TRUE(image.SetFormatAndSize(32, size[0]));
    const Dimensions d = DimensionsOf(image);
    EXPECT_EQ(d.width, size[1]) << size[0];
    EXPECT_EQ(d.height, size[2]) << size[0];
  }
}

TEST(RawImage, FailedLoadKeepsEarlierPictureAndResetDropsIt) {
  CRawImage image;
  ASSERT_TRUE(LoadRaw(image, 32, kQcif, FilledRaw(176 * 144, {0x00, 0x1F})));
  EXPECT_FALSE(LoadRaw(image, 32, kQcif, FilledRaw(176 * 144 - 1, {0xF8, 0x00})));
  EXPECT_FALSE(image.LoadFromFile(FixturePath("no_such_capture.raw").c_str()));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  const Pixels still = DrawAndRead(image);
  ASSERT_EQ(still.width, 176);
  EXPECT_EQ(still.At(10, 10), kBlue);
  ExpectInfo(image, 176, 144, 16, static_cast<uint32_t>(kQcifRgb565Bytes));

  EXPECT_TRUE(image.Reset());
  ExpectInfo(image, 0, 0, 12, 0);
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
}

TEST(RawImage, LargestPictureConvertsThroughBasePointer) {
  Bytes raw(640 * 480 * 3);
  for (size_t i = 0; i < raw.size(); i += 3) {
    const size_t pixel = i / 3, x = pixel % 640, y = pixel / 640;
    raw[i] = static_cast<uint8_t>(x);      // red follows the column
    raw[i + 1] = static_cast<uint8_t>(y);  // green the row
    raw[i + 2] = 0x80;
  }
  auto raw888 = std::make_unique<CRawImage>();
  ASSERT_TRUE(LoadRaw(*raw888, 512, 64, raw));
  std::unique_ptr<CImageBase> image = std::move(raw888);
  const Pixels pixels = DrawAndRead(*image);
  ASSERT_EQ(pixels.width, 640);
  ASSERT_EQ(pixels.height, 480);
  for (int y = 0; y < 480; y += 7) {
    for (int x = 0; x < 640; x += 5) {
      ASSERT_EQ(pixels.At(x, y), static_cast<uint32_t>((x & 255) << 16 | (y & 255) << 8 | 0x80))
          << x << ", " << y;
    }
  }
}

// Drawing through a picture that paints only a small patch: what the
// picture leaves untouched shows the white background, and the recorded
// Render call shows the source rectangle.
class PatchPicture : public IPicture {
 public:
  // IUnknown: lives on the test's stack.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IPicture) {
      *object = static_cast<IPicture*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) override {
    *width = 1000;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) override {
    *height = 500;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                                   OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc,
                                   OLE_YSIZE_HIMETRIC cySrc, LPCRECT bounds) override {
    renders.push_back({x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc, bounds != nullptr});
    const RECT patch = {3, 2, 7, 5};
    fw::UniqueBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    FillRect(dc, &patch, black.Get());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Type(SHORT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CurDC(HDC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Attributes(DWORD*) override { return E_NOTIMPL; }

  struct RenderCall {
    LONG x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc;
    bool bounds;
  };
  std::vector<RenderCall> renders;
};

TEST(DrawPicture, PictureIsRenderedUprightOverWhite) {
  PatchPicture picture;
  HBITMAP bitmap = nullptr;
  ASSERT_TRUE(DrawPictureOnWhite(&picture, 10, 8, &bitmap));
  const Pixels pixels = ReadBitmap(bitmap);
  EXPECT_TRUE(DeleteObject(bitmap)) << "the bitmap is handed over deselected";
  ASSERT_EQ(pixels.width, 10);
  ASSERT_EQ(pixels.height, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool patch = x >= 3 && x < 7 && y >= 2 && y < 5;
      ASSERT_EQ(pixels.At(x, y), patch ? 0u : 0xFFFFFFu) << x << ", " << y;
    }
  }
  // The whole bitmap, from the bottom edge of the picture upward.
  ASSERT_EQ(picture.renders.size(), 1u);
  const PatchPicture::RenderCall& call = picture.renders[0];
  EXPECT_EQ(call.x, 0);
  EXPECT_EQ(call.y, 0);
  EXPECT_EQ(call.cx, 10);
  EXPECT_EQ(call.cy, 8);
  EXPECT_EQ(call.xSrc, 0);
  EXPECT_EQ(call.ySrc, 500);
  EXPECT_EQ(call.cxSrc, 1000);
  EXPECT_EQ(call.cySrc, -500);
  EXPECT_FALSE(call.bounds);

  EXPECT_FALSE(DrawPictureOnWhite(nullptr, 10, 8, &bitmap));
  EXPECT_FALSE(DrawPictureOnWhite(&picture, 10, 8, nullptr));
}

}  // namespace
