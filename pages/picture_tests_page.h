// The Picture Tests page: the camera's test picture generator. A click on a
// test radio button writes the selection into the test register at once;
// Write sends the specific colour typed as red, green and blue binary
// numbers, which the arrows beside the fields step.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/binary_edit.h"
#include "pages/register_access_page.h"
#include "resources/resource.h"

class CPictureTestsPropPage : public fw::PropertyPage, public CRegisterAccessPage {
 public:
  static constexpr int kTestCount = 5;
  static constexpr int kColourCount = 3;

  CPictureTestsPropPage();
  // Enabling brings the colour fields back only while the specific value
  // test is selected.
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CPictureTestsPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDC_NO_TEST, BN_CLICKED, OnTestClicked)
  FW_COMMAND(IDC_COLOUR_BAR_TEST, BN_CLICKED, OnTestClicked)
  FW_COMMAND(IDC_RAMP1_TEST, BN_CLICKED, OnTestClicked)
  FW_COMMAND(IDC_RAMP2_TEST, BN_CLICKED, OnTestClicked)
  FW_COMMAND(IDC_SPECIFIC_VALUE_TEST, BN_CLICKED, OnTestClicked)
  FW_COMMAND(IDC_WRITE, BN_CLICKED, OnWrite)
  FW_NOTIFY(IDC_RED_SPIN, UDN_DELTAPOS, OnDeltaPos)
  FW_NOTIFY(IDC_GREEN_SPIN, UDN_DELTAPOS, OnDeltaPos)
  FW_NOTIFY(IDC_BLUE_SPIN, UDN_DELTAPOS, OnDeltaPos)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  // Selects the test of the radio button clicked.
  LRESULT OnTestClicked(const fw::Message& m, bool& handled);
  // Sends the specific colour.
  LRESULT OnWrite(const fw::Message& m, bool& handled);
  // Steps the field beside the arrows; the up-down's own position never
  // changes.
  LRESULT OnDeltaPos(const fw::Message& m, bool& handled);

 private:
  // Writes test `test` (0 to 4) into the test register, one bit at a time;
  // stops at the first failure.
  bool SetTestMode(int test);
  // The colour fields, their arrows and Write are usable only while the
  // specific value test is selected.
  void UpdateSpecificValueControls();

  HWND testRadios[kTestCount] = {};
  HWND spins[kColourCount] = {};
  CBinaryEdit red;
  CBinaryEdit green;
  CBinaryEdit blue;
};
