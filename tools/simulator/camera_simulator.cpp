#include "tools/simulator/camera_simulator.h"

#include <algorithm>

namespace sim {

namespace {

// Result codes of the camera function server.
const HRESULT kTestRunning = static_cast<HRESULT>(0x80040406);
const HRESULT kCameraIdOutOfRange = static_cast<HRESULT>(0x80040407);
const HRESULT kCameraIdUnknown = static_cast<HRESULT>(0x8004040D);
const HRESULT kCameraNotActivated = static_cast<HRESULT>(0x80040410);
const HRESULT kInvalidImageSize = static_cast<HRESULT>(0x80040412);
const HRESULT kInvalidImageFormat = static_cast<HRESULT>(0x80040413);
const HRESULT kDuplicateFileName = static_cast<HRESULT>(0x80040419);
const HRESULT kInvalidFileName = static_cast<HRESULT>(0x80040424);
const HRESULT kPartialData = 0x00040401;

const UINT_PTR kTestTimer = 1;
const char kTimerClass[] = "KvrCameraSimulatorTimer";

// Pixel formats of the PC capture and of the product capture.
const long kJpeg = 4;
const long kRgb444 = 16, kRgb565 = 32, kYuv400 = 64, kYuv420 = 128, kYuv422 = 256;
const long kRgb888 = 512, kBayer = 1024;
const long kBitmap = 1, kYuv = 2, kRaw = 8, kTestJbs28 = 0x800, kTestA5A5 = 0x1000,
           kTestColourBar = 0x2000;

const long kPcFormats = kJpeg | kRgb444 | kRgb565 | kYuv400 | kYuv420 | kYuv422 | kRgb888 | kBayer;
const long kPcSizes = 0x1FFE;  // SubQCif up to Tiny
const long kMainCameraFormats =
    kBitmap | kYuv | kJpeg | kRaw | kTestJbs28 | kTestA5A5 | kTestColourBar;
const long kMainCameraSizes = 0x1FC8;  // Tiny, CIF, VGA, Photo, SGA, XGA, SXGA, MPIX
const long kFrontCameraFormats = kBitmap | kJpeg;
const long kFrontCameraSizes = 0x1048;  // Tiny, CIF, VGA
const BYTE kCameraCount = 2;
const long kNoFlash = 1, kFlash = 3;

// Power-on values: the tuning registers at mid-range with automatic
// luminance and white balance, blemish correction on, no test pattern;
// the rest as a real sensor leaves them, anything.
Registers InitialRegisters() {
  Registers registers;
  unsigned seed = 0x2F6B;
  for (BYTE& value : registers) {
    seed = seed * 1103515245u + 12345u;
    value = static_cast<BYTE>(seed >> 16);
  }
  registers[5] = 0x00;   // luminance automatic (bit 7 clear)
  registers[7] = 48;     // analog gain
  registers[9] = 136;    // luminance 100 %
  registers[10] = 0x40;  // white balance automatic (bit 7 clear, bit 6 set)
  registers[11] = 64;    // white balance
  registers[14] = 96;    // sharpness, horizontal
  registers[15] = 96;    // sharpness, vertical
  registers[16] = 128;   // contrast
  registers[17] = 128;   // brightness
  registers[18] = 32;    // hue
  registers[19] = 32;
  registers[20] = 32;    // saturation
  registers[27] = 0x80;  // blemish correction on
  registers[28] = 0x00;  // no test pattern
  registers[29] = 0xF8;  // specific colour: red
  registers[30] = 0x00;
  return registers;
}

// What camera `camera` takes; camera 0 stands for the default camera, the
// main one. False for a camera the phone does not have.
bool CameraOffers(BYTE camera, long* formats, long* sizes, long* flash) {
  if (camera > kCameraCount) return false;
  bool front = camera == 2;
  *formats = front ? kFrontCameraFormats : kMainCameraFormats;
  *sizes = front ? kFrontCameraSizes : kMainCameraSizes;
  *flash = front ? kNoFlash : kFlash;
  return true;
}

HRESULT CheckCameraCapture(BYTE camera, long format, long size) {
  long formats = 0, sizes = 0, flash = 0;
  if (!CameraOffers(camera, &formats, &sizes, &flash)) return kCameraIdUnknown;
  if ((format & formats) == 0) return kInvalidImageFormat;
  if ((size & sizes) == 0) return kInvalidImageSize;
  return S_OK;
}

bool RawBytesPerPixel(long format, int* numerator, int* denominator) {
  struct Entry {
    long format;
    int numerator, denominator;
  };
  static const Entry entries[] = {{kRgb444, 3, 2}, {kYuv400, 1, 1}, {kYuv420, 3, 2},
                                  {kYuv422, 2, 1}, {kBayer, 1, 1},  {kTestA5A5, 2, 1}};
  for (const auto& entry : entries) {
    if (entry.format != format) continue;
    *numerator = entry.numerator;
    *denominator = entry.denominator;
    return true;
  }
  return false;
}

}  // namespace

CameraSimulator::CameraSimulator(long mode, DWORD durationMs)
    : productMode(mode), testDurationMs(durationMs), registers(InitialRegisters()) {
  static ATOM timerClass = 0;
  if (!timerClass) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = TimerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kTimerClass;
    timerClass = RegisterClassA(&windowClass);
  }
  timerWindow.Reset(CreateWindowExA(0, kTimerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleA(nullptr), nullptr));
  if (timerWindow)
    SetWindowLongPtrA(timerWindow.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CameraSimulator::~CameraSimulator() {
  if (timerWindow) KillTimer(timerWindow.Get(), kTestTimer);
}

LRESULT CALLBACK CameraSimulator::TimerWindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  auto* self = reinterpret_cast<CameraSimulator*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_TIMER && wParam == kTestTimer && self) {
    KillTimer(window, kTestTimer);
    // A client may let go of the server from inside the event.
    fw::ComPtr<ICameraControlFN> keepAlive(self);
    self->FinishTest();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CameraSimulator::SetConnected(bool on) {
  connected = on;
  if (!on) {
    cameraOn = viewFinderOn = false;
    testCamera = 0;
    if (timerWindow) KillTimer(timerWindow.Get(), kTestTimer);
  }
  FireConnectionStateChanged(on ? 1 : 0);
}

void CameraSimulator::FinishTest() {
  BYTE camera = testCamera;
  testCamera = 0;
  if (camera == 0) return;
  if (testRefused) {
    FireCameraTestFailed(L"The sensor is in use. Switch the camera and the viewfinder off.");
    return;
  }
  FireCameraTestFinished(Measure(camera));
}

const TestResults& CameraSimulator::Measure(BYTE camera) {
  // Figures of a healthy sensor that vary a little from run to run; the
  // front camera is smaller and darker, the flashlight brightens.
  ++testCount;
  int wobble = static_cast<int>((testCount * 7) % 5) - 2;
  long brightness = (camera == 1 ? 118 : 96) + wobble + (testFlash != 0 ? 20 : 0);
  lastResults = {brightness,
                 3 + (wobble & 1),
                 camera == 1 ? 1 : 0,
                 camera == 1 ? 4 : 0,
                 static_cast<long>(testCount % 3),
                 5 + wobble,
                 camera == 1 ? 12 : 17};
  return lastResults;
}

HRESULT CameraSimulator::WritePicture(const wchar_t* path, long format, long size) const {
  if (!path || !*path) return kInvalidFileName;
  int width = 0, height = 0;
  std::string bytes;
  if (format == kJpeg || format == kBitmap || format == kYuv || format == kTestJbs28) {
    if (!EncodedDimensions(size, &width, &height)) return kInvalidImageSize;
    Picture picture = Render(width, height, registers);
    // The test pattern formats show the colour bar whatever the registers.
    if (format == kTestJbs28) {
      Registers bars = registers;
      bars[28] = 4;
      picture = Render(width, height, bars);
    }
    if (format != kJpeg || !EncodeJpegFile(picture, &bytes)) bytes = EncodeBitmapFile(picture);
  } else {
    if (!RawDimensions(size, &width, &height)) return kInvalidImageSize;
    size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    int numerator = 0, denominator = 1;
    if (format == kRgb565 || format == kRaw) {
      bytes = EncodeRgb565(Render(width, height, registers));
    } else if (format == kRgb888) {
      bytes = EncodeRgb888(Render(width, height, registers));
    } else if (format == kTestColourBar) {
      Registers bars = registers;
      bars[28] = 4;
      bytes = EncodeRgb888(Render(width, height, bars));
    } else if (RawBytesPerPixel(format, &numerator, &denominator)) {
      // Formats the PC side cannot show: data of the right length.
      bytes.assign(pixels * static_cast<size_t>(numerator) / static_cast<size_t>(denominator),
                   format == kTestA5A5 ? '\xA5' : '\x80');
    } else {
      return kInvalidImageFormat;
    }
  }
  return WriteBytes(path, bytes);
}

HRESULT CameraSimulator::StoreOnProduct(const wchar_t* name) {
  if (!name || !*name) return kInvalidFileName;
  if (std::find(productFiles.begin(), productFiles.end(), name) != productFiles.end())
    return kDuplicateFileName;
  productFiles.push_back(name);
  return S_OK;
}

bool CameraSimulator::BeginCall(HRESULT* hr) {
  ++callCount;
  TakeDelay();
  if (SUCCEEDED(injectedFailure)) return false;
  *hr = injectedFailure;
  injectedFailure = S_OK;
  return true;
}

void CameraSimulator::TakeDelay() {
  // A call that comes in while the event is out (a client calling back from
  // its handler) is served at once.
  if (callDelayMs == 0 || firing) return;
  Sleep(callDelayMs / 2);
  // The clients may let go of the server from inside the event.
  fw::ComPtr<ICameraControlFN> keepAlive(this);
  firing = true;
  switch (eventDuringCall) {
    case kConnectionStateChanged:
      FireConnectionStateChanged(connected ? 1 : 0);
      break;
    case kCameraTestFinished:
      FireCameraTestFinished(Measure(1));
      break;
    case kCameraTestFailed:
      FireCameraTestFailed(L"The sensor did not answer.");
      break;
    default:
      break;
  }
  firing = false;
  Sleep(callDelayMs - callDelayMs / 2);
}

STDMETHODIMP CameraSimulator::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CameraSimulator::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CameraSimulator::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP CameraSimulator::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP CameraSimulator::GetConnectionState(long* state) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!state) return E_POINTER;
  *state = connected ? 1 : 0;
  return S_OK;
}

