// Re-entrancy stress: seeded episodes of random user actions on every page
// of every product mode, while the servers (tests/support/stress_server.*)
// fire events, fail, and have the host exchange servers, call Go, destroy
// the container or deactivate and reactivate the control from inside any
// of the control's calls, and a thread timer acts inside every modal loop.
// Checked along the way: no crash, the pages always one whole set, events
// held while an action waits for the server; after each episode: the
// control still works, then closes and goes, leaving no server reference,
// event sink, window, GDI object or temporary file, and every message
// shown came from the string table.
//
//   KVR_STRESS_SEED=N (or --stress_seed=N)   one seed, its log printed
//   KVR_STRESS_FIRST=N KVR_STRESS_EPISODES=M seeds N to N+M-1
//   KVR_STRESS_SECONDS=S                     seeds from FIRST for S seconds
//   KVR_STRESS_STEPS=K                       user steps per episode
//   KVR_STRESS_LOG=1                         every episode's log printed
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "resources/resource.h"
#include "tests/support/help_catcher.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"
#include "tests/support/process_usage.h"
#include "tests/support/product_dll.h"
#include "tests/support/stress_server.h"
#include "tests/support/test_container.h"
#include "tests/support/text.h"

namespace {

namespace slog = test::stress_log;
using test::Rng;
using Server = fw::ComPtr<fw::ComObject<test::StressServer>>;
using Texts = std::vector<std::string>;

const char kSaveAs[] = "Save Camera Image As", kPreview[] = "Image Preview",
           kWait[] = "Please Wait...";
const Texts kPageSets[] = {
    {"Camera Test", "Picture Capture", "Picture Colours", "Picture Tests", "Registers"},
    {"Camera Test", "Picture Capture"},
    {"Camera Test", "Picture Capture  "}};

// What a user can do: on the control ("") or on the page with that caption,
// and what may be typed into each edit box, good and bad.
enum class Kind { Click, Action, Close, Text, List, Combo, Slider, Spin, Cell };
struct Item {
  const char* page;
  int id;
  Kind kind;
};
const char kCapture[] = "Picture Capture", kProduct[] = "Picture Capture  ",
           kColours[] = "Picture Colours", kTests[] = "Picture Tests", kRegisters[] = "Registers";
const std::vector<Item> kItems = [] {
  const struct {
    const char* page;
    Kind kind;
    std::vector<int> ids;
  } groups[] = {
      {"", Kind::Action, {IDC_CAMERA_ON, IDC_DEACTIVATE_ALL, IDC_VIEWFINDER_ON}},
      {"", Kind::Close, {IDOK}},
      {"", Kind::Click, {IDHELP}},
      {"Camera Test", Kind::Action, {IDC_TEST}},
      {kCapture, Kind::Click, {IDC_LOCATION_PC, IDC_LOCATION_PRODUCT}},
      {kCapture, Kind::Text, {IDC_PRODUCT_NAME}},
      {kCapture, Kind::List, {IDC_FORMAT_LIST, IDC_SIZE_LIST}},
      {kCapture, Kind::Action, {IDC_PREVIEW, IDC_SAVE}},
      {kProduct,
       Kind::Click,
       {IDC_LOCATION_PC, IDC_EPOC_LOCATION_PRODUCT, IDC_USE_ACKS, IDC_SHOW_IMAGE_AFTER_SAVE,
        IDC_FLASH_ON, IDC_FLASH_ANTI_RED_EYE}},
      {kProduct, Kind::Text, {IDC_EPOC_PRODUCT_NAME}},
      {kProduct, Kind::Combo, {IDC_CAMERA_NUMBER}},
      {kProduct, Kind::List, {IDC_FORMAT_LIST, IDC_SIZE_LIST}},
      {kProduct, Kind::Action, {IDC_EPOC_SAVE}},
      {kColours, Kind::Slider, {IDC_LUMINANCE, IDC_HUE}},
      {kColours, Kind::Click, {IDC_WHITE_BALANCE_AUTO, IDC_BLEMISH_CORRECTION}},
      {kColours, Kind::Action, {IDC_READ, IDC_WRITE}},
      {kTests,
       Kind::Action,
       {IDC_NO_TEST, IDC_COLOUR_BAR_TEST, IDC_RAMP2_TEST, IDC_SPECIFIC_VALUE_TEST, IDC_WRITE}},
      {kTests, Kind::Text, {IDC_GREEN}},
      {kTests, Kind::Spin, {IDC_RED_SPIN}},
      {kRegisters, Kind::Text, {IDC_FIRST_REGISTER, IDC_LAST_REGISTER}},
      {kRegisters, Kind::Action, {IDC_READ, IDC_WRITE}},
      {kRegisters, Kind::Cell, {IDC_REGISTER_LIST}},
  };
  std::vector<Item> items;
  for (const auto& group : groups)
    for (int id : group.ids)
      items.push_back({group.page, id, group.kind});
  return items;
}();
const std::map<int, std::vector<const char*>> kTyped = {
    {IDC_FIRST_REGISTER, {"0", "3", "10", "150", "abc", ""}},
    {IDC_LAST_REGISTER, {"2", "5", "12", "159", "160", ""}},
    {IDC_GREEN, {"101", "111111", "0", "2", "", "1111111"}},
    {IDC_PRODUCT_NAME, {"Pics\\shot", "", "C:\\Orvik\\Images\\x"}},
    {IDC_EPOC_PRODUCT_NAME, {"Pics\\shot", "", "C:\\Orvik\\Images\\x"}},
};

bool Usable(HWND window) {
  return window && IsWindowVisible(window) && IsWindowEnabled(window) &&
         IsWindowEnabled(GetAncestor(window, GA_ROOT));
}

// The control's sheets: one, or none before Go.
std::vector<HWND> Sheets(HWND dialog) {
  std::vector<HWND> sheets;
  for (HWND found = nullptr; dialog && (found = FindWindowExA(dialog, found, "#32770", nullptr));)
    sheets.push_back(found);
  return sheets;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<size_t*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  EnumChildWindows(window, CountWindow, count);  // all descendants
  return CountWindow(window, count);
}

// This thread's windows, top-level and children.
size_t ThreadWindows() {
  size_t count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (IsWindowVisible(window) && strcmp(name, "#32770") == 0)
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// This thread's visible top-level dialogs: message boxes and modal dialogs.
std::vector<HWND> OpenDialogs() {
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
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
    all.insert(failed);
    for (const wchar_t* description : test::kTestFailures)
      all.insert((failed + test::Narrow(description)).substr(0, 511));
    return all;
  }();
  return strings.count(title) && strings.count(text.substr(0, text.find("\r\nHRESULT 0x")));
}

// The seed being run, for a crash report.
unsigned long long runningSeed = 0;

[[noreturn]] void ReportCrash(const char* what) {
  fprintf(stderr, "\nSTRESS CRASH: %s in seed %llu\n%s\nreplay: KVR_STRESS_SEED=%llu\n", what,
          runningSeed, slog::Tail(300).c_str(), runningSeed);
  fflush(stderr);
  fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 3);
  abort();
}

