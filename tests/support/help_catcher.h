// Stands in for the help viewer: a hidden top-level window of class
// "MS_WINHELP", which is where WinHelpA hands its requests, so that a test
// sees every help request and no viewer opens.
//
// WinHelpA finds the window with FindWindowA("MS_WINHELP", NULL), sends it
// WM_COPYDATA (wParam = the window given to WinHelpA, dwData 0x0A1DE505)
// with a block laid out as help_catcher.cpp reads it (observed under Wine),
// and returns what the window answers (the catcher answers TRUE). Without
// such a window, WinHelpA starts "winhlp32.exe -x" (only HELP_QUIT returns
// TRUE at once), so every test that can open help must hold a HelpCatcher
// while it does. Test programs run one at a time (scripts/test), so no
// other program's catcher can take the requests.
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
  HelpCatcher(const HelpCatcher&) = delete;
  HelpCatcher& operator=(const HelpCatcher&) = delete;

  const std::vector<HelpRequest>& Requests() const { return requests; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  fw::UniqueWindow window;
  std::vector<HelpRequest> requests;
};

}  // namespace test
