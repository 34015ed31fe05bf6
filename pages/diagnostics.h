// Trace lines for the debugger's output window, written only in diagnostic
// builds (compile with KVR_DIAGNOSTICS defined). In other builds the calls
// still check their format and arguments but write nothing.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

__attribute__((format(printf, 1, 2))) inline void DiagnosticTrace(const char* format, ...) {
#ifdef KVR_DIAGNOSTICS
  char line[256];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  OutputDebugStringA(line);
#else
  (void)format;
#endif
}
