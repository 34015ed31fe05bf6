// Re-entrancy stress: seeded episodes of random user actions on every page
// of every product mode while the servers fire events (valid, out of range,
// malformed), fail, and have the host exchange servers, call Go, destroy the
// container or deactivate and reactivate the control inside any of the
// control's calls (Advise and Unadvise too), and a timer acts inside every
// modal loop. Checked: no crash, one whole page set, events held while an
// action waits for the server; after each episode the control still works,
// then goes, leaving no server reference, sink, window, GDI object or
// temporary file, and every message came from the string table.
// Environment: KVR_STRESS_SEED=N (one seed, its log printed), or
// KVR_STRESS_FIRST=N and KVR_STRESS_EPISODES=M or KVR_STRESS_SECONDS=S;
// KVR_STRESS_STEPS=K user steps per episode; KVR_STRESS_LOG=1 prints all.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "resources/resource.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/help_catcher.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/process_usage.h"
#include "tests/support/product_dll.h"
#include "tests/support/test_container.h"
#include "tests/support/text.h"

namespace {

using Texts = std::vector<std::string>;

// The steps of the current episode, printed when a check fails or the
// process crashes.
std::vector<std::string> logLines;
unsigned long long runningSeed = 0;

__attribute__((format(printf, 1, 2))) void Log(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  logLines.push_back(line);
}

// The last `count` lines, numbered.
std::string Tail(size_t count) {
  std::string text;
  for (size_t i = logLines.size() > count ? logLines.size() - count : 0; i < logLines.size(); ++i)
    text += std::to_string(i + 1) + ": " + logLines[i] + "\n";
  return text;
}

// A small deterministic random stream (splitmix64).
struct Rng {
  uint64_t state;
  unsigned Pick(unsigned count) {
    if (!count) return 0;
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<unsigned>((z ^ (z >> 31)) % count);
  }
  bool OneIn(unsigned n) { return Pick(n) == 0; }
  template <class T, size_t N>
  const T& From(const T (&items)[N]) {
    return items[Pick(N)];
  }
};

// A crash in the product or this program (the system would swallow it
// inside a timer procedure): the seed, where, and the episode's last steps.
[[noreturn]] void ReportCrash(const char* what) {
  fprintf(stderr, "\nSTRESS CRASH: %s in seed %llu\n%sreplay: KVR_STRESS_SEED=%llu\n", what,
          runningSeed, Tail(300).c_str(), runningSeed);
  fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  abort();
}

LONG WINAPI OnException(EXCEPTION_POINTERS* e) {
  const DWORD code = e->ExceptionRecord->ExceptionCode;
  void* address = e->ExceptionRecord->ExceptionAddress;
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<LPCSTR>(address), &module);
  if ((code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_ILLEGAL_INSTRUCTION &&
       code != 0xC0000374 && code != 0xC0000409) ||  // heap corruption, stack buffer overrun
      (module && module != test::ProductModule() && module != GetModuleHandleA(nullptr)))
    return EXCEPTION_CONTINUE_SEARCH;
  char what[128];
  snprintf(what, sizeof what, "exception 0x%08lx at %p (the product at %p, this program at %p)",
           code, address, static_cast<void*>(test::ProductModule()),
           static_cast<void*>(GetModuleHandleA(nullptr)));
  ReportCrash(what);
}

// The descriptions the servers' CameraTestFailed events carry, besides none.
const std::wstring kLongFailure(700, L'x');
const wchar_t* const kTestFailures[] = {L"Sensor offline", L"", kLongFailure.c_str()};

// Acts inside a server's call; true when the call is to fail with `result`.
using ActHook = std::function<bool(const char* call, bool mayFail, HRESULT& result)>;

// A server's connection point with the episode acting inside Advise (after
// the sink is in, and maybe failing it) and Unadvise (before the sink goes).
class HookedPoint : public fw::ComObjectRoot, public IConnectionPoint {
 public:
  HookedPoint(IConnectionPoint* point, IUnknown* keep, const ActHook& act)
      : inner(point), keep(keep), act(act) {}
  FW_BEGIN_INTERFACES(HookedPoint)
  FW_INTERFACE(IConnectionPoint)
  FW_END_INTERFACES
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    return inner->GetConnectionInterface(iid);
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    return inner->GetConnectionPointContainer(out);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    HRESULT hr = inner->Advise(sink, cookie), forced = S_OK;
    if (FAILED(hr) || !act("Advise", true, forced) || SUCCEEDED(forced)) return hr;
    inner->Unadvise(*cookie);
    *cookie = 0;
    return forced;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    HRESULT ignored = S_OK;  // a refused Unadvise would keep the sink: not asked for
    act("Unadvise", false, ignored);
    return inner->Unadvise(cookie);
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    return inner->EnumConnections(out);
  }

 private:
  fw::ComPtr<IConnectionPoint> inner;
  fw::ComPtr<IUnknown> keep;
  ActHook act;
};

