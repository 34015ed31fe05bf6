// A raw camera capture (bare RGB 565 or RGB 888 pixels, no header): loading
// builds a 24-bit bitmap from the pixels and hands it to the picture loader,
// so that it then reports its size and draws itself like a picture file.
#pragma once

#include <wrl/client.h>

#include "imaging/image_base.h"
#include "imaging/raw_pixels.h"

class CRawImage : public CImageBase {
 public:
  CRawImage() = default;
  ~CRawImage() override = default;
  CRawImage(const CRawImage&) = delete;
  CRawImage& operator=(const CRawImage&) = delete;

  // Sets the pixel format code and, from the image size code, the
  // dimensions. False, changing nothing, for a code outside the known
  // formats or sizes.
  bool SetFormatAndSize(int32_t format, int32_t sizeCode);

  // The dimensions set, also before anything is loaded.
  bool GetDimensions(int32_t* width, int32_t* height) override;
  // False while no picture has been loaded.
  bool CreateBitmap(HBITMAP* bitmap) override;
  // False when the format is not a known code; needs no loaded picture.
  bool GetImageInfo(ImageInfo* info) override;
  // Reads the raw file and converts width x height pixels (bytes beyond them
  // are ignored). Fails for a shorter file and for the formats without a
  // conversion (RGB 444, YUV, Bayer). A failure before the new picture is
  // made keeps the previous picture; a picture loader failure drops it.
  bool LoadFromFile(const char* path) override;
  // Back to the state of a new image; always true.
  bool Reset() override;

 private:
  Microsoft::WRL::ComPtr<IPicture> picture;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t fileSize = 0;              // bytes of the raw file last loaded
  int32_t format = kRawFormatRgb444;  // until a format is set
};
