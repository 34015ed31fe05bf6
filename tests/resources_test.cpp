// The module's resources as the product and the system load them from the
// built DLL: the string table, every dialog with its controls, the icon and
// toolbox bitmap, the registry script, the type library and the version
// information. The expected values are the product's own.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <wrl/client.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "framework/handles.h"

using Microsoft::WRL::ComPtr;

namespace {

// The product DLL, loaded once for the whole program.
HMODULE Product() {
  static fw::UniqueModule module(LoadLibraryA(KVR_PRODUCT_DLL));
  return module.Get();
}

std::string ResourceBytes(LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(Product(), name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(Product(), found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::string(static_cast<const char*>(bytes), SizeofResource(Product(), found));
}

// ---------------------------------------------------------------------------
// String table

struct QuotedString {
  UINT id;
  const char* text;
};

// The product's texts, by id, exactly as they must load.
const QuotedString kQuotedStrings[] = {
    {100, "KVRCmnCameraControlUI"},
    {101, "Registers"},
    {102, "Camera Test"},
    {103, "Picture Capture"},
    {104, "SubQCif"},
    {105, "QQVGA"},
    {106, "QCIF"},
    {107, "QVGA"},
    {108, "CIF"},
    {109, "VGA"},
    {110, "JPEG"},
    {111, "RGB 444"},
    {112, "RGB 565"},
    {113, "YUV 400"},
    {114, "YUV 420"},
    {115, "YUV 422"},
    {116, "RGB 888"},
    {117, "Bayer"},
    {118, "Picture Tests"},
    {119, "Picture Colours"},
    {129, "Read Failed."},
    {130, "Write Failed."},
    {132, "Error Writing Phone Register"},
    {134, "Error Reading Phone Register"},
    {135,
     "The camera test couldn't be performed. Please check that the phone is on and there is a "
     "Lumadex connection to it. Also, please check that the camera is a Deactivated state."},
    {136, "Error Performing Camera Test"},
    {137,
     "The Camera FN server component couldn't be found. This is an internal error. Please "
     "contact the BEX team."},
    {138, "A Component Couldn't Be Found"},
    {139, "Please select a valid image format."},
    {140, "Invalid Image Format"},
    {141, "Please select a valid image size."},
    {142, "Invalid Image Size"},
    {144, "Error Getting The Preview Image"},
    {145,
     "The camera image couldn't be captured. Please check that the phone is on and there is a "
     "Lumadex connection to it. Also, please check that the camera is activated. "},
    {146, "Error Saving An Image"},
    {147, "There was an error displaying the preview image retrieved from the phone."},
    {148, "Error Displaying Image"},
    {149,
     "There was an error activating the camera. Please check that the phone is on and there is a "
     "Lumadex connection to it."},
    {150, "Error Activating Camera"},
    {151,
     "There was an error activating the viewfinder. Please check that the phone is on and there "
     "is a Lumadex connection to it."},
    {152, "Error Activating ViewFinder"},
    {153, "An internal error has occurred. Please contact the BEX Team."},
    {154, "Internal Error"},
    {155,
     "The was an invalid value in the Specific Value Test edit box. Please enter binary digits "
     "only. "},
    {156, "Invalid Value in Edit Box"},
    {157,
     "Please enter a filename to save the captured file to on the product. There is no need to "
     "add a file extension."},
    {158, "Please Enter A Filename"},
    {159, "Please enter a register number in the range 0-159"},
    {160,
     "The first register number had a greater number than the last. Please make sure that the "
     "first register number is less than or equal to the last."},
    {161, "An Invalid Register Number Was Entered"},
    {162,
     "There was an error saving this file. Please make sure that the filename specified is "
     "valid. If you are trying to overwrite an existing file, please make sure that it isn't set "
     "to 'Read Only'."},
    {163, "Error Saving File"},
    {164, "Picture Capture  "},
    {165, "Picture Capture Warning"},
    {166,
     "No errors occurred when getting a camera image from the phone, but not all data the image "
     "data was received."},
    {167,
     "A camera test is already running on the phone. Please wait for this to finish before "
     "starting another one."},
    {168, "Camera Test Error"},
    {169, "Bitmap"},
    {170, "YUV"},
    {171, "RAW"},
    {172, "Test JBS28"},
    {173, "Test A5A5"},
    {174, "Test Colour Bar"},
    {175, "MPIX"},
    {176, "SXGA"},
    {177, "XGA"},
    {178, "SGA"},
    {179, "Photo"},
    {180, "Tiny"},
    {181, "Invalid Camera Number."},
    {182, "The camera number must be a value from the Camera Number combo box."},
    {183, "The camera image couldn't be saved. The camera does not support requested mode. "},
    {184, "The camera image couldn't be saved. The phone has not selected camera."},
    {185, "The camera image couldn't be saved. The camera is not accessible."},
    {186, "The camera image couldn't be saved. The test results not yet available."},
    {187, "The product name of the product couldn't be determined."},
    {188, "Connected product doensn't support this function."},
    {189, "The previous preview file couldn't be deleted."},
    {190, "The preview file couldn't be copied from the phone to the PC.\n"},
    {191, "The test is already running."},
    {192, "The camera ID is out of range. Select another camera and try again."},
    {193, "Server is busy with another client."},
    {194, "Hardware error detected."},
    {195, "Too many faulty pixels detected."},
    {196, "Invalid option flag requested."},
    {197, "Not enough memory available."},
    {198, "Invalid camera ID. Select another camera and try again."},
    {199, "Invalid test mode requested."},
    {200, "Not enough battery power left."},
    {201, "Camera not activated. Activate the camera and try again."},
    {202, "Unsupported parameter or register ID."},
    {203, "Invalid image size requested."},
    {204, "Invalid image format requested."},
    {205, "Invalid parameters for capture."},
    {206, "Invalid colour format requested."},
    {207, "FMAN error occurred."},
    {208, "Target device is invalid or unavailable. Try again with another device."},
    {209, "Folder is invalid or read-only. Try again with another folder."},
    {210, "Duplicate file name, try again with another file name."},
    {211, "Out of memory, remove some files and try again."},
    {212, "Sensor test results not yet available, try again later."},
    {213, "Camera not ready to be operated, user action required."},
    {214,
     "The register operation failed. Please check that the phone is on and there is a Lumadex "
     "connection to it. Also, please check that the camera is activated. "},
    {215, "Unspecified file system error."},
    {216, "Name exists or invalid path/file name. Try again with another path/file name."},
    {217, "No space on logical drive. Try removing some data from drive and try again."},
    {218, "Camera Control"},
    {219,
     "Product specific configuration file for this component not found. Please check that "
     "product specific data package is installed."},
    {220, "Picture captured successfully."},
};

std::string LoadText(UINT id) {
  char buffer[1024];
  int length = LoadStringA(Product(), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? length : 0);
}

TEST(ResourceStrings, ProductTextsLoadByteForByte) {
  ASSERT_NE(Product(), nullptr);
  for (const QuotedString& s : kQuotedStrings) {
    SCOPED_TRACE(s.id);
    EXPECT_EQ(LoadText(s.id), s.text);
  }
}

TEST(ResourceStrings, EveryIdFrom100To220HasAText) {
  ASSERT_NE(Product(), nullptr);
  for (UINT id = 100; id <= 220; ++id) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(LoadText(id).empty());
  }
  EXPECT_TRUE(LoadText(221).empty());
}

// ---------------------------------------------------------------------------
// Dialogs

constexpr int kNone = 0xFFFF;  // id of the controls that have none

// What one control of a dialog must look like. `on` styles must be set,
// `off` styles clear; `kind` is compared under `kindMask` (button, static
// and combo-box kinds). A position is in dialog units; a negative height
// leaves the height unchecked (a combo box's template height includes its
// drop-down list).
struct Ctl {
  int id;
  const char* cls;
  const char* text;
  DWORD kindMask = 0;
  DWORD kind = 0;
  DWORD on = WS_VISIBLE;
  DWORD off = 0;
  bool border = false;
  bool scrolls = false;
  bool placed = false;
  RECT dlu{};

  Ctl With(DWORD styles) const {
    Ctl c = *this;
    c.on |= styles;
    return c;
  }
  Ctl Without(DWORD styles) const {
    Ctl c = *this;
    c.off |= styles;
    return c;
  }
  Ctl Hidden() const {
    Ctl c = Without(WS_VISIBLE);
    c.on &= ~WS_VISIBLE;
    return c;
  }
  Ctl Disabled() const { return With(WS_DISABLED); }
  // A list's vertical scroll bar shows only while its items do not fit.
  Ctl ScrollsWhenFull() const {
    Ctl c = *this;
    c.scrolls = true;
    return c;
  }
  Ctl Bordered() const {
    Ctl c = *this;
    c.border = true;
    return c;
  }
  Ctl At(int x, int y, int width, int height) const {
    Ctl c = *this;
    c.placed = true;
    c.dlu = {x, y, width, height};
    return c;
  }
};

Ctl Button(int id, const char* text, DWORD mask, DWORD kind) {
  return Ctl{id, "Button", text, mask, kind};
}
// The dialog manager turns the focused push button into the default one.
Ctl PushButton(int id, const char* text) {
  return Button(id, text, 0xE, BS_PUSHBUTTON).With(WS_TABSTOP);
}
Ctl GroupBox(int id, const char* text) {
  return Button(id, text, BS_TYPEMASK, BS_GROUPBOX);
}
Ctl Radio(int id, const char* text) {
  return Button(id, text, BS_TYPEMASK, BS_RADIOBUTTON);
}
Ctl AutoRadio(int id, const char* text) {
  return Button(id, text, BS_TYPEMASK, BS_AUTORADIOBUTTON);
}
Ctl AutoCheck(int id, const char* text) {
  return Button(id, text, BS_TYPEMASK, BS_AUTOCHECKBOX);
}
Ctl Label(int id, const char* text) {
  return Ctl{id, "Static", text, SS_TYPEMASK, SS_LEFT};
}
Ctl CentredLabel(int id, const char* text) {
  return Ctl{id, "Static", text, SS_TYPEMASK, SS_CENTER};
}
Ctl Edit(int id) {
  return Ctl{id, "Edit", ""}.With(WS_TABSTOP).Bordered();
}
Ctl NumberEdit(int id) {
  return Edit(id).With(ES_NUMBER);
}
Ctl FormatOrSizeList(int id) {
  return Ctl{id, "ListBox", ""}
      .With(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP)
      .Without(LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL)
      .Bordered()
      .ScrollsWhenFull();
}
Ctl Slider(int id) {
  return Ctl{id, "msctls_trackbar32", ""}
      .With(TBS_BOTH | TBS_NOTICKS | WS_TABSTOP)
      .Without(TBS_VERT | TBS_AUTOTICKS);
}
Ctl Arrows(int id) {
  return Ctl{id, "msctls_updown32", ""}.With(UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT |
                                             UDS_SETBUDDYINT);
}

struct ExpectedDialog {
  int id;
  const char* caption;
  DWORD styleOn;   // template style bits that must be set
  DWORD styleOff;  // and those that must be clear
  int width;       // client size in dialog units
  int height;
  std::vector<Ctl> controls;  // in tab order
};

// A child page of the property sheet: 362 x 137 with the tab text as caption.
ExpectedDialog Page(int id, const char* caption, std::vector<Ctl> controls) {
  return {id, caption, WS_CHILD | DS_SETFONT, WS_POPUP, 362, 137, std::move(controls)};
}

struct TemplateHeader {
  DWORD style = 0;
  DWORD exStyle = 0;
};

TemplateHeader ReadTemplateHeader(int id) {
  std::string bytes = ResourceBytes(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  TemplateHeader header;
  if (bytes.size() < 18) return header;
  const char* p = bytes.data();
  WORD signature;
  std::memcpy(&signature, p + 2, sizeof signature);
  bool extended = signature == 0xFFFF;  // DLGTEMPLATEEX
  std::memcpy(&header.style, p + (extended ? 12 : 0), sizeof header.style);
  std::memcpy(&header.exStyle, p + (extended ? 8 : 4), sizeof header.exStyle);
  return header;
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

std::string WindowText(HWND window) {
  char text[512];
  int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

std::string ClassOf(HWND window) {
  char name[128];
  int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, length > 0 ? length : 0);
}

class ResourceDialogs : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX classes{sizeof classes,
                                 ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = DefWindowProcA;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.lpszClassName = kParentClass;
    RegisterClassA(&parentClass);
  }

  // A hidden top-level window: parent of the child dialogs, owner of the others.
  void SetUp() override {
    ASSERT_NE(Product(), nullptr);
    parent.Reset(CreateWindowExA(0, kParentClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(parent);
  }

  void ExpectDialog(const ExpectedDialog& want) {
    TemplateHeader header = ReadTemplateHeader(want.id);
    EXPECT_EQ(header.style & want.styleOn, want.styleOn);
    EXPECT_EQ(header.style & want.styleOff, 0u);

    dialog.Reset(
        CreateDialogParamA(Product(), MAKEINTRESOURCEA(want.id), parent.Get(), InertDialogProc, 0));
    ASSERT_TRUE(dialog) << "dialog " << want.id << " cannot be created";
    HWND d = dialog.Get();
    EXPECT_EQ(WindowText(d), want.caption);
    ExpectFont(d);

    RECT expected{0, 0, want.width, want.height};
    MapDialogRect(d, &expected);
    RECT client;
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, expected.right) << "width of " << want.width << " dialog units";
    EXPECT_EQ(client.bottom, expected.bottom) << "height of " << want.height << " dialog units";

    size_t index = 0;
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++index) {
      if (index >= want.controls.size()) {
        ADD_FAILURE() << "unexpected control " << GetDlgCtrlID(c) << " \"" << WindowText(c) << "\"";
        continue;
      }
      ExpectControl(d, c, want.controls[index]);
    }
    EXPECT_EQ(index, want.controls.size()) << "number of controls";
  }

  fw::UniqueWindow parent;
  fw::UniqueWindow dialog;  // destroyed before its parent

 private:
  static constexpr const char* kParentClass = "KvrResourcesTestParent";

  static void ExpectFont(HWND d) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0));
    LOGFONTA face{};
    ASSERT_TRUE(font && GetObjectA(font, sizeof face, &face)) << "dialog has no font of its own";
    EXPECT_STREQ(face.lfFaceName, "MS Sans Serif");
    fw::WindowDC screen(nullptr);
    EXPECT_EQ(face.lfHeight, -MulDiv(8, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72)) << "8 points";
  }

