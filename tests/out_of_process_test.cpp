// The control against a camera function server in another process: the
// camera simulator served by tools/camera_server.exe (LocalServer32), its
// interfaces marshalled through the registered type library. A whole
// session crosses the process boundary; whatever reaches the control while
// it waits for the server starts no second action and is not lost; and a
// server whose process dies is reported, and replaced by the host.
#include <windows.h>
#include <process.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CameraControlFNLib.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/server_type_library.h"

namespace {

using Texts = std::vector<std::string>;
using fw::ComPtr;
using Handle = fw::UniqueHandle<fw::ClosedBy<HANDLE, CloseHandle>>;

const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};
const Texts kProductSet = {"Camera Test", "Picture Capture  "};
constexpr int kRegistersTab = 4;

// Clicks the buttons from another thread, as sent messages that this thread
// receives the next time it takes messages.
DWORD WINAPI ClickWithoutWaiting(void* buttons) {
  for (HWND button : *static_cast<const std::vector<HWND>*>(buttons))
    SendNotifyMessageA(button, BM_CLICK, 0, 0);
  return 0;
}

// Runs tools\camera_server.exe (beside the tests' build folder) with
// `option`; its exit code.
intptr_t RunServer(const char* option) {
  return _spawnl(_P_WAIT, "tools\\camera_server.exe", "camera_server.exe", option, nullptr);
}

// The name of the file that the default value of HKCR\`key` names; empty
// when there is none.
std::string RegisteredFile(const std::string& key) {
  char value[MAX_PATH] = "";
  LONG size = sizeof value;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return "";
  std::string file(value);
  file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
  return file.substr(file.find_last_of('\\') + 1);
}

// A process to end as a crash would, from another thread, after a while.
struct Ending {
  HANDLE process;
  DWORD afterMs;
};

DWORD WINAPI EndLater(void* ending) {
  const auto& order = *static_cast<const Ending*>(ending);
  Sleep(order.afterMs);
  TerminateProcess(order.process, 1);
  return 0;
}

class OutOfProcess : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RunServer("/RegServer"), 0); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HandOverNewServer());
    ASSERT_EQ(host.Go(), S_OK);
  }
  // Starts a server process of its own and hands its server to the control.
  void HandOverNewServer() {
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_CameraControlFN, nullptr, CLSCTX_LOCAL_SERVER,
                                              IID_PPV_ARGS(server.ReleaseAndGetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(server.As(&simulator));
    long id = 0;
    simulator->get_ProcessId(&id);
    ASSERT_NE(static_cast<DWORD>(id), GetCurrentProcessId());
    process.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id)));
    ASSERT_TRUE(process.Get());
    ComPtr<ICameraControlFNClient> client;
    ASSERT_HRESULT_SUCCEEDED(host.Control()->QueryInterface(IID_PPV_ARGS(&client)));
    ASSERT_EQ(client->SetServer(server.Get()), S_OK);
  }
  // Ends the server's process after `ms`, from another thread.
  Handle EndServerAfter(DWORD ms) {
    ending = {process.Get(), ms};
    return Handle(CreateThread(nullptr, 0, EndLater, &ending, 0, nullptr));
  }
  long Calls() const {
    long count = 0;
    simulator->get_CallCount(&count);
    return count;
  }
  // The server's register as the list shows it in decimal.
  std::string Register(BYTE reg) const {
    BYTE value = 0;
    server->ReadRegister(reg, &value);
    char text[8];
    snprintf(text, sizeof text, "%03d", value);
    return text;
  }
  // The Registers page with the camera on and the range set.
  HWND RegistersPage(const char* first, const char* last) {
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    EXPECT_TRUE(host.SelectTab(kRegistersTab));
    SetDlgItemTextA(host.CurrentPage(), IDC_FIRST_REGISTER, first);
    SetDlgItemTextA(host.CurrentPage(), IDC_LAST_REGISTER, last);
    return host.CurrentPage();
  }
  // The test results shown on `page` are the server's.
  void ExpectServerResults(HWND page) const {
    long values[7] = {};
    server->GetCameraTestResults(&values[0], &values[1], &values[2], &values[3], &values[4],
                                 &values[5], &values[6]);
    Texts texts;
    for (long value : values)
      texts.push_back(std::to_string(value));
    EXPECT_EQ(test::TestResultTexts(page), texts);
  }
  // Lets go of the control and the server; whether the server's process
  // then ends.
  bool ServerProcessEnds() {
    host.Release();
    simulator.Reset();
    server.Reset();
    return WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0;
  }

  test::HostedControl host;
  ComPtr<ICameraControlFN> server;
  ComPtr<ICameraSimulator> simulator;
  Handle process;
  Ending ending{};
};