HMODULE ModuleAt(void* address) {
  HMODULE module = nullptr;
  if (reinterpret_cast<uintptr_t>(address) >= 0x10000)
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCSTR>(address), &module);
  return module;
}

// "module+offset" (nm on the module's .debug file names the function).
std::string Where(void* address) {
  HMODULE module = ModuleAt(address);
  char name[MAX_PATH] = "", where[MAX_PATH + 24];
  if (module) GetModuleFileNameA(module, name, sizeof name);
  const char* file = strrchr(name, '\\');
  snprintf(where, sizeof where, "%s+0x%llx", file ? file + 1 : name,
           static_cast<unsigned long long>(static_cast<char*>(address) -
                                           reinterpret_cast<char*>(module)));
  return where;
}

// The exception, where it happened and the return addresses into the
// product or this program found on the stack.
LONG WINAPI Unhandled(EXCEPTION_POINTERS* e) {
  char code[16];
  snprintf(code, sizeof code, "0x%08lx", e->ExceptionRecord->ExceptionCode);
  std::string what = std::string("exception ") + code + " at " +
                     Where(e->ExceptionRecord->ExceptionAddress) + "; on the stack:";
#ifdef _WIN64
  auto* stack = reinterpret_cast<void**>(e->ContextRecord->Rsp);
#else
  auto* stack = reinterpret_cast<void**>(e->ContextRecord->Esp);
#endif
  for (int i = 0, found = 0; i < 512 && found < 12; ++i)
    if (ModuleAt(stack[i]) == test::ProductModule() ||
        ModuleAt(stack[i]) == GetModuleHandleA(nullptr))
      what += "\n  " + Where(stack[i]), ++found;
  ReportCrash(what.c_str());
}

