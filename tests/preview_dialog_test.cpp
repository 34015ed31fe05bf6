// The Image Preview dialog run modally for real: what the view shows (read
// back from its window), scrolling, layout on resizing, Save through the
// system's Save As dialog, help reaching the camera control, pictures that
// do not open, and what many previews leave behind.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/module.h"
#include "framework/window.h"
#include "imaging/preview_dialog.h"
#include "imaging/raw_image.h"
#include "tests/support/help_catcher.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/process_usage.h"
#include "tests/support/product_dll.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Colours = std::function<uint32_t(int x, int y)>;  // 0xRRGGBB
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int32_t kBitmap = 1, kJpeg = 4, kRgb444 = 16, kRgb565 = 32, kRgb888 = 512;
constexpr int32_t kQcif = 4, kVga = 64;
constexpr DWORD kUsable = 0, kDisabled = STATE_SYSTEM_UNAVAILABLE, kHidden = STATE_SYSTEM_INVISIBLE;
constexpr DWORD kViewStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL;
constexpr int kFileTypeCombo = 0x470, kFileNameBox = 0x47c;  // in the Save As dialog

std::string FixturePath(const char* name) {
  std::string path = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

// Red and green over blue and yellow: top, bottom, left and right tell.
Colours Quarters(int width, int height) {
  return [=](int x, int y) -> uint32_t {
    return y < height / 2 ? (x < width / 2 ? 0xFF0000 : 0x00FF00)
                          : (x < width / 2 ? 0x0000FF : 0xFFFF00);
  };
}

// Every pixel tells where it is: red and green hold the low bytes of x and
// y, blue their high bits.
uint32_t Encode(int x, int y) {
  return (x & 255) << 16 | (y & 255) << 8 | (x >> 8) | (y >> 8) << 4;
}
std::pair<LONG, LONG> Decode(uint32_t c) {
  return {c >> 16 | (c & 15) << 8, (c >> 8 & 255) | (c >> 4 & 15) << 8};
}

// A raw capture as RGB 565 (big-endian words) or RGB 888.
Bytes Raw(int32_t format, int width, int height, const Colours& colour) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      const uint8_t r = c >> 16, g = c >> 8 & 255, b = c & 255;
      const uint16_t word = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
      if (format == kRgb565)
        raw.insert(raw.end(), {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
      else
        raw.insert(raw.end(), {r, g, b});
    }
  }
  return raw;
}

// What a window shows in its client area, repainted first; or only what
// its background erasing paints over black.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;  // top row first
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x] & kWhite; }
};

Shot Capture(HWND window, bool backgroundOnly = false) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client = {};
  GetClientRect(window, &client);
  Shot shot{client.right, client.bottom, {}};
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  fw::WindowDC dc(window);
  void* bits = nullptr;
  fw::UniqueBitmap dib(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  fw::UniqueMemoryDC memory(CreateCompatibleDC(dc.Get()));
  {
    fw::SelectedObject selected(memory.Get(), dib.Get());
    if (backgroundOnly)  // a new DIB section is black
      SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.Get()), 0);
    else
      BitBlt(memory.Get(), 0, 0, shot.width, shot.height, dc.Get(), 0, 0, SRCCOPY);
  }
  const auto* pixels = static_cast<const uint32_t*>(bits);
  shot.rgb.assign(pixels, pixels + static_cast<size_t>(shot.width) * shot.height);
  return shot;
}

// The picture at the top left, white elsewhere.
void ExpectShows(const Shot& shot, int width, int height, const Colours& picture) {
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x)
      ASSERT_EQ(shot.At(x, y), x < width && y < height ? picture(x, y) : kWhite) << x << ", " << y;
}

// Both scroll bars' states: 0 usable, STATE_SYSTEM_UNAVAILABLE disabled,
// STATE_SYSTEM_INVISIBLE hidden.
std::pair<DWORD, DWORD> ScrollBars(HWND window) {
  DWORD states[2] = {};
  for (LONG bar : {OBJID_HSCROLL, OBJID_VSCROLL}) {
    SCROLLBARINFO info = {};
    info.cbSize = sizeof info;
    GetScrollBarInfo(window, bar, &info);
    states[bar == OBJID_VSCROLL] =
        info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE);
  }
  return {states[0], states[1]};
}

void Resize(HWND window, int dx, int dy) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left + dx, rect.bottom - rect.top + dy,
               SWP_NOMOVE | SWP_NOZORDER);
}

