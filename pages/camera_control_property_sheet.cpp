#include "pages/camera_control_property_sheet.h"

#include <cstring>

#include "framework/call_scope.h"
#include "framework/module.h"
#include "resources/resource.h"

namespace {

// The system calls the sheet callback while it creates the sheet, before
// the object can be told its window. CreateSheet names its object here for
// the length of that one creation, so that each control's sheet window is
// subclassed by its own sheet object, however many controls live side by
// side and in whatever order they are made, started and destroyed.
CCameraControlPropertySheet* sheetBeingCreated = nullptr;

// Names `sheet` as the one being created while it lives.
class CreationScope {
 public:
  explicit CreationScope(CCameraControlPropertySheet* sheet) : outer(sheetBeingCreated) {
    sheetBeingCreated = sheet;
  }
  ~CreationScope() { sheetBeingCreated = outer; }
  CreationScope(const CreationScope&) = delete;
  CreationScope& operator=(const CreationScope&) = delete;

 private:
  CCameraControlPropertySheet* outer;
};

// Product modes whose pages are the product capture set.
bool IsProductCaptureMode(long mode) {
  return mode >= 3 && mode <= 6;
}

// Help topics of the pages.
constexpr UINT kHelpCameraTest = 4;
constexpr UINT kHelpPictureCapture = 5;
constexpr UINT kHelpPictureColours = 6;
constexpr UINT kHelpPictureTests = 7;
constexpr UINT kHelpRegisters = 8;
constexpr UINT kUsableAlways = ActivationDeactivated | ActivationCameraOn | ActivationViewFinderOn;

// Sheet style, window placement flags used when the sheet is created.
constexpr DWORD kSheetFlags = PSH_MODELESS | PSH_USECALLBACK | PSH_NOAPPLYNOW;
constexpr UINT kTrimFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER;
constexpr UINT kTabTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;

// The style field of a dialog template in either layout.
DWORD* TemplateStyle(void* dialogTemplate) {
  auto* words = static_cast<WORD*>(dialogTemplate);
  bool extended = words[1] == 0xFFFF;  // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style
  return reinterpret_cast<DWORD*>(static_cast<BYTE*>(dialogTemplate) + (extended ? 12 : 0));
}

}  // namespace

CCameraControlPropertySheet::CCameraControlPropertySheet() = default;

CCameraControlPropertySheet::~CCameraControlPropertySheet() {
  if (IsWindow()) DestroyWindow(Hwnd());
  DestroyUnusedPageHandles();
}

LRESULT CCameraControlPropertySheet::OnNcDestroy(const fw::Message&, bool& handled) {
  // The system destroys the page handles with the sheet.
  pages.clear();
  tabs.clear();
  handlesOwnedBySheet = false;
  handled = false;
  return 0;
}

void CCameraControlPropertySheet::OutliveParentWhileInUse(IUnknown* keep) {
  if (!Hwnd() || !InSystemCode()) return;
  HWND holder =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!holder) return;
  ShowWindow(Hwnd(), SW_HIDE);
  SetParent(Hwnd(), holder);
  fw::CallScope::AtEnd(keep, [holder] { DestroyWindow(holder); });
}

void CCameraControlPropertySheet::DestroyUnusedPageHandles() {
  if (handlesOwnedBySheet) return;
  for (HPROPSHEETPAGE page : pages)
    DestroyPropertySheetPage(page);
  pages.clear();
}

std::array<CBasePropertyPage*, 6> CCameraControlPropertySheet::AllPages() {
  return {&cameraTestPage,     &registersPage,      &pictureCapturePage,
          &epocPicCapturePage, &pictureColoursPage, &pictureTestsPage};
}

void CCameraControlPropertySheet::SetServer(ICameraControlFN* server) {
  for (CBasePropertyPage* page : AllPages())
    page->SetServer(server);
}

void CCameraControlPropertySheet::SetServerWork(CServerWork* work) {
  for (CBasePropertyPage* page : AllPages())
    page->SetServerWork(work);
}

void CCameraControlPropertySheet::AddPage(fw::PropertyPage& page, UINT titleId, UINT flags,
                                          UINT helpId) {
  HPROPSHEETPAGE handle = page.CreatePageHandle();
  if (!handle) return;
  pages.push_back(handle);
  TabInfo info = {flags, "", helpId};
  LoadStringA(fw::Module::ResourceInstance(), titleId, info.name, kTabTextLength + 1);
  tabs.push_back(info);
}