// Faults in our own code are reported at once: the system would swallow
// them inside a timer procedure.
LONG WINAPI FirstChance(EXCEPTION_POINTERS* e) {
  const DWORD code = e->ExceptionRecord->ExceptionCode;
  if (code != EXCEPTION_ACCESS_VIOLATION && code != EXCEPTION_ILLEGAL_INSTRUCTION &&
      code != 0xC0000374 && code != 0xC0000409)  // heap corruption, stack buffer overrun
    return EXCEPTION_CONTINUE_SEARCH;
  HMODULE module = ModuleAt(e->ExceptionRecord->ExceptionAddress);
  if (module && module != test::ProductModule() && module != GetModuleHandleA(nullptr))
    return EXCEPTION_CONTINUE_SEARCH;
  return Unhandled(e);
}

unsigned long long EnvNumber(const char* name, unsigned long long fallback) {
  const char* value = getenv(name);
  return value && *value ? strtoull(value, nullptr, 10) : fallback;
}

class Episode;
Episode* running = nullptr;  // the one the modal timer serves

class Episode {
 public:
  Episode(unsigned long long seed, int steps, const std::string& picture, const std::string& folder,
          const test::HelpCatcher& help)
      : help(help),
        script(seed * 4 + 1),
        user(seed * 4 + 2),
        seed(seed),
        steps(steps),
        picture(picture),
        folder(folder) {}

  // Runs the episode; the failures found, empty when it passed.
  Texts Run();
  // Every page, dialog and box once, with nothing going wrong: fills the
  // caches the system keeps once filled (fonts, message box icons, the
  // shell's icons in Save As) before anything is counted.
  void Tour();
  size_t Steps() const { return stepsDone; }

 private:
  // ---- the host ----
  bool Hosting() const { return control && !closing; }
  Server AnyServer();
  void NewControl();
  void HandServer(const Server& server);
  void Go();
  void DestroyContainer();
  void Reactivate();
  HWND Dialog() const { return container && control ? container->ControlWindow() : nullptr; }
  // The host's control as interface I, with a reference of the caller's own.
  template <class I>
  fw::ComPtr<I> As() const {
    fw::ComPtr<I> result;
    if (control) control.As(&result);
    return result;
  }

  // ---- the user ----
  void UserStep();
  void Do(const Item& item, HWND window, HWND page);
  void Tick();
  void OnDialog(HWND dialog, unsigned act, Rng& rng);
  // Whether a user action is waiting for the server: not while it waits
  // for the user in a message box, the preview or Please Wait.
  bool ActionWaitsForServer() const;

  // ---- the checks ----
  void CheckPages();
  void Recover();
  void Fail(const std::string& what);
  static void CALLBACK TickProc(HWND, UINT, UINT_PTR, DWORD) {
    if (running) running->Tick();
  }

  const test::HelpCatcher& help;  // every help request of the run
  test::StressScript script;
  Rng user;
  unsigned long long seed;
  int steps;
  size_t stepsDone = 0;
  const std::string& picture;
  const std::string folder;

  std::unique_ptr<test::TestContainer> container;
  fw::ComPtr<IUnknown> control;
  std::vector<std::unique_ptr<test::TestContainer>> closed;  // deleted between steps
  Server current;
  bool closing = false;
  bool touring = false;
  int actions = 0;  // user actions running
  int tickDepth = 0;
  struct Seen {
    unsigned number, acts;
    DWORD last;
  };
  std::map<HWND, Seen> dialogs;
  unsigned dialogCount = 0;
  static unsigned saved;  // names of pictures saved in this process
  std::vector<test::SeenMessageBox> boxes;
  Texts failures;
};