STDMETHODIMP CameraSimulator::GetProductConfiguration(long* mode, BYTE, long* reserved,
                                                      long* formats, long* sizes) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!mode || !reserved || !formats || !sizes) return E_POINTER;
  *mode = productMode;
  *reserved = 0;
  *formats = kPcFormats;
  *sizes = kPcSizes;
  return S_OK;
}

STDMETHODIMP CameraSimulator::GetServerVersion(long* version) {
  if (!version) return E_POINTER;
  *version = 0x00010002;
  return S_OK;
}

STDMETHODIMP CameraSimulator::GetCameraTestResults(long* averageBrightness,
                                                   long* averageColourDifference,
                                                   long* blemishClusters, long* maximumBlemishSize,
                                                   long* deadPixels, long* weakPixels,
                                                   long* cornerDarkening) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  long* outs[7] = {
      averageBrightness, averageColourDifference, blemishClusters, maximumBlemishSize, deadPixels,
      weakPixels,        cornerDarkening};
  for (size_t i = 0; i < 7; ++i) {
    if (!outs[i]) return E_POINTER;
    *outs[i] = lastResults[i];
  }
  return S_OK;
}

// Camera and viewfinder share the sensor: switching one on switches the
// other off.
STDMETHODIMP CameraSimulator::ActivateCamera(long on) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!connected) return kCameraNotActivated;
  cameraOn = on != 0;
  if (cameraOn) viewFinderOn = false;
  return S_OK;
}

