// The module's resources as loaded from the built DLL. The dialogs are checked
// by use: keyboard_test walks each page's tab order, the page tests its texts.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "KVRCmnCameraControlUI.h"
#include "framework/com_object.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

// Other tests show messages through the table; these are read as typed.
TEST(ResourceStrings, EveryIdLoadsAndTheEasilyMistypedOnesExactly) {
  for (UINT id = 100; id <= 220; ++id)
    EXPECT_NE(test::ProductText(id), "") << id;
  const std::pair<UINT, const char*> texts[] = {
      {155,
       "The was an invalid value in the Specific Value Test edit box. Please enter binary digits "
       "only. "},
      {164, "Picture Capture  "},
      {166,
       "No errors occurred when getting a camera image from the phone, but not all data the "
       "image data was received."},
      {183, "The camera image couldn't be saved. The camera does not support requested mode. "},
      {186, "The camera image couldn't be saved. The test results not yet available."},
      {188, "Connected product doensn't support this function."},
      {190, "The preview file couldn't be copied from the phone to the PC.\n"},
  };
  for (const auto& [id, text] : texts)
    EXPECT_EQ(test::ProductText(id), text) << id;
}

TEST(ResourceObjects, TypeLibraryDescribesTheClassAndInterfaceAndTheToolboxBitmapIs16By16) {
  const std::string path = test::ProductPath();
  fw::ComPtr<ITypeLib> library;
  fw::ComPtr<ITypeInfo> info;
  ASSERT_EQ(LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_NONE, &library),
            S_OK);
  for (const GUID& id : {CLSID_CameraControlUI, IID_ICameraControlUI})
    EXPECT_EQ(library->GetTypeInfoOfGuid(id, &info), S_OK);
  HMODULE dll = test::ProductModule();
  const auto* header = static_cast<const BITMAPINFOHEADER*>(
      LockResource(LoadResource(dll, FindResourceA(dll, MAKEINTRESOURCEA(102), RT_BITMAP))));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(std::make_tuple(header->biWidth, header->biHeight, header->biBitCount),
            std::make_tuple(16L, 16L, WORD(4)));
}

}  // namespace