unsigned Episode::saved = 0;

Server Episode::AnyServer() {
  static const long kModes[] = {0, 1, 2, 2, 2, 2, 2, 3, 4, 5, 6, 9};
  const auto& servers = script.Servers();
  if (!servers.empty() && script.rng.OneIn(2))
    return servers[script.rng.Pick(static_cast<unsigned>(servers.size()))];
  Server server = script.NewServer(script.rng.From(kModes));
  server->SetCaptureContent(picture);
  server->SetCameraCount(2);
  server->SetCameraConfig(2, {0x4, 0x40, 0});
  return server;
}

void Episode::NewControl() {
  slog::Add("host: makes a new control");
  container = std::make_unique<test::TestContainer>();
  container->OnCloseRequest([this] {
    slog::Add("host: the frame closes");
    if (Hosting()) DestroyContainer();
  });
  control = test::CreateControl();
  container->Activate(control.Get());
  if (!user.OneIn(8)) HandServer(AnyServer());
  if (!user.OneIn(6)) Go();
}

void Episode::HandServer(const Server& server) {
  fw::ComPtr<ICameraControlFNClient> client = As<ICameraControlFNClient>();
  if (!client) return;
  slog::Add("host: SetServer(%s)",
            server ? ("server " + std::to_string(server->Number())).c_str() : "null");
  current = server;
  client->SetServer(server.Get());
}

void Episode::Go() {
  fw::ComPtr<IGoClient> go = As<IGoClient>();
  if (!go) return;
  slog::Add("host: Go");
  go->Go();
}

void Episode::DestroyContainer() {
  std::unique_ptr<test::TestContainer> doomed = std::move(container);
  fw::ComPtr<IUnknown> released = std::move(control);
  slog::Add("host: closes and releases the control, destroys its container");
  if (doomed) doomed->Deactivate();
  released.Reset();
  if (doomed) {
    DestroyWindow(doomed->Frame());
    closed.push_back(std::move(doomed));
  }
}

void Episode::Reactivate() {
  fw::ComPtr<IOleInPlaceObject> inPlace = As<IOleInPlaceObject>();
  if (!inPlace) return;
  slog::Add("host: InPlaceDeactivate, then DoVerb(OLEIVERB_INPLACEACTIVATE)");
  inPlace->InPlaceDeactivate();
  if (container && As<IOleInPlaceObject>() == inPlace) container->Activate(control.Get());
}

bool Episode::ActionWaitsForServer() const {
  if (actions == 0) return false;
  for (HWND dialog : OpenDialogs())
    if (IsMessageBox(dialog) || test::WindowText(dialog) == kWait ||
        test::WindowText(dialog) == kPreview)
      return false;
  return true;
}

void Episode::UserStep() {
  HWND dialog = Dialog(), sheet = Sheets(dialog).empty() ? nullptr : Sheets(dialog).back();
  HWND page = sheet ? PropSheet_GetCurrentPageHwnd(sheet) : nullptr;
  const std::string caption = test::WindowText(page);
  // An action on a page three times as likely as anything else; Close rarely.
  std::vector<std::pair<const Item*, HWND>> usable;
  for (const Item& item : kItems) {
    HWND window = !*item.page                    ? GetDlgItem(dialog, item.id)
                  : page && caption == item.page ? GetDlgItem(page, item.id)
                                                 : nullptr;
    if (Usable(window))
      usable.insert(usable.end(), item.kind == Kind::Action && *item.page ? 3 : 1, {&item, window});
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
    slog::Add("user: selects tab %d", tab);
    SendMessageA(sheet, PSM_SETCURSEL, tab, 0);
  } else if (current) {  // nothing to do until the phone is back
    slog::Add("server %d fires ConnectionStateChanged(1) (the phone is back)", current->Number());
    current->FireConnectionStateChanged(1);
  }
}