// Clicks Save and runs `inside` on the Save As dialog; true if it came.
bool Save(HWND preview, const std::function<void(HWND saveAs)>& inside) {
  test::WhenDialog saveAs("Save Camera Image As", inside);
  saveAs.OwnedBy(preview);
  test::ClickButton(preview, IDC_PREVIEW_SAVE);
  return saveAs.Handled() == 1;
}

void SaveAs(HWND saveAs, const std::string& name) {
  SetWindowTextA(test::FindChildById(saveAs, kFileNameBox), name.c_str());
  test::ClickButton(saveAs, IDOK);
}

// The folder the Save As dialog starts in and the name it proposes.
std::string Proposed(HWND saveAs) {
  char shown[MAX_PATH] = "";
  SendMessageA(saveAs, CDM_GETFOLDERPATH, sizeof shown, reinterpret_cast<LPARAM>(shown));
  return std::string(shown) + "|" + test::WindowText(test::FindChildById(saveAs, kFileNameBox));
}

class PreviewDialog : public testing::Test {
 protected:
  void SetUp() override {
    // Dialog 206, icon 209 and the message strings come from the product.
    fw::Module::SetResourceInstance(test::ProductModule());
    owner.Reset(
        CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr));
    GetCurrentDirectoryA(MAX_PATH, startFolder);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "kvp", 0, folder);
    DeleteFileA(folder);
    root = Folder(folder);
    strcpy(fileName, "capture");
  }
  void TearDown() override {
    fw::Module::SetResourceInstance(fw::Module::Instance());
    SetCurrentDirectoryA(startFolder);  // Save As made the folder saved in the current one
    for (const std::string& file : files)
      DeleteFileA(file.c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
      EXPECT_TRUE(RemoveDirectoryA(folder->c_str())) << *folder << " holds unexpected files";
  }

  // A folder and a file, removed at the end.
  std::string Folder(const std::string& path) {
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    folders.push_back(path);
    return path;
  }
  std::string File(const std::string& path) {
    files.push_back(path);
    return path;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(File(root + "\\" + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return files.back();
  }
  // The caller's folder and file name that Save uses and updates.
  std::string Remembered() const { return std::string(folder) + "|" + fileName; }

  // Runs `preview` modally and `inside` on it once it shows, then clicks
  // Close. Above other programs' windows, the view can be read back.
  void Run(CPreviewDlg& preview, const std::function<void(HWND dialog)>& inside,
           HWND ownerWindow = nullptr) {
    test::WhenDialog shown("Image Preview", [&](HWND dialog) {
      SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      inside(dialog);
      if (IsWindow(dialog)) test::ClickButton(dialog, IDOK);
    });
    preview.ShowModal(ownerWindow ? ownerWindow : owner.Get(), 0);
    EXPECT_EQ(shown.Handled(), 1u);
  }

  fw::UniqueWindow owner;
  char startFolder[MAX_PATH] = {};
  std::string root;  // the test's own folder
  PreviewPath folder = {};
  PreviewPath fileName = {};
  std::vector<std::string> files, folders;
};

TEST_F(PreviewDialog, SmallPicturesSitUprightTopLeftOnWhiteAndDoNotScroll) {
  const struct {
    std::string path;
    int32_t format, size, width, height;
  } cases[] = {
      {FixturePath("bitmap24_16x8.bmp"), kBitmap, 0, 16, 8},
      {Write("q565.raw", Raw(kRgb565, 176, 144, Quarters(176, 144))), kRgb565, kQcif, 176, 144},
      {Write("q888.raw", Raw(kRgb888, 176, 144, Quarters(176, 144))), kRgb888, kQcif, 176, 144},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    CPreviewDlg preview(c.path.c_str(), &folder, &fileName, c.format, c.size);
    ASSERT_TRUE(preview.OpenImageFile());
    Run(preview, [&](HWND dialog) {
      HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
      const Shot before = Capture(view);
      ASSERT_GT(before.width, c.width);
      ASSERT_GT(before.height, c.height);
      ExpectShows(before, c.width, c.height, Quarters(c.width, c.height));
      ExpectShows(Capture(view, true), c.width, c.height, [](int, int) { return 0u; });
      EXPECT_EQ(ScrollBars(view), std::make_pair(kHidden, kHidden));
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
  const std::string path = Write("vga.raw", Raw(kRgb888, 640, 480, Encode));
  CPreviewDlg preview(path.c_str(), &folder, &fileName, kRgb888, kVga);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
    // Which picture pixel the view shows at its top left after a request.
    const auto scroll = [&](UINT message, WPARAM request) {
      if (message) SendMessageA(view, message, request, 0);
      const Shot shot = Capture(view);
      const auto first = Decode(shot.At(0, 0)),
                 last = Decode(shot.At(shot.width - 1, shot.height - 1));
      EXPECT_EQ(last.first - first.first, shot.width - 1);  // unscaled
      EXPECT_EQ(last.second - first.second, shot.height - 1);
      EXPECT_EQ(GetScrollPos(view, SB_HORZ), first.first);
      EXPECT_EQ(GetScrollPos(view, SB_VERT), first.second);
      return first;
    };
    using At = std::pair<LONG, LONG>;
    RECT client = {};
    GetClientRect(view, &client);
    const LONG width = client.right, height = client.bottom;
    ASSERT_TRUE(width < 640 && width * 2 > 640 && height * 2 < 480) << width << " x " << height;
    EXPECT_EQ(ScrollBars(view), std::make_pair(kUsable, kUsable));
    EXPECT_EQ(scroll(0, 0), At(0, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, SB_LINERIGHT), At(1, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, SB_LINERIGHT), At(2, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, SB_LINELEFT), At(1, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, SB_PAGERIGHT), At(640 - width, 0));  // at most one page
    EXPECT_EQ(scroll(WM_HSCROLL, SB_LINERIGHT), At(640 - width, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100)), At(100, 0));
    EXPECT_EQ(scroll(WM_HSCROLL, SB_PAGELEFT), At(0, 0));
    EXPECT_EQ(scroll(WM_VSCROLL, SB_LINEDOWN), At(0, 1));
    EXPECT_EQ(scroll(WM_VSCROLL, SB_PAGEDOWN), At(0, 1 + height));
    EXPECT_EQ(scroll(WM_VSCROLL, SB_PAGEUP), At(0, 1));
    EXPECT_EQ(scroll(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9999)), At(0, 480 - height));
    EXPECT_EQ(scroll(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9999)),
              At(640 - width, 480 - height));
    SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(view, SB_VERT, &info);
    EXPECT_EQ(std::vector<int>({info.nMin, info.nMax, static_cast<int>(info.nPage)}),
              std::vector<int>({0, 479, height}));

    // A larger dialog shows more, the positions clamped to the new limits;
    // one larger than the picture shows it all, on white.
    Resize(dialog, 100, 60);
    EXPECT_EQ(scroll(0, 0), At(540 - width, 420 - height));
    Resize(dialog, 600 - width, 440 - height);
    ExpectShows(Capture(view), 640, 480, Encode);
    EXPECT_EQ(ScrollBars(view), std::make_pair(kDisabled, kDisabled));
  });
}

