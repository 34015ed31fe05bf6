// Stands in for the help viewer: a hidden top-level window of class
// "MS_WINHELP", which is where WinHelpA hands its requests, so that a test
// sees every help request and no viewer opens.
//
// WinHelpA finds the window with FindWindowA("MS_WINHELP", NULL) and sends
// it WM_COPYDATA (wParam = the window given to WinHelpA, dwData 0x0A1DE505)
// with this block, as observed under Wine:
//
//   offset 0   WORD  total size of the block
//   offset 2   WORD  command (HELP_CONTEXT 1, HELP_QUIT 2, ...)
//   offset 4   LONG  data (the topic for HELP_CONTEXT; cut to 32 bits)
//   offset 8   LONG  not initialised
//   offset 12  WORD  offset of the zero-terminated file name, 0 if none
//   offset 14  WORD  offset of a data block copied in (the keyword of
//                    HELP_KEY), 0 if none
//   offset 16  the file name, then the data block
//
// WinHelpA returns what the window answers (the catcher answers TRUE).
// Without such a window, WinHelpA starts "winhlp32.exe -x" (only
// HELP_QUIT returns TRUE at once), so every test that can open help must
// hold a HelpCatcher while it does.
// Test programs run one at a time (scripts/test), so no other program's
// catcher can take the requests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"

namespace test {

struct HelpRequest {
  std::string file;  // as WinHelpA was given it
  UINT command;
  long data;
  HWND owner;  // the window given to WinHelpA
};

class HelpCatcher {
 public:
  HelpCatcher();
  ~HelpCatcher();
  HelpCatcher(const HelpCatcher&) = delete;
  HelpCatcher& operator=(const HelpCatcher&) = delete;

  const std::vector<HelpRequest>& Requests() const { return requests; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyData(HWND from, const COPYDATASTRUCT* data);

  fw::UniqueWindow window;
  std::vector<HelpRequest> requests;
};

}  // namespace test
