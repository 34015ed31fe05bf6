#include "tests/support/modal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace test {
namespace {

const DWORD kUnhandledTimeoutMs = 5000, kAnyTimeoutMs = 60000;
// Window properties of the dialogs seen: when first seen (tick count + 1,
// never 0) and whether a watcher took it.
const char kFirstSeen[] = "KvrTest.FirstSeen", kHandled[] = "KvrTest.Handled";

std::vector<WhenDialog*> watchers;
bool watchdogArmed = false;
UINT_PTR timer = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

void UpdateTimer() {
  const bool wanted = watchdogArmed || !watchers.empty();
  if (wanted && !timer) timer = SetTimer(nullptr, 0, 25, Tick);
  if (!wanted && timer) {
    KillTimer(nullptr, timer);
    timer = 0;
  }
}

bool IsDialog(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return strcmp(name, "#32770") == 0;
}

// A system message box: a dialog whose text is the static 0xFFFF.
bool IsMessageBox(HWND window) {
  return IsDialog(window) && GetDlgItem(window, 0xFFFF) != nullptr;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
  if (IsWindowVisible(window) && IsDialog(window))
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
  return TRUE;
}

DWORD ShownFor(HWND dialog) {
  auto first = reinterpret_cast<DWORD_PTR>(GetPropA(dialog, kFirstSeen));
  if (first) return GetTickCount() - static_cast<DWORD>(first - 1);
  SetPropA(dialog, kFirstSeen, reinterpret_cast<HANDLE>(DWORD_PTR{GetTickCount()} + 1));
  return 0;
}

// Modal dialogs disable their owner; a message box may have none.
bool LooksModal(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  return IsMessageBox(dialog) || (owner && !IsWindowEnabled(owner));
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  for (HWND dialog : OpenDialogs()) {
    // An earlier dialog's action or a nested tick may have ended it.
    if (!IsWindow(dialog) || !IsWindowVisible(dialog)) continue;
    const DWORD shown = ShownFor(dialog);
    bool handled = GetPropA(dialog, kHandled) != nullptr;
    // Newest first; a copy, since an action may arm and disarm watchers.
    const std::vector<WhenDialog*> candidates(watchers.rbegin(), watchers.rend());
    for (WhenDialog* watcher : candidates)
      if (!handled && std::count(watchers.begin(), watchers.end(), watcher))
        handled = watcher->Take(dialog);
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

std::vector<HWND> OpenDialogs() {
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

void PumpMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return PostQuitMessage(static_cast<int>(msg.wParam));
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
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

WhenDialog::WhenDialog(std::string t, std::function<void(HWND)> a, size_t times)
    : title(std::move(t)), action(std::move(a)), remaining(times) {
  watchers.push_back(this);
  UpdateTimer();
}

WhenDialog::~WhenDialog() {
  watchers.erase(std::remove(watchers.begin(), watchers.end(), this), watchers.end());
  UpdateTimer();
}

bool WhenDialog::Take(HWND dialog) {
  if (remaining == 0 || !(title.empty() || WindowText(dialog) == title)) return false;
  // Marked first: the action may run a nested modal loop.
  SetPropA(dialog, kHandled, reinterpret_cast<HANDLE>(1));
  --remaining;
  ++handled;
  action(dialog);
  return true;
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
