// The control against a camera function server in another process: the
// camera simulator served by tools/camera_server.exe (LocalServer32), its
// interfaces marshalled through the registered type library. A whole
// session crosses the process boundary; and while the control waits for the
// server, the messages that COM lets through start no second action and
// lose nothing.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CameraControlFNLib.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

using Texts = std::vector<std::string>;
using fw::ComPtr;
using Handle = fw::UniqueHandle<fw::ClosedBy<HANDLE, CloseHandle>>;

const Texts kFullSet = {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests",
                        "Registers"};
const Texts kProductSet = {"Camera Test", "Picture Capture  "};
constexpr int kRegistersTab = 4;

// Runs tools\camera_server.exe (beside the tests' build folder) with
// `option`; its exit code, or -1 when it could not run.
DWORD RunServerProgram(const char* option) {
  char command[64];
  snprintf(command, sizeof command, "tools\\camera_server.exe %s", option);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return static_cast<DWORD>(-1);
  Handle process(started.hProcess);
  CloseHandle(started.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.Get(), &code);
  return code;
}

std::string RegistryText(const std::string& key) {
  char text[MAX_PATH] = "";
  LONG size = sizeof text;
  RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), text, &size);
  return text;
}

std::string GuidText(REFGUID guid) {
  wchar_t wide[40] = L"";
  StringFromGUID2(guid, wide, 40);
  char text[40] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

// "method:parameter" for each parameter of `info` whose type the automation
// marshaller cannot carry (out parameters point to an automation type).
Texts NonAutomationParameters(ITypeInfo* info) {
  static const VARTYPE kAutomation[] = {VT_I2,      VT_I4,      VT_R4,       VT_R8,    VT_CY,
                                        VT_DATE,    VT_BSTR,    VT_DISPATCH, VT_ERROR, VT_BOOL,
                                        VT_VARIANT, VT_UNKNOWN, VT_UI1};
  auto automation = [](VARTYPE vt) {
    return std::find(std::begin(kAutomation), std::end(kAutomation), vt) != std::end(kAutomation);
  };
  Texts refused;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return {"no attributes"};
  const WORD count = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (WORD f = 0; f < count; ++f) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(f, &function))) continue;
    for (SHORT p = 0; p < function->cParams; ++p) {
      const TYPEDESC& type = function->lprgelemdescParam[p].tdesc;
      if (!automation(type.vt == VT_PTR ? type.lptdesc->vt : type.vt))
        refused.push_back(std::to_string(function->memid) + ":" + std::to_string(p));
    }
    info->ReleaseFuncDesc(function);
  }
  return refused;
}

// What reaches the control's windows (and COM's own window of this thread)
// from the message queue or from other threads while it is recorded: the
// kinds of message seen, before and after End.
class Arrivals {
 public:
  explicit Arrivals(HWND control) {
    self = this;
    root = control;
    getMessageHook = SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
    callHook = SetWindowsHookExA(WH_CALLWNDPROC, OnCallWindow, nullptr, GetCurrentThreadId());
  }
  ~Arrivals() {
    UnhookWindowsHookEx(getMessageHook);
    UnhookWindowsHookEx(callHook);
    self = nullptr;
  }
  void End() { ended = true; }
  const std::set<std::string>& During() const { return during; }
  const std::set<std::string>& After() const { return after; }

 private:
  bool InControl(HWND window) const { return window == root || IsChild(root, window); }
  void Seen(const char* kind) { (ended ? after : during).insert(kind); }

  static LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM lParam) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    char name[64] = "";
    if (code == HC_ACTION && removal == PM_REMOVE && msg.hwnd) {
      GetClassNameA(msg.hwnd, name, sizeof name);
      if (strncmp(name, "OleMainThreadWndClass", 21) == 0)
        self->Seen("incoming COM call");
      else if (self->InControl(msg.hwnd) && msg.message == WM_COMMAND)
        self->Seen("posted click");
      else if (self->InControl(msg.hwnd) && msg.message == WM_TIMER)
        self->Seen("timer");
      else if (self->InControl(msg.hwnd) && msg.message == WM_PAINT)
        self->Seen("paint");
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
  }
  static LRESULT CALLBACK OnCallWindow(int code, WPARAM sent, LPARAM lParam) {
    const CWPSTRUCT& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call.message == BM_CLICK && self->InControl(call.hwnd) &&
        InSendMessageEx(nullptr) != ISMEX_NOSEND)
      self->Seen("click sent from another thread");
    return CallNextHookEx(nullptr, code, sent, lParam);
  }

  static Arrivals* self;
  HWND root;
  HHOOK getMessageHook, callHook;
  bool ended = false;
  std::set<std::string> during, after;
};
Arrivals* Arrivals::self = nullptr;

