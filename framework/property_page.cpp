#include "framework/property_page.h"

#include "framework/module.h"

namespace fw {

PropertyPage::PropertyPage(UINT templateId) : description() {
  description.dwSize = PROPSHEETPAGEA_V2_SIZE;
  description.dwFlags = PSP_USECALLBACK;
  description.hInstance = Module::ResourceInstance();
  description.pszTemplate = MAKEINTRESOURCEA(templateId);
  description.pfnDlgProc = PageDialogProc;
  description.lParam = reinterpret_cast<LPARAM>(this);
  description.pfnCallback = PageCallback;
}

PropertyPage::~PropertyPage() = default;

HPROPSHEETPAGE PropertyPage::CreatePageHandle() {
  // The resource instance may have been set after construction.
  description.hInstance = Module::ResourceInstance();
  return CreatePropertySheetPageA(&description);
}

UINT CALLBACK PropertyPage::PageCallback(HWND, UINT message, LPPROPSHEETPAGEA) {
  return message == PSPCB_CREATE ? 1 : 0;  // let the sheet create the page
}

INT_PTR CALLBACK PropertyPage::PageDialogProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  auto* self = reinterpret_cast<PropertyPage*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!self) {
    if (message != WM_INITDIALOG || !lParam) return FALSE;
    // The sheet passes its copy of the description; ours is in lParam.
    self = reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
    if (!self) return FALSE;
    self->AttachDialog(window);
  }
  return self->HandleDialogMessage(window, message, wParam, lParam);
}

LRESULT PropertyPage::OnSheetNotify(const Message& m, bool& handled) {
  const NMHDR* header = m.Notify();
  if (!header || (header->hwndFrom != Hwnd() && header->hwndFrom != GetParent(Hwnd()))) {
    handled = false;
    return 0;
  }
  switch (header->code) {
    case PSN_SETACTIVE:
      // The sheet puts the page it shows on top of its windows, ahead of
      // the tab strip above it; the page goes right after the tab strip, so
      // that Tab goes from the tabs into the page as they are laid out.
      if (header->hwndFrom == GetParent(Hwnd()))
        SetWindowPos(Hwnd(), PropSheet_GetTabControl(GetParent(Hwnd())), 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    case PSN_KILLACTIVE:
      return FALSE;
    case PSN_APPLY:
      return PSNRET_NOERROR;
    case PSN_RESET:
    case PSN_HELP:
      return 0;
    case PSN_QUERYCANCEL:
      return FALSE;
    case PSN_WIZBACK:
    case PSN_WIZNEXT:
      return 0;
    case PSN_WIZFINISH:
      return FALSE;
    default:
      handled = false;
      return 0;
  }
}

}  // namespace fw
