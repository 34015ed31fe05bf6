// The module registered, loaded by COM, used, unloaded, loaded again and
// unregistered. A program of its own: no other test may keep the DLL loaded.
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "KVRCmnCameraControlUI.h"
#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/modal.h"
#include "tests/support/page_helpers.h"

namespace {

// Runs one export of the DLL, loaded only for that call.
HRESULT CallExport(const char* name) {
  HMODULE module = LoadLibraryA(KVR_PRODUCT_DLL);
  auto fn =
      reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  HRESULT hr = fn ? fn() : E_FAIL;
  if (module) FreeLibrary(module);
  return hr;
}

TEST(ModuleReload, UnloadedByComAndLoadedAgainShowsItsPreviewAsTheFirstTime) {
  CLSID id;  // as a host finds the class: by its ProgID
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  ASSERT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI", &id), S_OK);
  ASSERT_FALSE(GetModuleHandleA(KVR_PRODUCT_DLL));
  std::ifstream file(KVR_SOURCE_DIR "/tests/fixtures/images/bitmap24_16x8.bmp", std::ios::binary);
  const std::string picture(std::istreambuf_iterator<char>(file), {});

  // The second load must come back at the first one's address, or window
  // classes it failed to unregister would go unnoticed.
  HMODULE firstBase = nullptr;
  for (int load = 1; load <= 2; ++load) {
    SCOPED_TRACE(load);
    {
      fw::ComPtr<IUnknown> made;
      ASSERT_EQ(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made)), S_OK);
      ASSERT_TRUE(GetModuleHandleA(KVR_PRODUCT_DLL));
      if (!firstBase) firstBase = GetModuleHandleA(KVR_PRODUCT_DLL);
      ASSERT_EQ(GetModuleHandleA(KVR_PRODUCT_DLL), firstBase);
      test::HostedControl host(made);
      made.Reset();
      host.Server().SetCaptureContent(picture);
      ASSERT_EQ(host.Start(), S_OK);
      host.Click(host.Dialog(), IDC_CAMERA_ON);
      host.SelectTab(1);
      COLORREF topLeft = CLR_INVALID;
      test::WhenDialog preview("Image Preview", [&](HWND dialog) {
        HWND view = GetDlgItem(dialog, IDC_PREVIEW_WINDOW);
        RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(view);
        topLeft = GetPixel(dc, 0, 0);
        ReleaseDC(view, dc);
        test::ClickButton(dialog, IDOK);
      });
      host.Click(host.CurrentPage(), IDC_PREVIEW);
      EXPECT_EQ(preview.Handled(), 1u);
      EXPECT_EQ(topLeft, RGB(255, 0, 0));  // the picture's red corner
      EXPECT_EQ(test::ShownMessages(), std::vector<std::string>{});
    }
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(GetModuleHandleA(KVR_PRODUCT_DLL));
  }
  // Unregistered: the class and its ProgID go.
  EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
  EXPECT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI", &id), CO_E_CLASSSTRING);
  EXPECT_EQ(RegGetValueA(HKEY_CLASSES_ROOT, "CLSID\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}",
                         nullptr, RRF_RT_REG_SZ, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
}

}  // namespace
