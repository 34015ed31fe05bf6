// Saves what windows show as a PNG file (headless demo runs and the
// screenshot tour).
#pragma once

#include <windows.h>

#include <vector>

// The window as it is drawn, its frame included.
bool SaveWindowPng(HWND window, const wchar_t* path);

// The window with `inFront` (top-level windows in front of it: a modal
// dialog, a message box) drawn over it where they lie on the screen. The
// picture covers all of them; what none of them covers is left in the
// desktop colour.
bool SaveWindowsPng(HWND window, const std::vector<HWND>& inFront, const wchar_t* path);
