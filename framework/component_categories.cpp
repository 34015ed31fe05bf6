#include "framework/component_categories.h"

#include <wrl/client.h>

#include <algorithm>
#include <vector>

namespace fw {
namespace {

using Microsoft::WRL::ComPtr;

constexpr LCID kCategoryLocale = 0x409;

HRESULT CategoryManager(ComPtr<ICatRegister>& manager) {
  return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&manager));
}

}  // namespace

HRESULT CreateComponentCategory(const CATID& id, const char* description) {
  if (!description) return E_POINTER;
  CATEGORYINFO info = {};
  info.catid = id;
  info.lcid = kCategoryLocale;
  static_assert(sizeof info.szDescription / sizeof info.szDescription[0] > kMaxCategoryDescription,
                "the description buffer holds the cut text and its terminator");
  // Converted in full, then cut: the cut counts characters, not bytes.
  const int length = MultiByteToWideChar(CP_ACP, 0, description, -1, nullptr, 0);
  if (length <= 0) return HRESULT_FROM_WIN32(GetLastError());
  std::vector<wchar_t> wide(static_cast<size_t>(length));
  if (MultiByteToWideChar(CP_ACP, 0, description, -1, wide.data(), length) != length)
    return HRESULT_FROM_WIN32(GetLastError());
  const size_t kept = std::min(static_cast<size_t>(length - 1), kMaxCategoryDescription);
  for (size_t i = 0; i < kept; ++i)
    info.szDescription[i] = wide[i];
  info.szDescription[kept] = L'\0';

  ComPtr<ICatRegister> manager;
  HRESULT hr = CategoryManager(manager);
  if (FAILED(hr)) return hr;
  return manager->RegisterCategories(1, &info);
}

HRESULT RegisterImplementedCategories(const CLSID& clsid, const CATID* ids, ULONG count) {
  ComPtr<ICatRegister> manager;
  HRESULT hr = CategoryManager(manager);
  if (FAILED(hr)) return hr;
  return manager->RegisterClassImplCategories(clsid, count, const_cast<CATID*>(ids));
}

HRESULT UnregisterImplementedCategories(const CLSID& clsid, const CATID* ids, ULONG count) {
  ComPtr<ICatRegister> manager;
  HRESULT hr = CategoryManager(manager);
  if (FAILED(hr)) return hr;
  return manager->UnRegisterClassImplCategories(clsid, count, const_cast<CATID*>(ids));
}

}  // namespace fw
