// Saves what a window shows as a PNG file (for headless demo runs).
#pragma once

#include <windows.h>

bool SaveWindowPng(HWND window, const wchar_t* path);
