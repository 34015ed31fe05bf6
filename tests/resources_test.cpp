// The module's resources as loaded from the built DLL.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

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

// A control as "id kind[h][d] text": id "-" for none; h hidden, d disabled; kinds P push
// button, G group box, R radio, A auto radio, K auto check box, S static, F black frame, E edit,
// N number edit, L list box, T trackbar, U up-down, C combo box, V list view.
std::string Describe(HWND control) {
  char name[64];
  GetClassNameA(control, name, sizeof name);
  const std::string text = test::WindowText(control);
  static const std::map<std::string, char> kinds = {
      {"STATIC", 'S'},          {"EDIT", 'E'},
      {"LISTBOX", 'L'},         {"MSCTLS_TRACKBAR32", 'T'},
      {"MSCTLS_UPDOWN32", 'U'}, {"COMBOBOX", 'C'},
      {"SYSLISTVIEW32", 'V'}};
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
  const auto found = kinds.find(CharUpperA(name));  // or else a button
  char kind = found != kinds.end() ? found->second : "PP?KR??G?A??????"[style & BS_TYPEMASK];
  if (kind == 'S' && (style & SS_TYPEMASK) == SS_BLACKFRAME) kind = 'F';
  if (kind == 'E' && (style & ES_NUMBER)) kind = 'N';
  const int id = GetDlgCtrlID(control);
  return (id == 0xFFFF ? std::string("-") : std::to_string(id)) + " " + kind +
         (style & WS_VISIBLE ? "" : "h") + (style & WS_DISABLED ? "d" : "") +
         (text.empty() ? "" : " ") + text;
}

// Per dialog: template styles set and clear, client size in dialog units, and caption and
// controls in tab order.
const std::tuple<int, DWORD, DWORD, LONG, LONG, const char*> kDialogs[] = {
    {104, WS_CHILD | DS_SETFONT, WS_POPUP | WS_CAPTION, 389, 206,
     "|204 Fh|289 Gh Camera Activation|275 Rh &Deactivate All|276 Rh Camera &On|277 Rh "
     "&ViewFinder On|1 P &Close|9 P &Help"},
    {201, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Camera Test|- G Test Parameters|- S Average Brightness:|207 S|- S Average Colour "
     "Difference:|208 S|- S Number of Blemish Clusters:|210 S|- S Maximum Blemish Size:|211 S|- S "
     "Number of Dead Pixels:|212 S|- S Number of Weak Pixels:|213 S|- S Average Corner Darkening:|"
     "214 S|209 P &Test"},
    {202, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Registers|- G R&egister Values|210 V List1|- G Register Range To Read/Write|- S &First "
     "Register:|212 N|- S &Last Register:|213 N|202 P &Read|203 P &Write"},
    {203, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Picture Capture|- G Location To Save Image|218 A P&roduct|219 A &PC|227 G &Format Of Image "
     "To Capture|232 L|228 G &Size Of &Image To Capture|233 L|281 G &Name Of Image On Product "
     "(Folder\\Filename)|223 E|234 P Pr&eview|220 P &Save"},
    {204, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Picture Colours|- S Analog Gain:|250 T|272 S|- S Sharpness (V):|253 T|263 S|- S Sharpness "
     "(H):|256 T|265 S|- S Contrast:|258 T|266 S|- S Brightness: |260 T|267 S|- S Hue:|262 T|268 "
     "S|- S Saturation:|264 T|269 S|- G Luminance|239 K &Auto|236 T|270 S|- G White Balance|249 K "
     "&Auto|248 T|271 S|244 K &Blemish Correction|202 P &Read|203 P &Write"},
    {205, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Picture Tests|- G Test Selection|274 R &No Test|275 R Colour &Bar Test|276 R Ramp &1 Test|"
     "277 R Ramp &2 Test|278 R &Specific Value Test|249 G Specific Value Test (RGB)|257 S R&ed :|"
     "250 N|251 U|258 S G&reen :|252 N|253 U|259 S Bl&ue :|254 N|255 U|203 P &Write"},
    {206, 0x80CC0040, ~0x80CC0040u, 251, 211,
     "Image Preview|279 G Image Preview|276 P &Save|1 P &Close|9 P &Help"},
    {207, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137,
     "Picture Capture  |- G Location To Save Image|284 A P&roduct|219 A &PC|300 Gd Flashlight "
     "State|285 Ad O&ff|286 Ad O&n|289 Ad Anti Red E&ye|287 K Show &Image After Save|227 G "
     "&Format Of Image To Capture|232 L|228 G &Size Of &Image To Capture|233 L|297 G Camera "
     "Number|299 C|288 G N&ame Of Image On Product (Folder\\Filename)|283 E|276 P &Save|282 Kh "
     "&Use ACKs During Save"},
    {208, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT, WS_SYSMENU, 186, 95,
     "Please Wait...|291 P &Cancel|- S Please wait while the camera test is completed, or press "
     "the Cancel button to cancel it.|- S Time Elapsed (seconds):|293 S 0"},
};

