#include "tools/demo_host/phone_menu.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace demo {

namespace {

// Command ids: the product modes, then the phone's plug, then the failures.
constexpr WORD kModeCommand = 100;  // + mode 0 to 6
constexpr WORD kPlugCommand = 110;
constexpr WORD kFailAgainCommand = 111;
constexpr WORD kNoFailureCommand = 112;
constexpr WORD kFailCommand = 200;  // + index in kFailures
constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kCaptionTimer = 1;

const char* const kModes[] = {"&0  No product configuration\tCtrl+0",
                              "&1  Basic pages\tCtrl+1",
                              "&2  All pages\tCtrl+2",
                              "&3  Product capture\tCtrl+3",
                              "&4  Product capture\tCtrl+4",
                              "&5  Product capture\tCtrl+5",
                              "&6  Product capture\tCtrl+6"};
constexpr long kModeCount = sizeof kModes / sizeof kModes[0];

// The camera function server's failure codes, and one code outside its
// table, which the pages report with their own general text.
struct Failure {
  HRESULT code;
  const char* label;
};
const Failure kFailures[] = {
    {static_cast<HRESULT>(0x80040402), "product name unknown"},
    {static_cast<HRESULT>(0x80040403), "function not supported"},
    {static_cast<HRESULT>(0x80040404), "preview file not deleted"},
    {static_cast<HRESULT>(0x80040405), "preview file not copied"},
    {static_cast<HRESULT>(0x80040406), "test already running"},
    {static_cast<HRESULT>(0x80040407), "camera ID out of range"},
    {static_cast<HRESULT>(0x80040408), "server busy"},
    {static_cast<HRESULT>(0x80040409), "hardware error"},
    {static_cast<HRESULT>(0x8004040A), "too many faulty pixels"},
    {static_cast<HRESULT>(0x8004040B), "invalid option flag"},
    {static_cast<HRESULT>(0x8004040C), "not enough memory"},
    {static_cast<HRESULT>(0x8004040D), "invalid camera ID"},
    {static_cast<HRESULT>(0x8004040E), "invalid test mode"},
    {static_cast<HRESULT>(0x8004040F), "battery low"},
    {static_cast<HRESULT>(0x80040410), "camera not activated"},
    {static_cast<HRESULT>(0x80040411), "unsupported register"},
    {static_cast<HRESULT>(0x80040412), "invalid image size"},
    {static_cast<HRESULT>(0x80040413), "invalid image format"},
    {static_cast<HRESULT>(0x80040414), "invalid capture parameters"},
    {static_cast<HRESULT>(0x80040415), "invalid colour format"},
    {static_cast<HRESULT>(0x80040416), "file manager error"},
    {static_cast<HRESULT>(0x80040417), "target device invalid"},
    {static_cast<HRESULT>(0x80040418), "folder invalid or read-only"},
    {static_cast<HRESULT>(0x80040419), "duplicate file name"},
    {static_cast<HRESULT>(0x8004041A), "product memory full"},
    {static_cast<HRESULT>(0x8004041B), "sensor results not ready"},
    {static_cast<HRESULT>(0x8004041C), "camera not ready"},
    {static_cast<HRESULT>(0x8004041D), "mode not supported (product capture)"},
    {static_cast<HRESULT>(0x8004041F), "no camera selected (product capture)"},
    {static_cast<HRESULT>(0x80040420), "camera not accessible (product capture)"},
    {static_cast<HRESULT>(0x80040421), "test results not ready (product capture)"},
    {static_cast<HRESULT>(0x80040423), "file system error"},
    {static_cast<HRESULT>(0x80040424), "name exists or is invalid"},
    {static_cast<HRESULT>(0x80040425), "no space on drive"},
    {E_FAIL, "general failure (not a server code)"},
};
constexpr WORD kFailureCount = sizeof kFailures / sizeof kFailures[0];
constexpr WORD kFailuresPerColumn = 18;

HMENU BuildMenuBar() {
  HMENU modes = CreatePopupMenu();
  for (long mode = 0; mode < kModeCount; ++mode)
    AppendMenuA(modes, MF_STRING, kModeCommand + mode, kModes[mode]);

  HMENU failures = CreatePopupMenu();
  for (WORD i = 0; i < kFailureCount; ++i) {
    char label[96];
    snprintf(label, sizeof label, "0x%08lX  %s", static_cast<unsigned long>(kFailures[i].code),
             kFailures[i].label);
    UINT flags = MF_STRING | (i > 0 && i % kFailuresPerColumn == 0 ? MF_MENUBARBREAK : 0);
    AppendMenuA(failures, flags, kFailCommand + i, label);
  }

  HMENU phone = CreatePopupMenu();
  AppendMenuA(phone, MF_POPUP, reinterpret_cast<UINT_PTR>(modes), "Product &mode");
  AppendMenuA(phone, MF_STRING, kPlugCommand, "&Plugged in\tCtrl+U");
  AppendMenuA(phone, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(phone, MF_POPUP, reinterpret_cast<UINT_PTR>(failures), "&Fail the next call with");
  AppendMenuA(phone, MF_STRING, kFailAgainCommand, "Fail the next call &again\tCtrl+F");
  AppendMenuA(phone, MF_STRING, kNoFailureCommand, "&No failure");

  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(phone), "&Phone");
  return bar;
}

UniqueAccelerators BuildAccelerators() {
  ACCEL keys[kModeCount + 2];
  for (long mode = 0; mode < kModeCount; ++mode)
    keys[mode] = {FCONTROL | FVIRTKEY, static_cast<WORD>('0' + mode),
                  static_cast<WORD>(kModeCommand + mode)};
  keys[kModeCount] = {FCONTROL | FVIRTKEY, 'U', kPlugCommand};
  keys[kModeCount + 1] = {FCONTROL | FVIRTKEY, 'F', kFailAgainCommand};
  return UniqueAccelerators(CreateAcceleratorTableA(keys, kModeCount + 2));
}

}  // namespace

