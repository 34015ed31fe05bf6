#include "control/registration.h"

#include <objbase.h>

#include "KVRCmnCameraControlUI.h"
#include "framework/component_categories.h"
#include "framework/module.h"
#include "framework/registry_script.h"
#include "framework/type_library.h"

namespace {

// The registry script resource.
constexpr const char* kScriptType = "REGISTRY";
constexpr WORD kScriptId = 103;
// The longest module path handled, in characters with its terminator.
constexpr DWORD kMaxPath = 512;

struct Category {
  CATID id;
  const char* description;
};

// The host suite's category ids differ only in their first field.
constexpr CATID SuiteCategory(DWORD first) {
  return {first, 0xCCB3, 0x11D2, {0xB7, 0x95, 0x00, 0x08, 0xC7, 0x72, 0x40, 0x2B}};
}

// The host suite's component categories, created in this order.
const Category kCategories[] = {
    {SuiteCategory(0x48438240), "KVR BEX Component"},
    {SuiteCategory(0x48438241), "KVR BEX User Interface"},
    {SuiteCategory(0x48438242), "KVR BEX Provider"},
    {SuiteCategory(0x48438243), "KVR BEX Configuration Component"},
    {SuiteCategory(0x48438244), "KVR ZEF MfcMdiComponent"},
    {SuiteCategory(0x48438246), "KVR ZEF BaseComponent"},
    {SuiteCategory(0x48438245), "KVR ZEF Feature"},
    {SuiteCategory(0x48438247), "KVR Settings Component"},
    {SuiteCategory(0x48438248), "KVR BEX Custom Filter Component"},
    {SuiteCategory(0x48438249), "KVR BEX Common Audio Control"},
};

// The class implements the first two: "KVR BEX Component" and
// "KVR BEX User Interface".
const CATID kImplementedCategories[] = {kCategories[0].id, kCategories[1].id};
constexpr ULONG kImplementedCount =
    sizeof kImplementedCategories / sizeof kImplementedCategories[0];

// COM for the length of a registration call, for callers that have not
// initialised it on their thread; a thread that already has an apartment
// keeps it as it is.
class ComInitialization {
 public:
  ComInitialization() : initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComInitialization() {
    if (initialized) CoUninitialize();
  }
  ComInitialization(const ComInitialization&) = delete;
  ComInitialization& operator=(const ComInitialization&) = delete;

 private:
  bool initialized;
};

HRESULT RunScript(bool install) {
  char path[kMaxPath];
  if (!fw::Module::FileName(path, kMaxPath)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  const fw::ScriptReplacement replacements[] = {{"MODULE", path}};
  return fw::RunRegistryScriptResource(fw::Module::ResourceInstance(), kScriptType, kScriptId,
                                       install, replacements, 1);
}

HRESULT TypeLibrary(bool install) {
  char path[kMaxPath];
  if (!fw::Module::FileName(path, kMaxPath)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  return install ? fw::RegisterTypeLibraryOf(path) : fw::UnregisterTypeLibraryOf(path);
}

}  // namespace

HRESULT RegisterCameraControlServer() {
  ComInitialization com;
  // A category that cannot be created does not stop the registration.
  for (const Category& category : kCategories)
    fw::CreateComponentCategory(category.id, category.description);
  HRESULT hr = RunScript(true);
  if (SUCCEEDED(hr))
    hr = fw::RegisterImplementedCategories(CLSID_CameraControlUI, kImplementedCategories,
                                           kImplementedCount);
  if (SUCCEEDED(hr)) hr = TypeLibrary(true);
  return hr;
}

HRESULT UnregisterCameraControlServer() {
  ComInitialization com;
  // Every step runs; the first failure is the result. The categories
  // themselves stay: other components of the suite use them.
  HRESULT result = fw::UnregisterImplementedCategories(CLSID_CameraControlUI,
                                                       kImplementedCategories, kImplementedCount);
  HRESULT hr = RunScript(false);
  if (SUCCEEDED(result)) result = hr;
  hr = TypeLibrary(false);
  if (SUCCEEDED(result)) result = hr;
  return result;
}
