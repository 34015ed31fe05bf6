// Help files: found beside the module, resolved by the host when it can,
// shown by the system help viewer.
#pragma once

#include <windows.h>

// Folder of this module's file with a trailing backslash; empty when the
// file name cannot be read or fills the whole buffer.
void GetModuleFolder(char (&folder)[MAX_PATH]);

// Opens `path` at `command`/`data`, owned by `window`: through the host's
// help resolver when it is there and gives a path, else as given.
BOOL ShowHelpFile(HWND window, const char* path, UINT command, DWORD_PTR data);