PhoneMenu::PhoneMenu(HWND frameWindow, sim::CameraSimulator* phone, const char* server)
    : frame(frameWindow),
      simulator(phone),
      serverName(server),
      lastFailure(static_cast<HRESULT>(0x80040410)) {  // camera not activated
  HMENU bar = BuildMenuBar();
  if (!simulator) EnableMenuItem(bar, 0, MF_BYPOSITION | MF_GRAYED);
  SetMenu(frame, bar);  // the frame destroys it
  if (simulator) accelerators = BuildAccelerators();
  SetWindowSubclass(frame, FrameProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  // The caption follows the phone, also when a call takes up a failure.
  SetTimer(frame, kCaptionTimer, 250, nullptr);
  UpdateCaption();
}

PhoneMenu::~PhoneMenu() {
  if (!IsWindow(frame)) return;
  KillTimer(frame, kCaptionTimer);
  RemoveWindowSubclass(frame, FrameProc, kSubclassId);
}

LRESULT CALLBACK PhoneMenu::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<PhoneMenu*>(data);
  switch (message) {
    case WM_COMMAND:
      // From the menu (0) or a key (1), not from a child control.
      if (HIWORD(wParam) <= 1 && lParam == 0) {
        self->OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_INITMENUPOPUP:
      self->UpdateChecks(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kCaptionTimer) {
        self->UpdateCaption();
        return 0;
      }
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void PhoneMenu::OnCommand(WORD id) {
  if (!simulator) return;
  if (id >= kModeCommand && id < kModeCommand + kModeCount)
    ChangeMode(id - kModeCommand);
  else if (id == kPlugCommand)
    SetPlugged(!simulator->Connected());
  else if (id == kFailAgainCommand)
    FailNextCall(lastFailure);
  else if (id == kNoFailureCommand)
    FailNextCall(S_OK);
  else if (id >= kFailCommand && id < kFailCommand + kFailureCount)
    FailNextCall(kFailures[id - kFailCommand].code);
}

void PhoneMenu::ChangeMode(long mode) {
  if (!simulator) return;
  if (simulator->Connected()) simulator->SetConnected(false);
  simulator->SetProductMode(mode);
  UpdateCaption();
  simulator->SetConnected(true);
  UpdateCaption();
}

void PhoneMenu::SetPlugged(bool plugged) {
  if (!simulator) return;
  simulator->SetConnected(plugged);
  UpdateCaption();
}

void PhoneMenu::FailNextCall(HRESULT code) {
  if (!simulator) return;
  if (FAILED(code)) lastFailure = code;
  simulator->FailNextCall(code);
  UpdateCaption();
}

void PhoneMenu::UpdateChecks(HMENU menu) const {
  if (!simulator) return;
  for (long mode = 0; mode < kModeCount; ++mode)
    CheckMenuItem(menu, kModeCommand + mode,
                  simulator->ProductMode() == mode ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, kPlugCommand, simulator->Connected() ? MF_CHECKED : MF_UNCHECKED);
  for (WORD i = 0; i < kFailureCount; ++i)
    CheckMenuItem(menu, kFailCommand + i,
                  simulator->PendingFailure() == kFailures[i].code ? MF_CHECKED : MF_UNCHECKED);
}

void PhoneMenu::UpdateCaption() {
  char text[sizeof caption];
  if (!simulator) {
    snprintf(text, sizeof text, "Camera Control Demo - server %s", serverName);
  } else {
    int length =
        snprintf(text, sizeof text, "Camera Control Demo - product mode %ld, %s",
                 simulator->ProductMode(), simulator->Connected() ? "plugged in" : "unplugged");
    if (FAILED(simulator->PendingFailure()) && length > 0 &&
        static_cast<size_t>(length) < sizeof text)
      snprintf(text + length, sizeof text - length, ", next call fails with 0x%08lX",
               static_cast<unsigned long>(simulator->PendingFailure()));
  }
  if (strcmp(text, caption) == 0) return;
  memcpy(caption, text, sizeof caption);
  SetWindowTextA(frame, caption);
}

}  // namespace demo
