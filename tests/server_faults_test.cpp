// A failing camera server: every call the control makes, from every button,
// list and event that makes it, fails with every code the server or COM may
// give, then succeeds with codes above 0. The user sees exactly that
// operation's message, partial results stay, no temporary file stays, and the
// control goes on working. Then out values a server leaves unwritten or fills
// with nonsense.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>

#include "resources/resource.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
using test::Msg;

// The result-code table: 0x80040402 to 0x8004041C give the strings 187 to
// 213, 0x80040423 to 0x80040425 the strings 215 to 217, any other code the
// caller's own text. Saving on the product has a short table of its own.
UINT TableText(HRESULT hr, UINT fallback) {
  const auto code = static_cast<DWORD>(hr);
  if (code >= 0x80040402 && code <= 0x8004041C) return 187 + (code - 0x80040402);
  if (code >= 0x80040423 && code <= 0x80040425) return 215 + (code - 0x80040423);
  return fallback;
}
UINT ShortTableText(HRESULT hr) {
  const DWORD codes[] = {0x8004041D, 0x8004041F, 0x80040420, 0x80040421};  // 183 to 186
  const auto found = std::find(std::begin(codes), std::end(codes), static_cast<DWORD>(hr));
  return found != std::end(codes) ? 183 + (found - codes) : IDS_ERR_CAPTURE;
}

// The server's codes 0x80040402 to 0x80040426 (both tables, the codes between
// and the next), COM's out of memory, server gone and call rejected, two
// successes above 0 (the second the partial picture code), then S_OK.
std::vector<HRESULT> Codes() {
  std::vector<HRESULT> codes;
  for (DWORD code = 0x80040402; code <= 0x80040426; ++code)
    codes.push_back(static_cast<HRESULT>(code));
  codes.insert(codes.end(), {E_OUTOFMEMORY, RPC_E_DISCONNECTED, RPC_E_CALL_REJECTED, S_FALSE,
                             static_cast<HRESULT>(0x00040401), S_OK});
  return codes;
}

const char kSaveAs[] = "[Save Camera Image As]", kWait[] = "[Please Wait...]";

// The control one row of the matrix works on.
struct Bench {
  // A new control in `mode`, started unless `tab` is -2, then with the camera
  // on if asked and tab `tab` selected. Failing calls write their out values
  // too, which the control must not use, unless `presets` (a failing call
  // leaves what the control preset, where it ignores the result).
  void Open(long mode, bool cameraOn = false, int tab = -1, bool presets = false) {
    host = std::make_unique<test::HostedControl>();
    Server().SetOuts(presets ? test::FakeCameraServer::Outs::OnSuccess
                             : test::FakeCameraServer::Outs::Always);
    Server().SetProductMode(mode);
    Server().SetCaptureContent(picture);
    Server().SetCameraCount(2);
    Server().SetCameraConfig(2, {0x4, 0x40, 0});  // JPEG, VGA
    if (tab == -2) return;
    host->Start();
    if (cameraOn) host->Click(host->Dialog(), IDC_CAMERA_ON);
    if (tab >= 0) Select(tab);
  }
  void Select(int tab) {
    host->SelectTab(tab);
    page = host->CurrentPage();
  }
  test::FakeCameraServer& Server() { return host->Server(); }
  void Click(int id) { host->Click(page, id); }
  HWND Item(int id) const { return GetDlgItem(page, id); }
  std::string Text(int id) const { return test::WindowText(Item(id)); }
  std::string Calls(const char* method) { return std::to_string(Server().CallCount(method)); }
  // The first figure of the Camera Test page.
  HWND Figure() const {
    return GetDlgItem(PropSheet_IndexToHwnd(host->Sheet(), 0), IDC_AVERAGE_BRIGHTNESS);
  }

  std::unique_ptr<test::HostedControl> host;
  HWND page = nullptr;
  std::string picture;  // what captures write: a bitmap file
  std::string folder;   // where Save As saves
};

