// The abstract picture that the preview shows: a picture file (CImage) or
// raw camera data converted to a bitmap (CRawImage). Callers hold an image
// through a CImageBase pointer and use only these operations.
//
// Every result is true or false; nothing here shows a message.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstdint>

struct ImageInfo {
  int32_t width;  // pixels
  int32_t height;
  uint8_t bitsPerPixel;
  int32_t planes;     // always 1
  uint32_t fileSize;  // bytes of the file last loaded
};

class CImageBase {
 public:
  virtual ~CImageBase() = default;

  // Size in pixels.
  virtual bool GetDimensions(int32_t* width, int32_t* height) = 0;
  // Draws the picture upright on white into a new bitmap of the screen's
  // colour format; the caller owns the bitmap and deletes it.
  virtual bool CreateBitmap(HBITMAP* bitmap) = 0;
  virtual bool GetImageInfo(ImageInfo* info) = 0;
  virtual bool LoadFromFile(const char* path) = 0;
  virtual bool Reset() = 0;

  // Reads a whole file into a new movable global memory block; on success
  // the caller owns the block and frees it with GlobalFree. An empty file
  // fails.
  virtual bool ReadFileToGlobal(const char* path, HGLOBAL* memory);
  // Makes a picture object from the bytes of a global memory block; the
  // block stays the caller's.
  virtual bool LoadPictureFromGlobal(HGLOBAL memory, IPicture** picture);
};

// Draws a picture into a new bitmap compatible with the screen, width x
// height pixels, white first and then the picture rendered upright over the
// whole of it. Shared by both kinds of image.
bool DrawPictureOnWhite(IPicture* picture, int32_t width, int32_t height, HBITMAP* bitmap);