DWORD WINAPI ClickWithoutWaiting(void* buttons) {
  for (HWND button : *static_cast<const std::vector<HWND>*>(buttons))
    SendNotifyMessageA(button, BM_CLICK, 0, 0);
  return 0;
}

// Clicks `buttons` from another thread, as sent messages that this thread
// receives the next time it takes messages.
void ClickFromAnotherThread(std::vector<HWND> buttons) {
  Handle thread(CreateThread(nullptr, 0, ClickWithoutWaiting, &buttons, 0, nullptr));
  WaitForSingleObject(thread.Get(), INFINITE);
}

TEST(ServerRegistration, TheProgramRegistersItsClassAndMarshalsThroughItsTypeLibrary) {
  const std::string server = "CLSID\\" + GuidText(CLSID_CameraControlFN) + "\\LocalServer32";
  ASSERT_EQ(RunServerProgram("/UnregServer"), 0u);
  ComPtr<ICameraControlFN> none;
  EXPECT_FALSE(SUCCEEDED(
      CoCreateInstance(CLSID_CameraControlFN, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&none))));
  EXPECT_EQ(RegistryText(server), "");
  ASSERT_EQ(RunServerProgram("/RegServer"), 0u);
  const std::string program = RegistryText(server);
  EXPECT_EQ(program.substr(program.size() - 19), "\\camera_server.exe\"") << program;

  // The interfaces are dual with automation types only, so the type library
  // marshaller carries them; the events go through plain IDispatch.
  ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, 0, &library));
  for (REFIID iid : {IID_ICameraControlFN, IID_ICameraControlFNTest, IID_ICameraControlFNEpoc}) {
    EXPECT_EQ(RegistryText("Interface\\" + GuidText(iid) + "\\ProxyStubClsid32"),
              "{00020424-0000-0000-C000-000000000046}");
    ComPtr<ITypeInfo> dispatch, info;
    HREFTYPE vtable = 0;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(iid, &dispatch));
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &vtable));  // dual
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetRefTypeInfo(vtable, &info));
    EXPECT_EQ(NonAutomationParameters(info.Get()), Texts{}) << GuidText(iid);
  }
  EXPECT_EQ(
      RegistryText("Interface\\" + GuidText(DIID__ICameraControlFNEvents) + "\\ProxyStubClsid32"),
      "{00020420-0000-0000-C000-000000000046}");
}

