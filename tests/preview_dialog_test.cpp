// The Image Preview dialog run modally for real: what the view shows (read
// back from its window), scrolling, layout on resizing, Save with the
// system's Save As dialog, help reaching the camera control, pictures that
// do not open, and what is left behind after many previews.
#include <windows.h>
#include <commdlg.h>
#include <winternl.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/module.h"
#include "framework/window.h"
#include "imaging/preview_dialog.h"
#include "tests/support/help_catcher.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/product_dll.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00,
                   kWhite = 0xFFFFFF;
constexpr int32_t kBitmap = 1, kJpeg = 4, kRgb444 = 16, kRgb565 = 32, kRgb888 = 512;
constexpr int32_t kQcif = 4, kVga = 64;
constexpr int kFileTypeCombo = 0x470, kFileNameBox = 0x47c;

std::string FixturePath(const char* name) {
  std::string path = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/" + name;
  for (char& c : path)
    c = c == '/' ? '\\' : c;
  return path;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

// The colour of a picture of four quarters: red, green over blue, yellow.
uint32_t Quarter(int x, int y, int width, int height) {
  return y < height / 2 ? (x < width / 2 ? kRed : kGreen) : (x < width / 2 ? kBlue : kYellow);
}

// A raw capture: `colour(x, y)` as RGB 565 (big-endian words) or RGB 888.
Bytes Raw(int32_t format, int width, int height, const std::function<uint32_t(int, int)>& colour) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      const uint8_t r = c >> 16, g = c >> 8 & 255, b = c & 255;
      if (format == kRgb565) {
        const uint16_t word = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        raw.insert(raw.end(), {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
      } else {
        raw.insert(raw.end(), {r, g, b});
      }
    }
  }
  return raw;
}

// A 24-bit bitmap file of `colour(x, y)` (rows bottom-up, blue first).
Bytes BitmapFile(int width, int height, const std::function<uint32_t(int, int)>& colour) {
  const size_t stride = (width * 3 + 3) / 4 * 4;
  Bytes file(54 + stride * height);
  const auto put = [&](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      file[at + i] = static_cast<uint8_t>(value >> 8 * i);
  };
  file[0] = 'B', file[1] = 'M';
  put(2, static_cast<uint32_t>(file.size()), 4);
  put(10, 54, 4), put(14, 40, 4), put(18, width, 4), put(22, height, 4), put(26, 1, 2),
      put(28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      put(54 + (height - 1 - y) * stride + 3 * x, colour(x, y), 3);
  return file;
}

// Every pixel tells where it is: red and green hold the low bytes of x and
// y, blue their high bits.
uint32_t Encode(int x, int y) {
  return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) | (y >> 8) << 4;
}
POINT Decode(uint32_t c) {
  return {static_cast<LONG>(c >> 16 | (c & 15) << 8),
          static_cast<LONG>((c >> 8 & 255) | (c >> 4 & 15) << 8)};
}

// What a window shows in its client area, top row first, as 0xRRGGBB.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

Shot Capture(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client = {};
  GetClientRect(window, &client);
  Shot shot;
  shot.width = client.right;
  shot.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  fw::WindowDC dc(window);
  void* bits = nullptr;
  fw::UniqueBitmap dib(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  fw::UniqueMemoryDC memory(CreateCompatibleDC(dc.Get()));
  {
    fw::SelectedObject selected(memory.Get(), dib.Get());
    BitBlt(memory.Get(), 0, 0, shot.width, shot.height, dc.Get(), 0, 0, SRCCOPY);
  }
  auto* pixels = static_cast<const uint32_t*>(bits);
  shot.rgb.assign(pixels, pixels + static_cast<size_t>(shot.width) * shot.height);
  return shot;
}

// Checks every pixel: `picture(x, y)` inside width x height, white outside.
void ExpectShows(const Shot& shot, int width, int height,
                 const std::function<uint32_t(int, int)>& picture) {
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      ASSERT_EQ(shot.At(x, y), x < width && y < height ? picture(x, y) : kWhite)
          << "at " << x << ", " << y;
}

bool Scrollable(HWND window, LONG bar) {
  SCROLLBARINFO info = {};
  info.cbSize = sizeof info;
  GetScrollBarInfo(window, bar, &info);
  return !(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE));
}