TEST_F(PreviewDialog, ControlsFollowTheLowerRightCornerButNeverBelowTheTemplateSize) {
  CPreviewDlg preview(FixturePath("bitmap24_16x8.bmp").c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    const int ids[] = {IDC_PREVIEW_SAVE, IDOK, IDHELP, IDC_PREVIEW_GROUP, IDC_PREVIEW_WINDOW};
    const auto layout = [&] {
      std::vector<LONG> edges;  // left, top, right, bottom of each, in client coordinates
      for (int id : ids) {
        RECT rect = {};
        GetWindowRect(GetDlgItem(dialog, id), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        edges.insert(edges.end(), {rect.left, rect.top, rect.right, rect.bottom});
      }
      return edges;
    };
    const std::vector<LONG> initial = layout();
    // Buttons move by (dx, dy); the group box and the view grow by it.
    const auto moved = [&](LONG dx, LONG dy) {
      std::vector<LONG> edges = initial;
      for (size_t i = 0; i < edges.size(); ++i)
        edges[i] += (i < 12 || i % 4 >= 2) ? (i % 2 ? dy : dx) : 0;
      return edges;
    };
    // The view inside the group box, below its caption.
    EXPECT_EQ(std::vector<LONG>({initial[16] - initial[12], initial[17] - initial[13],
                                 initial[14] - initial[18], initial[15] - initial[19]}),
              std::vector<LONG>({15, 25, 15, 15}));
    EXPECT_EQ(test::WindowText(GetDlgItem(dialog, IDC_PREVIEW_WINDOW)),
              "Common Camera Component Tool Preview Wnd");
    const auto icon =
        reinterpret_cast<LRESULT>(LoadIconA(test::ProductModule(), MAKEINTRESOURCEA(IDI_CAMERA)));
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), icon);
    EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0), icon);

    Resize(dialog, 120, 70);
    EXPECT_EQ(layout(), moved(120, 70));
    Resize(dialog, -90, -90);  // 30 wider and 20 lower than the template
    EXPECT_EQ(layout(), moved(30, 0));
    Resize(dialog, -80, 0);  // smaller than the template: it clips
    EXPECT_EQ(layout(), initial);
  });
}