void Episode::Do(const Item& item, HWND window, HWND page) {
  const char* where = *item.page ? item.page : "control";
  switch (item.kind) {
    case Kind::Text: {
      const std::vector<const char*>& texts = kTyped.at(item.id);
      const char* text = texts[user.Pick(static_cast<unsigned>(texts.size()))];
      slog::Add("user: types \"%s\" into %s/%d", text, where, item.id);
      SetWindowTextA(window, text);
      return;
    }
    case Kind::List: {
      const int count = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
      const int row = static_cast<int>(user.Pick(count > 0 ? count : 1));
      slog::Add("user: chooses row %d of %s/%d", row, where, item.id);
      SendMessageA(window, LB_SETCURSEL, row, 0);
      return;
    }
    case Kind::Slider: {
      const int position = static_cast<int>(user.Pick(256));
      slog::Add("user: moves %s/%d to %d", where, item.id, position);
      SendMessageA(window, TBM_SETPOS, TRUE, position);
      SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(window));
      return;
    }
    case Kind::Spin: {
      NMUPDOWN change = {};
      change.hdr = {window, static_cast<UINT_PTR>(item.id), static_cast<UINT>(UDN_DELTAPOS)};
      change.iDelta = user.OneIn(2) ? 1 : -1;
      slog::Add("user: spins %s/%d by %d", where, item.id, change.iDelta);
      SendMessageA(page, WM_NOTIFY, item.id, reinterpret_cast<LPARAM>(&change));
      return;
    }
    case Kind::Cell: {
      static const char* const kTyped[] = {"1\r", "0f\r", "255\r", "10101010\r", "7\x1b"};
      const int row = static_cast<int>(user.Pick(12)), column = 1 + static_cast<int>(user.Pick(3));
      const char* typed = user.From(kTyped);
      slog::Add("user: edits register cell %d,%d: \"%s\"", row, column, typed);
      test::DoubleClickCell(window, row, column);
      HWND edit = FindWindowExA(window, nullptr, "Edit", nullptr);
      if (Usable(edit)) test::Type(edit, typed);
      return;
    }
    default:
      break;
  }
  slog::Add("user: %s %s/%d", item.kind == Kind::Combo ? "chooses a camera on" : "clicks", where,
            item.id);
  actions += item.kind == Kind::Action || item.kind == Kind::Combo;
  if (item.kind == Kind::Combo) {
    const int count = static_cast<int>(SendMessageA(window, CB_GETCOUNT, 0, 0));
    SendMessageA(window, CB_SETCURSEL, user.Pick(count > 0 ? count : 1), 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
      SendMessageA(page, WM_COMMAND, MAKEWPARAM(item.id, code), reinterpret_cast<LPARAM>(window));
  } else {
    SendMessageA(window, BM_CLICK, 0, 0);
  }
  actions -= item.kind == Kind::Action || item.kind == Kind::Combo;
}

// Every 15 ms, inside any message loop: acts on the newest dialog once it
// has had 100 ms since the last act: sometimes something else happens
// first, then the user answers it.
void Episode::Tick() {
  if (tickDepth >= 3) return;
  ++tickDepth;
  for (auto it = dialogs.begin(); it != dialogs.end();)
    it = IsWindow(it->first) ? std::next(it) : dialogs.erase(it);
  for (HWND dialog : OpenDialogs()) {
    if (!IsWindowEnabled(dialog)) continue;  // a dialog of its own is open
    auto found = dialogs.find(dialog);
    if (found == dialogs.end()) {
      found = dialogs.emplace(dialog, Seen{++dialogCount, 0, 0}).first;
      const std::string text = test::WindowText(GetDlgItem(dialog, 0xFFFF));
      slog::Add("dialog %u opens: \"%s\" %s", dialogCount, test::WindowText(dialog).c_str(),
                IsMessageBox(dialog) ? text.c_str() : "");
      // The control's boxes, not those of the file dialog.
      if (IsMessageBox(dialog) && !IsSaveAs(GetWindow(dialog, GW_OWNER)))
        boxes.push_back({test::WindowText(dialog), text});
    }
    Seen& seen = found->second;
    if (seen.acts && GetTickCount() - seen.last < 100) break;
    seen.last = GetTickCount();
    Rng rng(seed * 7919 + seen.number * 131 + ++seen.acts);
    OnDialog(dialog, seen.acts, rng);
    break;
  }
  --tickDepth;
}

