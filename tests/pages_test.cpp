// The property pages as a user drives them, one test per page: what the
// buttons, lists and boxes ask of the server and what the page then shows.
// (Texts longer than the boxes: stress_test; failing servers:
// server_faults_test; enabling per camera state: camera_control_test.)
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using test::Msg;
using Texts = std::vector<std::string>;
const std::string kBitmap = test::FileBytes(test::kImages + "bitmap24_16x8.bmp");

// A control started in `mode` (its server prepared by `setup` first), the
// camera on, on page `tab`.
struct Page {
  using Setup = std::function<void(test::FakeCameraServer&)>;
  explicit Page(int tab, long mode = 2, const Setup& setup = nullptr) {
    if (setup) setup(host.Server());
    hwnd = test::OpenCameraOnPage(host, tab, mode);
  }
  void Click(int id) { host.Click(hwnd, id); }
  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  std::string Text(int id) const { return test::WindowText(Item(id)); }
  // The server's calls since the last time.
  Texts Calls() {
    Texts calls = host.Server().CallStrings();
    host.Server().ClearCalls();
    return calls;
  }
  // Clicks `button` of the page (or of `parent`) and saves as `path`; gives
  // the filter and name Save As offered, keeps the folder it started in.
  std::string SaveAs(int button, const std::string& path, HWND parent = nullptr) {
    std::string offered;
    test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
      HWND file = test::FindChildById(dialog, 0x47c);
      offered = test::WindowText(test::FindChildById(dialog, 0x470)) + "|" + test::WindowText(file);
      char started[MAX_PATH] = "";
      SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof started, reinterpret_cast<LPARAM>(started));
      folder = std::string(started) + "\\";
      SetWindowTextA(file, path.c_str());
      test::ClickButton(dialog, IDOK);
    });
    host.Click(parent ? parent : hwnd, button);
    return offered;
  }

  test::HostedControl host;
  HWND hwnd = nullptr;
  std::string folder;
};

// Read shows each register in every base; a cell is edited in place in its
// base, committed by Return, focus loss or a scroll, thrown away by Escape,
// and written only by Write.
TEST(Pages, RegistersReadEditInPlaceAndWrite) {
  Page page(4);
  HWND list = page.Item(IDC_REGISTER_LIST), edit = FindWindowExA(list, nullptr, "Edit", nullptr);
  page.host.Server().SetRegister(3, 165);
  page.Calls();
  page.Click(IDC_READ);  // the boxes start at 0 and 159
  EXPECT_EQ(page.Calls().size(), 160u);
  EXPECT_EQ(test::RowText(list, 3), "0003 10100101 a5 165");
  const struct {
    int column;
    const char *keys, *end, *boxText, *row;  // end "": the focus moves away; "v": a scroll
  } cases[] = {
      {1, "2a10+1010101", "\r", "10101010", "0003 10101010 aa 170"},  // binary, eight digits
      {2, "xgFFa", "\r", "FF", "0003 11111111 ff 255"},               // two hexadecimal digits
      {3, "3a0f0", "\r", "300", "0003 11111111 ff 255"},              // above 255: ignored
      {3, "1234", "\r", "123", "0003 01111011 7b 123"},               // three decimal digits
      {3, "77", "\x1b", "77", "0003 01111011 7b 123"},                // Escape throws it away
      {3, "77", "", "77", "0003 01001101 4d 077"},                    // losing the focus commits
      {2, "0c", "v", "0c", "0003 00001100 0c 012"},                   // so does scrolling
  };
  for (const auto& c : cases) {
    test::DoubleClickCell(list, 3, c.column);
    test::PressKey(edit, VK_END);
    test::Type(edit, std::string(8, '\b') + c.keys);
    EXPECT_EQ(test::WindowText(edit), c.boxText);
    if (*c.end == 'v')
      SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
    else if (*c.end)
      test::Type(edit, c.end);
    else
      SetFocus(list);
    test::PumpMessages(20);  // the box posts its value to the list
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_EQ(test::RowText(list, 3), c.row) << c.keys;
  }
  EXPECT_TRUE(page.Calls().empty());
  SetDlgItemTextA(page.hwnd, IDC_FIRST_REGISTER, "3");
  SetDlgItemTextA(page.hwnd, IDC_LAST_REGISTER, "3");
  page.Click(IDC_WRITE);
  EXPECT_EQ(page.Calls(), Texts{"WriteRegister(3,12)"});
  EXPECT_TRUE(test::ShownMessages().empty());
  // A range the page cannot read (six characters at most, as a number) is
  // explained, with the focus on the box to correct.
  const struct {
    const char *first, *last;
    UINT text;
    int focus;
  } refused[] = {{"111111", "159", IDS_ERR_REGISTER_RANGE, IDC_FIRST_REGISTER},
                 {"0", "1599999", IDS_ERR_REGISTER_RANGE, IDC_LAST_REGISTER},
                 {"10", "", IDS_ERR_REGISTER_ORDER, IDC_FIRST_REGISTER}};
  for (const auto& r : refused) {
    SetDlgItemTextA(page.hwnd, IDC_FIRST_REGISTER, r.first);
    SetDlgItemTextA(page.hwnd, IDC_LAST_REGISTER, r.last);
    page.Click(IDC_READ);
    EXPECT_EQ(test::ShownMessages(), Texts{Msg(IDS_ERR_REGISTER_NUMBER_TITLE, r.text)}) << r.last;
    EXPECT_EQ(GetFocus(), page.Item(r.focus)) << r.last;
    test::MessageRecorder::Clear();
  }
  EXPECT_TRUE(page.Calls().empty());
}

