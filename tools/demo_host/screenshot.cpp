#include "tools/demo_host/screenshot.h"

#include <wincodec.h>

#include "framework/com_object.h"
#include "framework/handles.h"

namespace {

// The windows' pixels, each copied from its own surface (which holds what
// it and its children last painted) to its place within the union of their
// rectangles, as top-down 32-bit BGRA rows.
bool Capture(const std::vector<HWND>& windows, std::vector<BYTE>& pixels, int& width, int& height) {
  RECT area = {};
  for (HWND window : windows) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    UnionRect(&area, &area, &rect);
  }
  width = area.right - area.left;
  height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;

  fw::WindowDC first(windows.front(), true);
  if (!first.Get()) return false;
  fw::UniqueMemoryDC memory(CreateCompatibleDC(first.Get()));
  fw::UniqueBitmap bitmap(CreateCompatibleBitmap(first.Get(), width, height));
  if (!memory || !bitmap) return false;
  {
    fw::SelectedObject select(memory.Get(), bitmap.Get());
    RECT all = {0, 0, width, height};
    FillRect(memory.Get(), &all, GetSysColorBrush(COLOR_DESKTOP));
    for (HWND window : windows) {
      RECT rect;
      GetWindowRect(window, &rect);
      fw::WindowDC source(window, true);
      if (!source.Get()) return false;
      BitBlt(memory.Get(), rect.left - area.left, rect.top - area.top, rect.right - rect.left,
             rect.bottom - rect.top, source.Get(), 0, 0, SRCCOPY);
    }
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  pixels.resize(static_cast<size_t>(width) * height * 4);
  return GetDIBits(memory.Get(), bitmap.Get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS) ==
         height;
}

bool SavePng(const std::vector<BYTE>& pixels, int width, int height, const wchar_t* path) {
  fw::ComPtr<IWICImagingFactory> factory;
  fw::ComPtr<IWICStream> stream;
  fw::ComPtr<IWICBitmapEncoder> encoder;
  fw::ComPtr<IWICBitmapFrameEncode> frame;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)) ||
      FAILED(frame->SetSize(width, height)))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR))
    return false;
  UINT stride = static_cast<UINT>(width) * 4;
  return SUCCEEDED(frame->WritePixels(height, stride, stride * height,
                                      const_cast<BYTE*>(pixels.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool SaveWindowPng(HWND window, const wchar_t* path) {
  return SaveWindowsPng(window, {}, path);
}

bool SaveWindowsPng(HWND window, const std::vector<HWND>& inFront, const wchar_t* path) {
  std::vector<HWND> windows{window};
  windows.insert(windows.end(), inFront.begin(), inFront.end());
  std::vector<BYTE> pixels;
  int width = 0;
  int height = 0;
  return Capture(windows, pixels, width, height) && SavePng(pixels, width, height, path);
}
