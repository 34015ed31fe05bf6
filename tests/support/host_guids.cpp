// The host components' class ids of HostFramework.h (select-any: the product may define them too).
#include <windows.h>
#include <initguid.h>

#include "HostFramework.h"
