// The demo host: a small host program that creates the registered camera
// control, embeds it in a window and hands it a camera function server, as
// the phone service tool does with a real phone.
//
//   demo_host.exe [--mode N] [--server PROGID | --out-of-process]
//                 [--screenshot file.png] [--exit-after ms] [--tour folder]
//
// Without --server the server is the camera simulator, a phone of product
// mode N (default 2), and the Phone menu changes what the phone does.
// --server PROGID creates that camera function server instead.
// --out-of-process takes the simulator (mode N) from its local server,
// camera_server.exe, in a process of its own.
// --screenshot saves the window as a PNG once the control has settled;
// --exit-after ends the demo after that many milliseconds.
// --tour walks through every page of every page set with the simulator and
// saves one PNG per view into the folder; the exit code is 0 only when
// every view was saved.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "CameraControlFN.h"
#include "CameraControlFNLib.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "framework/com_object.h"
#include "tools/container/control_container.h"
#include "tools/demo_host/phone_menu.h"
#include "tools/demo_host/screenshot.h"
#include "tools/demo_host/tour.h"
#include "tools/simulator/camera_simulator.h"

namespace {

struct Options {
  long mode = 2;
  const char* server = nullptr;
  bool outOfProcess = false;
  const char* screenshot = nullptr;
  DWORD exitAfter = 0;
  const char* tour = nullptr;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--out-of-process") == 0) {
      options.outOfProcess = true;
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return false;
    if (strcmp(argv[i], "--mode") == 0)
      options.mode = strtol(value, nullptr, 10);
    else if (strcmp(argv[i], "--server") == 0)
      options.server = value;
    else if (strcmp(argv[i], "--screenshot") == 0)
      options.screenshot = value;
    else if (strcmp(argv[i], "--exit-after") == 0)
      options.exitAfter = strtoul(value, nullptr, 10);
    else if (strcmp(argv[i], "--tour") == 0)
      options.tour = value;
    else
      return false;
    ++i;
  }
  const bool otherServer = options.server || options.outOfProcess;
  return !(options.tour && otherServer) && !(options.server && options.outOfProcess);
}

int Fail(const char* what, HRESULT hr) {
  fprintf(stderr, "demo_host: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return 1;
}

// The control reads the types of the server's events from the server's
// registered type library. A real server registers it when it is
// installed; the simulator's travels in this program and is registered
// here, unless a server has registered its own.
HRESULT RegisterServerTypeLibrary() {
  fw::ComPtr<ITypeLib> registered;
  if (SUCCEEDED(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, LOCALE_NEUTRAL, &registered)))
    return S_OK;
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return E_FAIL;
  fw::ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
  return FAILED(hr) ? hr : RegisterTypeLib(library.Get(), path, nullptr);
}

// The host's context object: the control joins it and leaves it when it
// goes. The demo's only keeps count of its members.
class DemoContext : public fw::ComObjectRoot, public IHostContext {
 public:
  FW_BEGIN_INTERFACES(DemoContext)
  FW_INTERFACE(IHostContext)
  FW_END_INTERFACES

  STDMETHODIMP AddMember(IContextMember*, DWORD* cookie) override {
    if (!cookie) return E_POINTER;
    *cookie = ++lastCookie;
    ++members;
    return S_OK;
  }
  STDMETHODIMP RemoveMember(DWORD) override {
    --members;
    return S_OK;
  }

 private:
  DWORD lastCookie = 0;
  int members = 0;
};

// The camera function server: the one named by --server, the simulator in
// its own process, else the simulator in this one, which is also handed
// back for the Phone menu.
HRESULT CreateServer(const Options& options, fw::ComPtr<ICameraControlFN>& server,
                     fw::ComPtr<fw::ComObject<sim::CameraSimulator>>& simulator) {
  if (options.outOfProcess) {
    HRESULT hr = CoCreateInstance(CLSID_CameraControlFN, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_PPV_ARGS(&server));
    fw::ComPtr<ICameraSimulator> settings;
    if (SUCCEEDED(hr)) hr = server.As(&settings);
    return FAILED(hr) ? hr : settings->put_ProductMode(options.mode);
  }
  if (!options.server) {
    simulator = fw::Make<sim::CameraSimulator>(options.mode,
                                               options.tour ? demo::kTourTestDurationMs : 4000);
    if (!simulator) return E_OUTOFMEMORY;
    server = simulator.Get();
    return S_OK;
  }
  wchar_t progId[128];
  if (!MultiByteToWideChar(CP_ACP, 0, options.server, -1, progId, 128)) return E_INVALIDARG;
  // [guide: server]
  CLSID serverClass;
  HRESULT hr = CLSIDFromProgID(progId, &serverClass);
  if (SUCCEEDED(hr)) hr = CoCreateInstance(serverClass, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&server));
  // [guide end]
  return hr;
}

