// The hour-glass for the duration of a scope. Nested wait cursors share one
// saved cursor: the cursor from before the outermost one comes back when
// that one ends.
#pragma once

#include <windows.h>

class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

  static int NestingCount();
};
