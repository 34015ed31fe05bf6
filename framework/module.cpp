#include "framework/module.h"

namespace fw {
namespace {

HINSTANCE moduleInstance = nullptr;
HINSTANCE resourceInstance = nullptr;
GUID typeLib = GUID_NULL;
volatile LONG lockCount = 0;
volatile LONG objectCount = 0;

HINSTANCE ModuleOfThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleOfThisCode), &module);
  return module;
}

}  // namespace

void Module::Initialize(HINSTANCE instance, const GUID& typeLibId) {
  moduleInstance = instance;
  resourceInstance = instance;
  typeLib = typeLibId;
}

void Module::Terminate() {
  moduleInstance = nullptr;
  resourceInstance = nullptr;
}

HINSTANCE Module::Instance() {
  return moduleInstance ? moduleInstance : ModuleOfThisCode();
}

HINSTANCE Module::ResourceInstance() {
  return resourceInstance ? resourceInstance : Instance();
}

void Module::SetResourceInstance(HINSTANCE instance) {
  resourceInstance = instance;
}

const GUID& Module::TypeLibId() {
  return typeLib;
}

bool Module::FileName(char* buffer, DWORD size) {
  if (!buffer || size == 0) return false;
  buffer[0] = '\0';
  DWORD length = GetModuleFileNameA(Instance(), buffer, size);
  // A full buffer means the name may have been cut.
  if (length == 0 || length >= size) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

void Module::Lock() {
  InterlockedIncrement(&lockCount);
}
void Module::Unlock() {
  InterlockedDecrement(&lockCount);
}
void Module::ObjectCreated() {
  InterlockedIncrement(&objectCount);
}
void Module::ObjectDestroyed() {
  InterlockedDecrement(&objectCount);
}
LONG Module::LockCount() {
  return lockCount;
}
LONG Module::ObjectCount() {
  return objectCount;
}

}  // namespace fw