// Test starts the default camera and flash; the finish event shows the
// values; Cancel ends the wait and a finish after it is ignored; a server
// without the test interface is refused. (A chosen camera: below; the
// seconds counted and a failed test: out_of_process_test, camera_control_test.)
TEST(Pages, CameraTestWaitsForTheValuesOrCancel) {
  test::HostedControl host;
  ASSERT_EQ(host.Start(), S_OK);
  HWND page = host.CurrentPage();
  for (bool cancel : {false, true}) {
    test::WhenDialog wait("Please Wait...", [&](HWND dialog) {
      if (cancel)
        test::ClickButton(dialog, IDC_WAIT_CANCEL);
      else
        host.Server().FireCameraTestFinished({12, -2147483647 - 1, 0, 2147483647, 5, 66, 700});
      if (IsWindowVisible(dialog)) {  // else the watchdog would end it after a minute
        ADD_FAILURE() << "the wait did not end";
        test::ClickButton(dialog, IDC_WAIT_CANCEL);
      }
    });
    host.Click(page, IDC_TEST);
    EXPECT_EQ(wait.Handled(), 1u);
  }
  host.Server().FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(test::TestResultTexts(page),
            (Texts{"12", "-2147483648", "0", "2147483647", "5", "66", "700"}));
  EXPECT_EQ(host.Server().CallStrings("StartCameraTest"),
            Texts(2, "StartCameraTest(1,2048,64,3,0)"));
  host.Server().Offer(IID_ICameraControlFNTest, false);
  host.Click(page, IDC_TEST);  // refused: a Please Wait would fail the watchdog
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER)});
}

