// Stands in for the help viewer: WinHelpA sends its requests (WM_COPYDATA,
// wParam the window given to it) to the top-level window of class
// "MS_WINHELP", and without one starts winhlp32.exe, so every test that can
// open help holds a HelpCatcher, which records each request.
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