STDMETHODIMP CameraSimulator::ActivateViewFinder(long on) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!connected) return kCameraNotActivated;
  viewFinderOn = on != 0;
  if (viewFinderOn) cameraOn = false;
  return S_OK;
}

STDMETHODIMP CameraSimulator::ReadRegister(BYTE reg, BYTE* value) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!value) return E_POINTER;
  *value = registers[reg];
  return S_OK;
}

STDMETHODIMP CameraSimulator::WriteRegister(BYTE reg, BYTE value) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  registers[reg] = value;
  return S_OK;
}

STDMETHODIMP CameraSimulator::CaptureToFile(BSTR pcPath, long format, long size, long) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!cameraOn) return kCameraNotActivated;
  if ((format & kPcFormats) == 0) return kInvalidImageFormat;
  return WritePicture(pcPath, format, size);
}

STDMETHODIMP CameraSimulator::CaptureToProduct(BSTR productName, long format, long size) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!cameraOn) return kCameraNotActivated;
  int width = 0, height = 0;
  if ((format & kPcFormats) == 0) return kInvalidImageFormat;
  if (!EncodedDimensions(size, &width, &height)) return kInvalidImageSize;
  return StoreOnProduct(productName);
}

STDMETHODIMP CameraSimulator::StartCameraTest(BYTE camera, long, long, long, long flashMode) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (camera < 1 || camera > kCameraCount) return kCameraIdOutOfRange;
  if (testCamera != 0) return kTestRunning;
  if (!timerWindow || !SetTimer(timerWindow.Get(), kTestTimer, testDurationMs, nullptr))
    return E_FAIL;
  testCamera = camera;
  testFlash = flashMode;
  testRefused = cameraOn || viewFinderOn;
  return S_OK;
}