void CCameraControlPropertySheet::AddPagesForMode(long newMode) {
  // Before the sheet window exists the new set replaces any set made so far:
  // a server event during start-up may already have changed the mode, and a
  // page must not get two tabs.
  if (!Hwnd()) {
    DestroyUnusedPageHandles();
    tabs.clear();
  }
  mode = newMode;
  if (IsProductCaptureMode(mode)) {
    AddPage(cameraTestPage, IDS_CAMERA_TEST_TITLE, kUsableAlways, kHelpCameraTest);
    AddPage(epocPicCapturePage, IDS_EPOC_PICTURE_CAPTURE_TITLE, kUsableAlways, kHelpPictureCapture);
    return;
  }
  // The camera test runs with the camera deactivated; pictures need it on.
  AddPage(cameraTestPage, IDS_CAMERA_TEST_TITLE, ActivationDeactivated, kHelpCameraTest);
  AddPage(pictureCapturePage, IDS_PICTURE_CAPTURE_TITLE, ActivationCameraOn, kHelpPictureCapture);
  if (mode == 2) {
    AddPage(pictureColoursPage, IDS_PICTURE_COLOURS_TITLE, ActivationCameraOn, kHelpPictureColours);
    AddPage(pictureTestsPage, IDS_PICTURE_TESTS_TITLE, ActivationCameraOn, kHelpPictureTests);
    AddPage(registersPage, IDS_REGISTERS_TITLE, ActivationCameraOn, kHelpRegisters);
  }
}

int CALLBACK CCameraControlPropertySheet::SheetCallback(HWND window, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE) {
    // A plain visible child: no caption, frame or pop-up styles.
    if (lParam) {
      DWORD* style = TemplateStyle(reinterpret_cast<void*>(lParam));
      *style = WS_CHILD | WS_VISIBLE | (*style & DS_SETFONT);
    }
    return 1;
  }
  if (message == PSCB_INITIALIZED && sheetBeingCreated) {
    sheetBeingCreated->Subclass(window);
    HWND tab = PropSheet_GetTabControl(window);
    LONG_PTR style = GetWindowLongPtrA(tab, GWL_STYLE);
    SetWindowLongPtrA(tab, GWL_STYLE, (style & ~TCS_MULTILINE) | TCS_OWNERDRAWFIXED);
  }
  return 0;
}

bool CCameraControlPropertySheet::CreateSheet(HWND parent) {
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = kSheetFlags;
  header.hwndParent = parent;
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  header.phpage = pages.data();
  header.pfnCallback = SheetCallback;
  INT_PTR created;
  {
    CreationScope scope(this);
    creating = true;
    created = PropertySheetA(&header);
    creating = false;
  }
  if (created < 0) return false;
  handlesOwnedBySheet = true;
  HWND sheet = Hwnd() ? Hwnd() : reinterpret_cast<HWND>(created);

  SetWindowLongPtrA(sheet, GWL_EXSTYLE,
                    GetWindowLongPtrA(sheet, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  SetWindowLongPtrA(sheet, GWL_STYLE, GetWindowLongPtrA(sheet, GWL_STYLE) | WS_TABSTOP);
  ShowWindow(GetDlgItem(sheet, IDOK), SW_HIDE);
  ShowWindow(GetDlgItem(sheet, IDCANCEL), SW_HIDE);

  // Cut off the empty button strip below the tabs.
  HWND tab = PropSheet_GetTabControl(sheet);
  RECT sheetRect;
  RECT tabRect;
  GetWindowRect(sheet, &sheetRect);
  GetWindowRect(tab, &tabRect);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&sheetRect), 2);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&tabRect), 2);
  SetWindowPos(sheet, nullptr, sheetRect.left, sheetRect.top, sheetRect.right - sheetRect.left,
               tabRect.bottom - sheetRect.top, kTrimFlags);
  return true;
}

HWND CCameraControlPropertySheet::TabControl() const {
  return Hwnd() ? PropSheet_GetTabControl(Hwnd()) : nullptr;
}

const TabInfo* CCameraControlPropertySheet::FindTab(const char* name) const {
  for (const TabInfo& info : tabs)
    if (strcmp(info.name, name) == 0) return &info;
  return nullptr;
}

bool CCameraControlPropertySheet::IsPageEnabled(HWND pageWindow) const {
  if (!pageWindow) return false;
  char text[kTabTextLength + 1] = "";
  GetWindowTextA(pageWindow, text, sizeof text);
  const TabInfo* info = FindTab(text);
  return info && (info->flags & static_cast<UINT>(activationMask)) != 0;
}

