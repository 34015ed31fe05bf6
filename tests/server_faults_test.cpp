// A failing camera server: every call the control makes, from every button,
// list and event that makes it, fails with every code the server or COM may
// give, then succeeds with codes above 0. The user sees exactly the message
// of that operation, partial results stay, no temporary file stays, and the
// control goes on working.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/hosted_control.h"
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
  const std::map<DWORD, UINT> table = {
      {0x8004041D, 183}, {0x8004041F, 184}, {0x80040420, 185}, {0x80040421, 186}};
  const auto found = table.find(static_cast<DWORD>(hr));
  return found != table.end() ? found->second : IDS_ERR_CAPTURE;
}

// The server's codes 0x80040402 to 0x80040425 (both tables and the codes
// between them) and the next one; COM's out of memory, server process gone
// and call rejected; two successes above 0 (the second is the partial
// picture code). S_OK ends each row: the control still works.
std::vector<HRESULT> Codes() {
  std::vector<HRESULT> codes;
  for (DWORD code = 0x80040402; code <= 0x80040426; ++code)
    codes.push_back(static_cast<HRESULT>(code));
  for (HRESULT code : {E_OUTOFMEMORY, RPC_E_DISCONNECTED, RPC_E_CALL_REJECTED, S_FALSE,
                       static_cast<HRESULT>(0x00040401), S_OK})
    codes.push_back(code);
  return codes;
}

const char kSaveAs[] = "[Save Camera Image As]", kWait[] = "[Please Wait...]",
           kPreview[] = "[Image Preview]";
const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};
const Texts kProductSet = {"Camera Test", "Picture Capture  "};