RECT ClientRectOf(HWND dialog, int id) {
  RECT rect = {};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void Resize(HWND window, int dx, int dy) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left + dx, rect.bottom - rect.top + dy,
               SWP_NOMOVE | SWP_NOZORDER);
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  char text[256];
  for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
    if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= LRESULT{sizeof text}) continue;
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

class PreviewDialog : public testing::Test {
 protected:
  void SetUp() override {
    // Dialog 206, icon 209 and the message strings come from the product.
    fw::Module::SetResourceInstance(test::ProductModule());
    owner.Reset(CreateWindowExA(0, "Static", "owner", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                nullptr, nullptr));
    GetCurrentDirectoryA(MAX_PATH, startFolder);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "kvp", 0, folder);
    DeleteFileA(folder);
    root = Folder(folder);
    strcpy(fileName, "capture");
    test::MessageRecorder::Clear();
  }
  void TearDown() override {
    fw::Module::SetResourceInstance(fw::Module::Instance());
    // The Save As dialog makes the folder it saved in the current one.
    SetCurrentDirectoryA(startFolder);
    for (const std::string& file : files) {
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(file.c_str());
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
      if (RemoveDirectoryA(folder->c_str())) continue;
      std::string left;
      WIN32_FIND_DATAA found;
      HANDLE search = FindFirstFileA((*folder + "\\*").c_str(), &found);
      for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        left += std::string(" ") + found.cFileName;
      if (search != INVALID_HANDLE_VALUE) FindClose(search);
      ADD_FAILURE() << *folder << " still holds" << left;
    }
  }

  // A new folder, removed at the end (it must be empty by then).
  std::string Folder(const std::string& path) {
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    folders.push_back(path);
    return path;
  }
  // A file path, deleted at the end.
  std::string File(const std::string& path) {
    files.push_back(path);
    return path;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string path = File(root + "\\" + name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Runs `preview` modally and `inside` on the dialog once it shows, then
  // closes it with Close. The dialog stays above other programs' windows
  // so that what the view shows can be read back.
  void Run(CPreviewDlg& preview, const std::function<void(HWND dialog)>& inside,
           HWND ownerWindow = nullptr) {
    bool ran = false;
    test::WhenDialog shown("Image Preview", [&](HWND dialog) {
      SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      inside(dialog);
      ran = true;
      if (IsWindow(dialog)) test::ClickButton(dialog, IDOK);
    });
    preview.ShowModal(ownerWindow ? ownerWindow : owner.Get(), 0);
    EXPECT_TRUE(ran);
  }

  fw::UniqueWindow owner;
  char startFolder[MAX_PATH] = {};
  std::string root;  // the test's own folder
  PreviewPath folder = {};
  PreviewPath fileName = {};
  std::vector<std::string> files, folders;
};

}  // namespace

