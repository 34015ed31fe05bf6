// How much time the Registers page itself spends per register in a full
// Read pass and a full Write pass of 160 registers, against a server that
// answers at once. The time measured inside the server's calls is taken
// off the time of each pass, so what remains is the page's own work:
// validation, the wait cursor, the list updates and the final selection.
//
// Run from a build folder (the product DLL holds the dialogs), as wine-run does:
//   scripts/wine-run build/win32/bench/registers_bench.exe [passes]   (32-bit Wine)
//   scripts/wine-run build/win64/bench/registers_bench.exe [passes]   (wine64)
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>

#include "CameraControlFN.h"
#include "framework/com_object.h"
#include "framework/handles.h"
#include "framework/module.h"
#include "pages/camera_control_property_sheet.h"
#include "resources/resource.h"

namespace {

constexpr int kRegisterCount = 160;
constexpr int kRegistersTab = 4;
constexpr int kWarmUpPasses = 5;

LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

// A camera server that answers register calls at once and measures the
// time spent inside them.
class InstantServer : public fw::ComObjectRoot, public ICameraControlFN {
 public:
  LONGLONG insideTicks = 0;
  long calls = 0;

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return count ? S_OK : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
  // The page calls only the register operations.
  STDMETHODIMP GetConnectionState(long*) override { return E_NOTIMPL; }
  STDMETHODIMP GetProductConfiguration(long*, BYTE, long*, long*, long*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetServerVersion(long*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCameraTestResults(long*, long*, long*, long*, long*, long*, long*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ActivateCamera(long) override { return E_NOTIMPL; }
  STDMETHODIMP ActivateViewFinder(long) override { return E_NOTIMPL; }
  STDMETHODIMP CaptureToFile(BSTR, long, long, long) override { return E_NOTIMPL; }
  STDMETHODIMP CaptureToProduct(BSTR, long, long) override { return E_NOTIMPL; }

  STDMETHODIMP ReadRegister(BYTE reg, BYTE* value) override {
    LONGLONG start = Now();
    *value = registers[reg];
    ++calls;
    insideTicks += Now() - start;
    return S_OK;
  }
  STDMETHODIMP WriteRegister(BYTE reg, BYTE value) override {
    LONGLONG start = Now();
    registers[reg] = value;
    ++calls;
    insideTicks += Now() - start;
    return S_OK;
  }

  BYTE registers[256] = {};

 protected:
  const fw::InterfaceEntry* Interfaces() const override {
    static const fw::InterfaceEntry table[] = {
        {&IID_ICameraControlFN, fw::InterfaceOffset<InstantServer, ICameraControlFN>()},
        {&IID_IDispatch, fw::InterfaceOffset<InstantServer, IDispatch, ICameraControlFN>()},
        {nullptr, 0}};
    return table;
  }
};

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

struct PassResult {
  double totalMs;
  double productMs;
  long calls;
};

// Runs `passes` clicks on `button` and returns the totals.
PassResult Measure(InstantServer& server, HWND button, int passes) {
  PassResult result = {0, 0, 0};
  LONGLONG total = 0;
  LONGLONG inside = 0;
  for (int pass = 0; pass < passes; ++pass) {
    server.insideTicks = 0;
    server.calls = 0;
    LONGLONG start = Now();
    SendMessageA(button, BM_CLICK, 0, 0);
    total += Now() - start;
    inside += server.insideTicks;
    result.calls += server.calls;
    Pump();  // painting belongs to no pass
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  result.totalMs = 1000.0 * static_cast<double>(total) / static_cast<double>(frequency.QuadPart);
  result.productMs =
      1000.0 * static_cast<double>(total - inside) / static_cast<double>(frequency.QuadPart);
  return result;
}

void Report(const char* name, const PassResult& result, int passes) {
  const double registers = static_cast<double>(passes) * kRegisterCount;
  printf(
      "%-5s %d passes, %ld server calls: %.4f ms per register in the page "
      "(%.4f ms with the server's calls)\n",
      name, passes, result.calls, result.productMs / registers, result.totalMs / registers);
}

// Under Wine every window-property lookup is a round trip to the
// wineserver; comctl32's subclassing makes a few for each message to the
// register list, so their cost bounds what a pass can take.
double RoundTripMs(HWND window) {
  constexpr int kLookups = 2000;
  LONGLONG start = Now();
  for (int i = 0; i < kLookups; ++i)
    GetPropA(window, "KvrBenchmark");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(Now() - start) / static_cast<double>(frequency.QuadPart) /
         kLookups;
}

int RunBenchmark(HMODULE product, int passes) {
  fw::Module::SetResourceInstance(product);
  fw::UniqueWindow parent(CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "Registers benchmark",
                                          WS_POPUP | WS_VISIBLE, 40, 40, 700, 400, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr));
  auto server = fw::Make<InstantServer>();
  CCameraControlPropertySheet sheet;
  sheet.SetServer(server.Get());
  sheet.AddPagesForMode(2);
  if (!parent || !sheet.CreateSheet(parent.Get())) return 2;
  sheet.EnablePages(1);
  sheet.SetActivationMask(ActivationCameraOn);
  SendMessageA(sheet.Hwnd(), PSM_SETCURSEL, kRegistersTab, 0);
  HWND page = PropSheet_GetCurrentPageHwnd(sheet.Hwnd());
  HWND read = GetDlgItem(page, IDC_READ);
  HWND write = GetDlgItem(page, IDC_WRITE);
  Pump();

  // New values on every pass, so that every row really changes.
  auto measureReads = [&](int count) {
    PassResult sum = {0, 0, 0};
    for (int pass = 0; pass < count; ++pass) {
      for (int reg = 0; reg < kRegisterCount; ++reg)
        server->registers[reg] = static_cast<BYTE>(reg * 37 + pass * 11 + 1);
      PassResult one = Measure(*server.Get(), read, 1);
      sum.totalMs += one.totalMs;
      sum.productMs += one.productMs;
      sum.calls += one.calls;
    }
    return sum;
  };
  measureReads(kWarmUpPasses);
  Measure(*server.Get(), write, kWarmUpPasses);
  PassResult reads = measureReads(passes);
  PassResult writes = Measure(*server.Get(), write, passes);
  Report("Read", reads, passes);
  Report("Write", writes, passes);
  printf("one wineserver round trip (GetProp) here: %.4f ms\n",
         RoundTripMs(GetDlgItem(page, IDC_REGISTER_LIST)));
  sheet.SetServer(nullptr);

  const long expected = static_cast<long>(passes) * kRegisterCount;
  if (reads.calls != expected || writes.calls != expected) {
    fprintf(stderr, "not every pass reached all registers\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int passes = argc > 1 ? atoi(argv[1]) : 200;
  if (passes <= 0) return 2;
  if (FAILED(OleInitialize(nullptr))) return 2;
  int status = 2;
  {
    fw::UniqueModule product(LoadLibraryA("KVRCmnCameraControlUI.dll"));
    if (product)
      status = RunBenchmark(product.Get(), passes);
    else
      fprintf(stderr, "run from a build folder: the product DLL holds the dialogs\n");
  }
  OleUninitialize();
  return status;
}
