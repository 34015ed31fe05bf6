#include <windows.h>
#include <gtest/gtest.h>

TEST(Smoke, LoadsProduct) {
  HMODULE dll = LoadLibraryA(KVR_PRODUCT_DLL);
  ASSERT_NE(dll, nullptr);
  auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  ASSERT_NE(get, nullptr);
  EXPECT_EQ(get(CLSID_NULL, IID_IUnknown, nullptr), E_POINTER);
  HWND w = CreateWindowA("BUTTON", "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(w, nullptr);
  DestroyWindow(w);
  FreeLibrary(dll);
}