STDMETHODIMP CameraSimulator::CaptureCameraToFile(BSTR pcPath, BYTE camera, long format, long size,
                                                  long, long, long acknowledgements) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  HRESULT hr = CheckCameraCapture(camera, format, size);
  if (FAILED(hr)) return hr;
  hr = WritePicture(pcPath, format, size);
  // Without acknowledgements the largest pictures lose a packet or two.
  if (SUCCEEDED(hr) && !acknowledgements && size == 0x80) return kPartialData;
  return hr;
}

STDMETHODIMP CameraSimulator::CaptureCameraToProduct(BSTR productName, BYTE camera, long format,
                                                     long size, long, long) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  HRESULT hr = CheckCameraCapture(camera, format, size);
  if (FAILED(hr)) return hr;
  return StoreOnProduct(productName);
}

STDMETHODIMP CameraSimulator::GetCameraConfiguration(long* reserved1, BYTE camera, long* reserved2,
                                                     long* formats, long* sizes, BYTE* count,
                                                     long* flashCapability) {
  if (HRESULT injected; BeginCall(&injected)) return injected;
  if (!reserved1 || !reserved2 || !formats || !sizes || !count || !flashCapability)
    return E_POINTER;
  if (!CameraOffers(camera, formats, sizes, flashCapability)) return kCameraIdUnknown;
  *reserved1 = 0;
  *reserved2 = 0;
  *count = kCameraCount;
  return S_OK;
}

// ---- Settings from another process ----

STDMETHODIMP CameraSimulator::put_ProductMode(long mode) {
  SetProductMode(mode);
  return S_OK;
}

STDMETHODIMP CameraSimulator::put_Connected(long plugged) {
  SetConnected(plugged != 0);
  return S_OK;
}

STDMETHODIMP CameraSimulator::put_TestDuration(long milliseconds) {
  if (milliseconds < 0) return E_INVALIDARG;
  testDurationMs = static_cast<DWORD>(milliseconds);
  return S_OK;
}

STDMETHODIMP CameraSimulator::SetCallDelay(long milliseconds, long event) {
  if (milliseconds < 0) return E_INVALIDARG;
  callDelayMs = static_cast<DWORD>(milliseconds);
  eventDuringCall = event;
  return S_OK;
}

STDMETHODIMP CameraSimulator::get_CallCount(long* count) {
  if (!count) return E_POINTER;
  *count = callCount;
  return S_OK;
}

STDMETHODIMP CameraSimulator::get_ProcessId(long* id) {
  if (!id) return E_POINTER;
  *id = static_cast<long>(GetCurrentProcessId());
  return S_OK;
}

}  // namespace sim