using Step = std::function<void(Bench&)>;
using Expect = std::function<Texts(HRESULT)>;

struct Operation {
  const char* trigger;  // what the user or the server does
  // The server call that fails: "Method" for every call of it, "Method n m"
  // for those whose first argument is n or m.
  const char* fails;
  Step open, prepare, act;  // once per row; before each cell; the action
  Expect shown;             // dialogs (in brackets), then "title|text" of each message
  std::function<std::string(Bench&)> view;  // what the user sees afterwards:
  const char *failed, *done;                // this after a failure, this after a success
};

const Expect kSilent = [](HRESULT) { return Texts{}; };
Expect Fixed(UINT title, UINT text) {
  return [=](HRESULT hr) { return FAILED(hr) ? Texts{Msg(title, text)} : Texts{}; };
}
// `first`, then the result-code table's text under `title`, or `success`.
Expect ByTable(UINT title, UINT fallback, Texts first = {}, Texts success = {}) {
  return [=](HRESULT hr) {
    Texts seen = first, last = FAILED(hr) ? Texts{Msg(title, TableText(hr, fallback))} : success;
    seen.insert(seen.end(), last.begin(), last.end());
    return seen;
  };
}

// Every server call of the control, from every trigger that makes it.
std::vector<Operation> Operations() {
  const auto open = [](long mode, bool cameraOn, int tab, bool presets = false) -> Step {
    return [=](Bench& b) { b.Open(mode, cameraOn, tab, presets); };
  };
  const auto click = [](int id) -> Step { return [id](Bench& b) { b.Click(id); }; };
  const auto radio = [](int id) -> Step {
    return [id](Bench& b) { b.host->Click(b.host->Dialog(), id); };
  };
  const auto radios = [](Bench& b) {  // the checks, and "t" while a test can be started
    std::string checks;
    for (int id : {IDC_DEACTIVATE_ALL, IDC_CAMERA_ON, IDC_VIEWFINDER_ON})
      checks += b.host->IsChecked(id) ? '1' : '0';
    return checks + (IsWindowEnabled(GetDlgItem(GetParent(b.Figure()), IDC_TEST)) ? "t" : "");
  };
  const auto tabs = [](Bench& b) { return std::to_string(b.host->TabTexts().size()); };
  const Step mode2 = open(2, false, -1), capturePage = open(2, true, 1),
             start = [](Bench&b) { b.host->Start(); };
  const Step registersPage = [](Bench& b) {
    b.Open(2, true, 4);
    SetDlgItemTextA(b.page, IDC_FIRST_REGISTER, "10");
    SetDlgItemTextA(b.page, IDC_LAST_REGISTER, "25");
  };
  // Brightness, Hue and Blemish Correction read 0; then the server holds
  // 5, 63 and bit 7 set.
  const Step coloursRead = [](Bench& b) {
    for (int value : {0, 1}) {
      b.Server().SetRegister(17, value * 5), b.Server().SetRegister(18, value * 63);
      b.Server().SetRegister(27, value * 0x80);
      if (!value) b.Click(IDC_READ);
    }
  };
  const Step testsPage = [](Bench& b) {
    b.Open(2, true, 3);
    b.Click(IDC_SPECIFIC_VALUE_TEST);
  };
  const auto shownTest = [](Bench& b) {  // the checked test radio
    for (int id = IDC_NO_TEST; id <= IDC_SPECIFIC_VALUE_TEST; ++id)
      if (IsDlgButtonChecked(b.page, id)) return std::to_string(id - IDC_NO_TEST);
    return std::string("none");
  };
  const auto chooseCamera = [](int item) -> Step {
    return [=](Bench& b) {
      SendMessageA(b.Item(IDC_CAMERA_NUMBER), CB_SETCURSEL, item, 0);
      SendMessageA(b.page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, CBN_SELENDOK), 0);
    };
  };
  const Step productPage = [](Bench& b) {
    b.Open(4, false, 1);
    b.Click(IDC_SHOW_IMAGE_AFTER_SAVE);  // off: a saved picture is not shown
  };
  const auto onProduct = [](Step page, int radioId, int nameId) -> Step {
    return [=](Bench& b) {
      page(b);
      b.Click(radioId);
      SetDlgItemTextA(b.page, nameId, "Pics\\shot");
    };
  };
  const auto savedFile = [](Bench& b) {
    return std::to_string(DeleteFileA((b.folder + "\\shot.jpg").c_str()) != FALSE);
  };
  // The Please Wait dialog and a refresh bring the figure 7.
  const Step figureReset = [](Bench& b) {
    SetWindowTextA(b.Figure(), "-");
    b.Server().SetTestResults({7, 0, 0, 0, 0, 0, 0});
  };
  const auto figure = [](Bench& b) { return test::WindowText(b.Figure()); };
  const Texts saved = {Msg(102, IDS_CAPTURE_SUCCESS)};
  const Expect readFailed = ByTable(IDS_ERR_READ_REGISTER_TITLE, IDS_ERR_REGISTER_OPERATION),
               writeFailed = ByTable(IDS_ERR_WRITE_REGISTER_TITLE, IDS_ERR_REGISTER_OPERATION);
  const Expect savedOnProduct = [=](HRESULT hr) {
    return FAILED(hr) ? Texts{Msg(IDS_ERR_SAVE_IMAGE_TITLE, ShortTableText(hr))} : saved;
  };

  return {
      {"Go", "GetConnectionState", nullptr, open(2, false, -2, true), start,
       kSilent,  // not connected
       [](Bench& b) { return std::to_string(IsWindowEnabled(b.host->Item(IDC_CAMERA_ON))); }, "0",
       "1"},
      {"Go", "GetProductConfiguration", nullptr, open(4, false, -2, true), start, kSilent, tabs,
       "5", "2"},  // the mode stays 2
      // A new control per cell: under the heap check a sheet rebuilt back to
      // mode 4 costs eight times as much.
      {"connection event", "GetProductConfiguration", nullptr, open(4, false, -1, true),
       [](Bench& b) { b.Server().FireConnectionStateChanged(1); }, kSilent, tabs, "5",
       "2"},  // the mode preset 2
      {"Picture Capture page opened", "GetProductConfiguration", nullptr, open(2, true, -1, true),
       [](Bench& b) { b.Select(1); }, kSilent,
       [](Bench& b) { return std::to_string(test::ListItems(b.Item(IDC_FORMAT_LIST)).size()); },
       "0", "3"},
      {"product Picture Capture page opened", "GetCameraConfiguration", nullptr,
       open(4, false, -1, true), [](Bench& b) { b.Select(1); }, kSilent,
       [](Bench& b) {  // sizes, cameras, flashlight
         return std::to_string(test::ListItems(b.Item(IDC_SIZE_LIST)).size()) +
                std::to_string(SendMessageA(b.Item(IDC_CAMERA_NUMBER), CB_GETCOUNT, 0, 0)) +
                std::to_string(IsWindowEnabled(b.Item(IDC_FLASH_ON)));
       },
       "010", "321"},
      {"camera chosen", "GetCameraConfiguration", productPage, chooseCamera(0), chooseCamera(1),
       kSilent, [](Bench& b) { return test::ListItems(b.Item(IDC_SIZE_LIST)).back(); }, "Photo",
       "VGA"},  // camera 1 offers CIF, VGA, Photo; camera 2 VGA only
      // A failed switch falls back to Deactivate All, whatever was on before.
      {"Camera On", "ActivateCamera 1", mode2, radio(IDC_VIEWFINDER_ON), radio(IDC_CAMERA_ON),
       Fixed(IDS_ERR_ACTIVATE_CAMERA_TITLE, IDS_ERR_ACTIVATE_CAMERA), radios, "100t", "010"},
      {"Camera On", "ActivateViewFinder 0", mode2, nullptr, radio(IDC_CAMERA_ON), kSilent, radios,
       "010", "010"},
      {"ViewFinder On", "ActivateViewFinder 1", mode2, radio(IDC_CAMERA_ON),
       radio(IDC_VIEWFINDER_ON),
       Fixed(IDS_ERR_ACTIVATE_VIEWFINDER_TITLE, IDS_ERR_ACTIVATE_VIEWFINDER), radios, "100t",
       "001"},
      {"ViewFinder On", "ActivateCamera 0", mode2, nullptr, radio(IDC_VIEWFINDER_ON), kSilent,
       radios, "001", "001"},
      {"Deactivate All", "ActivateViewFinder", mode2, nullptr, radio(IDC_DEACTIVATE_ALL), kSilent,
       radios, "100t", "100t"},
      {"Deactivate All", "ActivateCamera", mode2, nullptr, radio(IDC_DEACTIVATE_ALL), kSilent,
       radios, "100t", "100t"},
      {"Registers Read", "ReadRegister 20", registersPage,
       [](Bench& b) {  // the list shows 1, the server holds 2
         for (int value : {1, 2}) {
           for (int reg = 10; reg <= 25; ++reg)
             b.Server().SetRegister(reg, value);
           if (value == 1) b.Click(IDC_READ);
         }
         ListView_SetItemState(b.Item(IDC_REGISTER_LIST), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
       },
       click(IDC_READ), readFailed,
       [](Bench& b) {  // registers 19 and 20, reads, the first selected
         HWND list = b.Item(IDC_REGISTER_LIST);
         return test::CellText(list, 19, 3) + " " + test::CellText(list, 20, 3) + " " +
                b.Calls("ReadRegister") + " " + std::to_string(test::RowState(list, 10) != 0);
       },
       "002 001 11 0", "002 002 16 1"},
      {"Registers Write", "WriteRegister 20", registersPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b) {  // never read: 0
         return b.Server().CallStrings("WriteRegister")[0] + " " + b.Calls("WriteRegister");
       },
       "WriteRegister(10,0) 11", "WriteRegister(10,0) 16"},
      {"Picture Colours Read", "ReadRegister 17 27", open(2, true, 2), coloursRead, click(IDC_READ),
       readFailed,  // one message for two failures; Hue read after them
       [](Bench& b) {
         return b.Text(IDC_BRIGHTNESS_VALUE) + " " + b.Text(IDC_HUE_VALUE) +
                std::to_string(IsDlgButtonChecked(b.page, IDC_BLEMISH_CORRECTION));
       },
       "Read Failed. 1.968750", "5 1.968751"},
      {"Picture Colours Write", "WriteRegister 17 18", open(2, true, 2), coloursRead,
       click(IDC_WRITE), writeFailed,  // one message for two failures; 19 only after 18
       [](Bench& b) { return b.Text(IDC_BRIGHTNESS_VALUE) + " " + b.Calls("WriteRegister"); },
       "Write Failed. 13", "0 14"},
      {"Picture Colours Write", "ReadRegister 10", open(2, true, 2), nullptr, click(IDC_WRITE),
       readFailed,  // both bits of register 10 skipped, 27 written
       [](Bench& b) {
         return b.Calls("WriteRegister") + " " + b.Server().CallStrings().back().substr(0, 16);
       },
       "12 WriteRegister(27", "14 WriteRegister(27"},
      {"Picture Tests test chosen", "ReadRegister 28", testsPage, click(IDC_NO_TEST),
       click(IDC_COLOUR_BAR_TEST), readFailed, shownTest, "0", "1"},
      {"Picture Tests test chosen", "WriteRegister 28", testsPage, click(IDC_NO_TEST),
       click(IDC_COLOUR_BAR_TEST), writeFailed, shownTest, "0", "1"},
      {"Picture Tests Write", "WriteRegister 29", testsPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b) { return b.Calls("WriteRegister"); }, "1", "2"},
      {"Picture Tests Write", "WriteRegister 30", testsPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b) { return b.Calls("WriteRegister"); }, "2", "2"},
      {"Test", "StartCameraTest", open(2, false, 0), figureReset, click(IDC_TEST),
       [](HRESULT hr) {
         if (SUCCEEDED(hr)) return Texts{kWait};
         if (hr == static_cast<HRESULT>(0x80040406)) return Texts{Msg(168, 167)};
         return Texts{Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST)};
       },
       figure, "-", "7"},
      {"Save on the product", "GetCameraTestResults",
       onProduct(productPage, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME), figureReset,
       click(IDC_EPOC_SAVE), [=](HRESULT) { return saved; }, figure, "-", "7"},
      {"Preview", "CaptureToFile", capturePage, nullptr, click(IDC_PREVIEW),
       ByTable(IDS_ERR_PREVIEW_IMAGE_TITLE, IDS_ERR_CAPTURE, Texts(), Texts{"[Image Preview]"}),
       [](Bench&) { return std::string(); }, "", ""},
      {"Save on the PC", "CaptureToFile", capturePage, nullptr, click(IDC_SAVE),
       ByTable(IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE, Texts{kSaveAs}, saved), savedFile, "0",
       "1"},
      {"Save on the product", "CaptureToProduct",
       onProduct(capturePage, IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME), nullptr, click(IDC_SAVE),
       ByTable(IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE, Texts(), saved),
       [](Bench& b) { return b.Server().Calls().back().Text(); }, "Pics\\shot", "Pics\\shot"},
      {"Save on the PC", "CaptureCameraToFile", productPage, nullptr, click(IDC_EPOC_SAVE),
       [=](HRESULT hr) {
         Texts seen = {kSaveAs}, then = savedOnProduct(hr);
         if (hr == static_cast<HRESULT>(0x00040401)) seen.push_back(Msg(165, 166));
         seen.insert(seen.end(), then.begin(), then.end());
         return seen;
       },
       savedFile, "0", "1"},
      {"Save on the product", "CaptureCameraToProduct",
       onProduct(productPage, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME), figureReset,
       click(IDC_EPOC_SAVE), savedOnProduct, figure, "-", "7"},  // then new test results
  };
}

