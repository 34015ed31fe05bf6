// Picture files (CImage) and raw camera captures (CRawImage): recognition,
// sizes, failures, and the pixels of the bitmaps they draw, read back with
// GetDIBits.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "framework/handles.h"
#include "imaging/image.h"
#include "imaging/image_signature.h"
#include "imaging/raw_image.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Microsoft::WRL::ComPtr;

// Colours as 0xRRGGBB.
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

// The committed fixtures, reached through Wine's Z: drive.
std::string FixturePath(const char* name) {
  std::string path = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/" + name;
  for (char& c : path)
    c = c == '/' ? '\\' : c;
  return path;
}

uint32_t FileSize(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return static_cast<uint32_t>(std::distance(std::istreambuf_iterator<char>(file), {}));
}

// A file in the temp folder holding the given bytes, deleted at the end.
class TempFile {
 public:
  explicit TempFile(const Bytes& bytes) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    EXPECT_NE(GetTempFileNameA(folder, "kvr", 0, path), 0u);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { DeleteFileA(path); }
  const char* Path() const { return path; }

 private:
  char path[MAX_PATH] = {};
};

// What GetDimensions and GetImageInfo report; -1 where the call failed.
using Size = std::pair<int32_t, int32_t>;
using Info = std::tuple<int32_t, int32_t, int, int32_t, uint32_t>;  // w, h, bits, planes, bytes

Size SizeOf(CImageBase& image) {
  Size size{-1, -1};
  return image.GetDimensions(&size.first, &size.second) ? size : Size{-1, -1};
}

Info InfoOf(CImageBase& image) {
  ImageInfo i = {};
  if (!image.GetImageInfo(&i)) return Info{-1, -1, -1, -1, 0};
  return Info{i.width, i.height, i.bitsPerPixel, i.planes, i.fileSize};
}

// A bitmap's pixels, read back top row first as 0xRRGGBB.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

Pixels ReadBitmap(HBITMAP bitmap) {
  BITMAP description = {};
  GetObjectA(bitmap, sizeof description, &description);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = description.bmWidth;
  info.bmiHeader.biHeight = -description.bmHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  Pixels pixels;
  pixels.width = description.bmWidth;
  pixels.height = description.bmHeight;
  pixels.rgb.resize(static_cast<size_t>(pixels.width) * pixels.height);
  fw::WindowDC screen(nullptr);
  if (GetDIBits(screen.Get(), bitmap, 0, pixels.height, pixels.rgb.data(), &info, DIB_RGB_COLORS) !=
      pixels.height) {
    return {};
  }
  return pixels;
}

// Draws the image into a bitmap and reads it back. The bitmap must be the
// caller's to delete, so not selected into any device context.
Pixels DrawAndRead(CImageBase& image) {
  HBITMAP bitmap = nullptr;
  EXPECT_TRUE(image.CreateBitmap(&bitmap));
  if (!bitmap) return {};
  Pixels pixels = ReadBitmap(bitmap);
  EXPECT_TRUE(DeleteObject(bitmap)) << "the bitmap is handed over deselected";
  return pixels;
}

// Compares every pixel with the expected colour; reports the first miss.
void ExpectPixels(const Pixels& pixels, int width, int height,
                  const std::function<uint32_t(int x, int y)>& expected) {
  ASSERT_EQ(pixels.width, width);
  ASSERT_EQ(pixels.height, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(pixels.At(x, y), expected(x, y)) << std::hex << "at " << std::dec << x << ", " << y;
    }
  }
}

bool CloseTo(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (abs(static_cast<int>((actual >> shift) & 255) -
            static_cast<int>((expected >> shift) & 255)) > tolerance) {
      return false;
    }
  }
  return true;
}

void ExpectEmpty(CImage& image) {
  HBITMAP bitmap = nullptr;
  EXPECT_EQ(SizeOf(image), Size(-1, -1));
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
  EXPECT_EQ(InfoOf(image), Info(-1, -1, -1, -1, 0));
}

class ImageFiles : public testing::Test {
 protected:
  void SetUp() override {
    fw::WindowDC screen(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSX), 96) << "tests expect a 96 dpi screen";
    ASSERT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSY), 96);
  }
};

