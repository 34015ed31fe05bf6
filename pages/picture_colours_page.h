// The Picture Colours page: the camera's picture-tuning registers as nine
// sliders, each with a label showing its position converted, and three
// check boxes for single register bits. Moving a slider or clicking a box
// sends nothing; Read copies the registers into the controls and Write the
// controls into the registers.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/register_access_page.h"
#include "resources/resource.h"

class CPictureColoursPropPage : public fw::PropertyPage, public CRegisterAccessPage {
 public:
  static constexpr int kSliderCount = 9;
  static constexpr int kCheckBoxCount = 3;

  CPictureColoursPropPage();
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureColoursPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_MESSAGE(WM_HSCROLL, OnHScroll)
  FW_COMMAND(IDC_READ, BN_CLICKED, OnRead)
  FW_COMMAND(IDC_WRITE, BN_CLICKED, OnWrite)
  FW_END_MESSAGES(fw::PropertyPage)

  // Ranges, positions at the minimums, boxes unchecked, labels.
  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  // Refreshes a slider's label when a drag or key press on it ends.
  LRESULT OnHScroll(const fw::Message& m, bool& handled);
  // Registers into the controls.
  LRESULT OnRead(const fw::Message& m, bool& handled);
  // Controls into the registers.
  LRESULT OnWrite(const fw::Message& m, bool& handled);

 private:
  // Shows slider `index`'s position converted in its label.
  void RefreshLabel(int index);
  // Shows string `textId` in slider `index`'s label.
  void SetLabelText(int index, UINT textId);

  HWND sliders[kSliderCount] = {};
  HWND labels[kSliderCount] = {};
  HWND checkBoxes[kCheckBoxCount] = {};
};