// The episode answers every dialog itself, however long the system takes
// to show the next one (a Save As over the preview under the heap check
// takes seconds): the watchdog ends only one still open after a minute.
test::WhenDialog AnsweredByTheEpisode() {
  return test::WhenDialog(
      "", [](HWND) {}, SIZE_MAX);
}

void Episode::OnDialog(HWND dialog, unsigned act, Rng& rng) {
  const std::string title = test::WindowText(dialog);
  const unsigned number = dialogs[dialog].number;
  if (!touring && tickDepth == 1 && act <= 2 && rng.OneIn(3)) {
    slog::Add("inside dialog %u:", number);
    const unsigned what = rng.Pick(3);
    if (what == 0 && current) return script.FireEvent(*current.Get());
    if (what == 1 && script.RunHostAction(rng)) return;
    HWND dialogWindow = Dialog();
    HWND button = dialogWindow ? GetDlgItem(dialogWindow, IDC_CAMERA_ON) : nullptr;
    if (IsMessageBox(dialog) && Usable(button)) {
      slog::Add("user: clicks Camera On behind the message box");
      PostMessageA(button, BM_CLICK, 0, 0);
      return;
    }
  }
  if (IsSaveAs(dialog)) {
    if (!touring && rng.OneIn(3)) {
      slog::Add("user: cancels Save As");
      return Post(dialog, IDCANCEL);
    }
    const std::string path = folder + "\\picture" + std::to_string(++saved);
    slog::Add("user: saves as %s", path.c_str());
    SetWindowTextA(test::FindChildById(dialog, 0x47c), path.c_str());
    return Post(dialog, IDOK);
  }
  if (title == kPreview) {
    const int button = act > 2 ? IDOK : rng.From({IDC_PREVIEW_SAVE, IDHELP, IDOK, IDOK});
    slog::Add("user: presses %d in the preview", button);
    return Post(dialog, touring && act == 1 ? IDC_PREVIEW_SAVE : button);
  }
  if (title == kWait) {
    if (current && act < 4 && (touring || rng.OneIn(2))) {
      slog::Add("server %d fires CameraTestFinished (the test is done)", current->Number());
      current->FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
      return;
    }
    slog::Add("user: cancels the wait");
    return Post(dialog, IDC_WAIT_CANCEL);
  }
  if (!IsMessageBox(dialog)) Fail("a dialog nobody expected: \"" + title + "\"");
  slog::Add("user: answers the message box");
  Post(dialog, !IsMessageBox(dialog) ? IDCANCEL : GetDlgItem(dialog, IDOK) ? IDOK : IDNO);
}

void Episode::Fail(const std::string& what) {
  slog::Add("FAILED: %s", what.c_str());
  failures.push_back(what);
}

// Whenever things have settled: the sheet, if there is one, shows one
// whole page set, each page once.
void Episode::CheckPages() {
  const std::vector<HWND> sheets = Sheets(Dialog());
  if (sheets.size() > 1) Fail(std::to_string(sheets.size()) + " sheets in the control");
  const Texts tabs = sheets.empty() ? kPageSets[0] : test::TabTexts(sheets[0]);
  if (std::find(std::begin(kPageSets), std::end(kPageSets), tabs) != std::end(kPageSets)) return;
  std::string shown;
  for (const std::string& tab : tabs)
    shown += "[" + tab + "]";
  Fail("the sheet shows " + shown);
}

