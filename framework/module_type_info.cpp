#include "framework/module_type_info.h"

#include "framework/module.h"

namespace fw {

HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  char path[MAX_PATH];
  if (!Module::FileName(path, MAX_PATH)) return E_FAIL;
  wchar_t widePath[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH)) return E_FAIL;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(widePath, REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, info);
}

}  // namespace fw