// The page lists its formats only; Preview's temporary file goes whether or
// not the picture can be shown; Save As offers the format's type and the
// last name (the preview's Save's too) and starts in the last folder; a
// failed save gives the table's message. The temporary folder and the
// saves' is a new "Bilder-Jörg n" (code page 1252) all the way.
TEST(Pages, PictureCapturePreviewsAndSavesInAFolderBeyondAscii) {
  ASSERT_EQ(GetACP(), 1252u) << "the folder name is written in code page 1252";
  const std::string start = std::string(getenv("TEMP")) + "\\",
                    temp = start + "Bilder-J\xf6rg " + std::to_string(GetTickCount()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));  // a new one: nothing left there before
  SetEnvironmentVariableA("TMP", temp.c_str());
  Page page(1, 2, [](test::FakeCameraServer& server) {
    server.SetFormatMask(0x400 | 0x20 | 0x8 | 0x4);  // 0x8 is no format of this page
  });
  EXPECT_EQ(test::ListItems(page.Item(IDC_FORMAT_LIST)), (Texts{"JPEG", "RGB 565", "Bayer"}));
  test::WhenDialog preview("Image Preview", [&](HWND dialog) {
    page.SaveAs(IDC_PREVIEW_SAVE, temp + "copy.jpg", dialog);
    test::ClickButton(dialog, IDOK);
  });
  for (const std::string& content : {kBitmap, std::string("not a picture")}) {
    page.host.Server().SetCaptureContent(content);
    page.Click(IDC_PREVIEW);
    const std::string path = page.host.Server().Calls().back().Text();
    EXPECT_EQ(page.Calls().back(), "CaptureToFile(\"" + path + "\",4,2,0)");
    EXPECT_EQ(path.rfind(temp + "cc", 0), 0u) << path;
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }
  SetEnvironmentVariableA("TMP", start.c_str());
  EXPECT_EQ(preview.Handled(), 1u);
  page.host.Server().SetCaptureContent(kBitmap);
  EXPECT_EQ(page.SaveAs(IDC_SAVE, temp + "shot"), "JPEG Images (*.jpg)|copy");
  EXPECT_EQ(page.Calls(), Texts{"CaptureToFile(\"" + temp + "shot.jpg\",4,2,0)"});
  SendMessageA(page.Item(IDC_FORMAT_LIST), LB_SETCURSEL, 1, 0);  // RGB 565
  page.host.Server().SetResult("CaptureToFile", 0x80040412);
  EXPECT_EQ(page.SaveAs(IDC_SAVE, "a.raw"), "RAW Images (*.raw)|shot");
  EXPECT_EQ(page.folder, temp);
  EXPECT_EQ(page.Calls(), Texts{"CaptureToFile(\"" + temp + "a.raw\",32,2,0)"});
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(148, 147), Msg(102, 220), Msg(146, 203)}));
  for (const char* name : {"copy.jpg", "shot.jpg"}) {
    EXPECT_EQ(test::FileBytes(temp + name), kBitmap) << name;
    EXPECT_TRUE(DeleteFileA((temp + name).c_str())) << name;
  }
  SetCurrentDirectoryA(start.c_str());          // Save As made the folder current
  EXPECT_TRUE(RemoveDirectoryA(temp.c_str()));  // no other file left there
}

