// The module object: instance handles, the type library id and the counts
// of live objects and locks that decide whether the DLL may be unloaded.
#pragma once

#include <windows.h>

namespace fw {

class Module {
 public:
  // Called on process attach. Code linked into another module (a test
  // program) may skip it: the instance then defaults to the module that
  // holds this code.
  static void Initialize(HINSTANCE instance, const GUID& typeLibId);
  static void Terminate();

  static HINSTANCE Instance();
  // Where dialogs, strings and icons are loaded from; normally Instance().
  static HINSTANCE ResourceInstance();
  static void SetResourceInstance(HINSTANCE instance);
  static const GUID& TypeLibId();

  // Full path of the module file. False if it cannot be read or does not
  // fit the buffer.
  static bool FileName(char* buffer, DWORD size);

  static void Lock();
  static void Unlock();
  static void ObjectCreated();
  static void ObjectDestroyed();
  static LONG LockCount();
  static LONG ObjectCount();
  static bool CanUnload() { return LockCount() == 0 && ObjectCount() == 0; }
};

// Counts a lock on the module for the lifetime of the object.
class ModuleLock {
 public:
  ModuleLock() { Module::Lock(); }
  ~ModuleLock() { Module::Unlock(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace fw