  // Fills a list box, or a combo box's drop-down list, beyond its height.
  static void ExpectScrollBarWhenFull(HWND c) {
    HWND list = c;
    bool combo = lstrcmpiA(ClassOf(c).c_str(), "ComboBox") == 0;
    if (combo) {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      ASSERT_TRUE(GetComboBoxInfo(c, &info));
      list = info.hwndList;
    }
    for (int i = 0; i < 40; ++i) {
      SendMessageA(c, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    }
    EXPECT_TRUE(GetWindowLongPtrA(list, GWL_STYLE) & WS_VSCROLL) << "no vertical scroll bar";
  }

  static void ExpectControl(HWND d, HWND c, const Ctl& want) {
    SCOPED_TRACE(testing::Message() << "control " << want.id << " \"" << want.text << "\"");
    EXPECT_EQ(GetDlgCtrlID(c), want.id);
    EXPECT_EQ(lstrcmpiA(ClassOf(c).c_str(), want.cls), 0) << "class " << ClassOf(c);
    EXPECT_EQ(WindowText(c), want.text);

    auto style = static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(c, GWL_EXSTYLE));
    EXPECT_EQ(style & want.kindMask, want.kind) << std::hex << "style 0x" << style;
    EXPECT_EQ(style & want.on, want.on) << std::hex << "style 0x" << style;
    EXPECT_EQ(style & want.off, 0u) << std::hex << "style 0x" << style;
    // Edits and list boxes may draw a requested border as a sunken client edge.
    if (want.scrolls) ExpectScrollBarWhenFull(c);
    if (want.border) {
      EXPECT_TRUE((style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE));
    }

    if (want.placed) {
      RECT expected = want.dlu;  // left, top, width, height
      MapDialogRect(d, &expected);
      RECT actual;
      GetWindowRect(c, &actual);
      MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right - actual.left, expected.right);
      if (want.dlu.bottom >= 0) {
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
      }
    }
  }
};