// The control one row of the matrix works on.
struct Bench {
  // A new control in `mode`: started unless `start` is false, then with
  // the camera on and tab `tab` selected when asked.
  void Open(long mode, bool start = true, bool cameraOn = false, int tab = -1) {
    host = std::make_unique<test::HostedControl>();
    Server().SetProductMode(mode);
    Server().SetCaptureContent(picture);
    Server().SetCameraCount(2);
    Server().SetCameraConfig(2, {0x4, 0x40, 0});  // JPEG, VGA
    if (start) host->Start();
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
  std::string Checked(int id) const { return IsDlgButtonChecked(page, id) ? "1" : "0"; }
  std::string Radios() const {
    std::string checks;
    for (int id : {IDC_DEACTIVATE_ALL, IDC_CAMERA_ON, IDC_VIEWFINDER_ON})
      checks += host->IsChecked(id) ? '1' : '0';
    return checks;
  }
  size_t Calls(const char* method) { return Server().CallCount(method); }

  std::unique_ptr<test::HostedControl> host;
  HWND page = nullptr;
  int cell = 0;         // counts the cells, a value that changes every time
  std::string before;   // what the user saw before the action
  std::string picture;  // what captures write: a bitmap file
  std::string folder;   // where Save As saves
};

using Expect = std::function<Texts(HRESULT)>;
const Expect kSilent = [](HRESULT) { return Texts{}; };
// One message when the call fails.
Expect Fixed(UINT title, UINT text) {
  return [=](HRESULT hr) { return FAILED(hr) ? Texts{Msg(title, text)} : Texts{}; };
}
// `first`, then the result-code table's text under `title` or `success`.
Expect ByTable(UINT title, UINT fallback, Texts first = {}, Texts success = {}) {
  return [=](HRESULT hr) {
    Texts seen = first, last = FAILED(hr) ? Texts{Msg(title, TableText(hr, fallback))} : success;
    seen.insert(seen.end(), last.begin(), last.end());
    return seen;
  };
}

using Step = std::function<void(Bench&)>;
using Check = std::function<void(Bench&, HRESULT)>;

struct Operation {
  const char* trigger;  // what the user or the server does
  // The server call that fails: "Method" for every call of it, "Method n m"
  // for those whose first argument is n or m.
  const char* fails;
  Step open;     // once per row
  Step prepare;  // before every cell, before the failure is scripted
  Step act;
  Expect shown;  // dialogs (in brackets), then "title|text" of each message
  Check check;
};

// The preview's temporary files, cc*.tmp.
size_t TempFilesLeft() {
  size_t count = 0;
  for (const auto& file :
       std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
    count +=
        file.path().filename().string().rfind("cc", 0) == 0 && file.path().extension() == ".tmp";
  return count;
}

// Every server call of the control, from every trigger that makes it.
std::vector<Operation> Operations() {
  const auto click = [](int id) { return [id](Bench& b) { b.Click(id); }; };
  const auto radio = [](int id) { return [id](Bench& b) { b.host->Click(b.host->Dialog(), id); }; };
  const auto radios = [](const char* failed, const char* done) -> Check {
    return [=](Bench& b, HRESULT hr) { EXPECT_EQ(b.Radios(), FAILED(hr) ? failed : done); };
  };
  const auto open = [](long mode, bool start, bool cameraOn, int tab) -> Step {
    return [=](Bench& b) { b.Open(mode, start, cameraOn, tab); };
  };
  const Step mode2 = open(2, true, false, -1), capturePage = open(2, true, true, 1);
  const Step registersPage = [](Bench& b) {
    b.Open(2, true, true, 4);
    SetDlgItemTextA(b.page, IDC_FIRST_REGISTER, "10");
    SetDlgItemTextA(b.page, IDC_LAST_REGISTER, "25");
  };
  // Brightness reads the cell's number, Hue and Blemish Correction alternate.
  const Step colourValues = [](Bench& b) {
    b.Server().SetRegister(17, b.cell % 64);
    b.Server().SetRegister(18, b.cell % 2 ? 63 : 0);
    b.Server().SetRegister(27, b.cell % 2 ? 0x80 : 0);
    b.before = b.Checked(IDC_BLEMISH_CORRECTION);
  };
  const Step testsPage = [](Bench& b) {
    b.Open(2, true, true, 3);
    b.Click(IDC_SPECIFIC_VALUE_TEST);
  };
  // Chooses a test other than the one shown.
  const Step otherTest = [](Bench& b) {
    b.before = b.Checked(IDC_COLOUR_BAR_TEST) + b.Checked(IDC_RAMP1_TEST);
    b.Click(b.before == "10" ? IDC_RAMP1_TEST : IDC_COLOUR_BAR_TEST);
  };
  const Check testShown = [](Bench& b, HRESULT hr) {
    const std::string now = b.Checked(IDC_COLOUR_BAR_TEST) + b.Checked(IDC_RAMP1_TEST);
    EXPECT_EQ(now, FAILED(hr) ? b.before : b.before == "10" ? "01" : "10");
  };
  const auto chooseCamera = [](int item) -> Step {
    return [=](Bench& b) {
      SendMessageA(b.Item(IDC_CAMERA_NUMBER), CB_SETCURSEL, item, 0);
      SendMessageA(b.page, WM_COMMAND, MAKEWPARAM(IDC_CAMERA_NUMBER, CBN_SELENDOK), 0);
    };
  };
  const Step productPage = [](Bench& b) {
    b.Open(4, true, false, 1);
    b.Click(IDC_SHOW_IMAGE_AFTER_SAVE);  // off: a saved picture is not shown
  };
  const auto onProduct = [](Step page, int radioId, int nameId) -> Step {
    return [=](Bench& b) {
      page(b);
      b.Click(radioId);
      SetDlgItemTextA(b.page, nameId, "Pics\\shot");
    };
  };
  const Check savedFile = [](Bench& b, HRESULT hr) {
    EXPECT_EQ(DeleteFileA((b.folder + "\\shot.jpg").c_str()) != FALSE, SUCCEEDED(hr));
  };
  const Step resultsToCell = [](Bench& b) {
    b.Server().SetTestResults({b.cell, 0, 0, 0, 0, 0, 0});
  };
  // The Camera Test page's first figure is the cell's number once shown.
  const Check figureShown = [](Bench& b, HRESULT hr) {
    HWND testPage = PropSheet_IndexToHwnd(b.host->Sheet(), 0);
    const std::string figure = test::WindowText(GetDlgItem(testPage, IDC_AVERAGE_BRIGHTNESS));
    EXPECT_EQ(figure == std::to_string(b.cell), SUCCEEDED(hr));
  };
  const Texts saved = {Msg(102, IDS_CAPTURE_SUCCESS)}, previewed = {kPreview}, saveAs = {kSaveAs};
  const Expect readFailed = ByTable(IDS_ERR_READ_REGISTER_TITLE, IDS_ERR_REGISTER_OPERATION),
               writeFailed = ByTable(IDS_ERR_WRITE_REGISTER_TITLE, IDS_ERR_REGISTER_OPERATION);
  const Expect savedOnProduct = [=](HRESULT hr) {
    return FAILED(hr) ? Texts{Msg(IDS_ERR_SAVE_IMAGE_TITLE, ShortTableText(hr))} : saved;
  };

  return {
      {"Go", "GetConnectionState", nullptr, open(2, false, false, -1),
       [](Bench& b) { b.host->Start(); }, kSilent,
       [](Bench& b, HRESULT hr) {  // not connected: only Close and Help; an event connects
         EXPECT_EQ(IsWindowEnabled(b.host->Item(IDC_CAMERA_ON)) != FALSE, SUCCEEDED(hr));
         b.Server().ClearScript();
         b.Server().FireConnectionStateChanged(1);
         EXPECT_TRUE(IsWindowEnabled(b.host->Item(IDC_CAMERA_ON)));
       }},
      {"Go", "GetProductConfiguration", nullptr, open(4, false, false, -1),
       [](Bench& b) { b.host->Start(); }, kSilent,
       [](Bench& b, HRESULT hr) {  // the mode stays 2
         EXPECT_EQ(b.host->TabTexts(), FAILED(hr) ? kFullSet : kProductSet);
       }},
      {"connection event", "GetProductConfiguration", open(4, true, false, -1),
       [](Bench& b) { b.Server().FireConnectionStateChanged(1); },  // back to mode 4
       [](Bench& b) { b.Server().FireConnectionStateChanged(1); }, kSilent,
       [](Bench& b, HRESULT hr) {  // the mode preset 2
         EXPECT_EQ(b.host->TabTexts(), FAILED(hr) ? kFullSet : kProductSet);
       }},
      {"Picture Capture page opened", "GetProductConfiguration", nullptr, open(2, true, true, -1),
       [](Bench& b) { b.Select(1); }, kSilent,
       [](Bench& b, HRESULT hr) {  // no format to choose
         EXPECT_EQ(test::ListItems(b.Item(IDC_FORMAT_LIST)),
                   FAILED(hr) ? Texts{} : (Texts{"JPEG", "RGB 565", "RGB 888"}));
         b.Click(IDC_PREVIEW);  // no format: says so; else shows the picture
         EXPECT_EQ(test::ShownMessages(), FAILED(hr) ? Texts{Msg(140, 139)} : Texts{});
       }},
      {"product Picture Capture page opened", "GetCameraConfiguration", nullptr,
       open(4, true, false, -1), [](Bench& b) { b.Select(1); }, kSilent,
       [](Bench& b, HRESULT hr) {  // nothing offered, one camera, no flashlight
         EXPECT_EQ(test::ListItems(b.Item(IDC_SIZE_LIST)),
                   FAILED(hr) ? Texts{} : (Texts{"CIF", "VGA", "Photo"}));
         EXPECT_EQ(SendMessageA(b.Item(IDC_CAMERA_NUMBER), CB_GETCOUNT, 0, 0), FAILED(hr) ? 1 : 2);
         EXPECT_EQ(IsWindowEnabled(b.Item(IDC_FLASH_ON)) != FALSE, SUCCEEDED(hr));
       }},
      {"camera chosen", "GetCameraConfiguration", productPage, chooseCamera(0), chooseCamera(1),
       kSilent,
       [](Bench& b, HRESULT hr) {  // camera 1 offers CIF, VGA, Photo; camera 2 VGA only
         EXPECT_EQ(test::ListItems(b.Item(IDC_SIZE_LIST)).back(), FAILED(hr) ? "Photo" : "VGA");
       }},
      {"Camera On", "ActivateCamera 1", mode2, nullptr, radio(IDC_CAMERA_ON),
       Fixed(IDS_ERR_ACTIVATE_CAMERA_TITLE, IDS_ERR_ACTIVATE_CAMERA), radios("100", "010")},
      {"Camera On", "ActivateViewFinder 0", mode2, nullptr, radio(IDC_CAMERA_ON), kSilent,
       radios("010", "010")},
      {"ViewFinder On", "ActivateViewFinder 1", mode2, nullptr, radio(IDC_VIEWFINDER_ON),
       Fixed(IDS_ERR_ACTIVATE_VIEWFINDER_TITLE, IDS_ERR_ACTIVATE_VIEWFINDER), radios("100", "001")},
      {"ViewFinder On", "ActivateCamera 0", mode2, nullptr, radio(IDC_VIEWFINDER_ON), kSilent,
       radios("001", "001")},
      {"Deactivate All", "ActivateViewFinder", mode2, nullptr, radio(IDC_DEACTIVATE_ALL), kSilent,
       radios("100", "100")},
      {"Deactivate All", "ActivateCamera", mode2, nullptr, radio(IDC_DEACTIVATE_ALL), kSilent,
       radios("100", "100")},
      {"control closed", "ActivateCamera", nullptr, mode2, [](Bench& b) { b.host->Release(); },
       kSilent, [](Bench& b, HRESULT) { EXPECT_EQ(b.Server().AdvisedSinkCount(), 0u); }},
      {"Registers Read", "ReadRegister 20", registersPage,
       [](Bench& b) {
         for (int reg = 10; reg <= 25; ++reg)
           b.Server().SetRegister(reg, b.cell);
         ListView_SetItemState(b.Item(IDC_REGISTER_LIST), -1, 0, LVIS_SELECTED);
       },
       click(IDC_READ), readFailed,
       [](Bench& b, HRESULT hr) {  // those before 20 read; the first selected after a pass
         HWND list = b.Item(IDC_REGISTER_LIST);
         char now[8];
         snprintf(now, sizeof now, "%03d", b.cell % 256);
         EXPECT_EQ(test::CellText(list, 19, 3), now);
         EXPECT_EQ(test::CellText(list, 20, 3) == now, SUCCEEDED(hr));
         EXPECT_EQ(b.Calls("ReadRegister"), FAILED(hr) ? 11u : 16u);
         EXPECT_EQ(test::RowState(list, 10) != 0, SUCCEEDED(hr));
       }},
      {"Registers Write", "WriteRegister 20", registersPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b, HRESULT hr) {  // 0 for registers never read
         EXPECT_EQ(b.Server().CallStrings("WriteRegister")[0], "WriteRegister(10,0)");
         EXPECT_EQ(b.Calls("WriteRegister"), FAILED(hr) ? 11u : 16u);
       }},
      {"Picture Colours Read", "ReadRegister 17 27", open(2, true, true, 2), colourValues,
       click(IDC_READ), readFailed,
       [](Bench& b, HRESULT hr) {  // two failures, one message; Hue is read after them
         EXPECT_EQ(b.Text(IDC_BRIGHTNESS_VALUE),
                   FAILED(hr) ? "Read Failed." : std::to_string(b.cell % 64));
         EXPECT_EQ(b.Text(IDC_HUE_VALUE), b.cell % 2 ? "1.96875" : "0.00000");
         EXPECT_EQ(b.Checked(IDC_BLEMISH_CORRECTION),
                   FAILED(hr) ? b.before : std::to_string(b.cell % 2));
       }},
      {"Picture Colours Write", "WriteRegister 17 18", open(2, true, true, 2),
       [=](Bench& b) {
         colourValues(b);
         b.Click(IDC_READ);  // fresh labels
       },
       click(IDC_WRITE), writeFailed,
       [](Bench& b, HRESULT hr) {  // two failures, one message; 19 only after 18
         EXPECT_EQ(b.Text(IDC_BRIGHTNESS_VALUE),
                   FAILED(hr) ? "Write Failed." : std::to_string(b.cell % 64));
         EXPECT_EQ(b.Calls("WriteRegister"), FAILED(hr) ? 13u : 14u);
       }},
      {"Picture Colours Write", "ReadRegister 10", open(2, true, true, 2), nullptr,
       click(IDC_WRITE), readFailed,
       [](Bench& b, HRESULT hr) {  // both bits of register 10 are skipped, 27 is written
         EXPECT_EQ(b.Calls("WriteRegister"), FAILED(hr) ? 12u : 14u);
         EXPECT_EQ(b.Server().Calls().back().Number(0), 27);
       }},
      {"Picture Tests test chosen", "ReadRegister 28", testsPage, nullptr, otherTest, readFailed,
       testShown},
      {"Picture Tests test chosen", "WriteRegister 28", testsPage, nullptr, otherTest, writeFailed,
       testShown},
      {"Picture Tests Write", "WriteRegister 29", testsPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b, HRESULT hr) { EXPECT_EQ(b.Calls("WriteRegister"), FAILED(hr) ? 1u : 2u); }},
      {"Picture Tests Write", "WriteRegister 30", testsPage, nullptr, click(IDC_WRITE), writeFailed,
       [](Bench& b, HRESULT) { EXPECT_EQ(b.Calls("WriteRegister"), 2u); }},
      {"Test", "StartCameraTest", open(2, true, false, 0), nullptr, click(IDC_TEST),
       [](HRESULT hr) {
         if (SUCCEEDED(hr)) return Texts{kWait};
         if (hr == static_cast<HRESULT>(0x80040406)) return Texts{Msg(168, 167)};
         return Texts{Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST)};
       },
       figureShown},
      {"Save on the product", "GetCameraTestResults",
       onProduct(productPage, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME), resultsToCell,
       click(IDC_EPOC_SAVE), [=](HRESULT) { return saved; }, figureShown},
      {"Preview", "CaptureToFile", capturePage, nullptr, click(IDC_PREVIEW),
       ByTable(IDS_ERR_PREVIEW_IMAGE_TITLE, IDS_ERR_CAPTURE, Texts(), previewed), nullptr},
      {"Save on the PC", "CaptureToFile", capturePage, nullptr, click(IDC_SAVE),
       ByTable(IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE, saveAs, saved), savedFile},
      {"Save on the product", "CaptureToProduct",
       onProduct(capturePage, IDC_LOCATION_PRODUCT, IDC_PRODUCT_NAME), nullptr, click(IDC_SAVE),
       ByTable(IDS_ERR_SAVE_IMAGE_TITLE, IDS_ERR_CAPTURE, Texts(), saved),
       [](Bench& b, HRESULT) { EXPECT_EQ(b.Server().Calls().back().Text(), "Pics\\shot"); }},
      {"Save on the PC", "CaptureCameraToFile", productPage, nullptr, click(IDC_EPOC_SAVE),
       [=](HRESULT hr) {
         Texts seen = saveAs, then = savedOnProduct(hr);
         if (hr == static_cast<HRESULT>(0x00040401)) seen.push_back(Msg(165, 166));
         seen.insert(seen.end(), then.begin(), then.end());
         return seen;
       },
       savedFile},
      {"Save on the product", "CaptureCameraToProduct",
       onProduct(productPage, IDC_EPOC_LOCATION_PRODUCT, IDC_EPOC_PRODUCT_NAME), resultsToCell,
       click(IDC_EPOC_SAVE), savedOnProduct, figureShown},  // then the new test results
  };
}

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
          bench.Server().FireCameraTestFinished({bench.cell, 0, 0, 0, 0, 0, 0});
        else if (dialogs.back() == kSaveAs)
          SetWindowTextA(test::FindChildById(dialog, 0x47c), (bench.folder + "\\shot.jpg").c_str());
        if (dialogs.back() != kWait) test::ClickButton(dialog, IDOK);
      },
      10000);

  const std::vector<Operation> operations = Operations();
  std::set<std::string> listed, called;
  size_t cells = 0;
  for (const Operation& operation : operations) {
    std::istringstream fails(operation.fails);
    std::string method;
    std::vector<long> firstArguments{std::istream_iterator<long>(fails >> method), {}};
    listed.insert(method);
    if (operation.open) operation.open(bench);
    for (HRESULT code : Codes()) {
      SCOPED_TRACE(std::string(operation.trigger) + ": " + operation.fails + " gives " +
                   std::to_string(static_cast<unsigned long>(code)));
      ++bench.cell;
      if (bench.host) bench.Server().ClearScript();
      if (operation.prepare) operation.prepare(bench);
      bench.Server().ClearCalls();
      test::MessageRecorder::Clear();
      dialogs.clear();
      const size_t tempFiles = TempFilesLeft();
      bench.Server().FailWhen(
          method,
          [&](const test::ServerCall& call) {
            return firstArguments.empty() ||
                   std::count(firstArguments.begin(), firstArguments.end(), call.Number(0));
          },
          code);

      operation.act(bench);
      Texts seen = dialogs, messages = test::ShownMessages();
      seen.insert(seen.end(), messages.begin(), messages.end());
      EXPECT_EQ(seen, operation.shown(code));
      EXPECT_GE(bench.Calls(method.c_str()), 1u);
      if (operation.check) operation.check(bench, code);
      EXPECT_EQ(TempFilesLeft(), tempFiles);
      for (const test::ServerCall& call : bench.Server().Calls())
        called.insert(call.name);
      cells += code != S_OK;
    }
    bench.host.reset();
  }
  std::filesystem::current_path(start);
  std::error_code error;
  EXPECT_TRUE(std::filesystem::remove(bench.folder, error)) << error.message();  // left empty
  // A call that the list does not name would have slipped past the matrix.
  for (const std::string& method : called)
    EXPECT_EQ(listed.count(method), 1u) << method << " is called but not in the matrix";
  EXPECT_EQ(cells, operations.size() * (Codes().size() - 1));
  printf("fault matrix: %zu operations x %zu codes = %zu cells\n", operations.size(),
         Codes().size() - 1, cells);
}