TEST_F(PreviewDialog, SmallPicturesSitTopLeftOnWhiteUprightAndDoNotScroll) {
  struct Case {
    const char* name;
    std::string path;
    int32_t format, size, width, height;
  } cases[] = {
      {"bitmap", FixturePath("bitmap24_16x8.bmp"), kBitmap, 0, 16, 8},
      {"RGB 565",
       Write("q565.raw",
             Raw(kRgb565, 176, 144, [](int x, int y) { return Quarter(x, y, 176, 144); })),
       kRgb565, kQcif, 176, 144},
      {"RGB 888",
       Write("q888.raw",
             Raw(kRgb888, 176, 144, [](int x, int y) { return Quarter(x, y, 176, 144); })),
       kRgb888, kQcif, 176, 144},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPreviewDlg preview(c.path.c_str(), &folder, &fileName, c.format, c.size);
    ASSERT_TRUE(preview.OpenImageFile());
    Run(preview, [&](HWND dialog) {
      HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
      const auto quarters = [&](int x, int y) { return Quarter(x, y, c.width, c.height); };
      const Shot before = Capture(view);
      ASSERT_GT(before.width, c.width);
      ASSERT_GT(before.height, c.height);
      ExpectShows(before, c.width, c.height, quarters);
      EXPECT_FALSE(Scrollable(view, OBJID_HSCROLL));
      EXPECT_FALSE(Scrollable(view, OBJID_VSCROLL));
      for (WPARAM request :
           {WPARAM{SB_LINEDOWN}, WPARAM{SB_PAGEDOWN}, MAKEWPARAM(SB_THUMBTRACK, 9)}) {
        SendMessageA(view, WM_HSCROLL, request, 0);
        SendMessageA(view, WM_VSCROLL, request, 0);
      }
      EXPECT_EQ(Capture(view).rgb, before.rgb);
    });
  }
}

TEST_F(PreviewDialog, LargePictureScrollsByPixelAndPageAndStaysClamped) {
  const std::string path = Write("large.bmp", BitmapFile(800, 600, Encode));
  CPreviewDlg preview(path.c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
    // The picture pixel shown at the top left, and at the bottom right.
    const auto shown = [&](int message, WPARAM request) {
      if (message) SendMessageA(view, message, request, 0);
      const Shot shot = Capture(view);
      const POINT first = Decode(shot.At(0, 0)),
                  last = Decode(shot.At(shot.width - 1, shot.height - 1));
      EXPECT_EQ(last.x - first.x, shot.width - 1);  // one screen pixel per picture pixel
      EXPECT_EQ(last.y - first.y, shot.height - 1);
      EXPECT_EQ(GetScrollPos(view, SB_HORZ), first.x);
      EXPECT_EQ(GetScrollPos(view, SB_VERT), first.y);
      return std::make_pair(first.x, first.y);
    };
    using At = std::pair<LONG, LONG>;
    RECT client = {};
    GetClientRect(view, &client);
    const LONG width = client.right, height = client.bottom;
    ASSERT_LT(width * 2, 800);  // a page to the right and back fit
    ASSERT_LT(height * 2, 600);
    EXPECT_TRUE(Scrollable(view, OBJID_HSCROLL));
    EXPECT_TRUE(Scrollable(view, OBJID_VSCROLL));
    EXPECT_EQ(shown(0, 0), At(0, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_LINERIGHT), At(1, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_LINERIGHT), At(2, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_PAGERIGHT), At(2 + width, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_LINELEFT), At(1 + width, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_PAGERIGHT), At(800 - width, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_LINERIGHT), At(800 - width, 0));
    EXPECT_EQ(shown(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100)), At(100, 0));
    EXPECT_EQ(shown(WM_HSCROLL, SB_PAGELEFT), At(0, 0));
    EXPECT_EQ(shown(WM_VSCROLL, SB_LINEDOWN), At(0, 1));
    EXPECT_EQ(shown(WM_VSCROLL, SB_PAGEDOWN), At(0, 1 + height));
    EXPECT_EQ(shown(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9999)), At(0, 600 - height));
    EXPECT_EQ(shown(WM_VSCROLL, SB_LINEUP), At(0, 599 - height));
    EXPECT_EQ(shown(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9999)), At(800 - width, 599 - height));
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(view, SB_HORZ, &info);
    EXPECT_EQ(std::vector<int>({info.nMin, info.nMax, static_cast<int>(info.nPage)}),
              std::vector<int>({0, 799, width}));

    // A larger dialog shows more, the positions clamped to the new limits.
    Resize(dialog, 100, 60);
    EXPECT_EQ(shown(0, 0), At(700 - width, 540 - height));
    // Larger than the picture: all of it at the top left, on white.
    Resize(dialog, 720 - width, 560 - height);
    ExpectShows(Capture(view), 800, 600, Encode);
    EXPECT_FALSE(Scrollable(view, OBJID_HSCROLL));
    EXPECT_FALSE(Scrollable(view, OBJID_VSCROLL));
  });
}