TEST_F(ResourceDialogs, ControlDialog104) {
  ExpectedDialog want{
      104,
      "",
      WS_CHILD | DS_SETFONT,
      WS_CAPTION | WS_POPUP,
      389,
      206,
      {
          Ctl{204, "Static", "", SS_TYPEMASK, SS_BLACKFRAME}.Hidden().At(11, 11, 366, 155),
          GroupBox(289, "Camera Activation").Hidden().At(10, 171, 210, 26),
          Radio(275, "&Deactivate All").Hidden().At(17, 182, 60, 10),
          Radio(276, "Camera &On").Hidden().At(87, 182, 51, 10),
          Radio(277, "&ViewFinder On").Hidden().At(154, 182, 62, 10),
          PushButton(1, "&Close").At(274, 183, 50, 14),
          PushButton(9, "&Help").At(328, 183, 50, 14),
      }};
  ExpectDialog(want);
  EXPECT_EQ(ReadTemplateHeader(104).exStyle & WS_EX_CONTROLPARENT, DWORD(WS_EX_CONTROLPARENT));
}

TEST_F(ResourceDialogs, CameraTestPage201) {
  ExpectDialog(Page(201, "Camera Test",
                    {
                        GroupBox(kNone, "Test Parameters"),
                        Label(kNone, "Average Brightness:"),
                        Label(207, ""),
                        Label(kNone, "Average Colour Difference:"),
                        Label(208, ""),
                        Label(kNone, "Number of Blemish Clusters:"),
                        Label(210, ""),
                        Label(kNone, "Maximum Blemish Size:"),
                        Label(211, ""),
                        Label(kNone, "Number of Dead Pixels:"),
                        Label(212, ""),
                        Label(kNone, "Number of Weak Pixels:"),
                        Label(213, ""),
                        Label(kNone, "Average Corner Darkening:"),
                        Label(214, ""),
                        PushButton(209, "&Test"),
                    }));
}

