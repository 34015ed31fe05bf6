#include "imaging/raw_image.h"

#include "framework/handles.h"
#include "imaging/raw_pixels.h"

bool CRawImage::SetFormatAndSize(int32_t format, int32_t sizeCode) {
  uint8_t bitsPerPixel = 0;
  int32_t newWidth = 0;
  int32_t newHeight = 0;
  if (!RawFormatBitsPerPixel(format, &bitsPerPixel)) return false;
  if (!RawSizeDimensions(sizeCode, &newWidth, &newHeight)) return false;
  this->format = format;
  width = newWidth;
  height = newHeight;
  return true;
}

bool CRawImage::GetDimensions(int32_t* width, int32_t* height) {
  if (!width || !height) return false;
  *width = this->width;
  *height = this->height;
  return true;
}

bool CRawImage::CreateBitmap(HBITMAP* bitmap) {
  if (!picture) return false;
  return DrawPictureOnWhite(picture.Get(), width, height, bitmap);
}

bool CRawImage::GetImageInfo(ImageInfo* info) {
  uint8_t bitsPerPixel = 0;
  if (!info || !RawFormatBitsPerPixel(format, &bitsPerPixel)) return false;
  info->width = width;
  info->height = height;
  info->bitsPerPixel = bitsPerPixel;
  info->planes = 1;
  info->fileSize = fileSize;
  return true;
}

bool CRawImage::LoadFromFile(const char* path) {
  if (!path) return false;
  HGLOBAL memory = nullptr;
  if (!ReadFileToGlobal(path, &memory)) return false;
  fw::UniqueGlobal raw(memory);

  const size_t bitmapSize = BitmapBlockSize(width, height);
  fw::UniqueGlobal bitmap(GlobalAlloc(GHND, bitmapSize));
  if (!bitmap) return false;
  {
    fw::GlobalLock bytes(bitmap.Get());
    if (!bytes) return false;
    if (!WriteBitmapHeader(static_cast<uint8_t*>(bytes.Get()), bitmapSize, width, height)) {
      return false;
    }
  }
  {
    fw::GlobalLock rawBytes(raw.Get());
    fw::GlobalLock bitmapBytes(bitmap.Get());
    if (!rawBytes || !bitmapBytes) return false;
    if (!ConvertRawPixels(format, static_cast<const uint8_t*>(rawBytes.Get()),
                          GlobalSize(raw.Get()), width, height,
                          static_cast<uint8_t*>(bitmapBytes.Get()) + kBitmapHeaderSize,
                          bitmapSize - kBitmapHeaderSize)) {
      return false;
    }
  }
  // The new picture replaces the old one; if the loader fails there is none.
  if (!LoadPictureFromGlobal(bitmap.Get(), picture.ReleaseAndGetAddressOf())) {
    picture.Reset();
    return false;
  }
  fileSize = static_cast<uint32_t>(GlobalSize(raw.Get()));
  return true;
}

bool CRawImage::Reset() {
  picture.Reset();
  width = 0;
  height = 0;
  fileSize = 0;
  format = kRawFormatRgb444;
  return true;
}
