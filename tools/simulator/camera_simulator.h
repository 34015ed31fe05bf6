// A simulated camera function server for the demo host: a phone that is
// connected, has two cameras (the main one with a flashlight), keeps 256
// camera registers, runs a camera test that reports after a few seconds,
// and takes pictures of a small scene or of the selected test pattern.
//
//   auto simulator = fw::Make<sim::CameraSimulator>(2);   // product mode
//   client->SetServer(simulator.Get());
//   simulator->SetConnected(false);   // unplug: fires ConnectionStateChanged
//   simulator->FailNextCall(0x80040410);   // the next operation fails so
//
// It lives on the user-interface thread: the test result comes from a
// timer of that thread's message loop. camera_server.exe serves it to other
// processes; ICameraSimulator sets it up from there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "framework/com_object.h"
#include "framework/handles.h"
#include "tools/simulator/connection_point.h"
#include "tools/simulator/pictures.h"

namespace sim {

class CameraSimulator : public fw::ComObjectRoot,
                        public ICameraControlFN,
                        public ICameraControlFNTest,
                        public ICameraControlFNEpoc,
                        public ICameraSimulator,
                        public CameraEventSource {
 public:
  explicit CameraSimulator(long productMode = 2, DWORD testDurationMs = 4000);
  ~CameraSimulator() override;

  FW_BEGIN_INTERFACES(CameraSimulator)
  FW_INTERFACE(ICameraControlFN)
  FW_INTERFACE_VIA(IDispatch, ICameraControlFN)
  FW_INTERFACE(ICameraControlFNTest)
  FW_INTERFACE(ICameraControlFNEpoc)
  FW_INTERFACE(ICameraSimulator)
  FW_INTERFACE(IConnectionPointContainer)
  FW_END_INTERFACES

  // Plugs or unplugs the phone and tells the clients.
  void SetConnected(bool connected);
  // The product mode reported from now on (clients learn it on the next
  // connection change).
  void SetProductMode(long mode) { productMode = mode; }
  long ProductMode() const { return productMode; }
  bool Connected() const { return connected; }
  // The next call of any camera operation does nothing and returns `code`
  // instead (a failure code of the server); S_OK cancels a pending one.
  void FailNextCall(HRESULT code) { injectedFailure = code; }
  HRESULT PendingFailure() const { return injectedFailure; }
  bool CameraOn() const { return cameraOn; }
  bool ViewFinderOn() const { return viewFinderOn; }
  bool TestRunning() const { return testCamera != 0; }
  const std::vector<std::wstring>& ProductFiles() const { return productFiles; }

  // Late binding is not offered: clients call the vtable.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override;

  STDMETHODIMP GetConnectionState(long* connected) override;
  STDMETHODIMP GetProductConfiguration(long* mode, BYTE camera, long* reserved, long* formats,
                                       long* sizes) override;
  STDMETHODIMP GetServerVersion(long* version) override;
  STDMETHODIMP GetCameraTestResults(long* averageBrightness, long* averageColourDifference,
                                    long* blemishClusters, long* maximumBlemishSize,
                                    long* deadPixels, long* weakPixels,
                                    long* cornerDarkening) override;
  STDMETHODIMP ActivateCamera(long on) override;
  STDMETHODIMP ActivateViewFinder(long on) override;
  STDMETHODIMP ReadRegister(BYTE reg, BYTE* value) override;
  STDMETHODIMP WriteRegister(BYTE reg, BYTE value) override;
  STDMETHODIMP CaptureToFile(BSTR pcPath, long format, long size, long reserved) override;
  STDMETHODIMP CaptureToProduct(BSTR productName, long format, long size) override;

  STDMETHODIMP StartCameraTest(BYTE camera, long param1, long param2, long param3,
                               long flashMode) override;
  STDMETHODIMP CaptureCameraToFile(BSTR pcPath, BYTE camera, long format, long size, long param3,
                                   long flashMode, long acknowledgements) override;
  STDMETHODIMP CaptureCameraToProduct(BSTR productName, BYTE camera, long format, long size,
                                      long param3, long flashMode) override;

  STDMETHODIMP GetCameraConfiguration(long* reserved1, BYTE camera, long* reserved2, long* formats,
                                      long* sizes, BYTE* count, long* flashCapability) override;

  STDMETHODIMP put_ProductMode(long mode) override;
  STDMETHODIMP put_Connected(long plugged) override;
  STDMETHODIMP put_TestDuration(long milliseconds) override;
  STDMETHODIMP SetCallDelay(long milliseconds, long eventDuringCall) override;
  STDMETHODIMP get_CallCount(long* count) override;
  STDMETHODIMP get_ProcessId(long* id) override;

 private:
  static LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void FinishTest();
  // The figures of the next test of `camera`, remembered as the last ones.
  const TestResults& Measure(BYTE camera);
  // Renders and writes one picture; the HRESULTs are the server's codes.
  HRESULT WritePicture(const wchar_t* path, long format, long size) const;
  HRESULT StoreOnProduct(const wchar_t* name);
  // Starts a call of the server interfaces: counts it, takes the set delay
  // (SetCallDelay), and is true (with the code) once for a pending
  // FailNextCall.
  bool BeginCall(HRESULT* hr);
  void TakeDelay();

  long productMode;
  DWORD testDurationMs;
  bool connected = true;
  bool cameraOn = false;
  bool viewFinderOn = false;
  Registers registers;
  TestResults lastResults{};
  BYTE testCamera = 0;  // camera of the running test, 0 when none
  long testFlash = 0;
  bool testRefused = false;  // camera or viewfinder was on at the start
  unsigned testCount = 0;
  std::vector<std::wstring> productFiles;
  HRESULT injectedFailure = S_OK;
  DWORD callDelayMs = 0;
  long eventDuringCall = 0;
  long callCount = 0;
  bool firing = false;           // the event of TakeDelay is out
  fw::UniqueWindow timerWindow;  // message-only, receives the test timer
};

}  // namespace sim
