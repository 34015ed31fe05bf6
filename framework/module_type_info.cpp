#include "framework/module_type_info.h"

#include "framework/module.h"
#include "framework/type_library.h"

namespace fw {

HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  char path[MAX_PATH];
  if (!Module::FileName(path, MAX_PATH)) return E_FAIL;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibraryOf(path, &library);
  return FAILED(hr) ? hr : library->GetTypeInfoOfGuid(guid, info);
}

}  // namespace fw
