// The demo host: a small host program that creates the registered camera
// control, embeds it in a window and drives it with the camera simulator,
// as the phone service tool would with a real phone.
//
//   demo_host.exe [--mode N] [--screenshot file.png] [--exit-after ms]
//
// --mode is the product mode the simulated phone reports (default 2).
// --screenshot saves the window as a PNG once the control has settled;
// --exit-after ends the demo after that many milliseconds.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "framework/com_object.h"
#include "tools/container/control_container.h"
#include "tools/demo_host/screenshot.h"
#include "tools/simulator/camera_simulator.h"

namespace {

struct Options {
  long mode = 2;
  const char* screenshot = nullptr;
  DWORD exitAfter = 0;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; ++i) {
    if (strcmp(argv[i], "--mode") == 0)
      options.mode = strtol(argv[++i], nullptr, 10);
    else if (strcmp(argv[i], "--screenshot") == 0)
      options.screenshot = argv[++i];
    else if (strcmp(argv[i], "--exit-after") == 0)
      options.exitAfter = strtoul(argv[++i], nullptr, 10);
  }
  return options;
}

// The simulator's type library is in this program; registering it lets the
// control read the types of the simulator's events.
HRESULT RegisterServerTypeLibrary() {
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return E_FAIL;
  fw::ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
  return FAILED(hr) ? hr : RegisterTypeLib(library.Get(), path, nullptr);
}

int Fail(const char* what, HRESULT hr) {
  fprintf(stderr, "demo_host: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return 1;
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

}  // namespace

int main(int argc, char** argv) {
  Options options = ParseOptions(argc, argv);
  HRESULT hr = OleInitialize(nullptr);
  if (FAILED(hr)) return Fail("OleInitialize", hr);

  int status = 0;
  {
    hr = RegisterServerTypeLibrary();
    if (FAILED(hr)) return Fail("registering the simulator's type library", hr);

    fw::ComPtr<IOleObject> control;
    hr = CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&control));
    if (FAILED(hr)) return Fail("creating KVR.Cmn.CameraControlUI (is it registered?)", hr);

    // A frame that fits the control's natural size.
    SIZEL extent = {};
    control->GetExtent(DVASPECT_CONTENT, &extent);
    RECT frame = {0, 0, MulDiv(extent.cx, 96, 2540), MulDiv(extent.cy, 96, 2540)};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    char title[64];
    snprintf(title, sizeof title, "Camera Control Demo (product mode %ld)", options.mode);
    host::ControlContainer container(frame.right - frame.left, frame.bottom - frame.top, title);
    container.OnCloseRequest([] { PostQuitMessage(0); });
    demoFrame = container.Frame();

    auto simulator = fw::Make<sim::CameraSimulator>(options.mode);
    fw::ComPtr<ICameraControlFNClient> client;
    fw::ComPtr<IGoClient> go;
    if (FAILED(hr = control.As(&client)) || FAILED(hr = control.As(&go)))
      return Fail("QueryInterface", hr);
    if (FAILED(hr = container.Activate(control.Get(), OLEIVERB_UIACTIVATE)))
      return Fail("activation", hr);
    client->SetServer(simulator.Get());
    go->Go();

    if (options.screenshot) {
      screenshotPath = options.screenshot;
      screenshotTimer = SetTimer(nullptr, 0, 1500, OnTimer);
    }
    if (options.exitAfter) SetTimer(nullptr, 0, options.exitAfter, OnTimer);

    fw::ComPtr<IOleInPlaceActiveObject> active;
    control.As(&active);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      // The control sees keys first, as a container's message loop does.
      if (active && active->TranslateAccelerator(&msg) == S_OK) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    status = static_cast<int>(msg.wParam);
    container.Deactivate();
    client.Reset();
    go.Reset();
    active.Reset();
    control.Reset();
  }
  OleUninitialize();
  return status;
}
