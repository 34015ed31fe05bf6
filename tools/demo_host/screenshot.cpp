#include "tools/demo_host/screenshot.h"

#include <wincodec.h>

#include <vector>

#include "framework/com_object.h"
#include "framework/handles.h"

namespace {

// The window's pixels as top-down 32-bit BGRA rows.
bool CaptureWindow(HWND window, std::vector<BYTE>& pixels, int& width, int& height) {
  RECT rect;
  GetWindowRect(window, &rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC source = GetWindowDC(window);
  if (!source) return false;
  struct Release {
    HWND w;
    HDC dc;
    ~Release() { ReleaseDC(w, dc); }
  } release{window, source};
  fw::UniqueMemoryDC memory(CreateCompatibleDC(source));
  fw::UniqueBitmap bitmap(CreateCompatibleBitmap(source, width, height));
  if (!memory || !bitmap) return false;
  {
    fw::SelectedObject select(memory.Get(), bitmap.Get());
    // The window's surface holds what it and its children last painted.
    BitBlt(memory.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
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

}  // namespace

bool SaveWindowPng(HWND window, const wchar_t* path) {
  std::vector<BYTE> pixels;
  int width = 0;
  int height = 0;
  if (!CaptureWindow(window, pixels, width, height)) return false;

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
  return SUCCEEDED(frame->WritePixels(height, stride, stride * height, pixels.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}
