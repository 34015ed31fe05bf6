// Acting on modal windows that appear during a synchronous call: a thread
// timer, dispatched by the modal loops of MessageBox, DialogBox and the
// common dialogs, looks at this thread's visible dialogs (class "#32770");
// the newest armed watcher that matches a dialog not yet handled gets it,
// once. The watchdog, armed by the test main, ends a modal dialog that no
// watcher took within 5 seconds (any after 60) as a test failure, so that a
// surprise dialog fails the test instead of hanging it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test {

// Runs this thread's message loop for `ms` milliseconds.
void PumpMessages(DWORD ms);

// The first descendant of `parent` (at any depth) with control id `id`.
HWND FindChildById(HWND parent, int id);
std::string WindowText(HWND window);
// Clicks button `id` of `dialog` (BM_CLICK, as a user's click).
void ClickButton(HWND dialog, int id);
// This thread's visible dialogs (class "#32770"): message boxes, modal
// dialogs and the common dialogs.
std::vector<HWND> OpenDialogs();

// A message box as a test saw it.
struct SeenMessageBox {
  std::string caption;
  std::string text;
};

// Runs `action` on each of the next `times` dialogs with caption `title`
// ("" for any) that appear while it lives; the modal loop goes on after it.
class WhenDialog {
 public:
  WhenDialog(std::string title, std::function<void(HWND dialog)> action, size_t times = 1);
  ~WhenDialog();
  WhenDialog(const WhenDialog&) = delete;
  WhenDialog& operator=(const WhenDialog&) = delete;

  size_t Handled() const { return handled; }
  bool Take(HWND dialog);  // acts on `dialog` when it is one of its own

 private:
  std::string title;
  std::function<void(HWND dialog)> action;
  size_t remaining, handled = 0;
};

// The safety net for dialogs nobody expected (armed by the test main).
struct ModalWatchdog {
  static void Arm();
  static void Disarm();
};

}  // namespace test
