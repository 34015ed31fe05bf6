// The module's resources as loaded from the built DLL.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "framework/com_object.h"
#include "tests/support/modal.h"
#include "tests/support/product_dll.h"

namespace {

std::string Text(UINT id) {
  char text[1024];
  int length = LoadStringA(test::ProductModule(), id, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

TEST(ResourceStrings, EveryIdLoadsAndTheEasilyMistypedOnesExactly) {
  for (UINT id = 100; id <= 220; ++id)
    EXPECT_NE(Text(id), "") << id;
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
  for (const auto& text : texts)
    EXPECT_EQ(Text(text.first), text.second) << text.first;
}

// Per dialog: its caption, then its controls in tab order as "id text" ("-"
// for no id), "h" for hidden and "d" for disabled ones: what the user reads
// and the ids the code looks the controls up by.
const std::pair<int, const char*> kDialogs[] = {
    {104,
     "|204h|289h Camera Activation|275h &Deactivate All|276h Camera &On|277h &ViewFinder On|1 "
     "&Close|9 &Help"},
    {201,
     "Camera Test|- Test Parameters|- Average Brightness:|207|- Average Colour Difference:|208|- "
     "Number of Blemish Clusters:|210|- Maximum Blemish Size:|211|- Number of Dead Pixels:|212|- "
     "Number of Weak Pixels:|213|- Average Corner Darkening:|214|209 &Test"},
    {202,
     "Registers|- R&egister Values|210 List1|- Register Range To Read/Write|- &First "
     "Register:|212|- &Last Register:|213|202 &Read|203 &Write"},
    {203,
     "Picture Capture|- Location To Save Image|218 P&roduct|219 &PC|227 &Format Of Image To "
     "Capture|232|228 &Size Of &Image To Capture|233|281 &Name Of Image On Product "
     "(Folder\\Filename)|223|234 Pr&eview|220 &Save"},
    {204,
     "Picture Colours|- Analog Gain:|250|272|- Sharpness (V):|253|263|- Sharpness (H):|256|265|- "
     "Contrast:|258|266|- Brightness: |260|267|- Hue:|262|268|- Saturation:|264|269|- "
     "Luminance|239 &Auto|236|270|- White Balance|249 &Auto|248|271|244 &Blemish Correction|202 "
     "&Read|203 &Write"},
    {205,
     "Picture Tests|- Test Selection|274 &No Test|275 Colour &Bar Test|276 Ramp &1 Test|277 Ramp "
     "&2 Test|278 &Specific Value Test|249 Specific Value Test (RGB)|257 R&ed :|250|251|258 "
     "G&reen :|252|253|259 Bl&ue :|254|255|203 &Write"},
    {206, "Image Preview|279 Image Preview|276 &Save|1 &Close|9 &Help"},
    {207,
     "Picture Capture  |- Location To Save Image|284 P&roduct|219 &PC|300d Flashlight State|285d "
     "O&ff|286d O&n|289d Anti Red E&ye|287 Show &Image After Save|227 &Format Of Image To "
     "Capture|232|228 &Size Of &Image To Capture|233|297 Camera Number|299|288 N&ame Of Image On "
     "Product (Folder\\Filename)|283|276 &Save|282h &Use ACKs During Save"},
    {208,
     "Please Wait...|291 &Cancel|- Please wait while the camera test is completed, or press the "
     "Cancel button to cancel it.|- Time Elapsed (seconds):|293 0"},
};

TEST(ResourceDialogs, CaptionsAndControlsInTabOrder) {
  InitCommonControls();
  HMODULE dll = test::ProductModule();
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, 0);
  for (const auto& [id, want] : kDialogs) {
    HWND dialog = CreateDialogParamA(dll, MAKEINTRESOURCEA(id), parent, nullptr, 0);
    std::string seen = test::WindowText(dialog);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      const int control = GetDlgCtrlID(c);
      const auto style = static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE));
      const std::string text = test::WindowText(c);
      seen += "|" + (control == 0xFFFF ? std::string("-") : std::to_string(control)) +
              (style & WS_VISIBLE ? "" : "h") + (style & WS_DISABLED ? "d" : "") +
              (text.empty() ? "" : " ") + text;
    }
    EXPECT_EQ(seen, want) << id;
    DestroyWindow(dialog);
  }
  DestroyWindow(parent);
}

// The library's own id is checked where registration writes it.
TEST(ResourceObjects, TypeLibraryDescribesTheClassAndInterfaceAndTheToolboxBitmapIs16By16) {
  const GUID cls = {0x2C5F573D, 0x5519, 0x4F2D, {0xBC, 0x4C, 0x82, 0xD5, 0x9B, 0x70, 0x6C, 0xDA}};
  const GUID dual = {0x0E9F6632, 0x08C6, 0x48DC, {0x98, 0x65, 0xF7, 0xC1, 0x90, 0xFB, 0x7B, 0x80}};
  const std::string path = test::ProductPath();
  fw::ComPtr<ITypeLib> library;
  fw::ComPtr<ITypeInfo> info;
  ASSERT_EQ(LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_NONE, &library),
            S_OK);
  EXPECT_EQ(library->GetTypeInfoOfGuid(cls, &info), S_OK);
  EXPECT_EQ(library->GetTypeInfoOfGuid(dual, &info), S_OK);
  HMODULE dll = test::ProductModule();
  const auto* header = static_cast<const BITMAPINFOHEADER*>(
      LockResource(LoadResource(dll, FindResourceA(dll, MAKEINTRESOURCEA(102), RT_BITMAP))));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(std::make_tuple(header->biWidth, header->biHeight, header->biBitCount),
            std::make_tuple(16L, 16L, WORD(4)));
}

}  // namespace
