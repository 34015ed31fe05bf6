// The picture-file formats among the capture format codes, and the Save As
// dialog that saves a captured picture: one filter for the picture's
// format, the folder and name proposed from the last save.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Size of the path buffers (picture path, chosen path, folder, file name),
// each zero-terminated.
constexpr size_t kPreviewPathSize = 512;
using PreviewPath = char[kPreviewPathSize];

// Format codes of pictures that arrive as picture files (the other codes
// are raw camera data).
constexpr int32_t kFormatBitmap = 1;
constexpr int32_t kFormatYuv = 2;
constexpr int32_t kFormatJpeg = 4;
constexpr int32_t kFormatTestJbs28 = 2048;

// The Save As dialog's single filter entry and its default extension.
struct SaveFilter {
  const char* name;       // "JPEG Images (*.jpg)"
  const char* pattern;    // "*.jpg"
  const char* extension;  // "jpg"
};
extern const SaveFilter kJpegFilter;
extern const SaveFilter kBitmapFilter;
extern const SaveFilter kRawFilter;

// Shows "Save Camera Image As" owned by `owner`, starting in `folder` with
// `fileName` proposed, offering only `filter` and adding `defaultExtension`
// to a name typed without one (an empty one adds the filter's). False when
// the user cancels; else `chosen` holds the full path.
bool ChooseSavePicturePath(HWND owner, const SaveFilter& filter, const char* defaultExtension,
                           const char* folder, const char* fileName, PreviewPath& chosen);

// After a save to `path`: the next Save starts in its folder and proposes
// its name without extension. Nothing changes for a path without a folder.
void RememberSavedFile(const char* path, PreviewPath& folder, PreviewPath& fileName);
