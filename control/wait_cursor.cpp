#include "control/wait_cursor.h"

namespace {

// Process-wide, used on the user-interface thread only.
HCURSOR savedCursor = nullptr;
int nestingCount = 0;

}  // namespace

CWaitCursor::CWaitCursor() {
  if (!savedCursor) savedCursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  ++nestingCount;
}

CWaitCursor::~CWaitCursor() {
  --nestingCount;
  if (nestingCount < 1 && savedCursor) {
    SetCursor(savedCursor);
    savedCursor = nullptr;
  }
}

int CWaitCursor::NestingCount() {
  return nestingCount;
}
