// A camera function server for tests: it answers every operation from
// settable state, logs each call with its arguments, fails on script, and
// fires the three events on its connection point.
//
//   auto server = fw::Make<test::FakeCameraServer>();
//   server->SetProductMode(4);
//   server->FailWhen("ReadRegister", test::ArgEquals(0, 20), 0x80040411);
//   control->SetServer(server.Get());
//   ...
//   EXPECT_EQ(server->CallStrings(), (std::vector<std::string>{"ReadRegister(19)", ...}));
//   server->FireCameraTestFinished({1, 2, 3, 4, 5, 6, 7});
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "framework/com_object.h"
#include "tools/simulator/connection_point.h"

namespace test {

using sim::TestResults;

// One call the server received: its operation name and in arguments.
// Out arguments are not logged.
struct ServerCall {
  std::string name;
  std::vector<long> numbers;  // the numeric in arguments in order, bytes widened
  std::wstring text;          // the string argument (path or product name)
  bool hasText = false;

  // "ReadRegister(20)", "CaptureToProduct("img",4,8)": numbers in decimal,
  // the string (ANSI) in quotes at its place, which is always the first.
  std::string ToString() const;
  // Numeric argument `i`, or -1 when there are fewer.
  long Number(size_t i) const { return i < numbers.size() ? numbers[i] : -1; }
  std::string Text() const;
};

// Predicates for scripted results, on the numeric in arguments.
using CallPredicate = std::function<bool(const ServerCall&)>;
CallPredicate ArgEquals(size_t index, long value);

// What GetCameraConfiguration answers for one camera.
struct CameraConfig {
  long formatMask = 0x0005;  // Bitmap, JPEG
  long sizeMask = 0x0848;    // CIF, VGA, Photo
  long flashCapability = 0;
};

// Event arguments for FireEvent.
VARIANT LongArg(long value);
VARIANT TextArg(const wchar_t* text);  // a BSTR

class FakeCameraServer : public fw::ComObjectRoot,
                         public ICameraControlFN,
                         public ICameraControlFNTest,
                         public ICameraControlFNEpoc,
                         public sim::CameraEventSource {
 public:
  FakeCameraServer();

  // ---- what the server reports ----
  void SetConnectionState(long state) { connectionState = state; }
  void SetProductMode(long mode) { productMode = mode; }
  void SetFormatMask(long mask) { formatMask = mask; }
  void SetSizeMask(long mask) { sizeMask = mask; }
  void SetTestResults(const TestResults& values) { testResults = values; }
  void SetCameraCount(BYTE count) { cameraCount = count; }
  // Answers for GetCameraConfiguration(camera); cameras without one get
  // the default CameraConfig.
  void SetCameraConfig(BYTE camera, const CameraConfig& config) { cameras[camera] = config; }
  BYTE Register(BYTE reg) const { return registers[reg]; }
  void SetRegister(BYTE reg, BYTE value) { registers[reg] = value; }
  // Bytes that the capture operations write to the path they are given.
  void SetCaptureContent(std::string bytes) { captureContent = std::move(bytes); }

  // ---- scripted behaviour ----
  // `name` returns `hr` on every call, or only on calls that match `when`.
  // The newest matching rule wins. A failing result (negative) does nothing
  // (the out values: see SetOuts); a non-negative one does the operation's
  // work and is returned instead of S_OK.
  void SetResult(const std::string& name, HRESULT hr);
  void FailWhen(const std::string& name, CallPredicate when, HRESULT hr);
  // Whether QueryInterface answers `iid` (ICameraControlFNTest,
  // ICameraControlFNEpoc, IConnectionPointContainer, IDispatch).
  void Offer(REFIID iid, bool offered);
  // Runs `action` inside every call of `name`, before it returns: events
  // fired from there reach the control while its own call is still running.
  void DuringCall(const std::string& name, std::function<void()> action);
  // Drops every scripted result and action.
  void ClearScript();
  // When calls write their out values: on success (the start), never (they
  // stay as the caller preset them), or also when they fail.
  enum class Outs { OnSuccess, Never, Always };
  void SetOuts(Outs when) { outs = when; }

  // ---- what happened ----
  const std::vector<ServerCall>& Calls() const { return calls; }
  std::vector<std::string> CallStrings() const;
  // Calls of one operation only, as strings.
  std::vector<std::string> CallStrings(const std::string& name) const;
  size_t CallCount(const std::string& name) const;
  void ClearCalls() { calls.clear(); }

  // The events (sim::CameraEventSource): FireConnectionStateChanged,
  // FireCameraTestFinished, FireCameraTestFailed, FireEvent, and
  // AdvisedSinkCount. RefCount() is the current reference count.
  using sim::CameraEventSource::FireEvent;
  // Any dispid with any arguments, for malformed events: `args` in
  // declaration order (see LongArg, TextArg), cleared afterwards.
  HRESULT FireEvent(DISPID dispid, std::vector<VARIANT> args);

  // ---- COM ----
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

 protected:
  const fw::InterfaceEntry* Interfaces() const override { return table.data(); }

 private:
  struct Rule {
    std::string name;
    CallPredicate when;  // empty: every call
    HRESULT hr;
  };

  // Logs the call and gives the scripted result.
  HRESULT Record(const char* name, std::vector<long> numbers, const wchar_t* text = nullptr,
                 bool hasText = false);
  HRESULT WriteCapture(BSTR path) const;
  bool WritesOuts(HRESULT hr) const {
    return outs == Outs::Always || (outs == Outs::OnSuccess && SUCCEEDED(hr));
  }
  void RebuildTable();

  long connectionState = 1;
  long productMode = 2;
  long formatMask = 0x0224;  // JPEG, RGB 565, RGB 888
  long sizeMask = 0x007E;    // SubQCif, QCIF, CIF, QQVGA, QVGA, VGA
  TestResults testResults{};
  BYTE cameraCount = 1;
  std::map<BYTE, CameraConfig> cameras;
  std::array<BYTE, 256> registers{};
  std::string captureContent = "fake picture data";

  std::vector<Rule> rules;
  std::vector<std::pair<std::string, std::shared_ptr<std::function<void()>>>> actions;
  Outs outs = Outs::OnSuccess;
  std::vector<ServerCall> calls;

  std::vector<IID> withheld;
  std::vector<fw::InterfaceEntry> table;
};

}  // namespace test