TEST_F(ResourceDialogs, RegistersPage202) {
  ExpectDialog(Page(
      202, "Registers",
      {
          GroupBox(kNone, "R&egister Values"),
          Ctl{210, "SysListView32", "List1", LVS_TYPEMASK, LVS_REPORT}.With(WS_TABSTOP).Bordered(),
          GroupBox(kNone, "Register Range To Read/Write"),
          Label(kNone, "&First Register:"),
          NumberEdit(212),
          Label(kNone, "&Last Register:"),
          NumberEdit(213),
          PushButton(202, "&Read"),
          PushButton(203, "&Write"),
      }));
}

TEST_F(ResourceDialogs, PictureCapturePage203) {
  ExpectDialog(
      Page(203, "Picture Capture",
           {
               GroupBox(kNone, "Location To Save Image").At(7, 7, 91, 25),
               AutoRadio(218, "P&roduct").With(WS_GROUP | WS_TABSTOP).At(14, 18, 41, 10),
               AutoRadio(219, "&PC").At(61, 18, 25, 10),
               GroupBox(227, "&Format Of Image To Capture").At(7, 37, 107, 57),
               FormatOrSizeList(232).At(14, 49, 94, 38),
               GroupBox(228, "&Size Of &Image To Capture").At(120, 37, 107, 57),
               FormatOrSizeList(233).At(126, 49, 94, 38),
               GroupBox(281, "&Name Of Image On Product (Folder\\Filename)").At(7, 99, 220, 31),
               Edit(223).Without(ES_AUTOHSCROLL).At(14, 111, 206, 12),
               PushButton(234, "Pr&eview").At(251, 116, 50, 14),
               PushButton(220, "&Save").At(305, 116, 50, 14),
           }));
}

