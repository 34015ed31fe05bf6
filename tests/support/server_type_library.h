// The camera function server's type library, from which the control's event
// sink reads the event parameter types, registered for a test or benchmark
// program.
#pragma once

namespace test {

// Registers generated/CameraControlFNLib.tlb (programs run from the build
// folder). It stays registered: programs run side by side in one prefix,
// and one must not unregister it under another.
bool RegisterServerTypeLibrary();

}  // namespace test
