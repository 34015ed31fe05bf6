#include "tests/support/fake_camera_server.h"

#include <algorithm>
#include <cstdio>

#include "framework/handles.h"
#include "tests/support/text.h"

namespace test {

std::string ServerCall::ToString() const {
  std::string result = name + "(";
  bool first = true;
  if (hasText) {
    result += "\"" + Text() + "\"";
    first = false;
  }
  for (long number : numbers) {
    if (!first) result += ",";
    result += std::to_string(number);
    first = false;
  }
  return result + ")";
}

std::string ServerCall::Text() const {
  return Narrow(text);
}

CallPredicate ArgEquals(size_t index, long value) {
  return [index, value](const ServerCall& call) {
    return index < call.numbers.size() && call.numbers[index] == value;
  };
}

VARIANT LongArg(long value) {
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = value;
  return arg;
}

VARIANT TextArg(const wchar_t* text) {
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocString(text);
  return arg;
}

HRESULT FakeCameraServer::FireEvent(DISPID dispid, std::vector<VARIANT> args) {
  HRESULT hr = FireEvent(dispid, args.data(), static_cast<UINT>(args.size()));
  for (VARIANT& arg : args)
    VariantClear(&arg);
  return hr;
}

FakeCameraServer::FakeCameraServer() {
  RebuildTable();
}

void FakeCameraServer::RebuildTable() {
  using Self = FakeCameraServer;
  const fw::InterfaceEntry all[] = {
      {&IID_ICameraControlFN, fw::InterfaceOffset<Self, ICameraControlFN>()},
      {&IID_IDispatch, fw::InterfaceOffset<Self, IDispatch, ICameraControlFN>()},
      {&IID_ICameraControlFNTest, fw::InterfaceOffset<Self, ICameraControlFNTest>()},
      {&IID_ICameraControlFNEpoc, fw::InterfaceOffset<Self, ICameraControlFNEpoc>()},
      {&IID_IConnectionPointContainer, fw::InterfaceOffset<Self, IConnectionPointContainer>()},
  };
  table.clear();
  for (const auto& entry : all) {
    bool hidden = std::any_of(withheld.begin(), withheld.end(),
                              [&](const IID& iid) { return IsEqualIID(iid, *entry.iid); });
    if (!hidden) table.push_back(entry);
  }
  table.push_back({nullptr, 0});
}

void FakeCameraServer::Offer(REFIID iid, bool offered) {
  withheld.erase(std::remove_if(withheld.begin(), withheld.end(),
                                [&](const IID& held) { return IsEqualIID(held, iid); }),
                 withheld.end());
  if (!offered) withheld.push_back(iid);
  RebuildTable();
}

void FakeCameraServer::DuringCall(const std::string& name, std::function<void()> action) {
  actions.emplace_back(name, std::make_shared<std::function<void()>>(std::move(action)));
}

void FakeCameraServer::ClearScript() {
  rules.clear();
  actions.clear();
}

void FakeCameraServer::SetResult(const std::string& name, HRESULT hr) {
  rules.push_back({name, nullptr, hr});
}

void FakeCameraServer::FailWhen(const std::string& name, CallPredicate when, HRESULT hr) {
  rules.push_back({name, std::move(when), hr});
}

std::vector<std::string> FakeCameraServer::CallStrings() const {
  std::vector<std::string> result;
  for (const auto& call : calls)
    result.push_back(call.ToString());
  return result;
}

std::vector<std::string> FakeCameraServer::CallStrings(const std::string& name) const {
  std::vector<std::string> result;
  for (const auto& call : calls)
    if (call.name == name) result.push_back(call.ToString());
  return result;
}

size_t FakeCameraServer::CallCount(const std::string& name) const {
  return static_cast<size_t>(std::count_if(calls.begin(), calls.end(),
                                           [&](const ServerCall& c) { return c.name == name; }));
}

HRESULT FakeCameraServer::Record(const char* name, std::vector<long> numbers, const wchar_t* text,
                                 bool hasText) {
  ServerCall call;
  call.name = name;
  call.numbers = std::move(numbers);
  call.hasText = hasText;
  if (text) call.text = text;
  calls.push_back(call);
  // By index: an action may script more, or call the server again.
  for (size_t i = 0; i < actions.size(); ++i)
    if (actions[i].first == call.name) {
      auto action = actions[i].second;  // kept alive while it runs
      (*action)();
    }
  for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule) {
    if (rule->name != call.name || (rule->when && !rule->when(call))) continue;
    return rule->hr;
  }
  return S_OK;
}

HRESULT FakeCameraServer::WriteCapture(BSTR path) const {
  if (!path || !*path) return E_INVALIDARG;
  fw::UniqueFile file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.Get(), captureContent.data(), static_cast<DWORD>(captureContent.size()),
                 &written, nullptr) ||
      written != captureContent.size())
    return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

