// Component categories through the system's category manager: creating a
// category with its description, and recording that a class implements
// categories.
#pragma once

#include <windows.h>
#include <comcat.h>

namespace fw {

// A category description is cut to this many characters.
constexpr size_t kMaxCategoryDescription = 127;

// Registers category `id` for locale 0x409 with `description`.
HRESULT CreateComponentCategory(const CATID& id, const char* description);

// Records (or removes) that `clsid` implements the `count` categories.
HRESULT RegisterImplementedCategories(const CLSID& clsid, const CATID* ids, ULONG count);
HRESULT UnregisterImplementedCategories(const CLSID& clsid, const CATID* ids, ULONG count);

}  // namespace fw