TEST_F(ResourceDialogs, PictureColoursPage204) {
  ExpectDialog(Page(204, "Picture Colours",
                    {
                        Label(kNone, "Analog Gain:").At(7, 9, 42, 8),
                        Slider(250).At(59, 9, 60, 10),
                        Label(272, "").At(125, 9, 50, 8),
                        Label(kNone, "Sharpness (V):").At(7, 24, 47, 8),
                        Slider(253).At(59, 24, 60, 10),
                        Label(263, "").At(125, 24, 50, 8),
                        Label(kNone, "Sharpness (H):").At(7, 39, 48, 8),
                        Slider(256).At(59, 39, 60, 10),
                        Label(265, "").At(125, 39, 50, 8),
                        Label(kNone, "Contrast:").At(7, 54, 29, 8),
                        Slider(258).At(59, 54, 60, 10),
                        Label(266, "").At(125, 54, 50, 8),
                        Label(kNone, "Brightness: ").At(7, 69, 36, 8),
                        Slider(260).At(59, 69, 60, 10),
                        Label(267, "").At(125, 69, 50, 8),
                        Label(kNone, "Hue:").At(7, 84, 16, 8),
                        Slider(262).At(59, 84, 60, 10),
                        Label(268, "").At(125, 84, 50, 8),
                        Label(kNone, "Saturation:").At(7, 99, 35, 8),
                        Slider(264).At(59, 99, 60, 10),
                        Label(269, "").At(125, 99, 50, 8),
                        GroupBox(kNone, "Luminance").At(186, 5, 169, 27),
                        AutoCheck(239, "&Auto").At(194, 16, 31, 10),
                        Slider(236).At(228, 16, 60, 10),
                        Label(270, "").At(290, 16, 57, 8),
                        GroupBox(kNone, "White Balance").At(186, 36, 169, 27),
                        AutoCheck(249, "&Auto").At(194, 47, 31, 10),
                        Slider(248).At(228, 47, 60, 10),
                        Label(271, "").At(290, 47, 57, 8),
                        AutoCheck(244, "&Blemish Correction").At(186, 73, 74, 10),
                        PushButton(202, "&Read").At(251, 116, 50, 14),
                        PushButton(203, "&Write").At(305, 116, 50, 14),
                    }));
}