// Styles of single controls that their kinds above do not show: {dialog, id, mask, wanted}.
const DWORD kUpDown = UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT;
const DWORD kStyles[][4] = {
    {203, 232, LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT},
    {207, 299, CBS_SORT | CBS_DROPDOWNLIST, CBS_DROPDOWNLIST},
    {202, 210, LVS_TYPEMASK, LVS_REPORT},
    {204, 250, TBS_VERT | TBS_NOTICKS | TBS_BOTH, TBS_NOTICKS | TBS_BOTH},
    {205, 251, kUpDown, kUpDown},
};

TEST(ResourceDialogs, EachHasItsStylesSizeCaptionAndControls) {
  InitCommonControls();
  HMODULE dll = test::ProductModule();
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, 0);
  for (const auto& [id, on, off, width, height, want] : kDialogs) {
    SCOPED_TRACE(id);
    const auto* header = static_cast<const DWORD*>(
        LockResource(LoadResource(dll, FindResourceA(dll, MAKEINTRESOURCEA(id), RT_DIALOG))));
    const int ex = header[0] == 0xFFFF0001u;  // DLGTEMPLATEEX: help id, extended style, style
    EXPECT_EQ(header[ex * 3] & (on | off), on);
    EXPECT_EQ(header[1 + ex] & WS_EX_CONTROLPARENT, id == 104 ? WS_EX_CONTROLPARENT : 0u);
    HWND dialog = CreateDialogParamA(dll, MAKEINTRESOURCEA(id), parent, nullptr, 0);
    RECT size = {0, 0, width, height}, client = {};
    MapDialogRect(dialog, &size);
    GetClientRect(dialog, &client);
    EXPECT_TRUE(EqualRect(&size, &client));
    std::string seen = test::WindowText(dialog);  // the caption
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      seen += "|" + Describe(c);
    EXPECT_EQ(seen, want);
    for (const auto& s : kStyles)
      EXPECT_TRUE(s[0] != DWORD(id) ||
                  (GetWindowLongPtrA(GetDlgItem(dialog, s[1]), GWL_STYLE) & s[2]) == s[3])
          << s[1];
    DestroyWindow(dialog);
  }
  DestroyWindow(parent);
}

TEST(ResourcePictures, ToolboxBitmapIs16By16With4BitsPerPixel) {
  HMODULE dll = test::ProductModule();
  const auto* header = static_cast<const BITMAPINFOHEADER*>(
      LockResource(LoadResource(dll, FindResourceA(dll, MAKEINTRESOURCEA(102), RT_BITMAP))));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->biWidth, 16);
  EXPECT_EQ(header->biHeight, 16);
  EXPECT_EQ(header->biBitCount, 4);
}

TEST(ResourceTypeLibrary, HasTheLibraryClassAndInterfaceIds) {
  const GUID lib = {0x3851E9D7, 0x1390, 0x4BDE, {0x8C, 0x71, 0xCD, 0x37, 0x91, 0x4B, 0x73, 0xC5}};
  const GUID cls = {0x2C5F573D, 0x5519, 0x4F2D, {0xBC, 0x4C, 0x82, 0xD5, 0x9B, 0x70, 0x6C, 0xDA}};
  const GUID dual = {0x0E9F6632, 0x08C6, 0x48DC, {0x98, 0x65, 0xF7, 0xC1, 0x90, 0xFB, 0x7B, 0x80}};
  const std::string path = test::ProductPath();
  fw::ComPtr<ITypeLib> library;
  fw::ComPtr<ITypeInfo> info;
  ASSERT_EQ(LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_NONE, &library),
            S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, lib));
  library->ReleaseTLibAttr(attributes);
  EXPECT_EQ(library->GetTypeInfoOfGuid(cls, &info), S_OK);
  EXPECT_EQ(library->GetTypeInfoOfGuid(dual, &info), S_OK);
}

}  // namespace
