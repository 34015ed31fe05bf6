// RAII owners for Win32 handles. One template, one traits struct per kind:
// the owner closes exactly once, can hand its handle over (Release) and is
// movable but not copyable.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle(h) {}
  ~UniqueHandle() { Reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const { return handle; }
  explicit operator bool() const { return handle != Traits::Invalid(); }

  // Gives up ownership without closing.
  Handle Release() {
    Handle h = handle;
    handle = Traits::Invalid();
    return h;
  }

  void Reset(Handle h = Traits::Invalid()) {
    if (handle != Traits::Invalid()) Traits::Close(handle);
    handle = h;
  }

 private:
  Handle handle = Traits::Invalid();
};

template <class H, BOOL(WINAPI* CloseFn)(H)>
struct ClosedBy {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseFn(h); }
};

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};

template <class H>
struct TypedGdiObjectTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};

struct GlobalTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { GlobalFree(h); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

using UniqueBitmap = UniqueHandle<TypedGdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<TypedGdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<TypedGdiObjectTraits<HFONT>>;
using UniqueMemoryDC = UniqueHandle<ClosedBy<HDC, DeleteDC>>;
using UniqueWindow = UniqueHandle<ClosedBy<HWND, DestroyWindow>>;
using UniqueIcon = UniqueHandle<ClosedBy<HICON, DestroyIcon>>;
using UniqueGlobal = UniqueHandle<GlobalTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;

// A device context from GetDC (or, for the whole window with its frame,
// GetWindowDC), given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND w, bool wholeWindow = false)
      : window(w), dc(wholeWindow ? GetWindowDC(w) : GetDC(w)) {}
  ~WindowDC() {
    if (dc) ReleaseDC(window, dc);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc; }
  explicit operator bool() const { return dc != nullptr; }

 private:
  HWND window;
  HDC dc;
};

// Selects an object into a DC and selects the previous one back on exit.
class SelectedObject {
 public:
  SelectedObject(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
  ~SelectedObject() {
    if (previous) SelectObject(dc, previous);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

// Locks a global memory block for the lifetime of the object.
class GlobalLock {
 public:
  explicit GlobalLock(HGLOBAL h) : block(h), data(h ? ::GlobalLock(h) : nullptr) {}
  ~GlobalLock() {
    if (data) GlobalUnlock(block);
  }
  GlobalLock(const GlobalLock&) = delete;
  GlobalLock& operator=(const GlobalLock&) = delete;
  void* Get() const { return data; }
  explicit operator bool() const { return data != nullptr; }

 private:
  HGLOBAL block;
  void* data;
};

}  // namespace fw