TEST_F(ImageFiles, JpegFilesLoadAtTheirScreenSize) {
  const std::string jfif = FixturePath("jfif_640x128.jpg");
  CImage image;
  ASSERT_TRUE(image.LoadFromFile(jfif.c_str()));
  EXPECT_EQ(SizeOf(image), Size(640, 128));
  EXPECT_EQ(InfoOf(image), Info(640, 128, 24, 1, FileSize(jfif)));

  // The loader measures the picture in HIMETRIC units, which round back to
  // whole pixels at 96 per inch.
  HGLOBAL memory = nullptr;
  ASSERT_TRUE(image.ReadFileToGlobal(jfif.c_str(), &memory));
  fw::UniqueGlobal block(memory);
  ComPtr<IPicture> picture;
  ASSERT_TRUE(image.LoadPictureFromGlobal(block.Get(), &picture));
  OLE_XSIZE_HIMETRIC himetricWidth = 0;
  OLE_YSIZE_HIMETRIC himetricHeight = 0;
  ASSERT_EQ(picture->get_Width(&himetricWidth), S_OK);
  ASSERT_EQ(picture->get_Height(&himetricHeight), S_OK);
  EXPECT_EQ(HimetricToPixels(himetricWidth, 96), 640) << himetricWidth;
  EXPECT_EQ(HimetricToPixels(himetricHeight, 96), 128) << himetricHeight;

  // A JPEG that opens directly with its quantisation table (FF D8 FF DB).
  const std::string dqt = FixturePath("dqt_first_32x16.jpg");
  ASSERT_TRUE(image.LoadFromFile(dqt.c_str()));
  EXPECT_EQ(InfoOf(image), Info(32, 16, 24, 1, FileSize(dqt)));
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
  const std::tuple<const char*, int, int32_t> fixtures[] = {
      {"bitmap1_16x8.bmp", 1, 16},   {"bitmap4_16x8.bmp", 4, 16},   {"bitmap8_32x8.bmp", 8, 32},
      {"bitmap16_16x8.bmp", 16, 16}, {"bitmap24_16x8.bmp", 24, 16}, {"bitmap32_16x8.bmp", 32, 16},
  };
  for (auto [name, bits, width] : fixtures) {
    const std::string path = FixturePath(name);
    CImage image;
    ASSERT_TRUE(image.LoadFromFile(path.c_str())) << name;
    EXPECT_EQ(InfoOf(image), Info(width, 8, bits, 1, FileSize(path))) << name;
  }
}

TEST_F(ImageFiles, PicturesAreDrawnUpright) {
  // Red top left, green top right, blue bottom left, yellow bottom right.
  CImage bitmap;
  ASSERT_TRUE(bitmap.LoadFromFile(FixturePath("bitmap24_16x8.bmp").c_str()));
  ExpectPixels(DrawAndRead(bitmap), 16, 8, [](int x, int y) {
    return y < 4 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kYellow);
  });

  // The JPEG is lossy: compare inside the quarters and at the corners,
  // which a shifted or shrunk drawing would miss.
  CImage jpeg;
  ASSERT_TRUE(jpeg.LoadFromFile(FixturePath("jfif_640x128.jpg").c_str()));
  const Pixels lossy = DrawAndRead(jpeg);
  ASSERT_EQ(lossy.width, 640);
  ASSERT_EQ(lossy.height, 128);
  const std::tuple<int, int, uint32_t> probes[] = {
      {160, 32, kRed}, {480, 32, kGreen}, {160, 96, kBlue}, {480, 96, kYellow},
      {0, 0, kRed},    {639, 0, kGreen},  {0, 127, kBlue},  {639, 127, kYellow}};
  for (auto [x, y, colour] : probes) {
    EXPECT_TRUE(CloseTo(lossy.At(x, y), colour, 24))
        << x << ", " << y << ": " << std::hex << lossy.At(x, y);
  }
}

