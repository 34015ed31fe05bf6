// The control against a camera function server in another process
// (tools/camera_server.exe, marshalled through the registered type library):
// a session across the boundary, what reaches the control while it waits,
// and a server whose process dies. After each test the server's process ends.
#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "CameraControlFNLib.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

using Texts = std::vector<std::string>;
using fw::ComPtr;
using Handle = fw::UniqueHandle<fw::ClosedBy<HANDLE, CloseHandle>>;

const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};

std::vector<HWND> sent;
DWORD WINAPI ClickSent(void*) {
  for (HWND button : sent)
    SendNotifyMessageA(button, BM_CLICK, 0, 0);
  return 0;
}

class OutOfProcess : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(
        _spawnl(_P_WAIT, "tools\\camera_server.exe", "camera_server.exe", "/RegServer", nullptr),
        0);
  }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HandOverNewServer());
    ASSERT_EQ(host.Go(), S_OK);
  }
  void TearDown() override {
    host.Release();
    simulator.Reset();
    server.Reset();
    EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0) << "server still runs";
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
  // Ends the server's process as a crash would, from another thread, after `ms`.
  Handle EndServerAfter(DWORD ms) {
    ending = ms;
    return Handle(CreateThread(nullptr, 0, EndLater, this, 0, nullptr));
  }
  static DWORD WINAPI EndLater(void* self) {
    Sleep(static_cast<OutOfProcess*>(self)->ending);
    return TerminateProcess(static_cast<OutOfProcess*>(self)->process.Get(), 1);
  }
  // Registers `first` to `last` in decimal: as the server holds them, and
  // as the Registers page lists them.
  Texts ServerRegisters(BYTE first, BYTE last) const {
    Texts values;
    for (BYTE reg = first, value = 0; reg <= last; ++reg)
      server->ReadRegister(reg, &value), values.push_back(std::to_string(value + 1000).substr(1));
    return values;
  }
  Texts ListedRegisters(HWND page, BYTE first, BYTE last) const {
    Texts values;
    for (BYTE reg = first; reg <= last; ++reg)
      values.push_back(test::CellText(GetDlgItem(page, IDC_REGISTER_LIST), reg, 3));
    return values;
  }
  // The Registers page with the camera on and the range set.
  HWND RegistersPage(const char* first, const char* last) {
    host.Click(host.Dialog(), IDC_CAMERA_ON);
    EXPECT_TRUE(host.SelectTab(4));
    SetDlgItemTextA(host.CurrentPage(), IDC_FIRST_REGISTER, first);
    SetDlgItemTextA(host.CurrentPage(), IDC_LAST_REGISTER, last);
    return host.CurrentPage();
  }
  void ExpectServerResults() const {
    long v[7] = {};
    server->GetCameraTestResults(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    Texts texts;
    for (long value : v)
      texts.push_back(std::to_string(value));
    EXPECT_EQ(test::TestResultTexts(host.CurrentPage()), texts);
  }
  // A camera test of 300 ms: its finishing event, from the other process,
  // ends Please Wait, and the server's results are shown.
  void RunCameraTest() {
    simulator->put_TestDuration(300);
    test::WhenDialog wait("Please Wait...", [](HWND) {});
    host.Click(host.CurrentPage(), IDC_TEST);
    EXPECT_EQ(wait.Handled(), 1u);
    ExpectServerResults();
  }

  test::HostedControl host;
  ComPtr<ICameraControlFN> server;
  ComPtr<ICameraSimulator> simulator;
  Handle process;
  DWORD ending = 0;
};

