// A camera function server for tests: answers from settable state, logs
// each call, fails on script, fires the three events.
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

// One call received: its name and in arguments.
struct ServerCall {
  std::string name;
  std::vector<long> numbers;  // the numeric arguments in order
  std::wstring text;          // the string argument (path or product name)
  bool hasText = false;
  // "ReadRegister(20)", "CaptureToProduct("img",4,8)": the string first.
  std::string ToString() const;
  long Number(size_t i) const { return i < numbers.size() ? numbers[i] : -1; }
  std::string Text() const;  // in ANSI
};

struct CameraConfig {  // what GetCameraConfiguration answers for one camera

  long formatMask = 0x0005;  // Bitmap, JPEG
  long sizeMask = 0x0848;    // CIF, VGA, Photo
  long flashCapability = 0;
};

VARIANT LongArg(long value);
VARIANT TextArg(const wchar_t* text);  // a BSTR

class FakeCameraServer : public fw::ComObjectRoot,
                         public ICameraControlFN,
                         public ICameraControlFNTest,
                         public ICameraControlFNEpoc,
                         public sim::CameraEventSource {
 public:
  FakeCameraServer();

  void SetProductMode(long mode) { productMode = mode; }
  void SetFormatMask(long mask) { formatMask = mask; }
  void SetSizeMask(long mask) { sizeMask = mask; }
  void SetTestResults(const TestResults& values) { testResults = values; }
  void SetCameraCount(BYTE count) { cameraCount = count; }
  void SetCameraConfig(BYTE camera, const CameraConfig& config) { cameras[camera] = config; }
  void SetRegister(BYTE reg, BYTE value) { registers[reg] = value; }
  // What the captures to the PC write.
  void SetCaptureContent(std::string bytes) { captureContent = std::move(bytes); }

  // `name` returns `hr` (on the calls `when` takes); the newest rule wins. A
  // failure skips the work (out values: SetOuts), a success comes after it.
  using CallPredicate = std::function<bool(const ServerCall&)>;
  void SetResult(const std::string& name, HRESULT hr) { rules.push_back({name, nullptr, hr}); }
  void FailWhen(const std::string& name, CallPredicate when, HRESULT hr) {
    rules.push_back({name, std::move(when), hr});
  }
  void Offer(REFIID iid, bool offered);  // whether QueryInterface answers `iid`
  // Runs `action` inside every call of `name`.
  void DuringCall(const std::string& name, std::function<void()> action) {
    actions.emplace_back(name, std::make_shared<std::function<void()>>(std::move(action)));
  }
  // Runs `hook` inside every call: true ends the call with the result set.
  using CallHook = std::function<bool(const ServerCall& call, HRESULT& result)>;
  void DuringAnyCall(CallHook hook) { anyCall = std::make_shared<CallHook>(std::move(hook)); }
  void ClearScript() {
    rules.clear();
    actions.clear();
  }
  // When calls write their out values.
  enum class Outs { OnSuccess, Never, Always };
  void SetOuts(Outs when) { outs = when; }

  const std::vector<ServerCall>& Calls() const { return calls; }
  std::vector<std::string> CallStrings(const std::string& name = "") const;
  size_t CallCount(const std::string& name) const { return CallStrings(name).size(); }
  void ClearCalls() { calls.clear(); }

  // Any dispid with any arguments (cleared afterwards), for malformed events.
  using sim::CameraEventSource::FireEvent;
  HRESULT FireEvent(DISPID dispid, std::vector<VARIANT> args);

  // The control calls the vtable; late binding is not offered.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    return count ? *count = 0, S_OK : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    return info ? (*info = nullptr, E_NOTIMPL) : E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }

  STDMETHODIMP GetConnectionState(long* connected) override {
    HRESULT hr = Record("GetConnectionState", {});
    return Answer(hr, std::pair{connected, 1L});
  }
  STDMETHODIMP GetProductConfiguration(long* mode, BYTE camera, long* reserved, long* formats,
                                       long* sizes) override {
    HRESULT hr = Record("GetProductConfiguration", {camera});
    return Answer(hr, std::pair{mode, productMode}, std::pair{reserved, 0L},
                  std::pair{formats, formatMask}, std::pair{sizes, sizeMask});
  }
  STDMETHODIMP GetServerVersion(long* version) override {
    HRESULT hr = Record("GetServerVersion", {});
    return Answer(hr, std::pair{version, 0x00010000L});
  }
  STDMETHODIMP GetCameraTestResults(long* brightness, long* colourDifference, long* clusters,
                                    long* blemishSize, long* dead, long* weak,
                                    long* darkening) override {
    HRESULT hr = Record("GetCameraTestResults", {});
    const TestResults& v = testResults;
    return Answer(hr, std::pair{brightness, v[0]}, std::pair{colourDifference, v[1]},
                  std::pair{clusters, v[2]}, std::pair{blemishSize, v[3]}, std::pair{dead, v[4]},
                  std::pair{weak, v[5]}, std::pair{darkening, v[6]});
  }
  STDMETHODIMP ActivateCamera(long on) override { return Record("ActivateCamera", {on}); }
  STDMETHODIMP ActivateViewFinder(long on) override { return Record("ActivateViewFinder", {on}); }
  STDMETHODIMP ReadRegister(BYTE reg, BYTE* value) override {
    HRESULT hr = Record("ReadRegister", {reg});
    return Answer(hr, std::pair{value, registers[reg]});
  }
  STDMETHODIMP WriteRegister(BYTE reg, BYTE value) override {
    HRESULT hr = Record("WriteRegister", {reg, value});
    if (SUCCEEDED(hr)) registers[reg] = value;
    return hr;
  }
  STDMETHODIMP CaptureToFile(BSTR pcPath, long format, long size, long reserved) override {
    return CaptureFile("CaptureToFile", {format, size, reserved}, pcPath);
  }
  STDMETHODIMP CaptureToProduct(BSTR productName, long format, long size) override {
    return Record("CaptureToProduct", {format, size}, productName, true);
  }
  STDMETHODIMP StartCameraTest(BYTE camera, long param1, long param2, long param3,
                               long flashMode) override {
    return Record("StartCameraTest", {camera, param1, param2, param3, flashMode});
  }
  STDMETHODIMP CaptureCameraToFile(BSTR pcPath, BYTE camera, long format, long size, long param3,
                                   long flashMode, long acknowledgements) override {
    return CaptureFile("CaptureCameraToFile",
                       {camera, format, size, param3, flashMode, acknowledgements}, pcPath);
  }
  STDMETHODIMP CaptureCameraToProduct(BSTR productName, BYTE camera, long format, long size,
                                      long param3, long flashMode) override {
    return Record("CaptureCameraToProduct", {camera, format, size, param3, flashMode}, productName,
                  true);
  }
  STDMETHODIMP GetCameraConfiguration(long* reserved1, BYTE camera, long* reserved2, long* formats,
                                      long* sizes, BYTE* count, long* flashCapability) override {
    HRESULT hr = Record("GetCameraConfiguration", {camera});
    const auto found = cameras.find(camera);
    const CameraConfig c = found != cameras.end() ? found->second : CameraConfig{};
    return Answer(hr, std::pair{reserved1, 0L}, std::pair{reserved2, 0L},
                  std::pair{formats, c.formatMask}, std::pair{sizes, c.sizeMask},
                  std::pair{count, cameraCount}, std::pair{flashCapability, c.flashCapability});
  }

 protected:
  const fw::InterfaceEntry* Interfaces() const override { return table.data(); }

 private:
  struct Rule {
    std::string name;
    CallPredicate when;  // empty: every call
    HRESULT hr;
  };

  HRESULT Record(const char* name, std::vector<long> numbers, const wchar_t* text = nullptr,
                 bool hasText = false);
  HRESULT CaptureFile(const char* name, std::vector<long> numbers, BSTR path);
  // Writes each (pointer, value) pair when `outs` allows.
  template <class... T, class... V>
  HRESULT Answer(HRESULT hr, std::pair<T*, V>... out) {
    if ((!out.first || ...)) return E_POINTER;
    if (outs == Outs::Always || (outs == Outs::OnSuccess && SUCCEEDED(hr)))
      ((*out.first = static_cast<T>(out.second)), ...);
    return hr;
  }

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
  std::shared_ptr<CallHook> anyCall;
  Outs outs = Outs::OnSuccess;
  std::vector<ServerCall> calls;

  // Every interface, and the table QueryInterface reads (withheld ones
  // under an id nobody asks for).
  std::array<fw::InterfaceEntry, 6> offered, table;
};

}  // namespace test