TEST_F(PreviewDialog, ControlsFollowTheLowerRightCornerButNeverBelowTheTemplateSize) {
  CPreviewDlg preview(FixturePath("bitmap24_16x8.bmp").c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    const int buttons[] = {IDC_PREVIEW_SAVE, IDOK, IDHELP},
              frames[] = {IDC_PREVIEW_GROUP, IDC_PREVIEW_WINDOW};
    std::vector<RECT> initial;
    for (int id : {IDC_PREVIEW_SAVE, IDOK, IDHELP, IDC_PREVIEW_GROUP, IDC_PREVIEW_WINDOW})
      initial.push_back(ClientRectOf(dialog, id));
    const auto expectLayout = [&](LONG dx, LONG dy) {
      for (size_t i = 0; i < 5; ++i) {
        const RECT was = initial[i], now = ClientRectOf(dialog, i < 3 ? buttons[i] : frames[i - 3]);
        const RECT expected =
            i < 3 ? RECT{was.left + dx, was.top + dy, was.right + dx, was.bottom + dy}
                  : RECT{was.left, was.top, was.right + dx, was.bottom + dy};
        EXPECT_TRUE(EqualRect(&now, &expected))
            << "control " << i << " at " << now.left << ", " << now.top << ", " << now.right << ", "
            << now.bottom;
      }
    };
    // The view sits inside the group box, below its caption.
    const RECT group = initial[3], view = initial[4];
    EXPECT_EQ(std::vector<LONG>({view.left - group.left, view.top - group.top,
                                 group.right - view.right, group.bottom - view.bottom}),
              std::vector<LONG>({15, 25, 15, 15}));
    HWND viewWindow = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
    EXPECT_EQ(test::WindowText(viewWindow), "Common Camera Component Tool Preview Wnd");
    HICON icon = LoadIconA(test::ProductModule(), MAKEINTRESOURCEA(IDI_CAMERA));
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(icon));

    Resize(dialog, 120, 70);
    expectLayout(120, 70);
    Resize(dialog, -90, -90);  // 30 wider, 20 lower than the template
    expectLayout(30, 0);
    Resize(dialog, -80, 0);  // now smaller than the template: it clips
    expectLayout(0, 0);
  });
}

// Clicks Save and runs `inside` on the Save As dialog; true if it appeared.
bool Save(HWND preview, const std::function<void(HWND saveAs)>& inside) {
  test::WhenDialog saveAs("Save Camera Image As", inside);
  saveAs.OwnedBy(preview);
  test::ClickButton(preview, IDC_PREVIEW_SAVE);
  return saveAs.Handled() == 1;
}

// Types `name` into the Save As dialog and confirms it.
void SaveAs(HWND saveAs, const std::string& name) {
  SetWindowTextA(test::FindChildById(saveAs, kFileNameBox), name.c_str());
  test::ClickButton(saveAs, IDOK);
}

TEST_F(PreviewDialog, SaveOffersTheFormatsFilterAndCopiesByteForByte) {
  const std::string raw = Write("in.raw", Raw(kRgb565, 176, 144, Encode));
  const struct {
    std::string path;
    int32_t format, size;
    const char* filter;
    const char* extension;
  } cases[] = {{FixturePath("jfif_640x128.jpg"), kJpeg, 0, "JPEG Images (*.jpg)", ".jpg"},
               {FixturePath("bitmap24_16x8.bmp"), kBitmap, 0, "Bitmap Images (*.bmp)", ".bmp"},
               {raw, kRgb565, kQcif, "RAW Images (*.raw)", ".raw"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    CPreviewDlg preview(c.path.c_str(), &folder, &fileName, c.format, c.size);
    ASSERT_TRUE(preview.OpenImageFile());
    const std::string copy = File(root + "\\copy" + c.extension);
    Run(preview, [&](HWND dialog) {
      EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
        EXPECT_EQ(ComboItems(test::FindChildById(saveAs, kFileTypeCombo)),
                  std::vector<std::string>{c.filter});
        SaveAs(saveAs, "copy");  // the extension comes from the filter
      }));
    });
    EXPECT_EQ(ReadBytes(copy), ReadBytes(c.path));
  }
}