TEST_F(PreviewDialog, SaveOffersTheFormatsFilterAndCopiesByteForByte) {
  const std::string raw = Write("in.raw", Raw(kRgb565, 176, 144, Encode));
  const struct {
    std::string path;
    int32_t format, size;
    const char *filter, *saved;
  } cases[] = {{FixturePath("jfif_640x128.jpg"), kJpeg, 0, "JPEG Images (*.jpg)", "copy.jpg"},
               {FixturePath("bitmap24_16x8.bmp"), kBitmap, 0, "Bitmap Images (*.bmp)", "copy.bmp"},
               {raw, kRgb565, kQcif, "RAW Images (*.raw)", "copy.raw"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    CPreviewDlg preview(c.path.c_str(), &folder, &fileName, c.format, c.size);
    ASSERT_TRUE(preview.OpenImageFile());
    Run(preview, [&](HWND dialog) {
      EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
        HWND types = test::FindChildById(saveAs, kFileTypeCombo);
        char text[64] = "";
        SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 1);
        EXPECT_STREQ(text, c.filter);
        SaveAs(saveAs, "copy");  // the extension comes from the filter
      }));
    });
    EXPECT_EQ(ReadBytes(File(root + "\\" + c.saved)), ReadBytes(c.path));
  }
}

TEST_F(PreviewDialog, SaveStartsWhereTheLastSaveWent) {
  const std::string source = FixturePath("jfif_640x128.jpg");
  const std::string other = Folder(root + "\\other");
  CPreviewDlg preview(source.c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), root + "|capture");
      SaveAs(saveAs, "shot");
    }));
    EXPECT_EQ(Remembered(), root + "|shot");
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), root + "|shot");
      SaveAs(saveAs, other + "\\copy.v2.jpg");
    }));
  });
  EXPECT_EQ(ReadBytes(File(root + "\\shot.jpg")), ReadBytes(source));
  EXPECT_EQ(ReadBytes(File(other + "\\copy.v2.jpg")), ReadBytes(source));
  // The caller keeps the strings: its next preview starts there too.
  CPreviewDlg next(source.c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(next.OpenImageFile());
  Run(next, [&](HWND dialog) {
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) {
      EXPECT_EQ(Proposed(saveAs), other + "|copy.v2");
      test::ClickButton(saveAs, IDCANCEL);
    }));
  });
  EXPECT_EQ(Remembered(), other + "|copy.v2");
}