// Every cell: exactly the messages and dialogs of the operation, what the
// user sees after it, no temporary file left; every call made is listed.
TEST(FaultMatrix, EveryServerCallFailsWithEveryCode) {
  Bench bench;
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  bench.picture.assign(std::istreambuf_iterator<char>(file), {});
  const std::filesystem::path start = std::filesystem::current_path();  // Save As moves it
  bench.folder = (std::filesystem::temp_directory_path() / "kvr_faults").string();
  std::filesystem::create_directories(bench.folder);

  // The modal dialogs of a cell, in order: Save As saves as shot.jpg, the
  // test's results come during Please Wait, the preview is closed at once.
  Texts dialogs;
  test::WhenDialog modal(
      "",
      [&](HWND dialog) {
        dialogs.push_back("[" + test::WindowText(dialog) + "]");
        if (dialogs.back() == kWait)
          bench.Server().FireCameraTestFinished({7, 0, 0, 0, 0, 0, 0});
        else if (dialogs.back() == kSaveAs)
          SetWindowTextA(test::FindChildById(dialog, 0x47c), (bench.folder + "\\shot.jpg").c_str());
        if (dialogs.back() != kWait) test::ClickButton(dialog, IDOK);
      },
      10000);

  const std::vector<Operation> operations = Operations();
  std::set<std::string> listed, called;
  for (const Operation& operation : operations) {
    std::istringstream fails(operation.fails);
    std::string method;
    std::vector<long> firstArguments{std::istream_iterator<long>(fails >> method), {}};
    listed.insert(method);
    if (operation.open) operation.open(bench);
    for (HRESULT code : Codes()) {
      SCOPED_TRACE(std::string(operation.trigger) + ": " + operation.fails + " gives " +
                   std::to_string(static_cast<unsigned long>(code)));
      if (bench.host) bench.Server().ClearScript();
      if (operation.prepare) operation.prepare(bench);
      bench.Server().ClearCalls();
      test::MessageRecorder::Clear();
      dialogs.clear();
      const size_t tempFiles = test::PreviewTempFiles();
      const auto chosen = [&](const test::ServerCall& call) {
        return firstArguments.empty() ||
               std::count(firstArguments.begin(), firstArguments.end(), call.Number(0));
      };
      bench.Server().FailWhen(method, chosen, code);

      operation.act(bench);
      Texts seen = dialogs, messages = test::ShownMessages();
      seen.insert(seen.end(), messages.begin(), messages.end());
      EXPECT_EQ(seen, operation.shown(code));
      EXPECT_NE(bench.Calls(method.c_str()), "0");
      EXPECT_EQ(operation.view(bench), FAILED(code) ? operation.failed : operation.done);
      EXPECT_EQ(test::PreviewTempFiles(), tempFiles);
      for (const test::ServerCall& call : bench.Server().Calls())
        called.insert(call.name);
    }
    bench.host.reset();
  }
  std::filesystem::current_path(start);
  std::error_code error;
  EXPECT_TRUE(std::filesystem::remove(bench.folder, error)) << error.message();  // left empty
  // A call that the list does not name would have slipped past the matrix.
  for (const std::string& method : called)
    EXPECT_EQ(listed.count(method), 1u) << method << " is called but not in the matrix";
}