// Tabs, the camera test (its result also when it comes before the start
// returns), a register read and written back. The interfaces are dual with
// automation types only, so Windows' type library marshaller carries them
// too (Wine's carries more). (Paths cross the boundary as any BSTR does.)
TEST_F(OutOfProcess, ASessionCrossesTheProcessBoundary) {
  static const VARTYPE kAutomation[] = {VT_I2,      VT_I4,      VT_R4,       VT_R8,    VT_CY,
                                        VT_DATE,    VT_BSTR,    VT_DISPATCH, VT_ERROR, VT_BOOL,
                                        VT_VARIANT, VT_UNKNOWN, VT_UI1};
  ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, 0, &library));
  for (REFIID iid : {IID_ICameraControlFN, IID_ICameraControlFNTest, IID_ICameraControlFNEpoc}) {
    ComPtr<ITypeInfo> dispatch, info;
    HREFTYPE vtable = 0;
    FUNCDESC* f = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(iid, &dispatch));
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &vtable));  // dual
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeInfo(vtable, &info));
    for (UINT i = 0; SUCCEEDED(info->GetFuncDesc(i, &f)); ++i, info->ReleaseFuncDesc(f))
      for (SHORT p = 0; p < f->cParams; ++p) {
        const TYPEDESC& type = f->lprgelemdescParam[p].tdesc;  // out: pointer to it
        const VARTYPE vt = type.vt == VT_PTR ? type.lptdesc->vt : type.vt;
        EXPECT_EQ(std::count(std::begin(kAutomation), std::end(kAutomation), vt), 1)
            << "function " << f->memid << " parameter " << p << " type " << vt;
      }
  }

  EXPECT_EQ(host.TabTexts(), kFullSet);
  RunCameraTest();
  simulator->put_TestDuration(60000);  // the only result comes during StartCameraTest
  simulator->SetCallDelay(100, 2);
  host.Click(host.CurrentPage(), IDC_TEST);
  simulator->SetCallDelay(0, 0);
  ExpectServerResults();
  server->WriteRegister(8, 77);
  HWND page = RegistersPage("8", "8");
  host.Click(page, IDC_READ);
  server->WriteRegister(8, 78);
  host.Click(page, IDC_WRITE);
  EXPECT_EQ(ServerRegisters(8, 8), Texts{"077"});
}

// Whatever COM lets through while the control waits for the server (a click
// posted before the pass, clicks sent from another thread, the server's
// event halfway through every call), the Read pass runs alone and the event
// is handled after it.
TEST_F(OutOfProcess, WhatArrivesDuringACallStartsNoSecondActionAndLosesNothing) {
  HWND page = RegistersPage("20", "23");
  // Each call takes 200 ms; halfway through, the phone reports itself
  // connected again as product mode 4, which has no Registers page.
  simulator->put_ProductMode(4);
  simulator->SetCallDelay(200, 1);
  long before = 0, after = 0;
  simulator->get_CallCount(&before);
  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WRITE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_WRITE)));
  // Clicks from another thread: sent messages this thread receives when it
  // next takes messages.
  sent = {GetDlgItem(page, IDC_READ), host.Item(IDC_VIEWFINDER_ON)};
  Handle thread(CreateThread(nullptr, 0, ClickSent, nullptr, 0, nullptr));
  WaitForSingleObject(thread.Get(), INFINITE);
  host.Click(page, IDC_READ);
  // What the pass left, before this thread takes any message again.
  const Texts values = ListedRegisters(page, 20, 23), tabs = host.TabTexts();
  const bool cameraOn = host.IsChecked(IDC_CAMERA_ON);
  simulator->get_CallCount(&after);
  EXPECT_EQ(after - before, 4);  // one pass of four reads, nothing nested in it
  simulator->SetCallDelay(0, 0);
  EXPECT_EQ(values, ServerRegisters(20, 23));
  EXPECT_EQ(tabs, kFullSet);  // the events wait until the pass is over
  EXPECT_TRUE(cameraOn);
  // Then clicks that waited run as actions of their own, and the events are
  // handled.
  test::PumpMessages(100);
  EXPECT_EQ(host.TabTexts(), (Texts{"Camera Test", "Picture Capture  "}));
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  EXPECT_EQ(test::ShownMessages(), Texts{});
}

// The server's process ends while Please Wait waits for the test result:
// nothing reaches the control, so the wait goes on counting until the user
// cancels it; the next Test fails at once with the page's message (a
// Please Wait would fail the watchdog), and a new server's test runs.
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
  host.Click(host.CurrentPage(), IDC_TEST);
  const Texts testFailed = {test::Msg(IDS_ERR_CAMERA_TEST_TITLE, IDS_ERR_CAMERA_TEST)};
  EXPECT_EQ(test::ShownMessages(), testFailed);
  ASSERT_NO_FATAL_FAILURE(HandOverNewServer());
  RunCameraTest();
  EXPECT_EQ(test::ShownMessages(), testFailed);
}

}  // namespace
