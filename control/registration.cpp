#include "control/registration.h"

#include <objbase.h>

#include "KVRCmnCameraControlUI.h"
#include "control/component_categories.h"
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
  bool implemented;
};

const Category kCategories[] = {
#define KVR_CATEGORY_ENTRY(first, description, implemented) \
  {KVR_SUITE_CATEGORY(first), description, implemented != 0},
    KVR_SUITE_CATEGORIES(KVR_CATEGORY_ENTRY)
#undef KVR_CATEGORY_ENTRY
};
constexpr ULONG kCategoryCount = sizeof kCategories / sizeof kCategories[0];

// The ids of the categories the class implements; returns their count.
ULONG ImplementedCategories(CATID (&ids)[kCategoryCount]) {
  ULONG count = 0;
  for (const Category& category : kCategories)
    if (category.implemented) ids[count++] = category.id;
  return count;
}

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
  CATID implemented[kCategoryCount];
  const ULONG implementedCount = ImplementedCategories(implemented);
  if (SUCCEEDED(hr))
    hr = fw::RegisterImplementedCategories(CLSID_CameraControlUI, implemented, implementedCount);
  if (SUCCEEDED(hr)) hr = TypeLibrary(true);
  return hr;
}

HRESULT UnregisterCameraControlServer() {
  ComInitialization com;
  // Every step runs; the first failure is the result. The categories
  // themselves stay: other components of the suite use them.
  CATID implemented[kCategoryCount];
  const ULONG implementedCount = ImplementedCategories(implemented);
  HRESULT result =
      fw::UnregisterImplementedCategories(CLSID_CameraControlUI, implemented, implementedCount);
  HRESULT hr = RunScript(false);
  if (SUCCEEDED(result)) result = hr;
  hr = TypeLibrary(false);
  if (SUCCEEDED(result)) result = hr;
  return result;
}
