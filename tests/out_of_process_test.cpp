// The control against a camera function server in another process: the
// camera simulator served by tools/camera_server.exe (LocalServer32), its
// interfaces marshalled through the registered type library. A whole
// session crosses the process boundary; and while the control waits for the
// server, the messages that COM lets through start no second action and
// lose nothing.
#include <windows.h>
#include <process.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
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
const Texts kProductSet = {"Camera Test", "Picture Capture  "};
constexpr int kRegistersTab = 4;

// What reaches the control's windows (and COM's own window of this thread)
// from the message queue or from other threads while it is recorded: the
// kinds of message seen, during (0) and after (1) the call.
struct Arrivals {
  explicit Arrivals(HWND control) {
    root = control;
    after = false;
    seen[0] = seen[1] = {};
  }
  ~Arrivals() {
    for (HHOOK hook : hooks)
      UnhookWindowsHookEx(hook);
  }
  static bool InControl(HWND window) { return window == root || IsChild(root, window); }

  static LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM lParam) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    char name[64] = "";
    if (code == HC_ACTION && removal == PM_REMOVE && msg.hwnd) {
      GetClassNameA(msg.hwnd, name, sizeof name);
      if (strncmp(name, "OleMainThreadWndClass", 21) == 0)
        seen[after].insert("incoming COM call");
      else if (InControl(msg.hwnd) && msg.message == WM_COMMAND)
        seen[after].insert("posted click");
      else if (InControl(msg.hwnd) && (msg.message == WM_TIMER || msg.message == WM_PAINT))
        seen[after].insert(msg.message == WM_TIMER ? "timer" : "paint");
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
  }
  static LRESULT CALLBACK OnCallWindow(int code, WPARAM sent, LPARAM lParam) {
    const CWPSTRUCT& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call.message == BM_CLICK && InControl(call.hwnd) &&
        InSendMessageEx(nullptr) != ISMEX_NOSEND)
      seen[after].insert("click sent from another thread");
    return CallNextHookEx(nullptr, code, sent, lParam);
  }

  static inline HWND root;
  static inline bool after;
  static inline std::set<std::string> seen[2];
  const HHOOK hooks[2] = {
      SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId()),
      SetWindowsHookExA(WH_CALLWNDPROC, OnCallWindow, nullptr, GetCurrentThreadId())};
};

// Clicks the buttons from another thread, as sent messages that this thread
// receives the next time it takes messages.
DWORD WINAPI ClickWithoutWaiting(void* buttons) {
  for (HWND button : *static_cast<const std::vector<HWND>*>(buttons))
    SendNotifyMessageA(button, BM_CLICK, 0, 0);
  return 0;
}

class OutOfProcess : public testing::Test {
 protected:
  // Registers tools\camera_server.exe (beside the tests' build folder).
  static void SetUpTestSuite() {
    ASSERT_EQ(
        _spawnl(_P_WAIT, "tools\\camera_server.exe", "camera_server.exe", "/RegServer", nullptr),
        0);
  }

  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_CameraControlFN, nullptr, CLSCTX_LOCAL_SERVER,
                                              IID_PPV_ARGS(&server)));
    ASSERT_HRESULT_SUCCEEDED(server.As(&simulator));
    long id = 0;
    simulator->get_ProcessId(&id);
    ASSERT_NE(static_cast<DWORD>(id), GetCurrentProcessId());
    process.Reset(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
    ASSERT_TRUE(process.Get());
    ComPtr<ICameraControlFNClient> client;
    ASSERT_HRESULT_SUCCEEDED(host.Control()->QueryInterface(IID_PPV_ARGS(&client)));
    ASSERT_EQ(client->SetServer(server.Get()), S_OK);
    ASSERT_EQ(host.Go(), S_OK);
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
  host.Click(host.CurrentPage(), IDC_SAVE);
  std::ifstream file(saved, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(file), {});
  file.close();
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");  // a JPEG file
  DeleteFileA(saved.c_str());
  EXPECT_EQ(test::ShownMessages(), Texts{test::Msg(102, IDS_CAPTURE_SUCCESS)});
  EXPECT_TRUE(ServerProcessEnds());
}

TEST_F(OutOfProcess, WhatArrivesDuringACallStartsNoSecondActionAndLosesNothing) {
  HWND page = RegistersPage("20", "23"), list = GetDlgItem(page, IDC_REGISTER_LIST);
  // Each call takes 200 ms; halfway through, the phone reports itself
  // connected again as product mode 4, which has no Registers page.
  simulator->put_ProductMode(4);
  simulator->SetCallDelay(200, 1);
  const long calls = Calls();

  Arrivals arrivals(host.Dialog());
  PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WRITE, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_WRITE)));
  SetTimer(host.Dialog(), 0x4B56, 1, nullptr);
  InvalidateRect(host.Item(IDOK), nullptr, TRUE);
  std::vector<HWND> sent = {GetDlgItem(page, IDC_READ), host.Item(IDC_VIEWFINDER_ON)};
  Handle thread(CreateThread(nullptr, 0, ClickWithoutWaiting, &sent, 0, nullptr));
  WaitForSingleObject(thread.Get(), INFINITE);
  host.Click(page, IDC_READ);
  Arrivals::after = true;
  EXPECT_EQ(Arrivals::seen[0], (std::set<std::string>{"click sent from another thread",
                                                      "incoming COM call", "paint"}));
  // One pass of four reads; the sent clicks started nothing, the events
  // wait until the pass is over.
  EXPECT_EQ(Calls() - calls, 4);
  simulator->SetCallDelay(0, 0);
  for (BYTE reg = 20; reg <= 23; ++reg)
    EXPECT_EQ(test::CellText(list, reg, 3), Register(reg)) << int{reg};
  EXPECT_EQ(host.TabTexts(), kFullSet);
  EXPECT_TRUE(host.IsChecked(IDC_CAMERA_ON));

  // Then, in order: the posted click (a Write pass), the timer, the events.
  test::PumpMessages(100);
  KillTimer(host.Dialog(), 0x4B56);
  EXPECT_EQ(Arrivals::seen[1].count("posted click"), 1u);
  EXPECT_EQ(Arrivals::seen[1].count("timer"), 1u);
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

}  // namespace
