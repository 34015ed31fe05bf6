// How long the Image Preview takes to show a camera picture: open the file
// (load, and for raw data convert) and draw it into the view's bitmap, that
// is OpenImageFile followed by ShowImage, for a VGA JPEG and VGA raw RGB 565
// and RGB 888 captures. Timed with QueryPerformanceCounter over repeated
// runs in a real view window.
//
//   scripts/wine-run build/win32/bench/preview_bench.exe [runs]   (32-bit Wine)
//   scripts/wine-run build/win64/bench/preview_bench.exe [runs]   (wine64)
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/preview_dialog.h"
#include "imaging/preview_window.h"

namespace {

constexpr int32_t kJpeg = 4, kRgb565 = 32, kRgb888 = 512, kVga = 64;
constexpr int kWidth = 640, kHeight = 480;

// A VGA raw capture with a gradient, so that the converter sees varied
// pixels.
std::string WriteRaw(const char* name, int bytesPerPixel) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + name;
  std::vector<char> raw(static_cast<size_t>(kWidth) * kHeight * bytesPerPixel);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<char>(i * 7 / 5);
  std::ofstream(path, std::ios::binary).write(raw.data(), static_cast<std::streamsize>(raw.size()));
  return path;
}

struct Timing {
  double open = 0, show = 0;  // milliseconds
};

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

// One preview of the picture in `view`: false if it does not open or draw.
bool ShowOnce(CPreviewWnd& view, const std::string& path, int32_t format, int32_t size,
              Timing& timing) {
  PreviewPath folder = "", fileName = "";
  LARGE_INTEGER start, opened, shown;
  QueryPerformanceCounter(&start);
  CPreviewDlg preview(path.c_str(), &folder, &fileName, format, size);
  if (!preview.OpenImageFile()) return false;
  QueryPerformanceCounter(&opened);
  view.SetImage(preview.Image());
  view.ShowImage();
  QueryPerformanceCounter(&shown);
  const bool drawn = view.PictureBitmap() != nullptr;
  // The picture goes with the dialog object: the view lets go of it first.
  view.SetImage(nullptr);
  view.ResetView();
  timing = {Milliseconds(start, opened), Milliseconds(opened, shown)};
  return drawn;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
  if (FAILED(OleInitialize(nullptr))) return 2;

  // The view as the dialog makes it, in a plain parent window.
  fw::UniqueWindow parent(CreateWindowExA(0, "Static", "preview bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                          420, 320, nullptr, nullptr, nullptr, nullptr));
  CPreviewWnd view;
  view.Create(parent.Get(), RECT{10, 10, 410, 310}, "Common Camera Component Tool Preview Wnd",
              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 0, 105);

  const std::string jpeg =
      std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/jfif_640x480.jpg";
  const std::string rgb565 = WriteRaw("kvr_bench_vga565.raw", 2);
  const std::string rgb888 = WriteRaw("kvr_bench_vga888.raw", 3);
  const struct {
    const char* name;
    std::string path;
    int32_t format, size;
  } pictures[] = {{"VGA JPEG", jpeg, kJpeg, 0},
                  {"VGA raw RGB 565", rgb565, kRgb565, kVga},
                  {"VGA raw RGB 888", rgb888, kRgb888, kVga}};

  int status = 0;
  printf("%d runs each, milliseconds per picture (median / min / mean)\n", runs);
  printf("%-16s %-24s %-24s %s\n", "picture", "OpenImageFile", "ShowImage", "both");
  for (const auto& picture : pictures) {
    Timing timing;
    for (int i = 0; i < 3; ++i)  // warm-up: the loader and caches
      ShowOnce(view, picture.path, picture.format, picture.size, timing);
    std::vector<double> open, show, both;
    for (int i = 0; i < runs; ++i) {
      if (!ShowOnce(view, picture.path, picture.format, picture.size, timing)) {
        fprintf(stderr, "%s: not shown\n", picture.name);
        status = 1;
        break;
      }
      open.push_back(timing.open);
      show.push_back(timing.show);
      both.push_back(timing.open + timing.show);
    }
    if (both.empty()) continue;
    const auto line = [](const std::vector<double>& v) {
      static char text[64];
      double sum = 0;
      for (double x : v)
        sum += x;
      snprintf(text, sizeof text, "%6.2f / %6.2f / %6.2f", Median(v),
               *std::min_element(v.begin(), v.end()), sum / static_cast<double>(v.size()));
      return std::string(text);
    };
    printf("%-16s %-24s %-24s %s\n", picture.name, line(open).c_str(), line(show).c_str(),
           line(both).c_str());
  }
  DeleteFileA(rgb565.c_str());
  DeleteFileA(rgb888.c_str());
  parent.Reset();
  OleUninitialize();
  return status;
}
