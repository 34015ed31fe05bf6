// Where the host tool suite is installed, as its setup recorded it in the
// registry.
#pragma once

#include <string>

// The suite's installation folder. False, with `path` left as it was, when
// the registry has no such value or it does not fit 256 bytes.
bool GetInstallPath(std::string& path);
