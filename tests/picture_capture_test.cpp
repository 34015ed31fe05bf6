// The two picture capture pages as the user works them: lists, enabling,
// Preview, Save on the PC and on the product, failures, and what reaches
// the Camera Test page.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

using Texts = std::vector<std::string>;
constexpr int kFileTypeCombo = 0x470, kFileNameBox = 0x47c;  // in the Save As dialog
constexpr long kAllBits = -1;
const char kPreview[] = "Image Preview";

// "title|text" of the message with these string ids.
std::string Msg(UINT titleId, UINT textId) {
  char title[64] = "", text[512] = "";
  LoadStringA(test::ProductModule(), titleId, title, sizeof title);
  LoadStringA(test::ProductModule(), textId, text, sizeof text);
  return std::string(title) + "|" + text;
}

std::string PictureFile() {
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The items of a list box or combo box as "text=value".
Texts Items(HWND list, bool combo = false) {
  Texts items;
  for (int i = 0; i < SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0); ++i) {
    char text[64] = "";
    SendMessageA(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(
        std::string(text) + "=" +
        std::to_string(SendMessageA(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, i, 0)));
  }
  return items;
}

// Which of `ids` are enabled, as a string of 0 and 1.
std::string Enabled(HWND page, std::initializer_list<int> ids) {
  std::string states;
  for (int id : ids)
    states += IsWindowEnabled(GetDlgItem(page, id)) ? '1' : '0';
  return states;
}

class CapturePage : public testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, startFolder);
    GetTempPathA(MAX_PATH, tempFolder);
    root.assign(tempFolder, strlen(tempFolder) - 1);  // without the closing backslash
  }
  void TearDown() override {
    SetCurrentDirectoryA(startFolder);                          // Save As moves it
    for (const test::ServerCall& call : host.Server().Calls())  // the captures saved
      DeleteFileA(call.Text().c_str());
  }

  // Starts the control in `mode` and opens the capture page (tab 1).
  void Open(long mode, bool cameraOn) {
    host.Server().SetProductMode(mode);
    ASSERT_EQ(host.Start(), S_OK);
    if (cameraOn) host.Click(host.Dialog(), IDC_CAMERA_ON);
    ASSERT_TRUE(host.SelectTab(1));
    page = host.CurrentPage();
  }
  void Select(int listId, int index) {
    SendMessageA(GetDlgItem(page, listId), LB_SETCURSEL, index, 0);
  }
  // Clicks `button`; notes the filter Save As offers and the folder and name
  // it proposes, then saves as `name` in the temporary folder (or cancels).
  std::string ClickSaveAs(int button, const std::string& name) {
    std::string filter = "no Save As";
    test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
      const Texts filters = Items(test::FindChildById(dialog, kFileTypeCombo), true);
      filter = filters.size() == 1 ? filters[0] : std::to_string(filters.size()) + " filters";
      char folder[MAX_PATH] = "";
      SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
      HWND fileName = test::FindChildById(dialog, kFileNameBox);
      proposed = std::string(folder) + "|" + test::WindowText(fileName);
      SetWindowTextA(fileName, (root + "\\" + name).c_str());
      test::ClickButton(dialog, name.empty() ? IDCANCEL : IDOK);
    });
    host.Click(page, button);
    return filter.substr(0, filter.find('='));
  }
  // Picks camera `index` from the drop-down list as the combo box reports
  // it: a new selection, then the choice made.
  void PickCamera(int index) {
    HWND combo = GetDlgItem(page, IDC_CAMERA_NUMBER);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
      SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, code),
                   reinterpret_cast<LPARAM>(combo));
  }
  // The arguments the Camera Test page starts its next test with.
  std::string CameraTestStart() {
    host.SelectTab(0);
    test::WhenDialog wait("Please Wait...",
                          [&](HWND) { host.Server().FireCameraTestFinished({}); });
    host.Click(host.CurrentPage(), IDC_TEST);
    host.SelectTab(1);
    const Texts starts = host.Server().CallStrings("StartCameraTest");
    return starts.empty() ? "none" : starts.back();
  }
  std::string LastCall() {
    return host.Server().Calls().empty() ? "none" : host.Server().Calls().back().ToString();
  }

  char startFolder[MAX_PATH] = "", tempFolder[MAX_PATH] = "";
  std::string root, proposed;
  test::HostedControl host;
  HWND page = nullptr;
};