// The host shows the control again, hands it a new phone in mode 2 and
// starts it: the full page set, and the radios and a Read pass reach the
// new server.
void Episode::Recover() {
  if (!Hosting()) return;
  slog::Add("check: the control still works");
  const size_t messages = test::MessageRecorder::Messages().size() + boxes.size();
  container->Activate(control.Get());
  Server fresh = script.NewServer(2);
  HandServer(fresh);
  Go();
  test::PumpMessages(30);
  HWND dialog = Dialog();
  const std::vector<HWND> sheets = Sheets(dialog);
  if (sheets.size() != 1) return Fail(std::to_string(sheets.size()) + " sheets after Go");
  HWND sheet = sheets[0];
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

void Episode::Tour() {
  test::MessageRecorder::Unavailable plainBoxes;
  running = this;
  touring = true;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, TickProc);
  const test::WhenDialog answeredHere = AnsweredByTheEpisode();
  for (long mode : {2, 4}) {
    container = std::make_unique<test::TestContainer>();
    control = test::CreateControl();
    container->Activate(control.Get());
    Server server = script.NewServer(mode);
    server->SetCaptureContent(picture);
    HandServer(server);
    Go();
    SendMessageA(GetDlgItem(Dialog(), IDC_CAMERA_ON), BM_CLICK, 0, 0);
    HWND sheet = FindWindowExA(Dialog(), nullptr, "#32770", nullptr);
    for (int tab = 0; SendMessageA(sheet, PSM_SETCURSEL, tab, 0); ++tab) {
      HWND page = PropSheet_GetCurrentPageHwnd(sheet);
      test::PumpMessages(20);  // painted
      for (const Item& item : kItems)
        if (item.kind == Kind::Action && test::WindowText(page) == item.page)
          Do(item, GetDlgItem(page, item.id), page);
    }
    server->SetResult("ActivateCamera", E_FAIL);  // an error box
    SendMessageA(GetDlgItem(Dialog(), IDC_CAMERA_ON), BM_CLICK, 0, 0);
    DestroyContainer();
    closed.clear();
  }
  KillTimer(nullptr, timer);
  running = nullptr;
  current.Reset();
}

Texts Episode::Run() {
  slog::Add("=== seed %llu", seed);
  static const unsigned kOneIn[] = {3, 8, 8, 20};
  script.oneIn = user.From(kOneIn);
  std::unique_ptr<test::MessageRecorder::Unavailable> plainBoxes;
  if (user.OneIn(3)) plainBoxes = std::make_unique<test::MessageRecorder::Unavailable>();
  slog::Add("a call acts once in %u; messages in %s", script.oneIn,
            plainBoxes ? "system boxes" : "the host's component");
  script.mustHold = [this] { return ActionWaitsForServer(); };
  const auto hosting = [this] { return Hosting(); };
  script.hostActions = {
      {hosting, [this] { HandServer(nullptr); }},
      {hosting, [this] { HandServer(AnyServer()); }},
      {hosting, [this] { HandServer(AnyServer()); }},
      {hosting, [this] { Go(); }},
      {hosting, [this] { DestroyContainer(); }},
      {[this] { return Hosting() && container; }, [this] { Reactivate(); }},
  };
  test::MessageRecorder::Clear();
  const size_t windows = ThreadWindows(), tempFiles = test::PreviewTempFiles(),
               helpRequests = help.Requests().size();
  const long gdi = test::ProcessUsage::Measure().gdiObjects;
  const HRESULT unloadable = test::CallDllCanUnloadNow();
  running = this;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, TickProc);
  const test::WhenDialog answeredHere = AnsweredByTheEpisode();

  script.armed = true;
  for (int step = 1; step <= steps && failures.empty(); ++step, ++stepsDone) {
    if (!control) NewControl();
    slog::Add("step %d", step);
    const unsigned what = user.Pick(12);
    if (!current && user.OneIn(3)) {  // the phone is plugged in again
      HandServer(AnyServer());
    } else if (what == 0) {
      script.RunHostAction(user);
    } else if (what == 1 && current) {
      slog::Add("the phone, between calls:");
      script.FireEvent(*current.Get());
    } else {
      UserStep();
    }
    test::PumpMessages(user.Pick(10));
    closed.clear();
    CheckPages();
    for (const std::string& fault : script.faults)
      Fail(fault);
    script.faults.clear();
  }
  script.armed = false;
  if (failures.empty()) Recover();

  // The host closes the control; the server still acts inside the calls
  // the control makes while it goes.
  slog::Add("host: closes the control");
  closing = true;
  script.armed = true;
  if (container) container->Deactivate();
  if (control && control.Detach()->Release() != 0) Fail("the host's last Release did not free it");
  container.reset();
  script.armed = false;
  test::PumpMessages(30);
  closed.clear();
  KillTimer(nullptr, timer);
  running = nullptr;
  for (HWND dialog : OpenDialogs())
    Fail("dialog left open: \"" + test::WindowText(dialog) + "\"");

  current.Reset();
  for (const Server& server : script.Servers())
    if (server->RefCount() != 1 || server->AdvisedSinkCount() != 0)
      Fail("server " + std::to_string(server->Number()) + " keeps " +
           std::to_string(server->RefCount() - 1) + " references and " +
           std::to_string(server->AdvisedSinkCount()) + " sinks");
  if (test::CallDllCanUnloadNow() != unloadable) Fail("objects of the DLL are left");
  if (ThreadWindows() != windows)
    Fail("windows: " + std::to_string(windows) + " before, " + std::to_string(ThreadWindows()));
  if (const long now = test::ProcessUsage::Measure().gdiObjects; now != gdi)
    Fail("GDI objects: " + std::to_string(gdi) + " before, " + std::to_string(now));
  if (test::PreviewTempFiles() != tempFiles) Fail("temporary files left");
  for (size_t i = helpRequests; i < help.Requests().size(); ++i)
    if (help.Requests()[i].command != HELP_CONTEXT || help.Requests()[i].data < 1 ||
        help.Requests()[i].data > 8)
      Fail("help asked for topic " + std::to_string(help.Requests()[i].data));
  for (const test::RecordedMessage& message : test::MessageRecorder::Messages())
    boxes.push_back({message.title, message.text});
  for (const test::SeenMessageBox& box : boxes)
    if (!FromStringTable(box.caption, box.text))
      Fail("message not from the string table: \"" + box.caption + "\" \"" + box.text + "\"");
  return failures;
}