class StressServer : public test::FakeCameraServer {
 public:
  StressServer(const ActHook& act, int number) : act(act), number(number) {
    DuringAnyCall([this](const test::ServerCall& call, HRESULT& result) {
      return this->act(call.name.c_str(), true, result);
    });
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    fw::ComPtr<IConnectionPoint> inner;
    HRESULT hr = FakeCameraServer::FindConnectionPoint(iid, &inner);
    if (FAILED(hr)) return hr;
    return fw::Make<HookedPoint>(inner.Get(), ControllingUnknown(), act)
        ->QueryInterface(IID_PPV_ARGS(out));
  }
  void SetMode(long newMode) { SetProductMode(mode = newMode); }

  ActHook act;
  int number;
  long mode = 2;
};
using Server = fw::ComPtr<fw::ComObject<StressServer>>;

const char kSaveAs[] = "Save Camera Image As", kPreview[] = "Image Preview",
           kWait[] = "Please Wait...";
const Texts kPageSets[] = {
    {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests", "Registers"},
    {"Camera Test", "Picture Capture"},
    {"Camera Test", "Picture Capture  "}};

// What a user can do: on the control ("") or on the page with that caption,
// and what may be typed into each edit box, good and bad.
enum class Kind { Click, Action, Close, Combo, Text, List, Slider, Spin, Cell };
const char kCapture[] = "Picture Capture", kProduct[] = "Picture Capture  ",
           kColours[] = "Picture Colours", kTests[] = "Picture Tests", kRegisters[] = "Registers";
const struct Items {
  const char* page;
  Kind kind;
  std::vector<int> ids;
} kItems[] = {
    {"", Kind::Action, {IDC_CAMERA_ON, IDC_DEACTIVATE_ALL, IDC_VIEWFINDER_ON}},
    {"", Kind::Close, {IDOK}},
    {"", Kind::Click, {IDHELP}},
    {"Camera Test", Kind::Action, {IDC_TEST}},
    {kCapture, Kind::Click, {IDC_LOCATION_PC, IDC_LOCATION_PRODUCT}},
    {kCapture, Kind::Text, {IDC_PRODUCT_NAME}},
    {kCapture, Kind::List, {IDC_FORMAT_LIST, IDC_SIZE_LIST}},
    {kCapture, Kind::Action, {IDC_PREVIEW, IDC_SAVE}},
    {kProduct, Kind::Click, {IDC_LOCATION_PC, IDC_EPOC_LOCATION_PRODUCT, IDC_USE_ACKS}},
    {kProduct, Kind::Click, {IDC_SHOW_IMAGE_AFTER_SAVE, IDC_FLASH_ON, IDC_FLASH_ANTI_RED_EYE}},
    {kProduct, Kind::Text, {IDC_EPOC_PRODUCT_NAME}},
    {kProduct, Kind::Combo, {IDC_CAMERA_NUMBER}},
    {kProduct, Kind::List, {IDC_FORMAT_LIST, IDC_SIZE_LIST}},
    {kProduct, Kind::Action, {IDC_EPOC_SAVE}},
    {kColours, Kind::Slider, {IDC_LUMINANCE, IDC_HUE}},
    {kColours, Kind::Click, {IDC_WHITE_BALANCE_AUTO, IDC_BLEMISH_CORRECTION}},
    {kColours, Kind::Action, {IDC_READ, IDC_WRITE}},
    {kTests, Kind::Action, {IDC_NO_TEST, IDC_COLOUR_BAR_TEST, IDC_RAMP2_TEST}},
    {kTests, Kind::Action, {IDC_SPECIFIC_VALUE_TEST, IDC_WRITE}},
    {kTests, Kind::Text, {IDC_GREEN}},
    {kTests, Kind::Spin, {IDC_RED_SPIN}},
    {kRegisters, Kind::Text, {IDC_FIRST_REGISTER, IDC_LAST_REGISTER}},
    {kRegisters, Kind::Action, {IDC_READ, IDC_WRITE}},
    {kRegisters, Kind::Cell, {IDC_REGISTER_LIST}},
};
// Texts far longer than any box's buffer: each box must read only as far as
// its fixed buffer (a write past it stops the program or fails the heap check).
const std::string kLongNumber = "-" + std::string(5000, '1'),
                  kLongName = "Folder\\" + std::string(5000, 'n');
const std::map<int, std::vector<const char*>> kTyped = {
    {IDC_FIRST_REGISTER, {"0", "3", "10", "150", "abc", "", kLongNumber.c_str()}},
    {IDC_LAST_REGISTER, {"2", "5", "12", "159", "160", "", kLongNumber.c_str() + 1}},
    {IDC_GREEN, {"101", "111111", "0", "2", "", "1111111", kLongNumber.c_str() + 1}},
    {IDC_PRODUCT_NAME, {"Pics\\shot", "", "C:\\Orvik\\Images\\x", kLongName.c_str()}},
    {IDC_EPOC_PRODUCT_NAME, {"Pics\\shot", "", "C:\\Orvik\\Images\\x", kLongName.c_str()}},
};

bool Usable(HWND window) {
  return window && IsWindowVisible(window) && IsWindowEnabled(window) &&
         IsWindowEnabled(GetAncestor(window, GA_ROOT));
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// This thread's top-level windows, or the descendants of `parent`.
std::vector<HWND> Windows(HWND parent = nullptr) {
  std::vector<HWND> all;
  if (parent) EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
  if (!parent) EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

bool IsSaveAs(HWND dialog) {
  return test::WindowText(dialog) == kSaveAs && test::FindChildById(dialog, 0x47c);
}

// A system message box: its text is the static 0xFFFF (so is Please Wait's).
bool IsMessageBox(HWND dialog) {
  const std::string title = test::WindowText(dialog);
  return GetDlgItem(dialog, 0xFFFF) && title != kWait && title != kPreview && !IsSaveAs(dialog);
}

void Post(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A title and text from the string table: the system box adds a line with
// the result code; a failed test adds two line feeds and the server's
// description, if any, all cut to 511 characters.
bool FromStringTable(const std::string& title, const std::string& text) {
  static const std::set<std::string> strings = [] {
    std::set<std::string> all;
    for (UINT id = 0; id < 1000; ++id)
      if (!test::ProductText(id).empty()) all.insert(test::ProductText(id));
    const std::string failed = test::ProductText(IDS_ERR_CAMERA_TEST) + "\n\n";
    for (const wchar_t* description : kTestFailures)
      all.insert((failed + test::Narrow(description)).substr(0, 511));
    return all;
  }();
  return strings.count(title) && strings.count(text.substr(0, text.find("\r\nHRESULT 0x")));
}

unsigned long long EnvNumber(const char* name, unsigned long long fallback) {
  const char* value = getenv(name);
  return value && *value ? strtoull(value, nullptr, 10) : fallback;
}

struct Episode;
Episode* running = nullptr;               // the one the modal timer serves
std::string picture, saveFolder;          // what the servers capture, where Save As saves
const test::HelpCatcher* help = nullptr;  // every help request of the run

// One seed: the host, the user and the servers' script, each with a random
// stream of its own.
struct Episode {
  explicit Episode(unsigned long long seed)
      : script{seed * 4 + 1}, user{seed * 4 + 2}, seed(seed) {}
  bool Hosting() const { return control && !closing; }
  HWND Dialog() const { return container && control ? container->ControlWindow() : nullptr; }
  template <class I>
  fw::ComPtr<I> As() const {
    fw::ComPtr<I> result;
    if (control) control.As(&result);
    return result;
  }
  Server NewServer(long mode) {
    servers.push_back(fw::Make<StressServer>(
        [this, i = servers.size()](const char* call, bool mayFail, HRESULT& result) {
          return Act(*servers[i].Get(), call, mayFail, result);
        },
        static_cast<int>(servers.size() + 1)));
    servers.back()->SetMode(mode);
    return servers.back();
  }
  Server AnyServer() {
    static const long kModes[] = {0, 1, 2, 2, 2, 2, 2, 3, 4, 5, 6, 9};
    if (!servers.empty() && script.OneIn(2))
      return servers[script.Pick(static_cast<unsigned>(servers.size()))];
    Server server = NewServer(script.From(kModes));
    server->SetCaptureContent(picture);
    server->SetCameraCount(2);
    server->SetCameraConfig(2, {0x4, 0x40, 0});
    return server;
  }
  void NewControl(const Server& server) {
    Log("host: makes a new control");
    container = std::make_unique<test::TestContainer>();
    container->OnCloseRequest([this] {
      Log("host: the frame closes");
      if (Hosting()) DestroyContainer();
    });
    control = test::CreateControl();
    container->Activate(control.Get());
    if (server) HandServer(server);
  }
  void HandServer(const Server& server) {
    fw::ComPtr<ICameraControlFNClient> client = As<ICameraControlFNClient>();
    if (!client) return;
    Log("host: SetServer(%s)",
        server ? ("server " + std::to_string(server->number)).c_str() : "null");
    current = server;
    client->SetServer(server.Get());
  }
  void Go() {
    fw::ComPtr<IGoClient> go = As<IGoClient>();
    if (!go) return;
    Log("host: Go");
    go->Go();
  }
  void DestroyContainer() {
    std::unique_ptr<test::TestContainer> doomed = std::move(container);
    fw::ComPtr<IUnknown> released = std::move(control);
    Log("host: closes and releases the control, destroys its container");
    if (doomed) doomed->Deactivate();
    released.Reset();
    if (doomed) {
      DestroyWindow(doomed->Frame());
      closed.push_back(std::move(doomed));
    }
  }
  // The host acts on the control, if it can; `chooser` picks what.
  bool HostAction(Rng& chooser) {
    if (!Hosting()) return false;
    switch (chooser.Pick(container ? 6 : 5)) {
      case 0:
        HandServer(nullptr);
        break;
      case 1:
      case 2:
        HandServer(AnyServer());
        break;
      case 3:
        Go();
        break;
      case 4:
        DestroyContainer();
        break;
      default:
        fw::ComPtr<IOleInPlaceObject> inPlace = As<IOleInPlaceObject>();
        if (!inPlace) break;
        Log("host: InPlaceDeactivate, then DoVerb(OLEIVERB_INPLACEACTIVATE)");
        inPlace->InPlaceDeactivate();
        if (container && As<IOleInPlaceObject>() == inPlace) container->Activate(control.Get());
    }
    return true;
  }

  // Inside a server's call `call`: maybe fires events, has the host act,
  // runs the message loop or fails the call (true, with `result`).
  bool Act(StressServer& server, const char* call, bool mayFail, HRESULT& result) {
    ++calls;
    if (!armed || depth >= 2 || !script.OneIn(depth ? oneIn * 4 : oneIn)) return false;
    ++depth;
    Log("%*sinside %s of server %d:", depth * 2, "", call, server.number);
    bool fails = false;
    for (unsigned things = 1 + script.OneIn(3); things > 0; --things) {
      const unsigned kind = script.Pick(10);
      if (kind < 4) {
        FireEvent(server);
      } else if (kind < 7) {
        HostAction(script);
      } else if (kind < 8) {
        const DWORD ms = script.Pick(40);
        Log("runs the message loop for %lu ms", ms);
        test::PumpMessages(ms);
      } else if (mayFail && !fails) {  // a code of the fault tables
        static const HRESULT kOthers[] = {E_OUTOFMEMORY, RPC_E_DISCONNECTED, RPC_E_CALL_REJECTED,
                                          S_FALSE, static_cast<HRESULT>(0x00040401)};
        const unsigned pick = script.Pick(0x25 + 5);
        result = pick < 0x25 ? static_cast<HRESULT>(0x80040402 + pick) : kOthers[pick - 0x25];
        fails = true;
        Log("%s fails with 0x%08lx", call, static_cast<unsigned long>(result));
      }
    }
    --depth;
    return fails;
  }
  // One event of `server`: any of the three, valid or out of range, or a
  // malformed one. From inside a call, or while a user action waits for the
  // server, handling it may make no server call: the control's work is done
  // first, as it is during a user action's Save As.
  void FireEvent(StressServer& server) {
    static const long kStates[] = {1, 1, 1, 0, 0, 7, -1, LONG_MIN};
    static const long kModes[] = {0, 1, 2, 2, 2, 3, 4, 5, 6, 9, -1};
    static const long kFigures[] = {0, 3, 42, 255, -1, LONG_MAX, LONG_MIN, 100000};
    const bool hold = depth > 0 || ActionWaitsForServer();
    const size_t before = calls;
    const unsigned kind = script.Pick(8);
    if (kind < 3) {
      if (script.OneIn(4)) server.SetMode(script.From(kModes));
      const long state = script.From(kStates);
      Log("server %d fires ConnectionStateChanged(%ld), mode %ld", server.number, state,
          server.mode);
      server.FireConnectionStateChanged(state);
    } else if (kind < 5) {
      test::TestResults figures;
      for (long& figure : figures)
        figure = script.OneIn(3) ? script.From(kFigures) : static_cast<long>(script.Pick(100));
      Log("server %d fires CameraTestFinished(%ld,...)", server.number, figures[0]);
      server.FireCameraTestFinished(figures);
    } else {  // CameraTestFailed with a description or none, or a malformed event
      const unsigned text = kind < 7 ? script.Pick(4) : 0;
      const DISPID dispid = kind < 7 ? 3 : script.From({1, 2, 3, 99});
      Log("server %d fires %s %ld, text %u", server.number,
          kind < 7 ? "CameraTestFailed" : "malformed", dispid, text);
      server.FakeCameraServer::FireEvent(
          dispid, kind < 7 ? std::vector<VARIANT>{test::TextArg(text ? kTestFailures[text - 1] : 0)}
                           : std::vector<VARIANT>{test::TextArg(L"7"), test::LongArg(1)});
    }
    if (hold && calls != before)
      Fail("an event was handled inside work waiting for the server (" +
           std::to_string(calls - before) + " server calls)");
  }

  // Whether a user action is waiting for the server: not while it waits
  // for the user in a message box, the preview or Please Wait.
  bool ActionWaitsForServer() const {
    if (actions == 0) return false;
    for (HWND dialog : test::OpenDialogs())
      if (IsMessageBox(dialog) || test::WindowText(dialog) == kWait ||
          test::WindowText(dialog) == kPreview)
        return false;
    return true;
  }
  // The control's sheets: one, or none before Go.
  std::vector<HWND> Sheets() const {
    std::vector<HWND> sheets;
    for (HWND found = nullptr; Dialog() && (found = FindWindowExA(Dialog(), found, "#32770", 0));)
      sheets.push_back(found);
    return sheets;
  }
  HWND Sheet() const { return Sheets().empty() ? nullptr : Sheets().back(); }
  void UserStep() {
    HWND dialog = Dialog(), sheet = Sheet();
    HWND page = sheet ? PropSheet_GetCurrentPageHwnd(sheet) : nullptr;
    const std::string caption = test::WindowText(page);
    // An action on a page three times as likely as anything else; Close rarely.
    std::vector<std::pair<const Items*, HWND>> usable;
    for (const Items& items : kItems)
      for (int id : items.ids) {
        HWND window = !*items.page                    ? GetDlgItem(dialog, id)
                      : page && caption == items.page ? GetDlgItem(page, id)
                                                      : nullptr;
        if (Usable(window))
          usable.insert(usable.end(), items.kind == Kind::Action && *items.page ? 3 : 1,
                        {&items, window});
      }
    // A page that waits for the camera: the user switches it on.
    HWND cameraOn = GetDlgItem(dialog, IDC_CAMERA_ON);
    if (page && caption != "Camera Test" && !IsWindowEnabled(GetWindow(page, GW_CHILD)) &&
        Usable(cameraOn) && !user.OneIn(3))
      return Do(kItems[0], cameraOn, page);
    if (!sheet && user.OneIn(2)) return Go();  // the host starts it
    // Away from the first page more often than not.
    HWND tabs = sheet ? PropSheet_GetTabControl(sheet) : nullptr;
    const unsigned pick =
        user.Pick(static_cast<unsigned>(usable.size()) + (caption == "Camera Test" ? 10 : 3));
    if (pick < usable.size() && (usable[pick].first->kind != Kind::Close || user.OneIn(8)))
      return Do(*usable[pick].first, usable[pick].second, page);
    if (Usable(tabs)) {
      const int tab = static_cast<int>(user.Pick(TabCtrl_GetItemCount(tabs) - 1)) + 1;
      Log("user: selects tab %d", tab);
      SendMessageA(sheet, PSM_SETCURSEL, tab, 0);
    } else if (current) {  // nothing to do until the phone is back
      Log("server %d fires ConnectionStateChanged(1) (the phone is back)", current->number);
      current->FireConnectionStateChanged(1);
    }
  }
  // The user acts on `window`, one of `item`'s.
  void Do(const Items& item, HWND window, HWND page) {
    const char* where = *item.page ? item.page : "control";
    const int id = GetDlgCtrlID(window);
    if (item.kind == Kind::Text) {
      const std::vector<const char*>& texts = kTyped.at(id);
      const char* text = texts[user.Pick(static_cast<unsigned>(texts.size()))];
      Log("user: types \"%s\" into %s/%d", text, where, id);
      SetWindowTextA(window, text);
    } else if (item.kind == Kind::List) {
      const int count = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
      const int row = static_cast<int>(user.Pick(count > 0 ? count : 1));
      Log("user: chooses row %d of %s/%d", row, where, id);
      SendMessageA(window, LB_SETCURSEL, row, 0);
    } else if (item.kind == Kind::Slider) {
      const int position = static_cast<int>(user.Pick(256));
      Log("user: moves %s/%d to %d", where, id, position);
      SendMessageA(window, TBM_SETPOS, TRUE, position);
      SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(window));
    } else if (item.kind == Kind::Spin) {
      NMUPDOWN change = {{window, static_cast<UINT_PTR>(id), static_cast<UINT>(UDN_DELTAPOS)},
                         0,
                         user.OneIn(2) ? 1 : -1};
      Log("user: spins %s/%d by %d", where, id, change.iDelta);
      SendMessageA(page, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
    } else if (item.kind == Kind::Cell) {
      // nullptr: a long text set whole into the cell's box, then Return.
      static const char* const kCells[] = {"1\r", "0f\r", "255\r", "10101010\r", "7\x1b", nullptr};
      const int row = static_cast<int>(user.Pick(12)), column = 1 + static_cast<int>(user.Pick(3));
      const char* typed = user.From(kCells);
      Log("user: edits register cell %d,%d: \"%s\"", row, column, typed ? typed : "(long)");
      test::DoubleClickCell(window, row, column);
      HWND edit = FindWindowExA(window, nullptr, "Edit", nullptr);
      if (Usable(edit) && !typed) SetWindowTextA(edit, kLongNumber.c_str() + 1);
      if (Usable(edit)) test::Type(edit, typed ? typed : "\r");
    }
    if (item.kind >= Kind::Text) return;
    const bool waits = item.kind == Kind::Action || item.kind == Kind::Combo;
    Log("user: %s %s/%d", item.kind == Kind::Combo ? "chooses a camera on" : "clicks", where, id);
    actions += waits;
    if (item.kind == Kind::Combo) {
      const int count = static_cast<int>(SendMessageA(window, CB_GETCOUNT, 0, 0));
      SendMessageA(window, CB_SETCURSEL, user.Pick(count > 0 ? count : 1), 0);
      for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(window));
    } else {
      SendMessageA(window, BM_CLICK, 0, 0);
    }
    actions -= waits;
  }

  // Every 15 ms, inside any message loop: acts on the newest dialog once it
  // has had 100 ms since the last act: sometimes something else happens
  // first, then the user answers it.
  static void CALLBACK TickProc(HWND, UINT, UINT_PTR, DWORD) {
    if (running) running->Tick();
  }
  void Tick() {
    if (tickDepth >= 3) return;
    ++tickDepth;
    for (auto it = dialogs.begin(); it != dialogs.end();)
      it = IsWindow(it->first) ? std::next(it) : dialogs.erase(it);
    for (HWND dialog : test::OpenDialogs()) {
      if (!IsWindowEnabled(dialog)) continue;  // a dialog of its own is open
      auto found = dialogs.find(dialog);
      if (found == dialogs.end()) {
        found = dialogs.emplace(dialog, Seen{++dialogCount, 0, 0}).first;
        const std::string text = test::WindowText(GetDlgItem(dialog, 0xFFFF));
        Log("dialog %u opens: \"%s\" %s", dialogCount, test::WindowText(dialog).c_str(),
            IsMessageBox(dialog) ? text.c_str() : "");
        // The control's boxes, not those of the file dialog.
        if (IsMessageBox(dialog) && !IsSaveAs(GetWindow(dialog, GW_OWNER)))
          boxes.push_back({test::WindowText(dialog), text});
      }
      Seen& seen = found->second;
      if (seen.acts && GetTickCount() - seen.last < 100) break;
      seen.last = GetTickCount();
      Rng rng{seed * 7919 + seen.number * 131 + ++seen.acts};
      OnDialog(dialog, seen.acts, rng);
      break;
    }
    --tickDepth;
  }
  void OnDialog(HWND dialog, unsigned act, Rng& rng) {
    const std::string title = test::WindowText(dialog);
    if (!touring && tickDepth == 1 && act <= 2 && rng.OneIn(3)) {
      Log("inside dialog %u:", dialogs[dialog].number);
      const unsigned what = rng.Pick(3);
      if (what == 0 && current) return FireEvent(*current.Get());
      if (what == 1 && HostAction(rng)) return;
      HWND button = GetDlgItem(Dialog(), IDC_CAMERA_ON);
      if (IsMessageBox(dialog) && Usable(button)) {
        Log("user: clicks Camera On behind the message box");
        return (void)PostMessageA(button, BM_CLICK, 0, 0);
      }
    }
    if (IsSaveAs(dialog)) {
      if (!touring && rng.OneIn(3)) {
        Log("user: cancels Save As");
        return Post(dialog, IDCANCEL);
      }
      const std::string path = saveFolder + "\\picture" + std::to_string(++saved);
      Log("user: saves as %s", path.c_str());
      SetWindowTextA(test::FindChildById(dialog, 0x47c), path.c_str());
      return Post(dialog, IDOK);
    }
    if (title == kPreview) {
      const int button = act > 2 ? IDOK : rng.From({IDC_PREVIEW_SAVE, IDHELP, IDOK, IDOK});
      Log("user: presses %d in the preview", button);
      return Post(dialog, touring && act == 1 ? IDC_PREVIEW_SAVE : button);
    }
    if (title == kWait) {
      if (current && act < 4 && (touring || rng.OneIn(2))) {
        Log("server %d fires CameraTestFinished (the test is done)", current->number);
        current->FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
        return;
      }
      Log("user: cancels the wait");
      return Post(dialog, IDC_WAIT_CANCEL);
    }
    if (!IsMessageBox(dialog)) Fail("a dialog nobody expected: \"" + title + "\"");
    Log("user: answers the message box");
    Post(dialog, !IsMessageBox(dialog) ? IDCANCEL : GetDlgItem(dialog, IDOK) ? IDOK : IDNO);
  }

  void Fail(const std::string& what) {
    Log("FAILED: %s", what.c_str());
    failures.push_back(what);
  }
  // Whenever things have settled: the sheet, if there is one, shows one
  // whole page set, each page once.
  void CheckPages() {
    const std::vector<HWND> sheets = Sheets();
    if (sheets.size() > 1) Fail(std::to_string(sheets.size()) + " sheets in the control");
    const Texts tabs = sheets.empty() ? kPageSets[0] : test::TabTexts(sheets[0]);
    if (std::find(std::begin(kPageSets), std::end(kPageSets), tabs) != std::end(kPageSets)) return;
    std::string shown;
    for (const std::string& tab : tabs)
      shown += "[" + tab + "]";
    Fail("the sheet shows " + shown);
  }
  // The host shows the control again, hands it a new phone in mode 2 and
  // starts it: the full page set, and Camera On and a Read pass reach the
  // new server.
  void Recover() {
    if (!Hosting()) return;
    Log("check: the control still works");
    const size_t messages = test::MessageRecorder::Messages().size() + boxes.size();
    container->Activate(control.Get());
    Server fresh = NewServer(2);
    HandServer(fresh);
    Go();
    test::PumpMessages(30);
    HWND dialog = Dialog(), sheet = Sheet();
    if (Sheets().size() != 1) return Fail(std::to_string(Sheets().size()) + " sheets after Go");
    if (test::TabTexts(sheet) != kPageSets[0])
      return Fail("not the full page set after Go in mode 2");
    fresh->ClearCalls();
    SendMessageA(GetDlgItem(dialog, IDC_CAMERA_ON), BM_CLICK, 0, 0);
    if (fresh->CallStrings() != Texts{"ActivateViewFinder(0)", "ActivateCamera(1)"})
      Fail("Camera On does not reach the new server");
    SendMessageA(sheet, PSM_SETCURSEL, 4, 0);
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    SetDlgItemTextA(page, IDC_FIRST_REGISTER, "0");
    SetDlgItemTextA(page, IDC_LAST_REGISTER, "3");
    SendMessageA(GetDlgItem(page, IDC_READ), BM_CLICK, 0, 0);
    if (fresh->CallCount("ReadRegister") != 4)
      Fail("Read made " + std::to_string(fresh->CallCount("ReadRegister")) + " reads of 4");
    if (test::MessageRecorder::Messages().size() + boxes.size() != messages)
      Fail("messages while the control works normally");
  }

  // Every page, dialog and box once, with nothing going wrong: fills the
  // caches the system keeps once filled (fonts, message box icons, the
  // shell's icons in Save As) before anything is counted.
  void Tour() {
    test::MessageRecorder::Unavailable plainBoxes;
    touring = true;
    for (long mode : {2, 4}) {
      Server server = NewServer(mode);
      server->SetCaptureContent(picture);
      NewControl(server);
      Go();
      SendMessageA(GetDlgItem(Dialog(), IDC_CAMERA_ON), BM_CLICK, 0, 0);
      HWND sheet = Sheet();
      for (int tab = 0; SendMessageA(sheet, PSM_SETCURSEL, tab, 0); ++tab) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        test::PumpMessages(20);  // painted
        for (const Items& items : kItems)
          for (int id : items.ids)
            if (items.kind == Kind::Action && test::WindowText(page) == items.page)
              Do(items, GetDlgItem(page, id), page);
      }
      server->SetResult("ActivateCamera", E_FAIL);  // an error box
      SendMessageA(GetDlgItem(Dialog(), IDC_CAMERA_ON), BM_CLICK, 0, 0);
      DestroyContainer();
      closed.clear();
    }
    current.Reset();
  }

  // Runs the episode; the failures found, empty when it passed.
  Texts Run(int steps) {
    Log("=== seed %llu", seed);
    static const unsigned kOneIn[] = {3, 8, 8, 20};
    oneIn = user.From(kOneIn);
    std::unique_ptr<test::MessageRecorder::Unavailable> plainBoxes;
    if (user.OneIn(3)) plainBoxes = std::make_unique<test::MessageRecorder::Unavailable>();
    Log("a call acts once in %u; messages in %s", oneIn,
        plainBoxes ? "system boxes" : "the host's component");
    test::MessageRecorder::Clear();
    const size_t windows = ThreadWindows(), tempFiles = test::PreviewTempFiles(),
                 helpRequests = help->Requests().size();
    const long gdi = test::ProcessUsage::Measure().gdiObjects;
    const HRESULT unloadable = test::CallDllCanUnloadNow();

    armed = true;
    for (int step = 1; step <= steps && failures.empty(); ++step) {
      if (!control) {
        NewControl(user.OneIn(8) ? Server() : AnyServer());
        if (!user.OneIn(6)) Go();
      }
      Log("step %d", step);
      const unsigned what = user.Pick(12);
      if (!current && user.OneIn(3)) {  // the phone is plugged in again
        HandServer(AnyServer());
      } else if (what == 0) {
        HostAction(user);
      } else if (what == 1 && current) {
        Log("the phone, between calls:");
        FireEvent(*current.Get());
      } else {
        UserStep();
      }
      test::PumpMessages(user.Pick(10));
      closed.clear();
      CheckPages();
    }
    armed = false;
    if (failures.empty()) Recover();

    // The host closes the control; the servers still act inside the calls
    // the control makes while it goes.
    Log("host: closes the control");
    closing = armed = true;
    if (container) container->Deactivate();
    if (control && control.Detach()->Release() != 0)
      Fail("the host's last Release did not free it");
    container.reset();
    armed = false;
    test::PumpMessages(30);
    closed.clear();
    for (HWND dialog : test::OpenDialogs())
      Fail("dialog left open: \"" + test::WindowText(dialog) + "\"");

    current.Reset();
    for (const Server& server : servers)
      if (server->RefCount() != 1 || server->AdvisedSinkCount() != 0)
        Fail("server " + std::to_string(server->number) + " keeps " +
             std::to_string(server->RefCount() - 1) + " references and " +
             std::to_string(server->AdvisedSinkCount()) + " sinks");
    if (test::CallDllCanUnloadNow() != unloadable) Fail("objects of the DLL are left");
    if (ThreadWindows() != windows)
      Fail("windows: " + std::to_string(windows) + " before, " + std::to_string(ThreadWindows()));
    if (const long now = test::ProcessUsage::Measure().gdiObjects; now != gdi)
      Fail("GDI objects: " + std::to_string(gdi) + " before, " + std::to_string(now));
    if (test::PreviewTempFiles() != tempFiles) Fail("temporary files left");
    for (size_t i = helpRequests; i < help->Requests().size(); ++i)
      if (help->Requests()[i].command != HELP_CONTEXT || help->Requests()[i].data < 1 ||
          help->Requests()[i].data > 8)
        Fail("help asked for topic " + std::to_string(help->Requests()[i].data));
    for (const test::RecordedMessage& message : test::MessageRecorder::Messages())
      boxes.push_back({message.title, message.text});
    for (const test::SeenMessageBox& box : boxes)
      if (!FromStringTable(box.caption, box.text))
        Fail("message not from the string table: \"" + box.caption + "\" \"" + box.text + "\"");
    return failures;
  }
  // This thread's windows, top-level and children.
  static size_t ThreadWindows() {
    size_t count = 0;
    for (HWND window : Windows())
      count += 1 + Windows(window).size();
    return count;
  }

  Rng script, user;  // the servers' and the host's, the user's
  unsigned long long seed;
  std::unique_ptr<test::TestContainer> container;
  fw::ComPtr<IUnknown> control;
  std::vector<std::unique_ptr<test::TestContainer>> closed;  // deleted between steps
  std::vector<Server> servers;
  Server current;
  unsigned oneIn = 8;  // a call acts once in this many (less when nested)
  bool armed = false, closing = false, touring = false;
  int depth = 0, actions = 0, tickDepth = 0;  // server calls acting, user actions running
  size_t calls = 0;                           // calls made to every server so far
  struct Seen {
    unsigned number, acts;
    DWORD last;
  };
  std::map<HWND, Seen> dialogs;
  unsigned dialogCount = 0;
  static inline unsigned saved = 0;  // names of pictures saved in this process
  std::vector<test::SeenMessageBox> boxes;
  Texts failures;
};

TEST(Stress, SeededEpisodes) {
  AddVectoredExceptionHandler(1, OnException);
  signal(SIGABRT, [](int) { ReportCrash("abort"); });
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  picture.assign(std::istreambuf_iterator<char>(file), {});
  const std::filesystem::path start = std::filesystem::current_path();  // Save As moves it
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kvr_stress";
  saveFolder = folder.string();

  // Under the heap check an episode takes about ten times as long: a few
  // seeds of their own there, seeds 1 to 32 without it.
  const bool checked = test::HeapChecked();
  const unsigned long long only = EnvNumber("KVR_STRESS_SEED", 0),
                           first = only ? only : EnvNumber("KVR_STRESS_FIRST", checked ? 33 : 1),
                           count = only ? 1 : EnvNumber("KVR_STRESS_EPISODES", checked ? 4 : 32);
  const DWORD seconds = static_cast<DWORD>(EnvNumber("KVR_STRESS_SECONDS", 0));
  const int steps = static_cast<int>(EnvNumber("KVR_STRESS_STEPS", 40));
  const bool verbose = only || EnvNumber("KVR_STRESS_LOG", 0) != 0;

  // The episode answers every dialog itself, however long the system takes
  // to show the next one (a Save As over the preview under the heap check
  // takes seconds): the watchdog ends only one still open after a minute.
  const test::WhenDialog answeredHere(
      "", [](HWND) {}, SIZE_MAX);
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, Episode::TickProc);
  std::filesystem::create_directories(folder);
  const test::HelpCatcher catcher;
  help = &catcher;
  Episode touring(0);
  running = &touring;
  touring.Tour();
  const DWORD began = GetTickCount();
  size_t episodes = 0, failed = 0;
  for (unsigned long long seed = first;
       seconds ? GetTickCount() - began < seconds * 1000 : seed < first + count; ++seed) {
    std::filesystem::create_directories(folder);
    runningSeed = seed;
    logLines.clear();
    Episode episode(seed);
    running = &episode;
    const Texts failures = episode.Run(steps);
    running = nullptr;
    ++episodes;
    std::filesystem::current_path(start);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (verbose) printf("%s", Tail(100000).c_str());
    if (failures.empty()) continue;
    ++failed;
    ADD_FAILURE() << "seed " << seed << ": " << failures.front() << "\n"
                  << (only ? "" : Tail(failed <= 3 ? 250 : 20))
                  << "replay: KVR_STRESS_SEED=" << seed;
  }
  KillTimer(nullptr, timer);
  printf("stress: seeds %llu to %llu, %zu episodes, %lu s, %zu failed\n", first,
         first + episodes - 1, episodes, (GetTickCount() - began) / 1000, failed);
}

}  // namespace
