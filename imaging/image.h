// A JPEG or bitmap picture file, loaded by the platform's picture loader.
#pragma once

#include <wrl/client.h>

#include "imaging/image_base.h"

class CImage : public CImageBase {
 public:
  CImage() = default;
  ~CImage() override = default;
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // False while nothing is loaded.
  bool GetDimensions(int32_t* width, int32_t* height) override;
  bool CreateBitmap(HBITMAP* bitmap) override;
  bool GetImageInfo(ImageInfo* info) override;

  // Loads a JFIF JPEG, a JPEG opening with a quantisation table, or a
  // bitmap, recognised by its first bytes (other files fail even when the
  // picture loader could read them). The size is the picture's HIMETRIC size
  // at the screen's pixels per inch. A null path fails and changes nothing;
  // any other failure leaves the image empty.
  bool LoadFromFile(const char* path) override;
  // Releases the picture; always true.
  bool Reset() override;

 private:
  Microsoft::WRL::ComPtr<IPicture> picture;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t fileSize = 0;  // size of the block that held the file
  uint8_t bitsPerPixel = 0;
};