// The server's interfaces are dual and use automation types only, so the
// type library marshaller carries them on Windows too (Wine's carries more).
TEST_F(OutOfProcess, TheServerInterfacesAreDualWithAutomationTypesOnly) {
  static const VARTYPE kAutomation[] = {VT_I2,      VT_I4,      VT_R4,       VT_R8,    VT_CY,
                                        VT_DATE,    VT_BSTR,    VT_DISPATCH, VT_ERROR, VT_BOOL,
                                        VT_VARIANT, VT_UNKNOWN, VT_UI1};
  ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, 0, &library));
  for (REFIID iid : {IID_ICameraControlFN, IID_ICameraControlFNTest, IID_ICameraControlFNEpoc}) {
    ComPtr<ITypeInfo> dispatch, info;
    HREFTYPE vtable = 0;
    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(iid, &dispatch));
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &vtable));  // dual
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeInfo(vtable, &info));
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
    const WORD functions = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    for (WORD f = 0; f < functions; ++f) {
      FUNCDESC* function = nullptr;
      ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(f, &function));
      for (SHORT p = 0; p < function->cParams; ++p) {
        const TYPEDESC& type = function->lprgelemdescParam[p].tdesc;  // out: pointer to it
        const VARTYPE vt = type.vt == VT_PTR ? type.lptdesc->vt : type.vt;
        EXPECT_NE(std::find(std::begin(kAutomation), std::end(kAutomation), vt),
                  std::end(kAutomation))
            << "function " << function->memid << " parameter " << p << " type " << vt;
      }
      info->ReleaseFuncDesc(function);
    }
  }
}

TEST_F(OutOfProcess, ASessionCrossesTheProcessBoundary) {
  EXPECT_EQ(host.TabTexts(), kFullSet);

  // The test's finishing event comes from the other process and ends the wait.
  simulator->put_TestDuration(300);
  test::WhenDialog wait("Please Wait...", [](HWND) {});
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(wait.Handled(), 1u);
  ExpectServerResults(host.CurrentPage());

  server->WriteRegister(8, 77);  // read into the list, then written back
  HWND page = RegistersPage("8", "8");
  host.Click(page, IDC_READ);
  server->WriteRegister(8, 78);
  host.Click(page, IDC_WRITE);
  EXPECT_EQ(Register(8), "077");

  // Captures: the path crosses the boundary, the server writes the file.
  ASSERT_TRUE(host.SelectTab(1));
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string saved = std::string(folder) + "kvr_out_of_process.jpg";
  test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
    SetWindowTextA(test::FindChildById(dialog, 0x47c), saved.c_str());
    test::ClickButton(dialog, IDOK);
  });
  char buildFolder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof buildFolder, buildFolder);
  host.Click(host.CurrentPage(), IDC_SAVE);
  SetCurrentDirectoryA(buildFolder);  // the system's Save As moves to the folder saved to
  std::ifstream file(saved, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(file), {});
  file.close();
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");  // a JPEG file
  DeleteFileA(saved.c_str());
  EXPECT_EQ(test::ShownMessages(), Texts{test::Msg(102, IDS_CAPTURE_SUCCESS)});
  EXPECT_TRUE(ServerProcessEnds());
}

