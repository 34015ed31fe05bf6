#include "tools/demo_host/tour.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tools/demo_host/screenshot.h"

namespace demo {

namespace {

// Waits after an action, long enough for the control and Wine to settle
// and repaint.
constexpr DWORD kSettle = 200;
constexpr DWORD kShortSettle = 150;

// How often and how long a view waits for its dialog to open.
constexpr DWORD kRetry = 100;
constexpr int kAttempts = 50;

// One step: run, then wait `delay` before the next. A step may open a modal
// dialog; the next step then runs inside that dialog's message loop (thread
// timers fire there too), so every step schedules its successor first. A
// step that answers false is not ready and runs again a little later.
struct Step {
  std::function<bool()> run;
  DWORD delay;
};

class Tour {
 public:
  Tour(HWND frameWindow, HWND controlWindow, PhoneMenu& phoneMenu, const char* folderPath)
      : frame(frameWindow), control(controlWindow), phone(phoneMenu), folder(folderPath) {}

  void Build();
  void Start() { Schedule(1000); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
  void Schedule(DWORD delay) { timer = SetTimer(nullptr, 0, delay, OnTimer); }
  void RunNext();

  void Do(std::function<void()> action, DWORD delay = kSettle) {
    steps.push_back({[action] {
                       action();
                       return true;
                     },
                     delay});
  }
  // A picture of the frame with the selected tab reading `tab`, or, with
  // `dialog`, of the frame and the dialog of that caption in front of it.
  void Shot(const char* name, const char* tab, const char* dialog = nullptr);
  // False while the dialog is not open yet.
  bool SavePicture(const std::string& name, const char* tab, const char* dialog);

  // The control's windows, found as a user sees them.
  HWND Sheet() const { return FindWindowExA(control, nullptr, "#32770", nullptr); }
  HWND Page() const {
    return reinterpret_cast<HWND>(SendMessageA(Sheet(), PSM_GETCURRENTPAGEHWND, 0, 0));
  }
  void SelectTab(int index) const { SendMessageA(Sheet(), PSM_SETCURSEL, index, 0); }
  std::string SelectedTab() const;
  static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  void ClickOnPage(int id) const { Click(Page(), id); }
  void ChooseListItem(int id, const char* text) const;
  // Dialogs of this thread in front of the frame, the top one first.
  std::vector<HWND> Dialogs() const;
  void CloseDialog(const char* caption) const;

  void Mode2Tour();
  void OtherModesTour();

  HWND frame;
  HWND control;
  PhoneMenu& phone;
  std::string folder;
  std::vector<Step> steps;
  size_t next = 0;
  UINT_PTR timer = 0;
  int attempts = 0;
  int missing = 0;
};

Tour* tour = nullptr;

void CALLBACK Tour::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (tour && id == tour->timer) tour->RunNext();
}

void Tour::RunNext() {
  if (next == steps.size()) {
    printf("demo_host: tour finished, %d views missing\n", missing);
    fflush(stdout);
    PostQuitMessage(missing == 0 ? 0 : 1);
    return;
  }
  const size_t current = next++;
  Schedule(steps[current].delay);
  if (steps[current].run()) return;
  KillTimer(nullptr, timer);
  next = current;
  Schedule(kRetry);
}

std::string Tour::SelectedTab() const {
  HWND tabs = reinterpret_cast<HWND>(SendMessageA(Sheet(), PSM_GETTABCONTROL, 0, 0));
  int index = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
  char text[64] = {};
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (index < 0 || !SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item)))
    return std::string();
  return text;
}

void Tour::ChooseListItem(int id, const char* text) const {
  HWND list = GetDlgItem(Page(), id);
  LRESULT index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(text));
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

struct WindowSearch {
  HWND frame;
  const char* windowClass;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (window != search->frame && IsWindowVisible(window) && strcmp(name, search->windowClass) == 0)
    search->found.push_back(window);
  return TRUE;
}

