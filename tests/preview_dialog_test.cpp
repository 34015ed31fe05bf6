// The Image Preview dialog run modally: view, scrolling, layout, Save, help,
// keys (Return presses the focused button, Escape closes), no view. (Leaks of many previews:
// stress_test and long_use_test.)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/module.h"
#include "imaging/preview_dialog.h"
#include "tests/support/help_catcher.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

constexpr int32_t kBitmap = 1, kJpeg = 4, kRgb888 = 512, kVga = 64;
const std::string kFixtures = std::string("Z:") + KVR_SOURCE_DIR + "/tests/fixtures/images/";
// A colour for each pixel of a VGA picture: x and y in red, green and blue.
const auto Encode = [](int x, int y) { return RGB(x & 255, y & 255, x >> 8 | (y >> 8) << 4); };

// The colour a window shows at (x, y) of its client area, repainted first.
COLORREF Pixel(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  return GetPixel(fw::WindowDC(window).Get(), x, y);
}

// The view shows the picture unscaled from (x, y), and its scroll boxes say so.
void ExpectViewAt(HWND view, int x, int y) {
  RECT c = {};
  GetClientRect(view, &c);
  EXPECT_EQ(Pixel(view, 0, 0), Encode(x, y)) << x << ", " << y;
  EXPECT_EQ(Pixel(view, c.right - 1, c.bottom - 1), Encode(x + c.right - 1, y + c.bottom - 1));
  EXPECT_EQ(GetScrollPos(view, SB_HORZ) << 16 | GetScrollPos(view, SB_VERT), x << 16 | y);
}

// Moves the focus to `button` as Tab moves it (which makes a button the
// default), then gives `key` to the dialog as its loop reads it.
void Key(HWND dialog, int button, WPARAM key) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, button)), 1);
  MSG msg = {GetFocus(), WM_KEYDOWN, key, 1, 0, {0, 0}};
  IsDialogMessageA(dialog, &msg);
}

// Return on Save; Save As must propose "folder|name|its filter"; saves as `name`.
void Save(HWND preview, const std::string& proposed, const std::string& name) {
  test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    HWND types = test::FindChildById(dialog, 0x470), box = test::FindChildById(dialog, 0x47c);
    EXPECT_EQ(std::string(folder) + "|" + test::WindowText(box) + "|" + test::WindowText(types),
              proposed);
    SetWindowTextA(box, name.c_str());
    test::ClickButton(dialog, IDOK);
  });
  Key(preview, IDC_PREVIEW_SAVE, VK_RETURN);
  EXPECT_EQ(saveAs.Handled(), 1u);
}

