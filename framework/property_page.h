// A property page from a dialog template. The page fills the system page
// description itself (its dialog, no title of its own, so the tab shows the
// dialog's caption), attaches to its window at WM_INITDIALOG and answers the
// sheet's notifications with the usual defaults: activation accepted,
// leaving allowed, apply succeeds, cancel allowed.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "framework/dialog.h"

namespace fw {

class PropertyPage : public Dialog {
 public:
  explicit PropertyPage(UINT templateId);
  ~PropertyPage() override;

  // A new page handle for a sheet; the sheet owns and destroys it.
  HPROPSHEETPAGE CreatePageHandle();
  const PROPSHEETPAGEA& Description() const { return description; }

 protected:
  FW_BEGIN_MESSAGES(PropertyPage)
  FW_MESSAGE(WM_NOTIFY, OnSheetNotify)
  FW_END_MESSAGES(Dialog)

  LRESULT OnSheetNotify(const Message& m, bool& handled);

 private:
  static INT_PTR CALLBACK PageDialogProc(HWND, UINT, WPARAM, LPARAM);
  static UINT CALLBACK PageCallback(HWND, UINT, LPPROPSHEETPAGEA);

  PROPSHEETPAGEA description;
};

}  // namespace fw
