#include "tools/simulator/pictures.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>

#include "framework/handles.h"

namespace sim {

namespace {

using Microsoft::WRL::ComPtr;

struct SizeEntry {
  long code;
  int width;
  int height;
  bool raw;
};

// The raw sizes are those the control converts; the larger ones come only
// as JPEG or bitmap files.
const SizeEntry kSizes[] = {
    {0x0001, 80, 96, true},     {0x0002, 128, 96, true},    {0x0004, 176, 144, true},
    {0x0008, 352, 288, true},   {0x0010, 160, 120, true},   {0x0020, 320, 240, true},
    {0x0040, 640, 480, true},   {0x0080, 1152, 864, false}, {0x0100, 1280, 1024, false},
    {0x0200, 1024, 768, false}, {0x0400, 800, 600, false},  {0x0800, 1600, 1200, false},
    {0x1000, 64, 48, false},
};

bool Dimensions(long code, bool rawOnly, int* width, int* height) {
  for (const auto& size : kSizes) {
    if (size.code != code || (rawOnly && !size.raw)) continue;
    *width = size.width;
    *height = size.height;
    return true;
  }
  return false;
}

BYTE Clamp(int value) {
  return static_cast<BYTE>(std::min(255, std::max(0, value)));
}

// The classic eight bars: white, yellow, cyan, green, magenta, red, blue,
// black.
Rgb ColourBar(int x, int width) {
  static const Rgb bars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                              {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  return bars[std::min(7, x * 8 / std::max(1, width))];
}

// Sky above a horizon, grass below, a sun in the upper right.
Rgb Scene(int x, int y, int width, int height, int light) {
  Rgb pixel;
  int horizon = height * 3 / 5;
  if (y < horizon) {
    int shade = y * 80 / std::max(1, horizon);
    pixel = {Clamp(90 + shade), Clamp(150 + shade), 235};
    int dx = x - width * 3 / 4, dy = y - height / 5, radius = height / 8 + 1;
    if (dx * dx + dy * dy < radius * radius) pixel = {255, 230, 120};
  } else {
    int shade = (y - horizon) * 60 / std::max(1, height - horizon);
    pixel = {Clamp(60 + shade), Clamp(140 - shade / 2), 50};
  }
  return {Clamp(pixel.r + light), Clamp(pixel.g + light), Clamp(pixel.b + light)};
}

}  // namespace

bool RawDimensions(long sizeCode, int* width, int* height) {
  return Dimensions(sizeCode, true, width, height);
}

bool EncodedDimensions(long sizeCode, int* width, int* height) {
  return Dimensions(sizeCode, false, width, height);
}

Picture Render(int width, int height, const Registers& registers) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  BYTE testSelection = registers[28];
  bool test = (testSelection & 4) != 0;
  int pattern = testSelection & 3;
  unsigned word = (unsigned{registers[29]} << 8) | registers[30];
  Rgb specific = {static_cast<BYTE>(((word >> 11) & 31) * 255 / 31),
                  static_cast<BYTE>(((word >> 5) & 63) * 255 / 63),
                  static_cast<BYTE>((word & 31) * 255 / 31)};
  int light = (registers[17] - 128) / 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb pixel;
      if (!test) {
        pixel = Scene(x, y, width, height, light);
      } else if (pattern == 0) {
        pixel = ColourBar(x, width);
      } else if (pattern == 1) {
        BYTE grey = static_cast<BYTE>(x * 255 / std::max(1, width - 1));
        pixel = {grey, grey, grey};
      } else if (pattern == 2) {
        pixel = {static_cast<BYTE>(x * 255 / std::max(1, width - 1)),
                 static_cast<BYTE>(y * 255 / std::max(1, height - 1)), 128};
      } else {
        pixel = specific;
      }
      picture.pixels[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return picture;
}

std::string EncodeRgb565(const Picture& picture) {
  std::string bytes;
  bytes.reserve(picture.pixels.size() * 2);
  for (const Rgb& pixel : picture.pixels) {
    unsigned word = ((pixel.r >> 3) << 11) | ((pixel.g >> 2) << 5) | (pixel.b >> 3);
    bytes.push_back(static_cast<char>(word >> 8));
    bytes.push_back(static_cast<char>(word & 0xFF));
  }
  return bytes;
}

std::string EncodeRgb888(const Picture& picture) {
  std::string bytes;
  bytes.reserve(picture.pixels.size() * 3);
  for (const Rgb& pixel : picture.pixels) {
    bytes.push_back(static_cast<char>(pixel.r));
    bytes.push_back(static_cast<char>(pixel.g));
    bytes.push_back(static_cast<char>(pixel.b));
  }
  return bytes;
}

std::string EncodeBitmapFile(const Picture& picture) {
  DWORD stride = (static_cast<DWORD>(picture.width) * 3 + 3) & ~3u;
  DWORD pixelBytes = stride * static_cast<DWORD>(picture.height);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + pixelBytes;
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = picture.height;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biXPelsPerMeter = info.biYPelsPerMeter = 2835;
  std::string bytes(file.bfSize, '\0');
  memcpy(&bytes[0], &file, sizeof file);
  memcpy(&bytes[sizeof file], &info, sizeof info);
  for (int y = 0; y < picture.height; ++y) {
    char* row = &bytes[file.bfOffBits + stride * static_cast<DWORD>(picture.height - 1 - y)];
    for (int x = 0; x < picture.width; ++x) {
      const Rgb& pixel = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      row[x * 3] = static_cast<char>(pixel.b);
      row[x * 3 + 1] = static_cast<char>(pixel.g);
      row[x * 3 + 2] = static_cast<char>(pixel.r);
    }
  }
  return bytes;
}

bool EncodeJpegFile(const Picture& picture, std::string* bytes) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))))
    return false;
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return false;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(&frame, &options)) ||
      FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height))))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
    return false;
  UINT stride = static_cast<UINT>(picture.width) * 3;
  std::vector<BYTE> rows(static_cast<size_t>(stride) * static_cast<size_t>(picture.height));
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    rows[i * 3] = picture.pixels[i].b;
    rows[i * 3 + 1] = picture.pixels[i].g;
    rows[i * 3 + 2] = picture.pixels[i].r;
  }
  if (FAILED(frame->WritePixels(static_cast<UINT>(picture.height), stride,
                                static_cast<UINT>(rows.size()), rows.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return false;

  HGLOBAL memory = nullptr;  // still owned by the stream
  STATSTG stat{};
  if (FAILED(GetHGlobalFromStream(stream.Get(), &memory)) ||
      FAILED(stream->Stat(&stat, STATFLAG_NONAME)))
    return false;
  fw::GlobalLock locked(memory);
  if (!locked) return false;
  bytes->assign(static_cast<const char*>(locked.Get()), static_cast<size_t>(stat.cbSize.QuadPart));
  return !bytes->empty();
}

HRESULT WriteBytes(const wchar_t* path, const std::string& bytes) {
  if (!path || !*path) return E_INVALIDARG;
  fw::UniqueFile file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

}  // namespace sim