// Whatever COM lets through while the control waits for the server (a click
// posted before the pass, clicks sent from another thread, the server's
// event halfway through every call), the Read pass runs alone and the event
// is handled after it.
TEST_F(OutOfProcess, WhatArrivesDuringACallStartsNoSecondActionAndLosesNothing) {
  HWND page = RegistersPage("20", "23"), list = GetDlgItem(page, IDC_REGISTER_LIST);
  // Each call takes 200 ms; halfway through, the phone reports itself
  // connected again as product mode 4, which has no Registers page.
  simulator->put_ProductMode(4);
  simulator->SetCallDelay(200, 1);
  const long calls = Calls();

  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WRITE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_WRITE)));
  std::vector<HWND> sent = {GetDlgItem(page, IDC_READ), host.Item(IDC_VIEWFINDER_ON)};
  Handle thread(CreateThread(nullptr, 0, ClickWithoutWaiting, &sent, 0, nullptr));
  WaitForSingleObject(thread.Get(), INFINITE);
  host.Click(page, IDC_READ);
  // What the pass left, before this thread takes any message again.
  Texts values;
  for (BYTE reg = 20; reg <= 23; ++reg)
    values.push_back(test::CellText(list, reg, 3));
  const Texts tabs = host.TabTexts();
  const bool cameraOn = host.IsChecked(IDC_CAMERA_ON);

  EXPECT_EQ(Calls() - calls, 4);  // one pass of four reads, nothing nested in it
  simulator->SetCallDelay(0, 0);
  EXPECT_EQ(values, (Texts{Register(20), Register(21), Register(22), Register(23)}));
  EXPECT_EQ(tabs, kFullSet);  // the events wait until the pass is over
  EXPECT_TRUE(cameraOn);

  // Then clicks that waited run as actions of their own, and the events
  // are handled.
  test::PumpMessages(100);
  EXPECT_EQ(host.TabTexts(), kProductSet);
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  EXPECT_EQ(test::ShownMessages(), Texts{});
  EXPECT_TRUE(ServerProcessEnds());
}

TEST_F(OutOfProcess, ATestResultThatComesBeforeTheStartReturnsIsShown) {
  simulator->put_TestDuration(60000);        // no second result
  simulator->SetCallDelay(100, 2);           // the result comes during StartCameraTest
  host.Click(host.CurrentPage(), IDC_TEST);  // the wait ends by itself, or the watchdog fails it
  simulator->SetCallDelay(0, 0);
  ExpectServerResults(host.CurrentPage());
  EXPECT_TRUE(ServerProcessEnds());
}

// The server's process ends in the middle of a Read pass: the pass stops
// with the page's message for a result code it does not list (COM's code
// for a server gone), keeps the register read before, and the control works
// with the server the host hands it next.
TEST_F(OutOfProcess, AServerThatDiesDuringAReadPassIsReportedAndReplaced) {
  HWND page = RegistersPage("20", "22"), list = GetDlgItem(page, IDC_REGISTER_LIST);
  const std::string first = Register(20);
  simulator->SetCallDelay(1000, 0);
  Handle end = EndServerAfter(1500);  // during the second read
  const DWORD start = GetTickCount();
  host.Click(page, IDC_READ);
  EXPECT_LT(GetTickCount() - start, 5000u);
  WaitForSingleObject(end.Get(), INFINITE);
  EXPECT_EQ(test::CellText(list, 20, 3), first);
  const Texts readFailed = {test::Msg(IDS_ERR_READ_REGISTER_TITLE, IDS_ERR_REGISTER_OPERATION)};
  EXPECT_EQ(test::ShownMessages(), readFailed);

  ASSERT_NO_FATAL_FAILURE(HandOverNewServer());
  host.Click(host.Dialog(), IDC_CAMERA_ON);  // a new phone starts with the camera off
  host.Click(page, IDC_READ);
  for (BYTE reg = 20; reg <= 22; ++reg)
    EXPECT_EQ(test::CellText(list, reg, 3), Register(reg)) << int{reg};
  EXPECT_EQ(test::ShownMessages(), readFailed);
  EXPECT_TRUE(ServerProcessEnds());
}