// The folder the Save As dialog shows and the name it proposes.
std::pair<std::string, std::string> Proposed(HWND saveAs) {
  char shown[MAX_PATH] = "";
  SendMessageA(saveAs, CDM_GETFOLDERPATH, sizeof shown, reinterpret_cast<LPARAM>(shown));
  return {shown, test::WindowText(test::FindChildById(saveAs, kFileNameBox))};
}

TEST_F(PreviewDialog, SaveStartsWhereTheLastSaveWent) {
  const std::string source = FixturePath("jfif_640x128.jpg");
  const std::string other = Folder(root + "\\other");
  CPreviewDlg preview(source.c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), std::make_pair(root, std::string("capture")));
      SaveAs(saveAs, "shot");
    }));
    EXPECT_EQ(ReadBytes(File(root + "\\shot.jpg")), ReadBytes(source));
    EXPECT_EQ(std::make_pair(std::string(folder), std::string(fileName)),
              std::make_pair(root, std::string("shot")));

    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), std::make_pair(root, std::string("shot")));
      SaveAs(saveAs, other + "\\copy.v2.jpg");
    }));
    EXPECT_EQ(ReadBytes(File(other + "\\copy.v2.jpg")), ReadBytes(source));
  });
  // The caller's strings: the next preview starts there too.
  EXPECT_EQ(std::make_pair(std::string(folder), std::string(fileName)),
            std::make_pair(other, std::string("copy.v2")));
  CPreviewDlg next(source.c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(next.OpenImageFile());
  Run(next, [&](HWND dialog) {
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), std::make_pair(other, std::string("copy.v2")));
      test::ClickButton(saveAs, IDCANCEL);
    }));
  });
  EXPECT_EQ(std::make_pair(std::string(folder), std::string(fileName)),
            std::make_pair(other, std::string("copy.v2")));
}

TEST_F(PreviewDialog, FailedCopyIsReportedAndTheDialogStaysOpen) {
  // Another program has the target open (under Wine a read-only target
  // does not stop a copy made as root).
  const std::string target = Write("busy.jpg", Bytes{1, 2, 3});
  fw::UniqueFile busy(
      CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  CPreviewDlg preview(FixturePath("jfif_640x128.jpg").c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    test::ExpectMessageBox replace(1, IDYES);  // the Save As dialog asks first
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) { SaveAs(saveAs, target); }));
    EXPECT_EQ(replace.Count(), 1u);
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) { SaveAs(saveAs, root + "\\missing\\new.jpg"); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
  });
  busy.Reset();
  const auto& messages = test::MessageRecorder::Messages();
  ASSERT_EQ(messages.size(), 2u);
  for (const auto& message : messages) {
    EXPECT_EQ(message.title, "Error Saving File");
    EXPECT_EQ(message.text.rfind("There was an error saving this file. Please make sure", 0), 0u);
    EXPECT_EQ(message.flags, MB_ICONHAND);
  }
  EXPECT_EQ(ReadBytes(target), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::make_pair(std::string(folder), std::string(fileName)),
            std::make_pair(root, std::string("capture")));
}

// Presses F1 with the keyboard focus on `control`; false if this program
// could not take the focus (the key would go to another program).
bool PressF1(HWND control) {
  SetForegroundWindow(GetAncestor(control, GA_ROOT));
  SetFocus(control);
  if (GetFocus() != control || GetForegroundWindow() != GetAncestor(control, GA_ROOT)) return false;
  keybd_event(VK_F1, 0, 0, 0);
  keybd_event(VK_F1, 0, KEYEVENTF_KEYUP, 0);
  test::PumpMessages(50);
  return true;
}