// The control calls the vtable; late binding is not offered.
STDMETHODIMP FakeCameraServer::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP FakeCameraServer::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FakeCameraServer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeCameraServer::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                      UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP FakeCameraServer::GetConnectionState(long* connected) {
  HRESULT hr = Record("GetConnectionState", {});
  if (!connected) return E_POINTER;
  if (WritesOuts(hr)) *connected = connectionState;
  return hr;
}

STDMETHODIMP FakeCameraServer::GetProductConfiguration(long* mode, BYTE camera, long* reserved,
                                                       long* formats, long* sizes) {
  HRESULT hr = Record("GetProductConfiguration", {camera});
  if (!mode || !reserved || !formats || !sizes) return E_POINTER;
  if (WritesOuts(hr)) {
    *mode = productMode;
    *reserved = 0;
    *formats = formatMask;
    *sizes = sizeMask;
  }
  return hr;
}

STDMETHODIMP FakeCameraServer::GetServerVersion(long* version) {
  HRESULT hr = Record("GetServerVersion", {});
  if (!version) return E_POINTER;
  if (SUCCEEDED(hr)) *version = 0x00010000;
  return hr;
}

STDMETHODIMP FakeCameraServer::GetCameraTestResults(long* averageBrightness,
                                                    long* averageColourDifference,
                                                    long* blemishClusters, long* maximumBlemishSize,
                                                    long* deadPixels, long* weakPixels,
                                                    long* cornerDarkening) {
  HRESULT hr = Record("GetCameraTestResults", {});
  long* outs[7] = {
      averageBrightness, averageColourDifference, blemishClusters, maximumBlemishSize, deadPixels,
      weakPixels,        cornerDarkening};
  for (long* out : outs)
    if (!out) return E_POINTER;
  if (WritesOuts(hr))
    for (size_t i = 0; i < 7; ++i)
      *outs[i] = testResults[i];
  return hr;
}

STDMETHODIMP FakeCameraServer::ActivateCamera(long on) {
  return Record("ActivateCamera", {on});
}

STDMETHODIMP FakeCameraServer::ActivateViewFinder(long on) {
  return Record("ActivateViewFinder", {on});
}

STDMETHODIMP FakeCameraServer::ReadRegister(BYTE reg, BYTE* value) {
  HRESULT hr = Record("ReadRegister", {reg});
  if (!value) return E_POINTER;
  if (WritesOuts(hr)) *value = registers[reg];
  return hr;
}

STDMETHODIMP FakeCameraServer::WriteRegister(BYTE reg, BYTE value) {
  HRESULT hr = Record("WriteRegister", {reg, value});
  if (SUCCEEDED(hr)) registers[reg] = value;
  return hr;
}

STDMETHODIMP FakeCameraServer::CaptureToFile(BSTR pcPath, long format, long size, long reserved) {
  HRESULT hr = Record("CaptureToFile", {format, size, reserved}, pcPath, true);
  if (SUCCEEDED(hr)) {
    HRESULT written = WriteCapture(pcPath);
    if (FAILED(written)) return written;
  }
  return hr;
}

STDMETHODIMP FakeCameraServer::CaptureToProduct(BSTR productName, long format, long size) {
  return Record("CaptureToProduct", {format, size}, productName, true);
}

STDMETHODIMP FakeCameraServer::StartCameraTest(BYTE camera, long param1, long param2, long param3,
                                               long flashMode) {
  return Record("StartCameraTest", {camera, param1, param2, param3, flashMode});
}

STDMETHODIMP FakeCameraServer::CaptureCameraToFile(BSTR pcPath, BYTE camera, long format, long size,
                                                   long param3, long flashMode,
                                                   long acknowledgements) {
  HRESULT hr = Record("CaptureCameraToFile",
                      {camera, format, size, param3, flashMode, acknowledgements}, pcPath, true);
  if (SUCCEEDED(hr)) {
    HRESULT written = WriteCapture(pcPath);
    if (FAILED(written)) return written;
  }
  return hr;
}

STDMETHODIMP FakeCameraServer::CaptureCameraToProduct(BSTR productName, BYTE camera, long format,
                                                      long size, long param3, long flashMode) {
  return Record("CaptureCameraToProduct", {camera, format, size, param3, flashMode}, productName,
                true);
}

STDMETHODIMP FakeCameraServer::GetCameraConfiguration(long* reserved1, BYTE camera, long* reserved2,
                                                      long* formats, long* sizes, BYTE* count,
                                                      long* flashCapability) {
  HRESULT hr = Record("GetCameraConfiguration", {camera});
  if (!reserved1 || !reserved2 || !formats || !sizes || !count || !flashCapability)
    return E_POINTER;
  if (WritesOuts(hr)) {
    auto found = cameras.find(camera);
    CameraConfig config = found != cameras.end() ? found->second : CameraConfig{};
    *reserved1 = 0;
    *reserved2 = 0;
    *formats = config.formatMask;
    *sizes = config.sizeMask;
    *count = cameraCount;
    *flashCapability = config.flashCapability;
  }
  return hr;
}

}  // namespace test
