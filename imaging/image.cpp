#include "imaging/image.h"

#include "framework/handles.h"
#include "imaging/image_signature.h"

bool CImage::GetDimensions(int32_t* width, int32_t* height) {
  if (!picture || !width || !height) return false;
  *width = this->width;
  *height = this->height;
  return true;
}

bool CImage::CreateBitmap(HBITMAP* bitmap) {
  if (!picture) return false;
  return DrawPictureOnWhite(picture.Get(), width, height, bitmap);
}

bool CImage::GetImageInfo(ImageInfo* info) {
  if (!picture || !info) return false;
  info->width = width;
  info->height = height;
  info->bitsPerPixel = bitsPerPixel;
  info->planes = 1;
  info->fileSize = fileSize;
  return true;
}

bool CImage::LoadFromFile(const char* path) {
  if (!path) return false;
  // From here on a failure leaves the image without a picture.
  picture.Reset();

  HGLOBAL memory = nullptr;
  if (!ReadFileToGlobal(path, &memory)) return false;
  fw::UniqueGlobal block(memory);
  fileSize = static_cast<uint32_t>(GlobalSize(block.Get()));
  {
    fw::GlobalLock bytes(block.Get());
    if (!bytes) return false;
    const ImageSignature signature =
        RecognizeImageSignature(static_cast<const uint8_t*>(bytes.Get()), fileSize);
    if (signature.type == ImageFileType::Unknown) return false;
    bitsPerPixel = signature.bitsPerPixel;
  }
  if (!LoadPictureFromGlobal(block.Get(), picture.ReleaseAndGetAddressOf())) {
    picture.Reset();
    return false;
  }
  block.Reset();  // the picture keeps its own copy of the data

  OLE_XSIZE_HIMETRIC himetricWidth = 0;
  OLE_YSIZE_HIMETRIC himetricHeight = 0;
  picture->get_Width(&himetricWidth);
  picture->get_Height(&himetricHeight);
  fw::WindowDC screen(nullptr);
  width = HimetricToPixels(himetricWidth, GetDeviceCaps(screen.Get(), LOGPIXELSX));
  height = HimetricToPixels(himetricHeight, GetDeviceCaps(screen.Get(), LOGPIXELSY));
  return true;
}

bool CImage::Reset() {
  picture.Reset();
  width = 0;
  height = 0;
  fileSize = 0;
  bitsPerPixel = 0;
  return true;
}
