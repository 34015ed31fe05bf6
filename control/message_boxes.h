// The message boxes every part of the control shows: titles and texts from
// the module's string table, shown through the host's message component,
// or a plain system message box when that cannot be used.
#pragma once

#include <windows.h>

// Limits of the texts loaded from the string table.
constexpr int kMaxTitleLength = 62;
constexpr int kMaxMessageLength = 510;

// Shows string `textId` under string `titleId` as an error. Returns what
// ShowMessage returns.
long ShowError(UINT titleId, UINT textId);
// The same as information.
void ShowInfo(UINT titleId, UINT textId);
// Shows `text` under `title` through the host's message component with
// result code `hr`, box flags and the host's option. Returns the host's
// answer, or -1 when text or title is missing.
long ShowMessage(const char* text, const char* title, HRESULT hr, UINT flags, long option);
