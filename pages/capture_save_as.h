// What the two picture capture pages share: the format and size lists
// filled from a table of codes, the choice of format and size, the Save As
// dialog for a picture captured on the PC with the folder and name it
// proposes next, and the preview of a captured picture file.
#pragma once

#include <windows.h>

#include <cstddef>

#include "imaging/preview_dialog.h"

// Where a capture is saved.
enum CaptureLocation : long {
  LocationPC = 1,
  LocationProduct = 2,
};

// One list row: a pixel format or image size code (one bit) and the id of
// its text in the string table.
struct CaptureCode {
  long code;
  UINT textId;
};

// Empties list box `list`, then adds, in table order, the text of every
// row whose code is set in `mask`, with the code as the item's value, and
// selects the first item.
void FillCodeList(HWND list, const CaptureCode* rows, size_t count, long mask);
template <size_t N>
void FillCodeList(HWND list, const CaptureCode (&rows)[N], long mask) {
  FillCodeList(list, rows, N, mask);
}

// The value of the selected item of list box `list`; false without a
// selection.
bool SelectedCode(HWND list, long& code);

// The picture name on the product, as typed (folder and file name without
// extension), read with this limit.
constexpr int kProductNameRead = 127;
using ProductName = char[kProductNameRead + 1];
// Reads the product name from `edit`. An empty name is refused with a
// message and the focus in the edit.
bool ReadProductName(HWND edit, ProductName& name);

class CCaptureSaveAs {
 protected:
  // The next Save proposes "Image1" in the host tool suite's installation
  // folder (empty when the registry does not name one).
  CCaptureSaveAs();

  // The format and size chosen in the two lists. Without a selection shows
  // why, puts the focus in the list and returns false.
  static bool ChosenFormatAndSize(HWND formatList, HWND sizeList, long& format, long& size);

  // Shows the Save As dialog owned by `owner`, starting in `folder` with
  // `fileName` proposed. False when the user cancels; else `chosen` holds
  // the full path.
  bool ChooseSavePath(HWND owner, const SaveFilter& filter, PreviewPath& chosen) const;
  // The next Save starts in the folder of `path` and proposes its name
  // without extension.
  void RememberSavedPath(const char* path);

  // Opens the picture file at `path` in the Image Preview dialog and runs
  // it, owned by the camera control (the parent of `page`'s sheet); the
  // dialog's own Save may change `folder` and `fileName`. When the picture
  // does not load, says so and returns false.
  bool PreviewPicture(HWND page, const char* path, long format, long size);

  PreviewPath folder = {};
  PreviewPath fileName = {};
};