// The up-downs place themselves beside their buddies, so neither is placed
// where the template says.
TEST_F(ResourceDialogs, PictureTestsPage205) {
  ExpectDialog(Page(205, "Picture Tests",
                    {
                        GroupBox(kNone, "Test Selection").At(7, 7, 89, 86),
                        Radio(274, "&No Test").At(13, 20, 41, 10),
                        Radio(275, "Colour &Bar Test").At(13, 34, 65, 10),
                        Radio(276, "Ramp &1 Test").At(13, 48, 57, 10),
                        Radio(277, "Ramp &2 Test").At(13, 62, 57, 10),
                        Radio(278, "&Specific Value Test").At(13, 76, 75, 10),
                        GroupBox(249, "Specific Value Test (RGB)").At(104, 7, 97, 87),
                        Label(257, "R&ed :").At(113, 21, 18, 8),
                        NumberEdit(250),
                        Arrows(251),
                        Label(258, "G&reen :").At(113, 37, 24, 8),
                        NumberEdit(252),
                        Arrows(253),
                        Label(259, "Bl&ue :").At(114, 54, 19, 8),
                        NumberEdit(254),
                        Arrows(255),
                        PushButton(203, "&Write").At(114, 73, 50, 14),
                    }));
}

TEST_F(ResourceDialogs, ImagePreview206) {
  ExpectedDialog want{206,
                      "Image Preview",
                      0x80CC0040,
                      WS_CHILD,
                      251,
                      211,
                      {
                          GroupBox(279, "Image Preview").At(7, 7, 237, 176),
                          PushButton(276, "&Save").At(86, 190, 50, 14),
                          PushButton(1, "&Close").At(140, 190, 50, 14),
                          PushButton(9, "&Help").At(194, 190, 50, 14),
                      }};
  ExpectDialog(want);
  EXPECT_EQ(ReadTemplateHeader(206).style, 0x80CC0040u);
}

