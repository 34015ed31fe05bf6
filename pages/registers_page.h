// The Registers page: reads and writes a range of the camera's registers
// between the phone and the register list, where values are edited in
// place.
#pragma once

#include <windows.h>

#include "framework/property_page.h"
#include "pages/base_property_page.h"
#include "pages/registers_list_view.h"
#include "resources/resource.h"

class CCameraRegsPropPage : public fw::PropertyPage, public virtual CBasePropertyPage {
 public:
  CCameraRegsPropPage();
  void EnablePage(BOOL enable) override;

 protected:
  FW_BEGIN_MESSAGES(CCameraRegsPropPage)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_COMMAND(IDC_READ, BN_CLICKED, OnRead)
  FW_COMMAND(IDC_WRITE, BN_CLICKED, OnWrite)
  FW_NOTIFY(IDC_REGISTER_LIST, NM_DBLCLK, OnListDoubleClick)
  FW_NOTIFY(IDC_REGISTER_LIST, NM_CLICK, OnListClick)
  FW_END_MESSAGES(fw::PropertyPage)

  LRESULT OnInitDialog(const fw::Message& m, bool& handled);
  // Reads the range from the phone into the list.
  LRESULT OnRead(const fw::Message& m, bool& handled);
  // Writes the list's values of the range to the phone.
  LRESULT OnWrite(const fw::Message& m, bool& handled);
  // Opens the in-place edit over the value cell double-clicked.
  LRESULT OnListDoubleClick(const fw::Message& m, bool& handled);
  // A click in the list closes (and commits) the in-place edit.
  LRESULT OnListClick(const fw::Message& m, bool& handled);

 private:
  // The range in the First and Last boxes; on an invalid range shows why,
  // puts the focus in the box to correct and returns false.
  bool ValidateRange(BYTE& first, BYTE& last);
  enum class Transfer { Read, Write };
  // Validates the range and runs the pass with the hour-glass; reports a
  // failure and leaves the list where it is, or selects the first register.
  void TransferRange(Transfer direction);
  // The passes, stopping at the first failing server result (in `hr`).
  // False when the action cannot go on.
  bool ReadRegisters(CUserAction& action, BYTE first, BYTE last, HRESULT& hr);
  bool WriteRegisters(CUserAction& action, BYTE first, BYTE last, HRESULT& hr);

  HWND firstEdit = nullptr;
  HWND lastEdit = nullptr;
  CRegistersListView registerList;
};
