// Defines the host components' class ids that HostFramework.h declares
// (select-any definitions: the product may define them as well).
#include <windows.h>
#include <initguid.h>

#include "HostFramework.h"