// A server that reports success but writes no out value leaves the control's
// presets; nonsense values get what the values mean.
TEST(MisbehavingServer, OutValuesUnwrittenOrNonsense) {
  test::HostedControl host;
  host.Server().SetOutsWritten(false);
  host.Server().SetRegister(3, 0xA5);
  ASSERT_EQ(host.Start(), S_OK);
  EXPECT_EQ(host.TabTexts(), kFullSet);                     // the mode stays 2
  EXPECT_FALSE(IsWindowEnabled(host.Item(IDC_CAMERA_ON)));  // the connection stays 0
  host.Server().FireConnectionStateChanged(1);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.SelectTab(1);
  EXPECT_EQ(test::ListItems(GetDlgItem(host.CurrentPage(), IDC_FORMAT_LIST)), Texts{});
  host.SelectTab(4);
  HWND page = host.CurrentPage();
  SetDlgItemTextA(page, IDC_FIRST_REGISTER, "3");
  host.Click(page, IDC_READ);
  EXPECT_EQ(test::CellText(GetDlgItem(page, IDC_REGISTER_LIST), 3, 3), "000");  // preset 0

  // Every bit of the masks set: every format and size, in table order.
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

  // The product page: outs unwritten, then 255 cameras with every bit set,
  // then none at all.
  for (BYTE cameras : {1, 255, 0}) {
    test::HostedControl product;
    product.Server().SetProductMode(4);
    product.Server().SetCameraCount(cameras);
    product.Server().SetCameraConfig(0, {-1, -1, 0});
    ASSERT_EQ(product.Start(), S_OK);
    product.Server().SetOutsWritten(cameras != 1);
    product.SelectTab(1);
    HWND epoc = product.CurrentPage();
    const Texts formats = test::ListItems(GetDlgItem(epoc, IDC_FORMAT_LIST));
    EXPECT_EQ(formats.size(), cameras == 1 ? 0u : 7u);
    EXPECT_EQ(test::ListItems(GetDlgItem(epoc, IDC_SIZE_LIST)).size(), cameras == 1 ? 0u : 8u);
    EXPECT_EQ(SendDlgItemMessageA(epoc, IDC_CAMERA_NUMBER, CB_GETCOUNT, 0, 0), cameras);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(epoc, IDC_FLASH_ON)) != FALSE, cameras != 1);
    if (cameras == 0) {  // nothing to choose
      product.Click(epoc, IDC_EPOC_SAVE);
      EXPECT_EQ(test::ShownMessages(), Texts{Msg(181, 182)});
    }
  }
}