// The system refuses the view window, as it does when the view's window
// class cannot be registered.
LRESULT CALLBACK RefuseView(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const char* name = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->lpszName;
    if (!IS_INTRESOURCE(name) && strcmp(name, "Common Camera Component Tool Preview Wnd") == 0)
      return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(PreviewDialog, ShowsScrollsLaysOutSavesAsksForHelpAndTakesKeys) {
  fw::Module::SetResourceInstance(test::ProductModule());  // the dialog and its strings
  const std::filesystem::path start = std::filesystem::current_path();
  const std::string root = (std::filesystem::temp_directory_path() / "kvr_preview_test").string();
  std::filesystem::remove_all(root);  // what a failed run left
  std::filesystem::create_directories(root + "\\other");
  PreviewPath folder = {}, fileName = "capture";  // where Save starts, then what it remembers
  strcpy(folder, root.c_str());
  test::HostedControl host;  // owns the previews and opens the help they ask for
  test::HelpCatcher help;
  // Opens the picture, runs the preview and `inside` on it, then Close.
  auto Run = [&](const std::string& path, int32_t format, int32_t size, auto inside) {
    CPreviewDlg preview(path.c_str(), &folder, &fileName, format, size);
    ASSERT_TRUE(preview.OpenImageFile());
    test::WhenDialog dialog("Image Preview", [&](HWND dialog) {
      SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      inside(dialog);
      test::ClickButton(dialog, IDOK);
    });
    preview.ShowModal(host.Dialog(), 0);
  };
  const std::string bitmap = kFixtures + "bitmap24_16x8.bmp", jpeg = kFixtures + "jfif_640x128.jpg";
  Run(bitmap, kBitmap, 0, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
    SendMessageA(view, WM_VSCROLL, SB_LINEDOWN, 0);  // changes nothing
    // Red top left, yellow bottom right, white around.
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ((std::vector{Pixel(view, 0, 0), Pixel(view, 15, 7), Pixel(view, 16, 7),
                           Pixel(view, 15, 8)}),
              (std::vector{RGB(255, 0, 0), RGB(255, 255, 0), white, white}));
    Key(dialog, IDHELP, VK_RETURN);
    const UINT keyF1 = 0x004D;  // what the system makes of F1; it ends in WM_HELP
    SendMessageA(GetDlgItem(dialog, IDOK), keyF1, 0, 0);
    Save(dialog, root + "|capture|Bitmap Images (*.bmp)", "shot");
  });
  ASSERT_EQ(help.Requests().size(), 2u);  // Return on Help's and F1's, both at topic 1
  EXPECT_TRUE(help.Requests()[0].data == 1 && help.Requests()[1].data == 1);
  Run(jpeg, kJpeg, 0, [&](HWND dialog) {
    Save(dialog, root + "|shot|JPEG Images (*.jpg)", root + "\\other\\copy.v2.jpg");
    Key(dialog, IDC_PREVIEW_SAVE, VK_ESCAPE);  // closes whatever has the focus
    EXPECT_FALSE(IsWindowVisible(dialog));
  });
  // Saved with the default extension.
  EXPECT_NE(GetFileAttributesA((root + "\\shot.bmp").c_str()), INVALID_FILE_ATTRIBUTES);

  std::string raw;
  for (int i = 0, x = 0, y = 0; i < 640 * 480; ++i, x = i % 640, y = i / 640)
    raw += {char(x), char(y), char(x >> 8 | (y >> 8) << 4)};
  std::ofstream(root + "\\vga.raw", std::ios::binary) << raw;
  // The product's RAW has no pixel layout: it does not open (other codes:
  // imaging_test and the native converter test).
  EXPECT_FALSE(
      CPreviewDlg((root + "\\vga.raw").c_str(), &folder, &fileName, 8, kVga).OpenImageFile());
  Run(root + "\\vga.raw", kRgb888, kVga, [&](HWND dialog) {
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
    RECT client = {}, window = {}, now = {}, moved[3];
    GetClientRect(view, &client);
    const LONG w = client.right, h = client.bottom;
    // Each request and the picture pixel then at the view's top left. A page is
    // the view's width, which depends on the dialog font.
    const UINT H = WM_HSCROLL, V = WM_VSCROLL;
    const WPARAM track = MAKEWPARAM(SB_THUMBTRACK, 100), end = MAKEWPARAM(SB_THUMBPOSITION, 9999);
    const LONG page = std::min(1 + w, 640 - w);  // after one page right
    const std::tuple<UINT, WPARAM, LONG, LONG> steps[] = {
        {H, SB_LINERIGHT, 1, 0},
        {H, SB_PAGERIGHT, page, 0},
        {H, SB_PAGELEFT, std::max(0L, page - w), 0},
        {H, track, 100, 0},
        {V, SB_LINEDOWN, 100, 1},
        {V, SB_PAGEDOWN, 100, 1 + h},
        {V, SB_PAGEUP, 100, 1},
        {V, end, 100, 480 - h},
        {H, end, 640 - w, 480 - h}};
    for (auto [message, request, x, y] : steps) {
      SendMessageA(view, message, request, 0);
      ExpectViewAt(view, x, y);
    }
    // 100 x 60 larger: the buttons move, the view grows (its scroll limits drop).
    const int buttons[] = {IDC_PREVIEW_SAVE, IDOK, IDHELP};
    for (int i = 0; i < 3; ++i) {
      GetWindowRect(GetDlgItem(dialog, buttons[i]), &moved[i]);
      OffsetRect(&moved[i], 100, 60);
    }
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 100,
                 window.bottom - window.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(GetWindowRect(GetDlgItem(dialog, buttons[i]), &now) && EqualRect(&now, &moved[i]))
          << buttons[i];
    ExpectViewAt(view, 540 - w, 420 - h);

    Save(dialog, root + "\\other|copy.v2|RAW Images (*.raw)", root + "\\missing\\new.raw");
    ASSERT_EQ(test::ShownMessages().size(), 1u);
    EXPECT_EQ(test::ShownMessages()[0].rfind("Error Saving File|There was an error saving", 0), 0u);
    Key(dialog, IDOK, VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(dialog));
  });

  // Without its view the dialog says the picture cannot be shown instead of
  // opening empty (which would wait for the watchdog).
  test::MessageRecorder::Clear();
  CPreviewDlg refused(bitmap.c_str(), &folder, &fileName, kBitmap, 0);
  ASSERT_TRUE(refused.OpenImageFile());
  HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseView, nullptr, GetCurrentThreadId());
  refused.ShowModal(host.Dialog(), 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(test::ShownMessages(), std::vector{test::Msg(148, 147)});
  std::filesystem::current_path(start);  // Save As made the last folder current
  std::filesystem::remove_all(root);
}

}  // namespace