TEST_F(PreviewDialog, FailedCopyIsReportedAndTheDialogStaysOpen) {
  // A target another program holds open, and one in a missing folder.
  // (Under Wine, run as root, a read-only target does not stop a copy.)
  const std::string busy = Write("busy.jpg", Bytes{1, 2, 3});
  fw::UniqueFile held(
      CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  CPreviewDlg preview(FixturePath("jfif_640x128.jpg").c_str(), &folder, &fileName, kJpeg, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  Run(preview, [&](HWND dialog) {
    test::ExpectMessageBox replace(1, IDYES);  // Save As asks before replacing
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) { SaveAs(saveAs, busy); }));
    EXPECT_EQ(replace.Count(), 1u);
    EXPECT_TRUE(Save(dialog, [&](HWND saveAs) { SaveAs(saveAs, root + "\\missing\\new.jpg"); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
  });
  held.Reset();
  ASSERT_EQ(test::MessageRecorder::Messages().size(), 2u);
  for (const auto& message : test::MessageRecorder::Messages()) {
    EXPECT_EQ(message.title, "Error Saving File");
    EXPECT_EQ(message.text.rfind("There was an error saving this file. Please make sure", 0), 0u);
    EXPECT_EQ(message.flags, MB_ICONHAND);
  }
  EXPECT_EQ(ReadBytes(busy), (Bytes{1, 2, 3}));
  EXPECT_EQ(Remembered(), root + "|capture");
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

// Records the help requests a window receives, then lets it handle them.
class HelpRequests : public fw::Window {
 public:
  std::vector<std::vector<INT_PTR>> seen;  // wParam, then the record's fields

 protected:
  FW_BEGIN_MESSAGES(HelpRequests)
  FW_MESSAGE(WM_HELP, OnHelp)
  FW_END_MESSAGES(fw::Window)
  LRESULT OnHelp(const fw::Message& m, bool& handled) {
    const auto& info = *reinterpret_cast<const HELPINFO*>(m.lParam);
    seen.push_back({static_cast<INT_PTR>(m.wParam), static_cast<INT_PTR>(info.cbSize),
                    info.iContextType, info.iCtrlId, reinterpret_cast<INT_PTR>(info.hItemHandle),
                    static_cast<INT_PTR>(info.dwContextId), info.MousePos.x, info.MousePos.y});
    handled = false;
    return 0;
  }
};

TEST_F(PreviewDialog, HelpButtonAndF1ReachTheCameraControlAtTopicOne) {
  test::HostedControl host;
  HelpRequests requests;
  ASSERT_TRUE(requests.Subclass(host.Dialog()));
  CPreviewDlg preview(FixturePath("bitmap24_16x8.bmp").c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(preview.OpenImageFile());
  test::HelpCatcher catcher;
  HWND save = nullptr;
  Run(
      preview,
      [&](HWND dialog) {
        save = GetDlgItem(dialog, IDC_PREVIEW_SAVE);
        test::ClickButton(dialog, IDHELP);
        EXPECT_TRUE(PressF1(save));
      },
      host.Dialog());
  const INT_PTR size = sizeof(HELPINFO), saveHandle = reinterpret_cast<INT_PTR>(save);
  ASSERT_EQ(requests.seen.size(), 2u);
  EXPECT_EQ(requests.seen[0], (std::vector<INT_PTR>{0, size, HELPINFO_WINDOW, 0, 0, 1, 0, 0}));
  requests.seen[1].resize(6);  // F1: where the mouse was is the system's
  EXPECT_EQ(requests.seen[1],
            (std::vector<INT_PTR>{0, size, HELPINFO_WINDOW, IDC_PREVIEW_SAVE, saveHandle, 1}));

  std::string file = test::ProductPath();
  file = file.substr(0, file.rfind('\\') + 1) + "cmn_camera_control_rd.hlp";
  ASSERT_EQ(catcher.Requests().size(), 2u);
  for (const test::HelpRequest& request : catcher.Requests()) {
    EXPECT_EQ(request.file, file);
    EXPECT_EQ(request.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(request.data, 1);
  }
}

TEST_F(PreviewDialog, ViewWithoutABitmapStaysWhiteWithHiddenScrollBars) {
  fw::UniqueWindow parent(CreateWindowExA(WS_EX_TOPMOST, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                          300, 200, nullptr, nullptr, nullptr, nullptr));
  CPreviewWnd view;
  ASSERT_TRUE(view.Create(parent.Get(), {0, 0, 300, 200}, "", kViewStyle, 0, IDC_PREVIEW_WINDOW));
  CRawImage shown, unloaded;  // the second has a size but no picture
  const std::string path = Write("vga.raw", Raw(kRgb565, 640, 480, Encode));
  ASSERT_TRUE(shown.SetFormatAndSize(kRgb565, kVga) && shown.LoadFromFile(path.c_str()));
  ASSERT_TRUE(unloaded.SetFormatAndSize(kRgb565, kVga));
  view.SetImage(&shown);
  view.ShowImage();
  EXPECT_EQ(ScrollBars(view.Hwnd()), std::make_pair(kUsable, kUsable));
  view.SetImage(&unloaded);
  view.ShowImage();
  EXPECT_EQ(ScrollBars(view.Hwnd()), std::make_pair(kHidden, kHidden));
  EXPECT_EQ(view.PictureBitmap(), nullptr);
  ExpectShows(Capture(view.Hwnd()), 0, 0, nullptr);
}

TEST_F(PreviewDialog, OpenImageFileTakesRawFormatsOnlyWithAConversionAndASize) {
  const std::string jpeg = FixturePath("jfif_640x128.jpg");
  const std::string rgb565 = Write("rgb565.raw", Bytes(640 * 480 * 2, 0x5A));
  const struct {
    std::string path;
    int32_t format, size;
    bool opens;
  } cases[] = {
      {Write("rgb444.raw", Bytes(176 * 144 * 3, 0x5A)), kRgb444, kQcif, false},
      {rgb565, kRgb565, 128, false},  // a size code without raw dimensions
      {rgb565, kRgb565, kVga, true},
      {jpeg, kRgb565, kQcif, false},  // taken as raw data, and too short
      {jpeg, kJpeg, 0, true},
      {jpeg, 2, 0, true},  // YUV and Test JBS28 arrive as picture files
      {jpeg, 2048, 0, true},
      {FixturePath("missing.jpg"), kJpeg, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " as " << c.format << ", " << c.size);
    CPreviewDlg preview(c.path.c_str(), &folder, &fileName, c.format, c.size);
    EXPECT_EQ(preview.OpenImageFile(), c.opens);
    CImageBase* opened = preview.Image();
    EXPECT_EQ(opened != nullptr, c.opens);
    EXPECT_FALSE(c.opens && preview.OpenImageFile()) << "a second picture";
    EXPECT_EQ(preview.Image(), opened);
  }
}

TEST_F(PreviewDialog, HundredPreviewsLeaveNothingBehind) {
  using test::ProcessUsage;
  {  // the counters see what is made
    const ProcessUsage empty = ProcessUsage::Measure();
    fw::UniqueBrush brush(CreateSolidBrush(0));
    fw::UniqueHandle<fw::ClosedBy<HANDLE, CloseHandle>> event(CreateEventA(nullptr, 0, 0, nullptr));
    ASSERT_EQ(ProcessUsage::GdiObjects(), empty.gdiObjects + 1);
    ASSERT_EQ(ProcessUsage::KernelHandles(), empty.kernelHandles + 1);
  }
  const struct {
    std::string path;
    int32_t format, size;
  } pictures[] = {{FixturePath("jfif_640x480.jpg"), kJpeg, 0},
                  {Write("vga565.raw", Raw(kRgb565, 640, 480, Encode)), kRgb565, kVga},
                  {Write("vga888.raw", Raw(kRgb888, 640, 480, Encode)), kRgb888, kVga}};
  const int kWarmUp = 3, kCycles = 100;
  CPreviewDlg* shown = nullptr;
  HDC memoryDC = nullptr;
  HBITMAP picture = nullptr;
  test::WhenDialog close(
      "Image Preview",
      [&](HWND dialog) {
        memoryDC = shown->PreviewWindow().MemoryDC();
        picture = shown->PreviewWindow().PictureBitmap();
        test::ClickButton(dialog, IDOK);
      },
      kWarmUp + kCycles);
  int survivors = 0;  // GDI objects of a closed preview still there
  const auto preview = [&](int i) {
    const auto& p = pictures[i % 3];
    {
      CPreviewDlg dialog(p.path.c_str(), &folder, &fileName, p.format, p.size);
      ASSERT_TRUE(dialog.OpenImageFile());
      shown = &dialog;
      memoryDC = nullptr, picture = nullptr;
      dialog.ShowModal(owner.Get(), 0);
      ASSERT_TRUE(memoryDC && picture);
    }
    survivors += (GetObjectType(memoryDC) != 0) + (GetObjectType(picture) != 0);
  };
  for (int i = 0; i < kWarmUp; ++i)
    preview(i);
  const ProcessUsage before = ProcessUsage::Measure();
  for (int i = 0; i < kCycles; ++i)
    preview(i);
  const ProcessUsage after = ProcessUsage::Measure();
  EXPECT_EQ(close.Handled(), size_t{kWarmUp + kCycles});
  EXPECT_EQ(survivors, 0);
  printf(
      "after %d previews: GDI objects %ld -> %ld, kernel handles %ld -> %ld, heap blocks %zu -> "
      "%zu, heap bytes %zu -> %zu, pagefile bytes %zu -> %zu\n",
      kCycles, before.gdiObjects, after.gdiObjects, before.kernelHandles, after.kernelHandles,
      before.heapBlocks, after.heapBlocks, before.heapBytes, after.heapBytes, before.pagefileBytes,
      after.pagefileBytes);
  // One object, handle or heap block left per preview would add 100.
  EXPECT_LE(after.gdiObjects, before.gdiObjects);
  EXPECT_LE(after.kernelHandles, before.kernelHandles);
  EXPECT_LE(after.heapBlocks, before.heapBlocks + 10);
  EXPECT_LE(after.heapBytes, before.heapBytes + 16384);
  EXPECT_LE(after.pagefileBytes, before.pagefileBytes + (1 << 20));  // a VGA picture is 1.2 MB
}
}  // namespace