TEST_F(ImageFiles, FailedLoadsLeaveImageEmptyButNullPathChangesNothing) {
  TempFile empty(Bytes{});
  TempFile tooShortForJfif(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I'});
  const std::string failing[] = {empty.Path(), tooShortForJfif.Path(),
                                 FixturePath("no_such_picture.jpg"), FixturePath("exif_32x16.jpg")};
  CImage image;
  for (const std::string& path : failing) {
    ASSERT_TRUE(image.LoadFromFile(FixturePath("jfif_640x128.jpg").c_str()));
    EXPECT_FALSE(image.LoadFromFile(path.c_str())) << path;
    ExpectEmpty(image);
  }
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  ExpectEmpty(image);

  ASSERT_TRUE(image.LoadFromFile(FixturePath("dqt_first_32x16.jpg").c_str()));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  EXPECT_EQ(SizeOf(image), Size(32, 16));
  EXPECT_TRUE(image.Reset());
  ExpectEmpty(image);
}

TEST_F(ImageFiles, ReadFileToGlobalCopiesWholeFile) {
  const std::string path = FixturePath("bitmap8_32x8.bmp");
  std::ifstream file(path, std::ios::binary);
  const Bytes expected{std::istreambuf_iterator<char>(file), {}};
  ASSERT_FALSE(expected.empty());
  CImage image;
  HGLOBAL memory = nullptr;
  ASSERT_TRUE(image.ReadFileToGlobal(path.c_str(), &memory));
  fw::UniqueGlobal block(memory);
  ASSERT_EQ(GlobalSize(block.Get()), expected.size());
  fw::GlobalLock bytes(block.Get());
  ASSERT_TRUE(bytes);
  const uint8_t* data = static_cast<const uint8_t*>(bytes.Get());
  EXPECT_EQ(Bytes(data, data + expected.size()), expected);

  const HGLOBAL preset = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0xDEADBEEF));
  HGLOBAL untouched = preset;
  TempFile empty(Bytes{});
  EXPECT_FALSE(image.ReadFileToGlobal(empty.Path(), &untouched));
  EXPECT_FALSE(image.ReadFileToGlobal(FixturePath("no_such_file").c_str(), &untouched));
  EXPECT_FALSE(image.ReadFileToGlobal(nullptr, &untouched));
  EXPECT_EQ(untouched, preset);
  EXPECT_FALSE(image.ReadFileToGlobal(path.c_str(), nullptr));
  ComPtr<IPicture> picture;
  EXPECT_FALSE(image.LoadPictureFromGlobal(nullptr, &picture));
}

// Raw captures ---------------------------------------------------------------

constexpr int32_t kSubQcif = 2;  // 128 x 96
constexpr int32_t kQcif = 4;     // 176 x 144
constexpr uint32_t kQcifRgb565Bytes = 176 * 144 * 2;

// A raw picture in which every pixel has the same bytes.
Bytes FilledRaw(size_t pixels, const Bytes& pixel) {
  Bytes raw;
  for (size_t i = 0; i < pixels; ++i)
    raw.insert(raw.end(), pixel.begin(), pixel.end());
  return raw;
}

// The colour that an RGB 565 word becomes, from the literal formula.
uint32_t Rgb565Colour(uint8_t b0, uint8_t b1) {
  const auto scale = [](int value, int maximum) {
    return static_cast<uint32_t>(static_cast<double>(value) / maximum * 255);
  };
  return scale(b0 >> 3, 31) << 16 | scale(((b0 & 7) << 3) | (b1 >> 5), 63) << 8 |
         scale(b1 & 31, 31);
}

bool LoadRaw(CRawImage& image, int32_t format, int32_t sizeCode, const Bytes& raw) {
  EXPECT_TRUE(image.SetFormatAndSize(format, sizeCode));
  TempFile file(raw);
  return image.LoadFromFile(file.Path());
}

TEST(RawImage, NewImageIsRgb444WithoutSizeOrPicture) {
  CRawImage image;
  EXPECT_EQ(InfoOf(image), Info(0, 0, 12, 1, 0));
  EXPECT_EQ(SizeOf(image), Size(0, 0));
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
}

TEST(RawImage, UniformPicturesHaveTheirColourEverywhere) {
  const std::tuple<int32_t, Bytes, uint32_t> cases[] = {
      {32, {0xF8, 0x00}, kRed},
      {32, {0x07, 0xE0}, kGreen},
      {32, {0x00, 0x1F}, kBlue},
      {32, {0x1F, 0x00}, 0x18E200},  // a little-endian red, read most significant byte first
      {512, {0x10, 0x20, 0x30}, 0x102030},
  };
  for (const auto& [format, pixel, colour] : cases) {
    SCOPED_TRACE(testing::Message() << "format " << format << ", colour " << std::hex << colour);
    CRawImage image;
    ASSERT_TRUE(LoadRaw(image, format, kSubQcif, FilledRaw(128 * 96, pixel)));
    ExpectPixels(DrawAndRead(image), 128, 96, [colour = colour](int, int) { return colour; });
  }
}

TEST(RawImage, EveryPixelStandsUprightWithItsColour) {
  // Each pixel gets its own RGB 565 word, so a flipped, shifted or scaled
  // drawing shows.
  Bytes raw(kQcifRgb565Bytes);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<uint8_t>((i / 2) * 40503u >> (i % 2 ? 0 : 8));
  CRawImage image;
  ASSERT_TRUE(LoadRaw(image, 32, kQcif, raw));
  ExpectPixels(DrawAndRead(image), 176, 144, [&raw](int x, int y) {
    const size_t i = static_cast<size_t>(y) * 176 + x;
    return Rgb565Colour(raw[2 * i], raw[2 * i + 1]);
  });
}