// A server that reports success but writes no out value leaves the control's
// presets (register 0); nonsense values get what they mean: every bit of the
// masks gives every format and size in table order, 255 cameras with every
// bit set the product page's seven formats and eight sizes; with no camera
// its Save is refused.
TEST(MisbehavingServer, OutValuesUnwrittenOrNonsense) {
  test::HostedControl host;
  host.Server().SetRegister(3, 0xA5);
  HWND page = test::OpenRegistersPage(host);
  host.Server().SetOuts(test::FakeCameraServer::Outs::Never);
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "3");
  host.Click(page, IDC_READ);
  EXPECT_EQ(test::CellText(GetDlgItem(page, IDC_REGISTER_LIST), 3, 3), "000");

  test::HostedControl full;
  full.Server().SetFormatMask(-1);
  full.Server().SetSizeMask(-1);
  HWND capture = test::OpenCameraOnPage(full, 1);
  EXPECT_EQ(
      test::ListItems(GetDlgItem(capture, IDC_FORMAT_LIST)),
      (Texts{"JPEG", "RGB 444", "RGB 565", "YUV 400", "YUV 420", "YUV 422", "RGB 888", "Bayer"}));
  EXPECT_EQ(test::ListItems(GetDlgItem(capture, IDC_SIZE_LIST)),
            (Texts{"Tiny", "SubQCif", "QQVGA", "QCIF", "QVGA", "CIF", "VGA", "Photo", "SGA", "XGA",
                   "SXGA", "MPIX"}));
  for (BYTE cameras : {255, 0}) {
    test::HostedControl product;
    product.Server().SetCameraCount(cameras);
    product.Server().SetCameraConfig(0, {-1, -1, 0});
    HWND epoc = test::OpenCameraOnPage(product, 1, 4);
    EXPECT_EQ(test::ListItems(GetDlgItem(epoc, IDC_FORMAT_LIST)).size(), 7u);
    EXPECT_EQ(test::ListItems(GetDlgItem(epoc, IDC_SIZE_LIST)).size(), 8u);
    EXPECT_EQ(SendDlgItemMessageA(epoc, IDC_CAMERA_NUMBER, CB_GETCOUNT, 0, 0), cameras);
    if (cameras) continue;
    product.Click(epoc, IDC_EPOC_SAVE);  // no camera to choose: refused
    EXPECT_EQ(test::ShownMessages(), Texts{Msg(181, 182)});
  }
}

}  // namespace
