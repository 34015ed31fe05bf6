// Registration of a module's own type library, the one held as its
// "TYPELIB" resource 1.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace fw {

// Loads the type library of module file `modulePath` without registering it.
HRESULT LoadTypeLibraryOf(const char* modulePath, ITypeLib** library);

// Registers the type library of module file `modulePath` with that path.
HRESULT RegisterTypeLibraryOf(const char* modulePath);
// Removes the registration of that type library (its id and version) for
// the platform this code is built for.
HRESULT UnregisterTypeLibraryOf(const char* modulePath);

}  // namespace fw