TEST(Stress, SeededEpisodes) {
  SetUnhandledExceptionFilter(Unhandled);
  AddVectoredExceptionHandler(1, FirstChance);
  signal(SIGABRT, [](int) { ReportCrash("abort"); });

  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  const std::string picture(std::istreambuf_iterator<char>(file), {});
  const std::filesystem::path start = std::filesystem::current_path();  // Save As moves it
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kvr_stress";

  // Under the heap check an episode takes about ten times as long: a few
  // seeds of their own there, seeds 1 to 32 without it.
  const bool checked = test::HeapChecked();
  unsigned long long first = EnvNumber("KVR_STRESS_FIRST", checked ? 33 : 1);
  unsigned long long count = EnvNumber("KVR_STRESS_EPISODES", checked ? 4 : 32);
  const char* flag = strstr(GetCommandLineA(), "--stress_seed=");
  const unsigned long long only =
      flag ? strtoull(flag + 14, nullptr, 10) : EnvNumber("KVR_STRESS_SEED", 0);
  if (only) first = only, count = 1;
  const DWORD seconds = static_cast<DWORD>(EnvNumber("KVR_STRESS_SECONDS", 0));
  const int steps = static_cast<int>(EnvNumber("KVR_STRESS_STEPS", 40));
  const bool verbose = EnvNumber("KVR_STRESS_LOG", 0) != 0;

  std::filesystem::create_directories(folder);
  const test::HelpCatcher help;
  Episode(0, 0, picture, folder.string(), help).Tour();
  const DWORD began = GetTickCount();
  size_t episodes = 0, stepsDone = 0, failed = 0;
  for (unsigned long long seed = first;
       seconds ? GetTickCount() - began < seconds * 1000 : seed < first + count; ++seed) {
    std::filesystem::create_directories(folder);
    runningSeed = seed;
    slog::Clear();
    Episode episode(seed, steps, picture, folder.string(), help);
    const Texts failures = episode.Run();
    ++episodes;
    stepsDone += episode.Steps();
    std::filesystem::current_path(start);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (only || verbose) printf("%s", slog::Tail(100000).c_str());
    if (failures.empty()) continue;
    ++failed;
    ADD_FAILURE() << "seed " << seed << ": " << failures.front() << "\n"
                  << (only ? "" : slog::Tail(failed <= 3 ? 250 : 20))
                  << "replay: KVR_STRESS_SEED=" << seed;
  }
  printf("stress: seeds %llu to %llu, %zu episodes, %zu steps, %lu s, %zu failed\n", first,
         first + episodes - 1, episodes, stepsDone, (GetTickCount() - began) / 1000, failed);
}

}  // namespace
