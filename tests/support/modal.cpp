#include "tests/support/modal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace test {

class ModalWatcher;

namespace {

const UINT kTickMs = 25;
const DWORD kUnhandledTimeoutMs = 5000;
const DWORD kAnyTimeoutMs = 60000;
// Window properties on the dialogs seen: when first seen (tick count + 1,
// so that it is never 0) and whether a watcher has taken it.
const char kFirstSeen[] = "KvrTest.FirstSeen";
const char kHandled[] = "KvrTest.Handled";

std::vector<ModalWatcher*> watchers;
bool watchdogArmed = false;
UINT_PTR timer = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

void UpdateTimer() {
  bool wanted = watchdogArmed || !watchers.empty();
  if (wanted && !timer) timer = SetTimer(nullptr, 0, kTickMs, Tick);
  if (!wanted && timer) {
    KillTimer(nullptr, timer);
    timer = 0;
  }
}

}  // namespace

// One armed watcher, armed while it lives: which dialogs it wants and what
// it does with them.
class ModalWatcher {
 public:
  ModalWatcher(std::function<bool(HWND)> m, std::function<void(HWND)> a, size_t times)
      : matches(std::move(m)), action(std::move(a)), remaining(times) {
    watchers.push_back(this);
    UpdateTimer();
  }
  ~ModalWatcher() {
    watchers.erase(std::remove(watchers.begin(), watchers.end(), this), watchers.end());
    UpdateTimer();
  }

  std::function<bool(HWND)> matches;
  std::function<void(HWND)> action;
  size_t remaining;
  size_t handled = 0;
};

namespace {

bool IsDialog(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return strcmp(name, "#32770") == 0;
}

// A plain system message box: a dialog whose text is the static 0xFFFF.
bool IsMessageBox(HWND window) {
  return window && IsDialog(window) && GetDlgItem(window, 0xFFFF) != nullptr;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
  if (IsWindowVisible(window) && IsDialog(window))
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
  return TRUE;
}

DWORD ShownFor(HWND dialog) {
  auto first = reinterpret_cast<DWORD_PTR>(GetPropA(dialog, kFirstSeen));
  if (!first) {
    SetPropA(dialog, kFirstSeen, reinterpret_cast<HANDLE>(DWORD_PTR{GetTickCount()} + 1));
    return 0;
  }
  return GetTickCount() - static_cast<DWORD>(first - 1);
}

// Modal dialogs disable their owner; a message box may have none. A
// modeless top-level dialog (a test's host window, say) is left alone.
bool LooksModal(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  return IsMessageBox(dialog) || (owner && !IsWindowEnabled(owner));
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND dialog : dialogs) {
    // An action run for an earlier dialog of this tick may have ended
    // this one, or a nested tick may have taken it.
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) continue;
    DWORD shown = ShownFor(dialog);
    bool handled = GetPropA(dialog, kHandled) != nullptr;
    // Newest first; a copy, since an action may arm and disarm watchers of
    // its own.
    std::vector<ModalWatcher*> candidates(watchers.rbegin(), watchers.rend());
    for (ModalWatcher* watcher : candidates) {
      if (handled) break;
      if (std::find(watchers.begin(), watchers.end(), watcher) == watchers.end() ||
          watcher->remaining == 0 || !watcher->matches(dialog))
        continue;
      // Marked first: the action may run a nested modal loop.
      SetPropA(dialog, kHandled, reinterpret_cast<HANDLE>(1));
      --watcher->remaining;
      ++watcher->handled;
      handled = true;
      watcher->action(dialog);
    }
    if (!watchdogArmed || !IsWindow(dialog) || !LooksModal(dialog)) continue;
    if ((handled || shown < kUnhandledTimeoutMs) && shown < kAnyTimeoutMs) continue;
    ADD_FAILURE() << (handled ? "dialog still open after its watcher acted: \""
                              : "unexpected dialog: \"")
                  << WindowText(dialog) << "\" "
                  << (IsMessageBox(dialog) ? WindowText(GetDlgItem(dialog, 0xFFFF)) : "");
    RemovePropA(dialog, kFirstSeen);
    EndDialog(dialog, IDCANCEL);
  }
}

}  // namespace

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

HWND FindChildById(HWND parent, int id) {
  for (HWND child = parent ? GetWindow(parent, GW_CHILD) : nullptr; child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == id) return child;
    if (HWND found = FindChildById(child, id)) return found;
  }
  return nullptr;
}

std::string WindowText(HWND window) {
  std::string text(window ? GetWindowTextLengthA(window) + 1 : 1, '\0');
  text.resize(window ? GetWindowTextA(window, &text[0], static_cast<int>(text.size())) : 0);
  return text;
}

void ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) button = FindChildById(dialog, id);
  if (button)
    SendMessageA(button, BM_CLICK, 0, 0);
  else
    ADD_FAILURE() << "no button " << id << " in \"" << WindowText(dialog) << "\"";
}

WhenDialog::WhenDialog(std::string title, std::function<void(HWND dialog)> action, size_t times)
    : watcher(std::make_unique<ModalWatcher>(
          [title](HWND dialog) { return title.empty() || WindowText(dialog) == title; },
          std::move(action), times)) {}

WhenDialog::~WhenDialog() = default;

size_t WhenDialog::Handled() const {
  return watcher->handled;
}

void ModalWatchdog::Arm() {
  watchdogArmed = true;
  UpdateTimer();
}

void ModalWatchdog::Disarm() {
  watchdogArmed = false;
  UpdateTimer();
}

}  // namespace test