TEST_F(ResourceDialogs, ProductPictureCapturePage207) {
  ExpectDialog(Page(
      207, "Picture Capture  ",
      {
          GroupBox(kNone, "Location To Save Image").With(WS_GROUP).At(7, 7, 91, 25),
          AutoRadio(284, "P&roduct").At(14, 18, 41, 10),
          AutoRadio(219, "&PC").At(61, 18, 25, 10),
          GroupBox(300, "Flashlight State").With(WS_GROUP).Disabled().At(103, 7, 124, 25),
          AutoRadio(285, "O&ff").Disabled().At(111, 17, 25, 10),
          AutoRadio(286, "O&n").Disabled().At(139, 17, 25, 10),
          AutoRadio(289, "Anti Red E&ye").Disabled().At(167, 17, 57, 10),
          AutoCheck(287, "Show &Image After Save").With(WS_TABSTOP).At(233, 17, 91, 10),
          GroupBox(227, "&Format Of Image To Capture").At(7, 37, 107, 57),
          FormatOrSizeList(232).At(14, 49, 94, 38),
          GroupBox(228, "&Size Of &Image To Capture").At(120, 37, 107, 57),
          FormatOrSizeList(233).At(126, 49, 94, 38),
          GroupBox(297, "Camera Number").At(233, 37, 63, 31),
          Ctl{299, "ComboBox", "", 0x3, CBS_DROPDOWNLIST}
              .With(WS_TABSTOP)
              .Without(CBS_SORT)
              .ScrollsWhenFull()
              .At(239, 48, 51, -1),
          GroupBox(288, "N&ame Of Image On Product (Folder\\Filename)")
              .With(WS_GROUP)
              .At(7, 99, 220, 31),
          Edit(283).With(ES_AUTOHSCROLL).At(14, 111, 206, 12),
          PushButton(276, "&Save").At(304, 116, 50, 14),
          AutoCheck(282, "&Use ACKs During Save").With(WS_TABSTOP).Hidden().At(233, 73, 89, 10),
      }));
}

TEST_F(ResourceDialogs, PleaseWait208) {
  ExpectedDialog want{
      208,
      "Please Wait...",
      WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
      WS_SYSMENU | WS_CHILD,
      186,
      95,
      {
          PushButton(291, "&Cancel"),
          CentredLabel(kNone,
                       "Please wait while the camera test is completed, or press the "
                       "Cancel button to cancel it."),
          Label(kNone, "Time Elapsed (seconds):"),
          Label(293, "0"),
      }};
  ExpectDialog(want);
}

// ---------------------------------------------------------------------------
// Pictures, registry script, type library, version

TEST(ResourcePictures, CameraIconHasBothSizes) {
  ASSERT_NE(Product(), nullptr);
  // The icon group's directory lists one image per size.
  std::string group =
      ResourceBytes(MAKEINTRESOURCEA(209), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  ASSERT_GE(group.size(), 6u);
  std::vector<int> sizes;
  WORD count;
  std::memcpy(&count, group.data() + 4, sizeof count);
  for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i)
    sizes.push_back(static_cast<unsigned char>(group[6 + 14 * i]));
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), 32), sizes.end());
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), 16), sizes.end());

  for (int size : {32, 16}) {
    SCOPED_TRACE(size);
    fw::UniqueIcon icon(static_cast<HICON>(
        LoadImageA(Product(), MAKEINTRESOURCEA(209), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    ASSERT_TRUE(icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Get(), &info));
    fw::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    ASSERT_TRUE(colour && GetObjectA(colour.Get(), sizeof bitmap, &bitmap));
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmHeight, size);
  }
}

TEST(ResourcePictures, ToolboxBitmapIs16By16With4BitsPerPixel) {
  ASSERT_NE(Product(), nullptr);
  std::string bytes = ResourceBytes(MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data(), sizeof header);
  EXPECT_EQ(header.biSize, sizeof header);
  EXPECT_EQ(header.biWidth, 16);
  EXPECT_EQ(header.biHeight, 16);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, DWORD(BI_RGB));
  // 16 palette entries and 16 rows of 8 bytes follow the header.
  EXPECT_EQ(bytes.size(), sizeof header + 16 * sizeof(RGBQUAD) + 16 * 8);
}