using PictureCapture = CapturePage;  // mode 2

TEST_F(PictureCapture, ListsFollowTheMasksAndTheNameFollowsLocationAndCamera) {
  host.Server().SetFormatMask(0x400 | 0x2000 | 0x8 | 0x4);  // two of the page's formats
  host.Server().SetSizeMask(kAllBits);
  Open(2, false);
  EXPECT_EQ(Items(GetDlgItem(page, IDC_FORMAT_LIST)), (Texts{"JPEG=4", "Bayer=1024"}));
  EXPECT_EQ(Items(GetDlgItem(page, IDC_SIZE_LIST)),
            (Texts{"Tiny=4096", "SubQCif=2", "QQVGA=16", "QCIF=4", "QVGA=32", "CIF=8", "VGA=64",
                   "Photo=2048", "SGA=1024", "XGA=512", "SXGA=256", "MPIX=128"}));
  const auto ids = {IDC_LOCATION_PRODUCT, IDC_FORMAT_LIST,       IDC_PREVIEW, IDC_SAVE,
                    IDC_PRODUCT_NAME,     IDC_PRODUCT_NAME_GROUP};
  EXPECT_EQ(Enabled(page, ids), "000000");
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  EXPECT_EQ(Enabled(page, ids), "111100");
  host.Click(page, IDC_LOCATION_PRODUCT);
  EXPECT_EQ(Enabled(page, ids), "111111");
  SetWindowTextA(GetDlgItem(page, IDC_PRODUCT_NAME), "kept");
  host.Click(host.Dialog(), IDC_VIEWFINDER_ON);
  EXPECT_EQ(Enabled(page, ids), "000000");
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.Click(page, IDC_LOCATION_PC);
  EXPECT_EQ(Enabled(page, ids), "111100");
  EXPECT_EQ(test::WindowText(GetDlgItem(page, IDC_PRODUCT_NAME)), "kept");

  Select(IDC_FORMAT_LIST, -1);
  host.Click(page, IDC_SAVE);
  EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_FORMAT_LIST));
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(140, 139)});
}