// The server's process ends while Please Wait waits for the test result:
// nothing reaches the control, so the wait goes on counting until the user
// cancels it; the next Test fails at once with the page's message, and a
// new server's test runs.
TEST_F(OutOfProcess, AServerThatDiesDuringTheTestWaitLeavesItToCancel) {
  simulator->put_TestDuration(60000);
  int counted = 0;  // seconds counted after the server died
  test::WhenDialog wait("Please Wait...", [&](HWND dialog) {
    WaitForSingleObject(EndServerAfter(0).Get(), INFINITE);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    HWND seconds = GetDlgItem(dialog, IDC_ELAPSED_SECONDS);
    counted = -atoi(test::WindowText(seconds).c_str());
    test::PumpMessages(1500);
    counted += atoi(test::WindowText(seconds).c_str());
    test::ClickButton(dialog, IDC_WAIT_CANCEL);
  });
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(wait.Handled(), 1u);
  EXPECT_GE(counted, 1);
  EXPECT_EQ(test::ShownMessages(), Texts{});
  host.Click(host.CurrentPage(), IDC_TEST);  // a Please Wait now would fail the watchdog
  const Texts testFailed = {test::Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST)};
  EXPECT_EQ(test::ShownMessages(), testFailed);

  ASSERT_NO_FATAL_FAILURE(HandOverNewServer());
  simulator->put_TestDuration(300);
  test::WhenDialog again("Please Wait...", [](HWND) {});
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(again.Handled(), 1u);
  ExpectServerResults(host.CurrentPage());
  EXPECT_EQ(test::ShownMessages(), testFailed);
  EXPECT_TRUE(ServerProcessEnds());
}

// /UnregServer removes the class and the type library that /RegServer
// registered, and leaves what another server has registered since: the
// same class, the same type library from a file of its own, or for the
// other platform (with the interfaces' keys, which serve both).
TEST(CameraServerRegistration, UnregServerRemovesOnlyWhatRegServerWrote) {
  const std::string classKey = "CLSID\\{CB74C741-8184-4E4F-89AC-B7A8762D3AE0}";
  const std::string server = classKey + "\\LocalServer32";
  const std::string version = "TypeLib\\{3591324A-092B-48F4-A15E-0A90F5E914B9}\\1.0\\0\\";
  const bool wide = sizeof(void*) == 8;
  const std::string library = version + (wide ? "win64" : "win32");
  const std::string otherLibrary = version + (wide ? "win32" : "win64");
  const std::string interfaceLibrary = "Interface\\{C1B5684C-DCD3-40BF-8F54-FCAF252C452D}\\TypeLib";
  const char other[] = "\"C:\\Program Files\\Phone Tool\\phone_server.exe\"";
  ASSERT_EQ(RunServer("/RegServer"), 0);
  ASSERT_EQ(RegisteredFile(server) + RegisteredFile(library), "camera_server.execamera_server.exe");
  ASSERT_EQ(RunServer("/UnregServer"), 0);
  EXPECT_EQ(RegisteredFile(server) + RegisteredFile(library), "");

  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, otherLibrary.c_str(), REG_SZ, other, sizeof other - 1),
            ERROR_SUCCESS);
  ASSERT_EQ(RunServer("/RegServer"), 0);
  ASSERT_EQ(RunServer("/UnregServer"), 0);
  EXPECT_EQ(RegisteredFile(library), "");
  EXPECT_EQ(RegisteredFile(otherLibrary), "phone_server.exe");
  EXPECT_EQ(RegisteredFile(interfaceLibrary), "{3591324A-092B-48F4-A15E-0A90F5E914B9}");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, otherLibrary.c_str());

  ASSERT_TRUE(test::RegisterServerTypeLibrary());
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, server.c_str(), REG_SZ, other, sizeof other - 1),
            ERROR_SUCCESS);
  EXPECT_EQ(RunServer("/UnregServer"), 0);
  EXPECT_EQ(RegisteredFile(server), "phone_server.exe");
  EXPECT_EQ(RegisteredFile(library), "CameraControlFNLib.tlb");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, classKey.c_str());
}

}  // namespace
