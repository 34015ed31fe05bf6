#include "tests/support/process_usage.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

namespace test {
namespace {

FARPROC NtdllFunction(const char* name) {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

long GdiObjects() {
  long count = 0;
  for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
    count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return count;
}

// This process's entries in NtQuerySystemInformation's extended handle list.
long KernelHandles() {
  constexpr ULONG kExtendedHandleInformation = 64;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  struct HandleEntry {
    PVOID object;
    ULONG_PTR process, handle;
    ULONG access;
    USHORT backTrace, type;
    ULONG attributes, reserved;
  };
  struct HandleList {
    ULONG_PTR count, reserved;
    HandleEntry entries[1];
  };
  using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(NtdllFunction("NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<ULONG_PTR> buffer(1 << 14);
  LONG status;
  ULONG length = 0;
  while ((status = query(kExtendedHandleInformation, buffer.data(),
                         static_cast<ULONG>(buffer.size() * sizeof buffer[0]), &length)) ==
         kInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  long count = 0;
  for (ULONG_PTR i = 0; i < list->count; ++i)
    count += list->entries[i].process == GetCurrentProcessId();
  return count;
}

}  // namespace

ProcessUsage ProcessUsage::Measure() {
  ProcessUsage usage;
  usage.gdiObjects = GdiObjects();
  usage.kernelHandles = KernelHandles();
  HANDLE heaps[64];
  const DWORD heapCount = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
  for (DWORD h = 0; h < heapCount; ++h) {
    HeapLock(heaps[h]);
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[h], &entry)) {
      if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
      ++usage.heapBlocks;
      usage.heapBytes += entry.cbData;
    }
    HeapUnlock(heaps[h]);
  }
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    usage.pagefileBytes = counters.PagefileUsage;
  return usage;
}

bool HeapChecked() {
  // The system's global flags as the process started with them.
  constexpr ULONG kHeapValidateAll = 0x80;
  using GetGlobalFlags = ULONG(WINAPI*)();
  const auto get = reinterpret_cast<GetGlobalFlags>(
      reinterpret_cast<void*>(NtdllFunction("RtlGetNtGlobalFlags")));
  return get && (get() & kHeapValidateAll) != 0;
}

}  // namespace test
