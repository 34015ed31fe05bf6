// Acting on modal windows that appear during a synchronous call.
//
// A thread timer (SetTimer with a TIMERPROC) runs on the test thread while
// any watcher is armed; MessageBox, DialogBox and the common dialogs
// dispatch it from their modal loops. Each tick looks at this thread's
// visible top-level dialogs (class "#32770"), and the newest armed watcher
// that matches a dialog not yet handled gets it, once.
//
// A watchdog, armed by the test main for the whole run, ends any modal
// dialog (a message box, or a dialog whose owner it disabled) that no
// watcher took within 5 seconds, and any at all after 60, and reports it
// as a test failure, so that a surprise dialog fails the test instead of
// hanging the program. Modeless dialogs are left alone.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
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

// A message box as a test saw it.
struct SeenMessageBox {
  std::string caption;
  std::string text;
};

class ModalWatcher;

// Runs `action` on each of the next `times` dialogs with caption `title`
// ("" for any caption) that appear while it lives. The action reads
// controls, clicks buttons, or ends the dialog; the modal loop goes on
// after it returns.
class WhenDialog {
 public:
  WhenDialog(std::string title, std::function<void(HWND dialog)> action, size_t times = 1);
  ~WhenDialog();

  size_t Handled() const;

 private:
  std::unique_ptr<ModalWatcher> watcher;
};

// The safety net for dialogs nobody expected (armed by the test main).
class ModalWatchdog {
 public:
  static void Arm();
  static void Disarm();
};

}  // namespace test
