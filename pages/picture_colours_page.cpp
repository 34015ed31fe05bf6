#include "pages/picture_colours_page.h"

#include <commctrl.h>

#include "control/message_boxes.h"
#include "control/wait_cursor.h"
#include "framework/module.h"
#include "pages/picture_values.h"
#include "pages/sheet_messages.h"

namespace {

// No register: the slider writes one register only.
constexpr int kNoRegister = -1;

struct Slider {
  int sliderId;
  int labelId;
  int minimum;
  int maximum;
  BYTE reg;
  int secondWriteReg;  // also written with the same value, after `reg` succeeded
  SliderScale scale;
};

// In the order the page sets them up, reads and writes them.
constexpr Slider kSliders[CPictureColoursPropPage::kSliderCount] = {
    {IDC_LUMINANCE, IDC_LUMINANCE_VALUE, 16, 255, 9, kNoRegister, SliderScale::Luminance},
    {IDC_WHITE_BALANCE, IDC_WHITE_BALANCE_VALUE, 0, 255, 11, kNoRegister,
     SliderScale::WhiteBalance},
    {IDC_ANALOG_GAIN, IDC_ANALOG_GAIN_VALUE, 12, 192, 7, kNoRegister, SliderScale::AnalogGain},
    {IDC_SHARPNESS_V, IDC_SHARPNESS_V_VALUE, 0, 255, 15, kNoRegister, SliderScale::Sharpness},
    {IDC_SHARPNESS_H, IDC_SHARPNESS_H_VALUE, 0, 255, 14, kNoRegister, SliderScale::Sharpness},
    {IDC_CONTRAST, IDC_CONTRAST_VALUE, 0, 255, 16, kNoRegister, SliderScale::Contrast},
    {IDC_BRIGHTNESS, IDC_BRIGHTNESS_VALUE, 0, 255, 17, kNoRegister, SliderScale::Brightness},
    {IDC_HUE, IDC_HUE_VALUE, 0, 63, 18, 19, SliderScale::HueSaturation},
    {IDC_SATURATION, IDC_SATURATION_VALUE, 0, 63, 20, kNoRegister, SliderScale::HueSaturation},
};

// Each box is bit 7 of a register. The two Auto bits are inverted (set
// means automatic off); White Balance Auto also writes bit 6, plain.
constexpr int kBoxBit = 7;
constexpr int kNoBit = -1;

struct CheckBox {
  int id;
  BYTE reg;
  bool checkedWhenSet;
  int plainBit;  // written as the box shows it, after bit 7
};

constexpr CheckBox kCheckBoxes[CPictureColoursPropPage::kCheckBoxCount] = {
    {IDC_LUMINANCE_AUTO, 5, false, kNoBit},
    {IDC_WHITE_BALANCE_AUTO, 10, false, 6},
    {IDC_BLEMISH_CORRECTION, 27, true, kNoBit},
};

int Clamped(int value, const Slider& slider) {
  if (value < slider.minimum) return slider.minimum;
  if (value > slider.maximum) return slider.maximum;
  return value;
}

int Position(HWND slider) {
  return static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

bool IsChecked(HWND box) {
  return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND box, bool checked) {
  SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

CPictureColoursPropPage::CPictureColoursPropPage() : fw::PropertyPage(IDD_PICTURE_COLOURS) {}

void CPictureColoursPropPage::EnablePage(BOOL enable) {
  fw::EnableChildWindows(Hwnd(), enable);
}

LRESULT CPictureColoursPropPage::OnInitDialog(const fw::Message&, bool&) {
  for (int i = 0; i < kSliderCount; ++i) {
    sliders[i] = Item(kSliders[i].sliderId);
    labels[i] = Item(kSliders[i].labelId);
  }
  for (int i = 0; i < kCheckBoxCount; ++i)
    checkBoxes[i] = Item(kCheckBoxes[i].id);

  for (int i = 0; i < kSliderCount; ++i) {
    const Slider& slider = kSliders[i];
    SendMessageA(sliders[i], TBM_SETRANGEMIN, FALSE, slider.minimum);
    SendMessageA(sliders[i], TBM_SETRANGEMAX, FALSE, slider.maximum);
    SendMessageA(sliders[i], TBM_SETPOS, TRUE, slider.minimum);
    SendMessageA(sliders[i], TBM_SETLINESIZE, 0, 1);
    SendMessageA(sliders[i], TBM_SETPAGESIZE, 0, (slider.maximum - slider.minimum) / 10);
  }
  for (HWND box : checkBoxes)
    SetChecked(box, false);
  for (int i = 0; i < kSliderCount; ++i)
    RefreshLabel(i);

  // The registers can be reached only while the camera is on.
  if (SheetActivationMask(Hwnd()) != ActivationCameraOn) EnablePage(FALSE);
  return TRUE;
}

void CPictureColoursPropPage::RefreshLabel(int index) {
  char text[kSliderLabelSize] = "";
  FormatSliderLabel(kSliders[index].scale, Position(sliders[index]), text, sizeof text);
  SetWindowTextA(labels[index], text);
}

void CPictureColoursPropPage::SetLabelText(int index, UINT textId) {
  char text[kSliderLabelSize] = "";
  LoadStringA(fw::Module::ResourceInstance(), textId, text, sizeof text);
  SetWindowTextA(labels[index], text);
}

// Only the end of a drag or key press counts: the labels do not follow the
// thumb while it moves.
LRESULT CPictureColoursPropPage::OnHScroll(const fw::Message& m, bool& handled) {
  handled = false;
  if (LOWORD(m.wParam) != TB_ENDTRACK) return 0;
  const auto from = reinterpret_cast<HWND>(m.lParam);
  for (int i = 0; i < kSliderCount; ++i) {
    if (from && sliders[i] == from) {
      RefreshLabel(i);
      handled = true;
    }
  }
  return 0;
}

LRESULT CPictureColoursPropPage::OnRead(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return 0;
  BeginPass(action);
  CWaitCursor wait;
  for (int i = 0; i < kSliderCount; ++i) {
    BYTE value = 0;
    const bool read = ReadRegister(kSliders[i].reg, value);
    if (!PassGoesOn()) return 0;
    if (read) {
      SendMessageA(sliders[i], TBM_SETPOS, TRUE, Clamped(value, kSliders[i]));
      RefreshLabel(i);
    } else {
      SetLabelText(i, IDS_READ_FAILED);
    }
  }
  for (int i = 0; i < kCheckBoxCount; ++i) {
    bool set = false;
    if (ReadRegisterBit(kCheckBoxes[i].reg, kBoxBit, set))
      SetChecked(checkBoxes[i], set == kCheckBoxes[i].checkedWhenSet);
    if (!PassGoesOn()) return 0;
  }
  return 0;
}

LRESULT CPictureColoursPropPage::OnWrite(const fw::Message&, bool&) {
  CUserAction action(ServerWork(), Hwnd(), ServerReference());
  if (action.Refused() || !action.HasServer()) return 0;
  BeginPass(action);
  CWaitCursor wait;
  for (int i = 0; i < kSliderCount; ++i) {
    const Slider& slider = kSliders[i];
    const int value = Clamped(Position(sliders[i]), slider);
    bool written = WriteRegister(slider.reg, value);
    if (written && slider.secondWriteReg != kNoRegister)
      written = WriteRegister(static_cast<BYTE>(slider.secondWriteReg), value);
    if (!PassGoesOn()) return 0;
    if (!written) SetLabelText(i, IDS_WRITE_FAILED);
  }
  for (int i = 0; i < kCheckBoxCount; ++i) {
    const CheckBox& box = kCheckBoxes[i];
    const bool checked = IsChecked(checkBoxes[i]);
    WriteRegisterBit(box.reg, kBoxBit, checked == box.checkedWhenSet);
    if (box.plainBit != kNoBit) WriteRegisterBit(box.reg, box.plainBit, checked);
    if (!PassGoesOn()) return 0;
  }
  return 0;
}