TEST(ResourceRegistryScript, NamesTheClassAndTheToolboxBitmap) {
  ASSERT_NE(Product(), nullptr);
  std::string script = ResourceBytes(MAKEINTRESOURCEA(103), "REGISTRY");
  ASSERT_FALSE(script.empty());
  EXPECT_NE(script.find("{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}"), std::string::npos);
  EXPECT_NE(script.find("'%MODULE%, 102'"), std::string::npos);
}

std::wstring Documentation(ITypeInfo* info, std::wstring* help) {
  BSTR name = nullptr, doc = nullptr;
  if (FAILED(info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr))) return {};
  std::wstring result = name ? name : L"";
  *help = doc ? doc : L"";
  SysFreeString(name);
  SysFreeString(doc);
  return result;
}

GUID Guid(const wchar_t* text) {
  GUID guid{};
  CLSIDFromString(text, &guid);
  return guid;
}

TEST(ResourceTypeLibrary, DescribesTheControlClassAndItsInterface) {
  ASSERT_NE(Product(), nullptr);
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(Product(), path, MAX_PATH), 0u);
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK);

  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, Guid(L"{3851E9D7-1390-4BDE-8C71-CD37914B73C5}")));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  library->ReleaseTLibAttr(attributes);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"KVRCmnCameraControlUILib");
  EXPECT_STREQ(help, L"KVR Cmn CameraControl UI Library");
  SysFreeString(name);
  SysFreeString(help);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(L"{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}"), &coclass),
            S_OK);
  std::wstring coclassHelp;
  EXPECT_EQ(Documentation(coclass.Get(), &coclassHelp), L"CameraControlUI");
  EXPECT_EQ(coclassHelp, L"KVR Cmn CameraControlUI");
  TYPEATTR* type = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_COCLASS);
  EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(type->cImplTypes, 1);
  coclass->ReleaseTypeAttr(type);

  INT flags = 0;
  EXPECT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  ComPtr<ITypeInfo> interfaceInfo;
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, &interfaceInfo), S_OK);
  std::wstring interfaceHelp;
  EXPECT_EQ(Documentation(interfaceInfo.Get(), &interfaceHelp), L"ICameraControlUI");
  EXPECT_EQ(interfaceHelp, L"ICameraControlUI Interface");
  ASSERT_EQ(interfaceInfo->GetTypeAttr(&type), S_OK);
  EXPECT_TRUE(IsEqualGUID(type->guid, Guid(L"{0E9F6632-08C6-48DC-9865-F7C190FB7B80}")));
  EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FDUAL);
  interfaceInfo->ReleaseTypeAttr(type);
}

TEST(ResourceVersion, DescribesTheProduct) {
  ASSERT_NE(Product(), nullptr);
  // version.dll is not among the test's link libraries; take it at run time.
  fw::UniqueModule version(LoadLibraryA("version.dll"));
  ASSERT_TRUE(version);
  using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
  auto size = reinterpret_cast<SizeFn>(
      reinterpret_cast<void*>(GetProcAddress(version.Get(), "GetFileVersionInfoSizeA")));
  auto info = reinterpret_cast<InfoFn>(
      reinterpret_cast<void*>(GetProcAddress(version.Get(), "GetFileVersionInfoA")));
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(version.Get(), "VerQueryValueA")));
  ASSERT_TRUE(size && info && query);

  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(Product(), path, MAX_PATH), 0u);
  DWORD bytes = size(path, nullptr);
  ASSERT_GT(bytes, 0u);
  std::vector<char> block(bytes);
  ASSERT_TRUE(info(path, 0, bytes, block.data()));

  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(query(block.data(), "\\VarFileInfo\\Translation",
                    reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  char key[64];
  for (const char* field : {"FileDescription", "ProductName"}) {
    SCOPED_TRACE(field);
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], field);
    char* text = nullptr;
    ASSERT_TRUE(query(block.data(), key, reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "KVR Cmn CameraControlUI");
  }
}

}  // namespace
