// What the picture pages share: single camera registers read and written
// through the server, whole or one bit at a time, each failure turned into
// a message. A user action on these pages is a pass over one or more
// registers; only the first failure of a pass shows a message, since the
// pass may go on with the next register and one message says enough. A
// pass that cannot go on (its window or its server gone) ends: every later
// access of the pass fails at once, without a message.
#pragma once

#include <windows.h>

#include "pages/base_property_page.h"

class CRegisterAccessPage : public virtual CBasePropertyPage {
 protected:
  // Starts a pass of `action`, which outlives the pass: its first failure
  // will be shown.
  void BeginPass(CUserAction& action) {
    pass = &action;
    reportErrors = 1;
  }
  // Whether the pass may go on (see CUserAction::GoesOn).
  bool PassGoesOn() { return pass && pass->GoesOn(); }

  // Reads register `reg` into `value` (0 unless the server writes it).
  bool ReadRegister(BYTE reg, BYTE& value);
  // Writes `value` (0 to 255) to register `reg`.
  bool WriteRegister(BYTE reg, int value);
  // Bit `bit` (0 to 7) of register `reg`.
  bool ReadRegisterBit(BYTE reg, int bit, bool& set);
  // Reads register `reg`, sets or clears bit `bit` (0 to 7) and writes the
  // byte back with its other bits as read. Stops if the read fails.
  bool WriteRegisterBit(BYTE reg, int bit, bool set);

 private:
  // Shows the message if it is the pass's first failure.
  void ReportFailure(UINT titleId, UINT textId);
  // The pass's server, when the pass goes on; the first time there is
  // none, says so.
  ICameraControlFN* PassServer();

  CUserAction* pass = nullptr;
  BYTE reportErrors = 0;
};
