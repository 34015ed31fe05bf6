#include "imaging/image_base.h"

#include <olectl.h>
#include <wrl/client.h>

#include <cstdio>
#include <memory>

#include "framework/handles.h"

using Microsoft::WRL::ComPtr;

namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using UniqueStdioFile = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool CImageBase::ReadFileToGlobal(const char* path, HGLOBAL* memory) {
  if (!path || !memory) return false;
  UniqueStdioFile file(fopen(path, "rb"));
  if (!file) return false;

  if (fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = ftell(file.get());
  if (size < 0 || fseek(file.get(), 0, SEEK_SET) != 0) return false;

  fw::UniqueGlobal block(GlobalAlloc(GHND, static_cast<SIZE_T>(size)));
  if (!block) return false;
  {
    // A zero-length block cannot be locked: an empty file fails here.
    fw::GlobalLock bytes(block.Get());
    if (!bytes) return false;
    const size_t read = fread(bytes.Get(), 1, static_cast<size_t>(size), file.get());
    if (read < static_cast<size_t>(size)) return false;
  }
  *memory = block.Release();
  return true;
}

bool CImageBase::LoadPictureFromGlobal(HGLOBAL memory, IPicture** picture) {
  if (!memory || !picture) return false;
  ComPtr<IStream> stream;
  // The stream does not free the block when it is released: it stays the caller's.
  if (FAILED(CreateStreamOnHGlobal(memory, FALSE, &stream))) return false;
  const HRESULT loaded = OleLoadPicture(stream.Get(), static_cast<LONG>(GlobalSize(memory)), FALSE,
                                        IID_IPicture, reinterpret_cast<void**>(picture));
  return SUCCEEDED(loaded);
}

bool DrawPictureOnWhite(IPicture* picture, int32_t width, int32_t height, HBITMAP* bitmap) {
  if (!picture || !bitmap) return false;
  fw::WindowDC screen(nullptr);
  if (!screen) return false;
  fw::UniqueMemoryDC memoryDC(CreateCompatibleDC(screen.Get()));
  if (!memoryDC) return false;
  fw::UniqueBitmap result(CreateCompatibleBitmap(screen.Get(), width, height));
  if (!result) return false;
  {
    fw::SelectedObject selected(memoryDC.Get(), result.Get());
    const RECT whole = {0, 0, width, height};
    fw::UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(memoryDC.Get(), &whole, white.Get());

    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    picture->get_Width(&himetricWidth);
    picture->get_Height(&himetricHeight);
    // The source rectangle runs from the bottom edge upward: that is how an
    // OLE picture is drawn upright. A failed render leaves the white.
    picture->Render(memoryDC.Get(), 0, 0, width, height, 0, himetricHeight, himetricWidth,
                    -himetricHeight, nullptr);
  }  // the bitmap is deselected before it is handed over
  *bitmap = result.Release();
  return true;
}