class OutOfProcess : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RunServerProgram("/RegServer"), 0u); }

  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_CameraControlFN, nullptr, CLSCTX_LOCAL_SERVER,
                                              IID_PPV_ARGS(&server)));
    ASSERT_HRESULT_SUCCEEDED(server.As(&simulator));
    long id = 0;
    simulator->get_ProcessId(&id);
    ASSERT_NE(static_cast<DWORD>(id), GetCurrentProcessId());
    process.Reset(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
    ASSERT_TRUE(process.Get());
  }

  void Start() {
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
  void SetRange(HWND page, const char* first, const char* last) {
    SetDlgItemTextA(page, IDC_FIRST_REGISTER, first);
    SetDlgItemTextA(page, IDC_LAST_REGISTER, last);
  }
  Texts ServerResults() const {
    long values[7] = {};
    server->GetCameraTestResults(&values[0], &values[1], &values[2], &values[3], &values[4],
                                 &values[5], &values[6]);
    Texts texts;
    for (long value : values)
      texts.push_back(std::to_string(value));
    return texts;
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

TEST_F(OutOfProcess, ASessionCrossesTheProcessBoundary) {
  Start();
  EXPECT_EQ(host.TabTexts(), kFullSet);

  // The test's finishing event comes from the other process and ends the wait.
  simulator->put_TestDuration(300);
  test::WhenDialog wait("Please Wait...", [](HWND) {});
  host.Click(host.CurrentPage(), IDC_TEST);
  EXPECT_EQ(wait.Handled(), 1u);
  EXPECT_EQ(test::TestResultTexts(host.CurrentPage()), ServerResults());
  EXPECT_NE(test::TestResultTexts(host.CurrentPage())[0], "");

  host.Click(host.Dialog(), IDC_CAMERA_ON);
  ASSERT_TRUE(host.SelectTab(kRegistersTab));
  HWND page = host.CurrentPage(), list = GetDlgItem(page, IDC_REGISTER_LIST);
  SetRange(page, "7", "9");
  host.Click(page, IDC_READ);
  for (BYTE reg = 7; reg <= 9; ++reg)
    EXPECT_EQ(test::CellText(list, reg, 3), Register(reg)) << int{reg};
  test::DoubleClickCell(list, 8, 3);
  HWND edit = FindWindowExA(list, nullptr, "Edit", nullptr);
  test::PressKey(edit, VK_END);
  test::Type(edit, std::string(8, '\b') + "77\r");
  test::PumpMessages(20);  // the box posts its value to the list
  host.Click(page, IDC_WRITE);
  EXPECT_EQ(Register(8), "077");

  // Captures: the path crosses the boundary, the server writes the file.
  ASSERT_TRUE(host.SelectTab(1));
  page = host.CurrentPage();
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string saved = std::string(folder) + "kvr_out_of_process.jpg";
  test::WhenDialog saveAs("Save Camera Image As", [&](HWND dialog) {
    SetWindowTextA(test::FindChildById(dialog, 0x47c), saved.c_str());
    test::ClickButton(dialog, IDOK);
  });
  host.Click(page, IDC_SAVE);
  std::ifstream file(saved, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(file), {});
  file.close();
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");  // a JPEG file
  DeleteFileA(saved.c_str());
  test::WhenDialog preview("Image Preview", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  host.Click(page, IDC_PREVIEW);
  EXPECT_EQ(preview.Handled(), 1u);
  EXPECT_EQ(test::ShownMessages().size(), 1u);  // "picture saved"; no error

  EXPECT_TRUE(ServerProcessEnds());
}

TEST_F(OutOfProcess, WhatArrivesDuringACallStartsNoSecondActionAndLosesNothing) {
  Start();
  host.Click(host.Dialog(), IDC_CAMERA_ON);
  ASSERT_TRUE(host.SelectTab(kRegistersTab));
  HWND page = host.CurrentPage(), list = GetDlgItem(page, IDC_REGISTER_LIST);
  SetRange(page, "20", "23");
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
  ClickFromAnotherThread({GetDlgItem(page, IDC_READ), host.Item(IDC_VIEWFINDER_ON)});
  host.Click(page, IDC_READ);
  arrivals.End();
  EXPECT_EQ(arrivals.During(), (std::set<std::string>{"click sent from another thread",
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
  EXPECT_EQ(arrivals.After().count("posted click"), 1u);
  EXPECT_EQ(arrivals.After().count("timer"), 1u);
  EXPECT_EQ(host.TabTexts(), kProductSet);
  EXPECT_FALSE(IsWindowVisible(host.Item(IDC_ACTIVATION_GROUP)));
  EXPECT_EQ(test::ShownMessages(), Texts{});
  EXPECT_TRUE(ServerProcessEnds());
}

TEST_F(OutOfProcess, ATestResultThatComesBeforeTheStartReturnsIsShown) {
  Start();
  HWND page = host.CurrentPage();
  simulator->put_TestDuration(60000);  // no second result
  simulator->SetCallDelay(100, 2);     // the result comes during StartCameraTest
  host.Click(page, IDC_TEST);          // the wait ends by itself, or the watchdog fails it
  simulator->SetCallDelay(0, 0);
  EXPECT_EQ(test::TestResultTexts(page), ServerResults());
  EXPECT_NE(test::TestResultTexts(page)[0], "");
  EXPECT_TRUE(ServerProcessEnds());
}

}  // namespace