void CCameraControlPropertySheet::EnablePages(long enable) {
  enabled = enable;
  if (!Hwnd()) return;
  struct {
    CBasePropertyPage& base;
    fw::PropertyPage& page;
  } all[] = {{cameraTestPage, cameraTestPage},         {registersPage, registersPage},
             {pictureCapturePage, pictureCapturePage}, {epocPicCapturePage, epocPicCapturePage},
             {pictureColoursPage, pictureColoursPage}, {pictureTestsPage, pictureTestsPage}};
  if (enabled == 0 || mode == 0) {
    for (auto& entry : all)
      entry.base.EnablePage(FALSE);
  } else if (enabled == 1) {
    for (auto& entry : all)
      entry.base.EnablePage(IsPageEnabled(entry.page.Hwnd()));
  }
  InvalidateRect(TabControl(), nullptr, FALSE);
}

bool CCameraControlPropertySheet::SetActivationMask(long mask) {
  activationMask = mask;
  EnablePages(enabled);
  return true;
}

void CCameraControlPropertySheet::ChangeMode(long newMode) {
  int count = TabControl() ? TabCtrl_GetItemCount(TabControl()) : 0;
  for (int i = 0; i < count; ++i)
    SendMessageA(Hwnd(), PSM_REMOVEPAGE, 0, 0);
  if (!Hwnd()) DestroyUnusedPageHandles();
  tabs.clear();
  pages.clear();
  AddPagesForMode(newMode);
  mode = newMode;
  if (!Hwnd()) return;  // the handles wait for CreateSheet
  // Adding a page may create it, and its creation calls the server, which
  // may take the sheet window away: a handle added is the sheet's, one not
  // added is still ours.
  std::vector<HPROPSHEETPAGE> adding = std::move(pages);
  pages.clear();
  handlesOwnedBySheet = true;
  size_t added = 0;
  for (; added < adding.size() && IsWindow(); ++added)
    SendMessageA(Hwnd(), PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(adding[added]));
  for (size_t i = added; i < adding.size(); ++i)
    DestroyPropertySheetPage(adding[i]);
  if (IsWindow()) SendMessageA(Hwnd(), PSM_SETCURSEL, 0, 0);
}

bool CCameraControlPropertySheet::TabText(int index, char (&text)[kTabTextLength + 1]) const {
  text[0] = '\0';
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = kTabTextLength + 1;
  return SendMessageA(TabControl(), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

void CCameraControlPropertySheet::GetCurrentHelpId(DWORD& helpId) {
  HWND tab = TabControl();
  if (!tab) return;
  int selected = TabCtrl_GetCurSel(tab);
  if (selected < 0) return;
  char text[kTabTextLength + 1];
  TabText(selected, text);
  if (const TabInfo* info = FindTab(text)) helpId = info->helpId;
}

void CCameraControlPropertySheet::OnCameraTestFinished(
    BYTE success, const long values[CCameraTestPropPage::kResultCount]) {
  cameraTestPage.OnCameraTestFinished(success, values);
}

LRESULT CCameraControlPropertySheet::OnDrawItem(const fw::Message& m, bool& handled) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.lParam);
  HWND tab = TabControl();
  if (!item || !tab || item->hwndItem != tab) {
    handled = false;
    return 0;
  }
  char text[kTabTextLength + 1];
  TabText(static_cast<int>(item->itemID), text);
  const TabInfo* info = FindTab(text);
  bool tabEnabled = !info || (info->flags & static_cast<UINT>(activationMask)) != 0;

  HDC dc = item->hDC;
  FillRect(dc, &item->rcItem, GetSysColorBrush(COLOR_MENU));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor;
  RECT rect = item->rcItem;
  if (enabled != 0 && tabEnabled) {
    oldColor = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextA(dc, text, -1, &rect, kTabTextFormat);
  } else {
    // Embossed: a light copy one pixel down and right under the grey text.
    OffsetRect(&rect, 1, 1);
    oldColor = SetTextColor(dc, GetSysColor(COLOR_WINDOW));
    DrawTextA(dc, text, -1, &rect, kTabTextFormat);
    rect = item->rcItem;
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, text, -1, &rect, kTabTextFormat);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  return TRUE;
}

LRESULT CCameraControlPropertySheet::OnGetActivationMask(const fw::Message&, bool&) {
  return activationMask;
}

LRESULT CCameraControlPropertySheet::OnRefreshTestResults(const fw::Message&, bool&) {
  cameraTestPage.RefreshTestResults();
  return 0;
}

LRESULT CCameraControlPropertySheet::OnSetTestFlash(const fw::Message& m, bool&) {
  cameraTestPage.SetFlashMode(static_cast<UINT>(m.wParam));
  return 0;
}

LRESULT CCameraControlPropertySheet::OnSetTestCamera(const fw::Message& m, bool&) {
  cameraTestPage.SetCameraNumber(LOBYTE(m.wParam));
  return 0;
}

LRESULT CCameraControlPropertySheet::OnHelp(const fw::Message& m, bool&) {
  SendMessageA(GetParent(Hwnd()), WM_HELP, m.wParam, m.lParam);
  return 0;
}