// Visible top-level windows of this thread of one class, the top one first.
std::vector<HWND> ThreadWindows(HWND frame, const char* windowClass) {
  WindowSearch search{frame, windowClass, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Tour::Dialogs() const {
  return ThreadWindows(frame, "#32770");
}

void Tour::CloseDialog(const char* caption) const {
  for (HWND dialog : Dialogs()) {
    char text[128] = {};
    GetWindowTextA(dialog, text, sizeof text);
    if (strcmp(text, caption) == 0) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }
}

void Tour::Shot(const char* name, const char* tab, const char* dialog) {
  std::string file = name;
  steps.push_back(
      {[this, file, tab, dialog] { return SavePicture(file, tab, dialog); }, kShortSettle});
}

bool Tour::SavePicture(const std::string& name, const char* tab, const char* dialog) {
  const char* problem = nullptr;
  std::vector<HWND> inFront;
  if (SelectedTab() != tab) problem = "another tab is selected";
  if (dialog) {
    for (HWND window : Dialogs()) {
      char text[128] = {};
      GetWindowTextA(window, text, sizeof text);
      if (strcmp(text, dialog) == 0) inFront.push_back(window);
    }
    if (inFront.empty() && ++attempts < kAttempts) return false;
    if (inFront.empty()) problem = "its dialog did not open";
  }
  attempts = 0;
  phone.UpdateCaption();
  RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  for (HWND window : inFront)
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

  std::string path = folder + "\\" + name + ".png";
  wchar_t widePath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
  if (!problem && !SaveWindowsPng(frame, inFront, widePath)) problem = "it could not be saved";
  if (problem) {
    ++missing;
    fprintf(stderr, "demo_host: view %s missing: %s\n", name.c_str(), problem);
  } else {
    printf("demo_host: saved %s\n", path.c_str());
  }
  fflush(stdout);
  return true;
}

// The full page set, from the first start to a phone pulled out.
void Tour::Mode2Tour() {
  Shot("mode2-camera-test-camera-off", "Camera Test");

  Do([this] { ClickOnPage(IDC_TEST); }, 1200);
  Shot("mode2-camera-test-please-wait", "Camera Test", "Please Wait...");
  Do([] {}, kTourTestDurationMs);
  Shot("mode2-camera-test-results", "Camera Test");

  Do([this] {
    Click(control, IDC_CAMERA_ON);
    SelectTab(1);
    ChooseListItem(IDC_FORMAT_LIST, "JPEG");
    ChooseListItem(IDC_SIZE_LIST, "QVGA");
  });
  Shot("mode2-picture-capture-camera-on", "Picture Capture");
  Do([this] { ClickOnPage(IDC_PREVIEW); });
  Shot("mode2-picture-capture-preview", "Picture Capture", "Image Preview");
  Do([this] { CloseDialog("Image Preview"); });

  Do([this] {
    SelectTab(2);
    ClickOnPage(IDC_READ);
  });
  Shot("mode2-picture-colours-read", "Picture Colours");

  Do([this] {
    SelectTab(3);
    SetDlgItemTextA(Page(), IDC_RED, "11111");
    SetDlgItemTextA(Page(), IDC_GREEN, "100000");
    SetDlgItemTextA(Page(), IDC_BLUE, "00000");
    ClickOnPage(IDC_SPECIFIC_VALUE_TEST);
    ClickOnPage(IDC_WRITE);
  });
  Shot("mode2-picture-tests-rgb-value", "Picture Tests");

  Do([this] {
    SelectTab(4);
    ClickOnPage(IDC_READ);
  });
  Shot("mode2-registers-read", "Registers");
  Do([this] {
    phone.FailNextCall(static_cast<HRESULT>(0x80040411));  // unsupported register
    ClickOnPage(IDC_READ);
  });
  Shot("mode2-registers-read-failed-message", "Registers", "Error Reading Phone Register");
  Do([this] { CloseDialog("Error Reading Phone Register"); });

  Do([this] {
    Click(control, IDC_VIEWFINDER_ON);
    SelectTab(0);
  });
  Shot("mode2-viewfinder-on", "Camera Test");
  Do([this] { phone.SetPlugged(false); });
  Shot("mode2-phone-unplugged", "Camera Test");
}

// The basic set, the product capture set and no product configuration.
void Tour::OtherModesTour() {
  Do([this] { phone.ChangeMode(1); });
  Shot("mode1-camera-test-camera-off", "Camera Test");
  Do([this] {
    Click(control, IDC_CAMERA_ON);
    SelectTab(1);
  });
  Shot("mode1-picture-capture-camera-on", "Picture Capture");

  Do([this] { phone.ChangeMode(4); });
  Shot("mode4-camera-test", "Camera Test");
  Do([this] { SelectTab(1); });
  Shot("mode4-picture-capture", "Picture Capture  ");

  Do([this] { phone.ChangeMode(0); });
  Shot("mode0-no-configuration-message", "Camera Test", "Camera Control");
  Do([this] { CloseDialog("Camera Control"); });
  Shot("mode0-everything-disabled", "Camera Test");
}

void Tour::Build() {
  Mode2Tour();
  OtherModesTour();
}

}  // namespace

void StartTour(HWND frame, HWND control, PhoneMenu& phone, const char* folder) {
  // Centred on the screen, so that a message box without an owner (which
  // the system centres on the screen) stands in front of the control.
  RECT rect;
  GetWindowRect(frame, &rect);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  SetWindowPos(frame, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  static Tour instance(frame, control, phone, folder);
  tour = &instance;
  instance.Build();
  instance.Start();
}

}  // namespace demo
