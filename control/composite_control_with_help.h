// The host framework's composite control: the platform composite control
// plus the Help button (id IDHELP), WM_HELP and the help operations. A
// derived control may choose the file and topic by replacing
// ShowHelp(window, context).
#pragma once

#include <windows.h>

#include <cstdio>

#include "control/help_file.h"
#include "framework/composite_control.h"

template <class T, DWORD HelpContext, const char* HelpFile>
class CComCompositeControl2 : public fw::CompositeControl {
 public:
  // The Help button's help: the dialog's default topic.
  void ShowHelp() { ShowHelp(Hwnd(), HelpContext); }

  // Opens the help file beside the module at `context`, owned by `window`.
  virtual void ShowHelp(HWND window, DWORD context) {
    if (context == 0) return;
    char folder[MAX_PATH];
    GetModuleFolder(folder);
    char path[512];
    snprintf(path, sizeof path, "%s%s", folder, HelpFile);
    ShowHelpFile(window, path, HELP_CONTEXT, context);
  }

 protected:
  CComCompositeControl2(const CLSID& clsid, UINT dialogId)
      : fw::CompositeControl(clsid, dialogId) {}

  FW_BEGIN_MESSAGES(CComCompositeControl2)
  FW_COMMAND(IDHELP, BN_CLICKED, OnHelpButton)
  FW_MESSAGE(WM_HELP, OnHelp)
  FW_END_MESSAGES(fw::CompositeControl)

  LRESULT OnHelpButton(const fw::Message&, bool&) {
    ShowHelp();
    return 0;
  }
  // F1 and help requests passed up from the pages: a request naming a
  // topic opens that topic.
  LRESULT OnHelp(const fw::Message& m, bool&) {
    auto* info = reinterpret_cast<const HELPINFO*>(m.lParam);
    if (info && info->dwContextId != 0)
      ShowHelp(GetActiveWindow(), static_cast<DWORD>(info->dwContextId));
    else
      ShowHelp();
    return TRUE;
  }
};
