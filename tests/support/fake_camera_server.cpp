#include "tests/support/fake_camera_server.h"

#include "framework/handles.h"
#include "tests/support/text.h"

namespace test {

std::string ServerCall::ToString() const {
  std::string result = name + "(" + (hasText ? "\"" + Text() + "\"" : "");
  for (size_t i = 0; i < numbers.size(); ++i)
    result += (i || hasText ? "," : "") + std::to_string(numbers[i]);
  return result + ")";
}

std::string ServerCall::Text() const {
  return Narrow(text.c_str());
}

VARIANT LongArg(long value) {
  VARIANT arg{};
  V_VT(&arg) = VT_I4, V_I4(&arg) = value;
  return arg;
}

VARIANT TextArg(const wchar_t* text) {
  VARIANT arg{};
  V_VT(&arg) = VT_BSTR, V_BSTR(&arg) = SysAllocString(text);
  return arg;
}

HRESULT FakeCameraServer::FireEvent(DISPID dispid, std::vector<VARIANT> args) {
  HRESULT hr = FireEvent(dispid, args.data(), static_cast<UINT>(args.size()));
  for (VARIANT& arg : args)
    VariantClear(&arg);
  return hr;
}

FakeCameraServer::FakeCameraServer() {
  using Self = FakeCameraServer;
  offered = {
      {{&IID_ICameraControlFN, fw::InterfaceOffset<Self, ICameraControlFN>()},
       {&IID_IDispatch, fw::InterfaceOffset<Self, IDispatch, ICameraControlFN>()},
       {&IID_ICameraControlFNTest, fw::InterfaceOffset<Self, ICameraControlFNTest>()},
       {&IID_ICameraControlFNEpoc, fw::InterfaceOffset<Self, ICameraControlFNEpoc>()},
       {&IID_IConnectionPointContainer, fw::InterfaceOffset<Self, IConnectionPointContainer>()},
       {nullptr, 0}}};
  table = offered;
}

void FakeCameraServer::Offer(REFIID iid, bool offer) {
  static const IID kNobody = {};
  for (size_t i = 0; offered[i].iid; ++i)
    if (IsEqualIID(*offered[i].iid, iid)) table[i].iid = offer ? offered[i].iid : &kNobody;
}

std::vector<std::string> FakeCameraServer::CallStrings(const std::string& name) const {
  std::vector<std::string> result;
  for (const auto& call : calls)
    if (name.empty() || call.name == name) result.push_back(call.ToString());
  return result;
}

HRESULT FakeCameraServer::Record(const char* name, std::vector<long> numbers, const wchar_t* text,
                                 bool hasText) {
  const ServerCall call{name, std::move(numbers), text ? text : L"", hasText};
  calls.push_back(call);
  if (auto hook = anyCall) {  // kept alive while it runs
    HRESULT result = S_OK;
    if ((*hook)(call, result)) return result;
  }
  // By index: an action may script more, or call the server again.
  for (size_t i = 0; i < actions.size(); ++i)
    if (actions[i].first == name) {
      auto action = actions[i].second;  // kept alive while it runs
      (*action)();
    }
  for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule)
    if (rule->name == name && (!rule->when || rule->when(call))) return rule->hr;
  return S_OK;
}

HRESULT FakeCameraServer::CaptureFile(const char* name, std::vector<long> numbers, BSTR path) {
  HRESULT hr = Record(name, std::move(numbers), path, true);
  if (FAILED(hr)) return hr;
  if (!path || !*path) return E_INVALIDARG;
  fw::UniqueFile file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !WriteFile(file.Get(), captureContent.data(),
                          static_cast<DWORD>(captureContent.size()), &written, nullptr))
    return HRESULT_FROM_WIN32(GetLastError());
  return written == captureContent.size() ? hr : E_FAIL;
}

}  // namespace test