// Events fired from inside the control's own server calls, and events that
// arrive after the host destroyed the control's window.
TEST(MisbehavingServer, EventsInsideCallsAndAfterTheWindowIsGone) {
  // Inside call number `call` of `method`, the server fires an event.
  const auto fireAt = [](test::HostedControl& host, const char* method, int call, long state) {
    host.Server().ClearScript();
    host.Server().DuringCall(method, [&host, call, state, calls = 0]() mutable {
      if (++calls == call) host.Server().FireConnectionStateChanged(state);
    });
  };
  {  // A mode change while Go asks for the mode: one page set.
    test::HostedControl product;
    product.Server().SetProductMode(4);
    fireAt(product, "GetProductConfiguration", 1, 1);
    ASSERT_EQ(product.Start(), S_OK);
    EXPECT_EQ(product.TabTexts(), kProductSet);
  }
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  // The phone goes during a Read: the pass ends, then only Close and Help work.
  fireAt(host, "ReadRegister", 3, 0);
  SetDlgItemTextA(page, IDC_LAST_REGISTER, "9");
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.Server().CallCount("ReadRegister"), 10u);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_READ)));

  // A new product mode during a Read rebuilds the sheet under the page.
  host.Server().ClearScript();
  host.Server().FireConnectionStateChanged(1);
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  host.Server().SetProductMode(4);
  fireAt(host, "ReadRegister", 3, 1);
  host.Click(page, IDC_READ);
  EXPECT_EQ(host.TabTexts(), kProductSet);

  // The same during a test start rebuilds the Camera Test page too; its new
  // window still runs tests. A finish event from inside the start comes
  // before the test counts as started: it is ignored.
  host.Server().SetProductMode(2);
  fireAt(host, "StartCameraTest", 1, 1);
  host.Server().DuringCall("StartCameraTest", [&] {
    host.Server().FireCameraTestFinished({9, 9, 9, 9, 9, 9, 9});
  });
  test::WhenDialog cancel("Please Wait...",
                          [](HWND dialog) { test::ClickButton(dialog, IDC_WAIT_CANCEL); });
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(cancel.Handled(), 1u);
  EXPECT_EQ(host.TabTexts(), kFullSet);
  HWND testPage = host.CurrentPage();
  EXPECT_EQ(test::WindowText(GetDlgItem(testPage, IDC_AVERAGE_BRIGHTNESS)), "");
  test::WhenDialog finish("Please Wait...", [&](HWND) {
    host.Server().FireCameraTestFinished({5, 5, 5, 5, 5, 5, 5});
  });
  host.Click(testPage, IDC_TEST);
  EXPECT_EQ(test::WindowText(GetDlgItem(testPage, IDC_AVERAGE_BRIGHTNESS)), "5");
  EXPECT_TRUE(test::ShownMessages().empty());

  // The window goes while a mode change comes from inside its last call.
  // After it, the mode change to 0 and the failed test still speak; a
  // missing or empty description adds nothing.
  host.Server().SetProductMode(4);
  fireAt(host, "ActivateCamera", 1, 1);
  DestroyWindow(host.Dialog());
  host.Server().ClearScript();
  host.Server().SetProductMode(0);
  host.Server().FireConnectionStateChanged(1);
  host.Server().FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
  host.Server().FireEvent(3, {test::TextArg(nullptr)});
  host.Server().FireCameraTestFailed(L"");
  const std::string failed = Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST) + "\n\n";
  EXPECT_EQ(test::ShownMessages(), (Texts{Msg(218, 219), failed, failed}));
}

}  // namespace