TEST_F(PictureCapture, PreviewShowsATemporaryFileAndAlwaysDeletesIt) {
  host.Server().SetCaptureContent(PictureFile());
  Open(2, true);
  host.Click(page, IDC_LOCATION_PRODUCT);  // a preview still goes through the PC
  struct {
    HRESULT result;
    std::string content, shown;
  } cases[] = {{S_OK, PictureFile(), ""},
               {static_cast<HRESULT>(0x80040410), "", Msg(144, 201)},
               {static_cast<HRESULT>(0x8004041D), "", Msg(144, 145)},
               {S_OK, "not a picture", Msg(148, 147)}};
  for (const auto& c : cases) {
    host.Server().SetResult("CaptureToFile", c.result);
    host.Server().SetCaptureContent(c.content);
    test::MessageRecorder::Clear();
    std::string shown = "no preview";
    test::WhenDialog preview(kPreview, [&](HWND dialog) {
      shown = std::to_string(GetWindow(dialog, GW_OWNER) == GetAncestor(host.Dialog(), GA_ROOT)) +
              std::to_string(GetFileAttributesA(host.Server().Calls().back().Text().c_str()) !=
                             INVALID_FILE_ATTRIBUTES);
      test::ClickButton(dialog, IDOK);
    });
    host.Click(page, IDC_PREVIEW);
    EXPECT_EQ(shown, c.shown.empty() ? "11" : "no preview");
    EXPECT_EQ(test::ShownMessages(), c.shown.empty() ? Texts{} : Texts{c.shown});
    const test::ServerCall& capture = host.Server().Calls().back();
    EXPECT_EQ(capture.ToString(), "CaptureToFile(\"" + capture.Text() + "\",4,2,0)");
    EXPECT_EQ(capture.Text().rfind(root + "\\cc", 0), 0u) << capture.Text();
    EXPECT_EQ(GetFileAttributesA(capture.Text().c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(PictureCapture, SaveOnThePcOffersTheFormatsFilterAndRemembersWhereItWent) {
  Open(2, true);
  EXPECT_EQ(ClickSaveAs(IDC_SAVE, ""), "JPEG Images (*.jpg)");
  EXPECT_EQ(proposed.substr(proposed.find('|')), "|Image1");
  EXPECT_EQ(ClickSaveAs(IDC_SAVE, "shot"), "JPEG Images (*.jpg)");
  EXPECT_EQ(LastCall(), "CaptureToFile(\"" + root + "\\shot.jpg\",4,2,0)");
  Select(IDC_FORMAT_LIST, 1);  // RGB 565
  Select(IDC_SIZE_LIST, 5);    // VGA
  EXPECT_EQ(ClickSaveAs(IDC_SAVE, "a.b.raw"), "RAW Images (*.raw)");
  EXPECT_EQ(proposed, root + "|shot");
  EXPECT_EQ(LastCall(), "CaptureToFile(\"" + root + "\\a.b.raw\",32,64,0)");
  host.Server().SetResult("CaptureToFile", static_cast<HRESULT>(0x80040412));
  ClickSaveAs(IDC_SAVE, "c");
  EXPECT_EQ(proposed, root + "|a.b");

  // On the product: the name as typed, no Save As.
  host.Click(page, IDC_LOCATION_PRODUCT);
  HWND name = GetDlgItem(page, IDC_PRODUCT_NAME);
  host.Click(page, IDC_SAVE);
  EXPECT_EQ(GetFocus(), name);
  test::Type(name, "Pics\\one");
  host.Click(page, IDC_SAVE);
  host.Server().SetResult("CaptureToProduct", E_FAIL);
  host.Click(page, IDC_SAVE);
  EXPECT_EQ(host.Server().CallStrings("CaptureToProduct"),
            Texts(2, "CaptureToProduct(\"Pics\\one\",32,64)"));
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(102, 220), Msg(102, 220), Msg(146, 203),
                                          Msg(158, 157), Msg(102, 220), Msg(146, 145)}));
}

using ProductCapture = CapturePage;  // mode 4

TEST_F(ProductCapture, ChosenCameraSetsListsAndFlashlightAndReachesTheCameraTest) {
  host.Server().SetCameraCount(3);
  host.Server().SetCameraConfig(0, {kAllBits, kAllBits, 1});
  host.Server().SetCameraConfig(2, {4, 0x40, 0});
  Open(4, false);
  HWND formats = GetDlgItem(page, IDC_FORMAT_LIST), sizes = GetDlgItem(page, IDC_SIZE_LIST);
  EXPECT_EQ(Items(formats), (Texts{"Bitmap=1", "YUV=2", "JPEG=4", "RAW=8", "Test JBS28=2048",
                                   "Test A5A5=4096", "Test Colour Bar=8192"}));
  EXPECT_EQ(Items(sizes), (Texts{"Tiny=4096", "CIF=8", "VGA=64", "Photo=2048", "SGA=1024",
                                 "XGA=512", "SXGA=256", "MPIX=128"}));
  EXPECT_EQ(Items(GetDlgItem(page, IDC_CAMERA_NUMBER), true), (Texts{"1=1", "2=2", "3=3"}));
  const auto flash = {IDC_FLASH_GROUP, IDC_FLASH_OFF, IDC_FLASH_ON, IDC_FLASH_ANTI_RED_EYE};
  EXPECT_EQ(Enabled(page, flash), "1000");

  PickCamera(1);
  EXPECT_EQ(host.Server().CallStrings("GetCameraConfiguration"),
            (Texts{"GetCameraConfiguration(0)", "GetCameraConfiguration(2)"}));
  EXPECT_EQ(Items(formats), Texts{"JPEG=4"});
  EXPECT_EQ(Items(sizes), Texts{"VGA=64"});
  EXPECT_EQ(Enabled(page, flash), "1111");
  host.Click(page, IDC_FLASH_ANTI_RED_EYE);
  EXPECT_EQ(CameraTestStart(), "StartCameraTest(2,2048,64,3,2)");

  host.Server().SetResult("GetCameraConfiguration", E_FAIL);
  PickCamera(2);  // a camera that cannot answer leaves the lists
  EXPECT_EQ(Items(formats), Texts{"JPEG=4"});
  EXPECT_EQ(CameraTestStart(), "StartCameraTest(3,2048,64,3,2)");
  EXPECT_EQ(test::ShownMessages(), Texts{});
  host.Server().FireConnectionStateChanged(0);  // the page disabled, its flashlight frame not
  EXPECT_EQ(Enabled(page, flash), "1000");
}

TEST_F(ProductCapture, PcCaptureOffersTheFormatsFilterAndShowsThePictureAfterAnyWarning) {
  host.Server().SetCameraConfig(0, {kAllBits, 0x8, 0});
  host.Server().SetCaptureContent(PictureFile());
  Open(4, false);
  const std::string bitmap = "Bitmap Images (*.bmp)", raw = "RAW Images (*.raw)";
  const Texts filters = {bitmap, bitmap, "JPEG Images (*.jpg)", raw, bitmap, raw, raw};
  for (int i = 6; i >= 0; --i) {  // ending with Bitmap selected
    Select(IDC_FORMAT_LIST, i);
    EXPECT_EQ(ClickSaveAs(IDC_EPOC_SAVE, ""), filters[i]) << i;
  }
  host.Click(page, IDC_FLASH_ON);
  host.Server().SetResult("CaptureCameraToFile", 0x00040401);
  Texts shownBeforePreview;
  test::WhenDialog preview(kPreview, [&](HWND dialog) {
    shownBeforePreview = test::ShownMessages();
    test::ClickButton(dialog, IDOK);
  });
  ClickSaveAs(IDC_EPOC_SAVE, "pic");
  EXPECT_EQ(LastCall(), "CaptureCameraToFile(\"" + root + "\\pic.bmp\",1,1,8,3,1,0)");
  EXPECT_EQ(shownBeforePreview, Texts{Msg(165, 166)});

  // Without showing, the plain message; a picture that does not load keeps
  // the folder and name as they were.
  host.Click(page, IDC_SHOW_IMAGE_AFTER_SAVE);
  host.Server().SetResult("CaptureCameraToFile", S_OK);
  ClickSaveAs(IDC_EPOC_SAVE, "two");
  EXPECT_EQ(proposed, root + "|pic");
  host.Click(page, IDC_SHOW_IMAGE_AFTER_SAVE);
  host.Server().SetCaptureContent("not a picture");
  ClickSaveAs(IDC_EPOC_SAVE, "bad");
  ClickSaveAs(IDC_EPOC_SAVE, "");
  EXPECT_EQ(proposed, root + "|two");
  EXPECT_EQ(preview.Handled(), 1u);
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(165, 166), Msg(102, 220), Msg(148, 147)}));
}

