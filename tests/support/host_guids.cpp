// Defines the host components' class ids, which HostFramework.h declares
// with DEFINE_GUID (the definitions are select-any, so the product may
// define them as well).
#include <windows.h>
#include <initguid.h>

#include "HostFramework.h"
