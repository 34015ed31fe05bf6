#include "pages/picture_tests_page.h"

#include <commctrl.h>

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "pages/picture_values.h"
#include "pages/sheet_messages.h"

namespace {

constexpr BYTE kTestRegister = 28;
constexpr BYTE kColourHighRegister = 29;
constexpr BYTE kColourLowRegister = 30;

// Register 28's bits for each test, in the order they are written: bit 2
// (any test at all), then bit 0, then bit 1 (which test).
struct TestBit {
  int bit;
  bool set[CPictureTestsPropPage::kTestCount];  // by test
};
constexpr TestBit kTestBits[] = {
    {2, {false, true, true, true, true}},
    {0, {false, false, true, false, true}},
    {1, {false, false, false, true, true}},
};

constexpr int kSpecificValueTest = 4;

struct Colour {
  int editId;
  int spinId;
  int32_t maximum;
  int32_t digits;
};
constexpr Colour kColours[CPictureTestsPropPage::kColourCount] = {
    {IDC_RED, IDC_RED_SPIN, 31, 5},
    {IDC_GREEN, IDC_GREEN_SPIN, 63, 6},
    {IDC_BLUE, IDC_BLUE_SPIN, 31, 5},
};

// What UpdateSpecificValueControls enables and disables besides the
// fields and arrows.
constexpr int kSpecificValueItems[] = {IDC_WRITE, IDC_RED_LABEL, IDC_GREEN_LABEL, IDC_BLUE_LABEL,
                                       IDC_SPECIFIC_VALUE_GROUP};

}  // namespace

CPictureTestsPropPage::CPictureTestsPropPage() : fw::PropertyPage(IDD_PICTURE_TESTS) {}

void CPictureTestsPropPage::EnablePage(BOOL enable) {
  if (!IsWindow()) return;
  fw::EnableChildWindows(Hwnd(), enable);
  if (enable) UpdateSpecificValueControls();
}

void CPictureTestsPropPage::UpdateSpecificValueControls() {
  const BOOL enable =
      SendMessageA(testRadios[kSpecificValueTest], BM_GETCHECK, 0, 0) == BST_CHECKED;
  for (CBinaryEdit* edit : {&red, &green, &blue})
    EnableWindow(edit->Hwnd(), enable);
  for (HWND spin : spins)
    EnableWindow(spin, enable);
  for (int id : kSpecificValueItems)
    EnableWindow(Item(id), enable);
}

LRESULT CPictureTestsPropPage::OnInitDialog(const fw::Message&, bool&) {
  for (int test = 0; test < kTestCount; ++test)
    testRadios[test] = Item(IDC_NO_TEST + test);
  CBinaryEdit* edits[kColourCount] = {&red, &green, &blue};
  for (int i = 0; i < kColourCount; ++i) {
    edits[i]->Subclass(Item(kColours[i].editId));
    spins[i] = Item(kColours[i].spinId);
  }

  // The camera's generator is not asked: the page starts at "no test".
  for (int test = 0; test < kTestCount; ++test)
    SendMessageA(testRadios[test], BM_SETCHECK, test == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  for (int i = 0; i < kColourCount; ++i)
    edits[i]->Setup(0, 0, kColours[i].maximum, kColours[i].digits);
  for (int i = 0; i < kColourCount; ++i) {
    SendMessageA(spins[i], UDM_SETPOS, 0, MAKELPARAM(0, 0));
    SendMessageA(spins[i], UDM_SETRANGE, 0, MAKELPARAM(kColours[i].maximum, 0));
  }
  UpdateSpecificValueControls();

  // The test generator can be reached only while the camera is on.
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}

bool CPictureTestsPropPage::SetTestMode(int test) {
  if (test < 0 || test >= kTestCount) return false;
  for (const TestBit& bit : kTestBits)
    if (!WriteRegisterBit(kTestRegister, bit.bit, bit.set[test])) return false;
  return true;
}

LRESULT CPictureTestsPropPage::OnTestClicked(const fw::Message& m, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused()) return 0;
  const int test = static_cast<int>(m.CommandId()) - IDC_NO_TEST;
  // Each step stops at its first failure, so the one failure of this pass
  // is the only one there is: every failure is shown.
  BeginPass(action);
  CWaitCursor wait;
  const bool set = SetTestMode(test);
  if (!PassGoesOn()) return 0;
  if (set) {
    for (int other = 0; other < kTestCount; ++other)
      SendMessageA(testRadios[other], BM_SETCHECK, other == test ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  UpdateSpecificValueControls();
  return 0;
}

LRESULT CPictureTestsPropPage::OnWrite(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused()) return 0;
  int32_t values[kColourCount] = {};
  const CBinaryEdit* edits[kColourCount] = {&red, &green, &blue};
  for (int i = 0; i < kColourCount; ++i) {
    bool onlyBinaryDigits = false;
    if (!edits[i]->GetValue(values[i], onlyBinaryDigits) || !onlyBinaryDigits) {
      ShowError(IDS_ERR_BINARY_VALUE_TITLE, IDS_ERR_BINARY_VALUE);
      return 0;
    }
  }
  const uint16_t word = Rgb565Word(values[0], values[1], values[2]);
  BeginPass(action);
  CWaitCursor wait;
  if (WriteRegister(kColourHighRegister, word >> 8)) WriteRegister(kColourLowRegister, word & 0xFF);
  return 0;
}

LRESULT CPictureTestsPropPage::OnDeltaPos(const fw::Message& m, bool&) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(m.lParam);
  CBinaryEdit* edit = nullptr;
  switch (change->hdr.idFrom) {
    case IDC_RED_SPIN:
      edit = &red;
      break;
    case IDC_GREEN_SPIN:
      edit = &green;
      break;
    default:
      edit = &blue;
      break;
  }
  if (change->iDelta >= 1)
    edit->Increment();
  else
    edit->Decrement();
  return 1;
}
