// Defines the class ids of the host components (IHostMessageBox,
// IHelpFileResolver) that HostFramework.h declares.
#include <windows.h>
#include <initguid.h>

#include "HostFramework.h"