// The product page lists the chosen camera's formats and sizes, offers the
// flashlight it has, and hands camera and flash to the capture and the test.
TEST(Pages, ProductCaptureAndTheCameraTestUseTheChosenCameraAndFlashlight) {
  const std::string temp = std::string(getenv("TEMP")) + "\\";
  Page page(1, 4, [](test::FakeCameraServer& server) {
    server.SetCameraCount(2);
    server.SetCameraConfig(0, {0x2009, 0x8, 1});  // no flashlight
    server.SetCameraConfig(2, {0x806, 0x40, 0});  // a flashlight
    server.SetCaptureContent(kBitmap);
  });
  EXPECT_EQ(test::ListItems(page.Item(IDC_FORMAT_LIST)),
            (Texts{"Bitmap", "RAW", "Test Colour Bar"}));
  EXPECT_FALSE(IsWindowEnabled(page.Item(IDC_FLASH_ON)));
  SendMessageA(page.Item(IDC_CAMERA_NUMBER), CB_SETCURSEL, 1, 0);  // the second camera
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
    SendMessageA(page.hwnd, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, code), 0);
  EXPECT_EQ(test::ListItems(page.Item(IDC_FORMAT_LIST)), (Texts{"YUV", "JPEG", "Test JBS28"}));
  EXPECT_EQ(test::ListItems(page.Item(IDC_SIZE_LIST)), Texts{"VGA"});
  page.Click(IDC_FLASH_ANTI_RED_EYE);     // enabled now
  page.Click(IDC_EPOC_LOCATION_PRODUCT);  // a picture kept on the phone needs a name
  SetDlgItemTextA(page.hwnd, IDC_EPOC_PRODUCT_NAME, "");
  page.Click(IDC_EPOC_SAVE);
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(IDS_ERR_NO_FILENAME_TITLE, IDS_ERR_NO_FILENAME)});
  EXPECT_EQ(GetFocus(), page.Item(IDC_EPOC_PRODUCT_NAME));
  test::MessageRecorder::Clear();
  page.Click(IDC_LOCATION_PC);

  // YUV with part of the data missing: the warning, then the picture.
  test::WhenDialog preview("Image Preview", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  page.host.Server().SetResult("CaptureCameraToFile", 0x00040401);
  page.Calls();
  EXPECT_EQ(page.SaveAs(IDC_EPOC_SAVE, temp + "pic.bmp"), "Bitmap Images (*.bmp)|Image1");
  EXPECT_EQ(page.Calls(), Texts{"CaptureCameraToFile(\"" + temp + "pic.bmp\",2,2,64,3,2,0)"});
  EXPECT_EQ(preview.Handled(), 1u);
  EXPECT_EQ(test::ShownMessages(), Texts{Msg(165, 166)});
  EXPECT_TRUE(DeleteFileA((temp + "pic.bmp").c_str()));
  page.host.SelectTab(0);
  test::WhenDialog wait("Please Wait...",
                        [&](HWND) { page.host.Server().FireCameraTestFinished({}); });
  page.host.Click(page.host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(page.host.Server().CallStrings("StartCameraTest"),
            Texts{"StartCameraTest(2,2048,64,3,2)"});
}

// Read shows each register in its label or check box (bit 7), out of range
// values included; Write writes them back, 19 after 18, and the boxes into
// the bits of the registers they share.
TEST(Pages, PictureColoursReadAndWrite) {
  const std::pair<int, int> shown[] = {
      {9, IDC_LUMINANCE_VALUE},    {11, IDC_WHITE_BALANCE_VALUE}, {7, IDC_ANALOG_GAIN_VALUE},
      {15, IDC_SHARPNESS_V_VALUE}, {14, IDC_SHARPNESS_H_VALUE},   {16, IDC_CONTRAST_VALUE},
      {17, IDC_BRIGHTNESS_VALUE},  {18, IDC_HUE_VALUE},           {20, IDC_SATURATION_VALUE},
      {5, IDC_LUMINANCE_AUTO},     {10, IDC_WHITE_BALANCE_AUTO},  {27, IDC_BLEMISH_CORRECTION}};
  const BYTE values[] = {5, 64, 250, 255, 1, 2, 200, 100, 33, 0x7F, 0x15, 0x80};  // 3 out of range
  Page page(2, 2, [&](test::FakeCameraServer& server) {
    for (int i = 0; i < 12; ++i)
      server.SetRegister(shown[i].first, values[i]);
  });
  page.Click(IDC_READ);
  Texts texts;
  for (int i = 0; i < 12; ++i)
    texts.push_back(i < 9 ? page.Text(shown[i].second)
                          : std::to_string(IsDlgButtonChecked(page.hwnd, shown[i].second)));
  EXPECT_EQ(texts, (Texts{"12%", "1.000000", "+0 dB", "7.96875", "0.03125", "0.01563", "200",
                          "1.96875", "1.03125", "1", "1", "1"}));
  page.Calls();
  page.Click(IDC_WRITE);
  EXPECT_EQ(page.Calls(),
            (Texts{"WriteRegister(9,16)", "WriteRegister(11,64)", "WriteRegister(7,192)",
                   "WriteRegister(15,255)", "WriteRegister(14,1)", "WriteRegister(16,2)",
                   "WriteRegister(17,200)", "WriteRegister(18,63)", "WriteRegister(19,63)",
                   "WriteRegister(20,33)", "ReadRegister(5)", "WriteRegister(5,127)",
                   "ReadRegister(10)", "WriteRegister(10,21)", "ReadRegister(10)",
                   "WriteRegister(10,85)", "ReadRegister(27)", "WriteRegister(27,128)"}));
}

// A test chosen sets its bits of register 28; the colour fields take binary
// digits and arrows, and Write packs them as RGB 565, high byte first. The
// radios show the camera's test whatever was clicked: after a write that
// failed, and after a click that came while other work was running.
TEST(Pages, PictureTestsSelectionColourFieldsWriteAndRadios) {
  Page page(3, 2, [](test::FakeCameraServer& server) { server.SetRegister(28, 0xF9); });
  auto states = [&](std::vector<int> ids, bool checked) {
    std::string text;
    for (int id : ids)
      text += (checked ? IsDlgButtonChecked(page.hwnd, id) != 0 : IsWindowEnabled(page.Item(id)))
                  ? '1'
                  : '0';
    return text;
  };
  const std::vector<int> enabled = {IDC_RAMP2_TEST, IDC_SPECIFIC_VALUE_GROUP, IDC_RED, IDC_WRITE},
                         radios = {IDC_NO_TEST, IDC_COLOUR_BAR_TEST, IDC_RAMP1_TEST, IDC_RAMP2_TEST,
                                   IDC_SPECIFIC_VALUE_TEST};
  page.Calls();
  page.Click(IDC_RAMP2_TEST);  // bit 2 set, bit 0 cleared, bit 1 set
  EXPECT_EQ(page.Calls(),
            (Texts{"ReadRegister(28)", "WriteRegister(28,253)", "ReadRegister(28)",
                   "WriteRegister(28,252)", "ReadRegister(28)", "WriteRegister(28,254)"}));
  EXPECT_EQ(states(enabled, false), "1000");
  page.Click(IDC_SPECIFIC_VALUE_TEST);
  EXPECT_EQ(states(enabled, false), "1111");

  HWND red = page.Item(IDC_RED), green = page.Item(IDC_GREEN);
  SetWindowTextA(red, "");
  SetFocus(red);
  test::Type(red, "2a 100011");  // binary digits only, five at most
  EXPECT_EQ(test::WindowText(red), "10001");
  SetWindowTextA(green, "100001");
  SetDlgItemTextA(page.hwnd, IDC_BLUE, "10001");
  page.Calls();
  page.Click(IDC_WRITE);  // 10001 100001 10001
  EXPECT_EQ(page.Calls(), (Texts{"WriteRegister(29,140)", "WriteRegister(30,49)"}));
  const std::tuple<HWND, const char*, WPARAM, const char*> arrows[] = {
      {red, "11111", VK_UP, "11111"},
      {red, "00000", VK_DOWN, "00000"},
      {red, "00110", VK_DOWN, "00101"},
      {green, "11111", VK_UP, "100000"}};
  for (auto [field, text, key, after] : arrows) {
    SetWindowTextA(field, text);
    SetFocus(field);
    test::PressKey(field, key);
    EXPECT_EQ(test::WindowText(field), after) << text << " " << key;
  }

  page.Click(IDC_COLOUR_BAR_TEST);
  page.host.Server().SetResult("WriteRegister", 0x80040402);
  page.Click(IDC_NO_TEST);
  EXPECT_EQ(states(radios, true), "01000");
  page.host.Server().ClearScript();
  page.Click(IDC_SPECIFIC_VALUE_TEST);
  page.host.Server().DuringCall("WriteRegister", [&] { page.Click(IDC_NO_TEST); });
  page.Click(IDC_WRITE);  // the colour
  EXPECT_EQ(states(radios, true), "00001");
  EXPECT_EQ(test::ShownMessages().size(), 1u);  // the failed write's
}

}  // namespace