// Thread timers get their ids from the system.
UINT_PTR screenshotTimer = 0;
const char* screenshotPath = nullptr;
HWND demoFrame = nullptr;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (id == screenshotTimer) {
    wchar_t widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, screenshotPath, -1, widePath, MAX_PATH);
    if (SaveWindowPng(demoFrame, widePath))
      printf("demo_host: screenshot saved to %s\n", screenshotPath);
    else
      fprintf(stderr, "demo_host: could not save the screenshot\n");
    fflush(stdout);
  } else {
    PostQuitMessage(0);
  }
}

int Run(const Options& options) {
  HRESULT hr = RegisterServerTypeLibrary();
  if (FAILED(hr)) return Fail("registering the camera function server's type library", hr);
  fw::ComPtr<ICameraControlFN> server;
  fw::ComPtr<fw::ComObject<sim::CameraSimulator>> simulator;
  hr = CreateServer(options, server, simulator);
  if (FAILED(hr))
    return Fail(options.outOfProcess ? "starting camera_server.exe (is it registered?)"
                                     : "creating the camera function server",
                hr);
  // The caption names the simulator's own process.
  char serverName[64];
  snprintf(serverName, sizeof serverName, "camera_server.exe (product mode %ld)", options.mode);

  // [guide: create]
  fw::ComPtr<IOleObject> control;
  hr = CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER,
                        IID_PPV_ARGS(&control));
  if (FAILED(hr)) return Fail("creating KVR.Cmn.CameraControlUI (is it registered?)", hr);

  // The control's natural size, in HIMETRIC units (0.01 mm).
  SIZEL extent = {};
  control->GetExtent(DVASPECT_CONTENT, &extent);
  HDC screen = GetDC(nullptr);
  SIZE size = {MulDiv(extent.cx, GetDeviceCaps(screen, LOGPIXELSX), 2540),
               MulDiv(extent.cy, GetDeviceCaps(screen, LOGPIXELSY), 2540)};
  ReleaseDC(nullptr, screen);
  // [guide end]

  // A frame with the Phone menu around a site of exactly that size.
  RECT frame = {0, 0, size.cx, size.cy};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
  host::ControlContainer container(frame.right - frame.left, frame.bottom - frame.top,
                                   "Camera Control Demo");
  container.OnCloseRequest([] { PostQuitMessage(0); });
  demoFrame = container.Frame();
  demo::PhoneMenu phone(container.Frame(), simulator.Get(),
                        options.outOfProcess ? serverName : options.server);
  MoveWindow(container.SiteWindow(), 0, 0, size.cx, size.cy, FALSE);

  // [guide: start]
  // The server first: the control connects to its events.
  fw::ComPtr<ICameraControlFNClient> client;
  hr = control.As(&client);
  if (SUCCEEDED(hr)) hr = client->SetServer(server.Get());
  if (FAILED(hr)) return Fail("SetServer", hr);

  // Then the host's context, which the control joins until it goes.
  auto context = fw::Make<DemoContext>();
  fw::ComPtr<IContextMember> member;
  if (SUCCEEDED(control.As(&member))) member->JoinContext(context.Get());

  // In-place activation creates the control's window in the site window.
  hr = container.Activate(control.Get(), OLEIVERB_UIACTIVATE);
  if (FAILED(hr)) return Fail("activation", hr);

  // Go: the control asks the server for the phone and builds its pages.
  fw::ComPtr<IGoClient> go;
  hr = control.As(&go);
  if (SUCCEEDED(hr)) hr = go->Go();
  if (FAILED(hr)) return Fail("Go", hr);
  // [guide end]

  if (options.tour)
    demo::StartTour(container.Frame(), container.ControlWindow(), phone, options.tour);
  if (options.screenshot) {
    screenshotPath = options.screenshot;
    screenshotTimer = SetTimer(nullptr, 0, 1500, OnTimer);
  }
  if (options.exitAfter) SetTimer(nullptr, 0, options.exitAfter, OnTimer);

  // [guide: loop]
  fw::ComPtr<IOleInPlaceActiveObject> active;
  control.As(&active);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // The host's own keys first: the control's dialog takes every key
    // pressed in it.
    if (phone.Accelerators() &&
        TranslateAcceleratorA(container.Frame(), phone.Accelerators(), &msg))
      continue;
    // Then the control: its dialog keys (Tab, arrows, mnemonics).
    if (active && active->TranslateAccelerator(&msg) == S_OK) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // [guide end]

  // [guide: shutdown]
  // Close the control (its window goes, the camera is switched off), take
  // the site away, then let go of every reference: the last one destroys
  // the control, which leaves the context and lets go of the server.
  container.Deactivate();
  active.Reset();
  go.Reset();
  member.Reset();
  client.Reset();
  control.Reset();
  server.Reset();
  // [guide end]
  return static_cast<int>(msg.wParam);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr,
            "usage: demo_host [--mode N] [--server PROGID | --out-of-process] "
            "[--screenshot file.png] [--exit-after ms] [--tour folder]\n");
    return 2;
  }
  HRESULT hr = OleInitialize(nullptr);
  if (FAILED(hr)) return Fail("OleInitialize", hr);
  int status = Run(options);
  OleUninitialize();
  return status;
}