TEST_F(ProductCapture, ProductCaptureRefreshesTheTestResultsAndUsesTheShortErrorTable) {
  host.Server().SetCameraCount(2);
  Open(4, false);
  host.Click(page, IDC_EPOC_LOCATION_PRODUCT);
  EXPECT_EQ(Enabled(page, {IDC_EPOC_PRODUCT_NAME, IDC_SHOW_IMAGE_AFTER_SAVE}), "10");
  SendMessageA(GetDlgItem(page, IDC_CAMERA_NUMBER), CB_SETCURSEL, 1, 0);
  host.Click(page, IDC_EPOC_SAVE);
  EXPECT_EQ(host.Server().CallStrings("CaptureCameraToProduct"),
            Texts{"CaptureCameraToProduct(\"C:\\Orvik\\Images\\\",2,1,8,3,0)"});
  EXPECT_EQ(LastCall(), "GetCameraTestResults()");  // the Camera Test page refreshes

  for (DWORD code : {0x80040410UL, 0x8004041FUL}) {
    host.Server().SetResult("CaptureCameraToProduct", static_cast<HRESULT>(code));
    host.Click(page, IDC_EPOC_SAVE);
  }
  EXPECT_EQ(host.Server().CallCount("GetCameraTestResults"), 1u);
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(102, 220), Msg(146, 145), Msg(146, 184)}));
}

}  // namespace