TEST(RawImage, FileMustHoldThePictureAndExtraBytesAreIgnored) {
  const Bytes exact = FilledRaw(176 * 144, {0x07, 0xE0});
  ASSERT_EQ(exact.size(), 50688u);
  CRawImage fromExact;
  ASSERT_TRUE(LoadRaw(fromExact, 32, kQcif, exact));
  EXPECT_EQ(InfoOf(fromExact), Info(176, 144, 16, 1, 50688));

  CRawImage oneShort;
  EXPECT_FALSE(LoadRaw(oneShort, 32, kQcif, Bytes(exact.begin(), exact.end() - 1)));
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(oneShort.CreateBitmap(&bitmap));

  Bytes longer = exact;
  longer.insert(longer.end(), 100, 0xFF);
  CRawImage fromLonger;
  ASSERT_TRUE(LoadRaw(fromLonger, 32, kQcif, longer));
  EXPECT_EQ(InfoOf(fromLonger), Info(176, 144, 16, 1, 50788));
  ExpectPixels(DrawAndRead(fromLonger), 176, 144, [](int, int) { return kGreen; });
}

TEST(RawImage, FormatsWithoutConversionFailToLoad) {
  const Bytes raw(176 * 144 * 3, 0x5A);  // long enough for any of them
  for (auto [format, bits] :
       {std::pair<int32_t, int>{16, 12}, {64, 4}, {128, 6}, {256, 8}, {1024, 24}}) {
    CRawImage image;
    EXPECT_FALSE(LoadRaw(image, format, kQcif, raw)) << format;
    EXPECT_EQ(InfoOf(image), Info(176, 144, bits, 1, 0));
    HBITMAP bitmap = nullptr;
    EXPECT_FALSE(image.CreateBitmap(&bitmap)) << format;
  }
}

TEST(RawImage, RejectedCodesChangeNothing) {
  CRawImage image;
  EXPECT_FALSE(image.SetFormatAndSize(512, 128));
  EXPECT_EQ(InfoOf(image), Info(0, 0, 12, 1, 0));
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
    EXPECT_EQ(InfoOf(image), Info(176, 144, 24, 1, 0));
  }
}

TEST(RawImage, FailedLoadKeepsEarlierPictureAndResetDropsIt) {
  CRawImage image;
  ASSERT_TRUE(LoadRaw(image, 32, kQcif, FilledRaw(176 * 144, {0x00, 0x1F})));
  EXPECT_FALSE(LoadRaw(image, 32, kQcif, FilledRaw(176 * 144 - 1, {0xF8, 0x00})));
  EXPECT_FALSE(image.LoadFromFile(FixturePath("no_such_capture.raw").c_str()));
  EXPECT_FALSE(image.LoadFromFile(nullptr));
  ExpectPixels(DrawAndRead(image), 176, 144, [](int, int) { return kBlue; });
  EXPECT_EQ(InfoOf(image), Info(176, 144, 16, 1, kQcifRgb565Bytes));

  EXPECT_TRUE(image.Reset());
  EXPECT_EQ(InfoOf(image), Info(0, 0, 12, 1, 0));
  HBITMAP bitmap = nullptr;
  EXPECT_FALSE(image.CreateBitmap(&bitmap));
}

// A picture of 1000 x 500 HIMETRIC that paints only a black patch and
// records how it was asked to render.
class PatchPicture : public IPicture {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) override {
    *width = 1000;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) override {
    *height = 500;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, LONG xSrc, LONG ySrc,
                                   LONG cxSrc, LONG cySrc, LPCRECT bounds) override {
    renders.push_back({x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc, bounds ? 1 : 0});
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

  std::vector<std::array<LONG, 9>> renders;
};

TEST(DrawPicture, PictureIsRenderedUprightOverWhite) {
  PatchPicture picture;
  HBITMAP bitmap = nullptr;
  ASSERT_TRUE(DrawPictureOnWhite(&picture, 10, 8, &bitmap));
  fw::UniqueBitmap owned(bitmap);
  ExpectPixels(ReadBitmap(bitmap), 10, 8,
               [](int x, int y) { return x >= 3 && x < 7 && y >= 2 && y < 5 ? 0u : 0xFFFFFFu; });
  // Over the whole bitmap, from the bottom edge of the picture upward.
  const std::vector<std::array<LONG, 9>> expected = {{0, 0, 10, 8, 0, 500, 1000, -500, 0}};
  EXPECT_EQ(picture.renders, expected);

  EXPECT_FALSE(DrawPictureOnWhite(nullptr, 10, 8, &bitmap));
  EXPECT_FALSE(DrawPictureOnWhite(&picture, 10, 8, nullptr));
}

}  // namespace