// A window that records the help requests it receives.
class HelpOwner : public fw::Window {
 public:
  std::vector<std::pair<WPARAM, HELPINFO>> received;

 protected:
  FW_BEGIN_MESSAGES(HelpOwner)
  FW_MESSAGE(WM_HELP, OnHelp)
  FW_END_MESSAGES(fw::Window)
  LRESULT OnHelp(const fw::Message& m, bool&) {
    received.emplace_back(m.wParam, *reinterpret_cast<const HELPINFO*>(m.lParam));
    return TRUE;
  }
};

TEST_F(PreviewDialog, HelpRequestsGoToTheOwnerWithContextOne) {
  HelpOwner helpOwner;
  ASSERT_TRUE(helpOwner.Subclass(owner.Get()));
  CPreviewDlg preview(FixturePath("bitmap24_16x8.bmp").c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  HWND save = nullptr;
  Run(preview, [&](HWND dialog) {
    save = GetDlgItem(dialog, IDC_PREVIEW_SAVE);
    test::ClickButton(dialog, IDHELP);
    EXPECT_TRUE(PressF1(save));
    SetWindowContextHelpId(save, 77);  // a control's own topic is kept
    EXPECT_TRUE(PressF1(save));
  });
  ASSERT_EQ(helpOwner.received.size(), 3u);
  const auto fields = [](const std::pair<WPARAM, HELPINFO>& r) {
    const HELPINFO& i = r.second;
    return std::vector<INT_PTR>{static_cast<INT_PTR>(r.first),
                                static_cast<INT_PTR>(i.cbSize),
                                i.iContextType,
                                i.iCtrlId,
                                reinterpret_cast<INT_PTR>(i.hItemHandle),
                                static_cast<INT_PTR>(i.dwContextId)};
  };
  const auto savePtr = reinterpret_cast<INT_PTR>(save);
  EXPECT_EQ(fields(helpOwner.received[0]),
            (std::vector<INT_PTR>{0, sizeof(HELPINFO), HELPINFO_WINDOW, 0, 0, 1}));
  EXPECT_EQ(helpOwner.received[0].second.MousePos.x, 0);
  EXPECT_EQ(helpOwner.received[0].second.MousePos.y, 0);
  EXPECT_EQ(
      fields(helpOwner.received[1]),
      (std::vector<INT_PTR>{0, sizeof(HELPINFO), HELPINFO_WINDOW, IDC_PREVIEW_SAVE, savePtr, 1}));
  EXPECT_EQ(
      fields(helpOwner.received[2]),
      (std::vector<INT_PTR>{0, sizeof(HELPINFO), HELPINFO_WINDOW, IDC_PREVIEW_SAVE, savePtr, 77}));
}

TEST_F(PreviewDialog, HelpReachesTheCameraControlAtTopicOne) {
  test::HostedControl host;
  CPreviewDlg preview(FixturePath("bitmap24_16x8.bmp").c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  test::HelpCatcher catcher;
  Run(
      preview,
      [&](HWND dialog) {
        test::ClickButton(dialog, IDHELP);
        EXPECT_TRUE(PressF1(GetDlgItem(dialog, IDC_PREVIEW_SAVE)));
      },
      host.Dialog());
  std::string file = test::ProductPath();
  file = file.substr(0, file.rfind('\\') + 1) + "cmn_camera_control_rd.hlp";
  ASSERT_EQ(catcher.Requests().size(), 2u);
  for (const test::HelpRequest& request : catcher.Requests()) {
    EXPECT_EQ(request.file, file);
    EXPECT_EQ(request.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(request.data, 1);
    EXPECT_EQ(request.owner, host.Dialog());
  }
}
