#include "framework/window.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "framework/call_scope.h"
#include "framework/module.h"

namespace fw {
namespace {

// Windows this framework subclassed: the object each one belongs to and
// the procedure it replaced. They are kept in the process rather than in a
// window property, because a property lookup on every message costs a trip
// to the window server on some systems.
struct SubclassEntry {
  Window* owner;  // null once the object let go while another procedure
                  // sits on top; messages then go straight to the original
  WNDPROC original;
};

class SubclassTable {
 public:
  bool Find(HWND window, SubclassEntry& entry) {
    AcquireSRWLockShared(&lock);
    auto found = entries.find(window);
    bool known = found != entries.end();
    if (known) entry = found->second;
    ReleaseSRWLockShared(&lock);
    return known;
  }
  void Set(HWND window, const SubclassEntry& entry) {
    AcquireSRWLockExclusive(&lock);
    entries[window] = entry;
    ReleaseSRWLockExclusive(&lock);
  }
  void Erase(HWND window) {
    AcquireSRWLockExclusive(&lock);
    entries.erase(window);
    ReleaseSRWLockExclusive(&lock);
  }

 private:
  SRWLOCK lock = SRWLOCK_INIT;
  std::unordered_map<HWND, SubclassEntry> entries;
};

SubclassTable& Subclasses() {
  static SubclassTable table;
  return table;
}

constexpr int kMaxClasses = 8;
ATOM registeredClasses[kMaxClasses] = {};
int registeredCount = 0;

// One class per distinct WindowClass description.
LPCSTR ClassNameFor(const WindowClass& wc, WNDPROC proc) {
  static char names[kMaxClasses][64];
  char name[64];
  snprintf(name, sizeof name, "fw:%p:%x:%p:%p", reinterpret_cast<void*>(Module::Instance()),
           wc.style, static_cast<void*>(wc.background), static_cast<const void*>(wc.cursor));
  for (int i = 0; i < registeredCount; ++i)
    if (strcmp(names[i], name) == 0) return names[i];
  if (registeredCount == kMaxClasses) return nullptr;

  WNDCLASSEXA cls = {};
  cls.cbSize = sizeof cls;
  cls.style = wc.style;
  cls.lpfnWndProc = proc;
  cls.hInstance = Module::Instance();
  cls.hCursor = wc.cursor ? LoadCursor(nullptr, wc.cursor) : nullptr;
  cls.hbrBackground = wc.background;
  cls.lpszClassName = name;
  ATOM atom = RegisterClassExA(&cls);
  if (!atom) return nullptr;
  registeredClasses[registeredCount] = atom;
  memcpy(names[registeredCount], name, sizeof name);
  return names[registeredCount++];
}

}  // namespace

void EnableChildWindows(HWND window, BOOL enable) {
  if (!window || !::IsWindow(window)) return;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EnableWindow(child, enable);
}

Window::~Window() {
  Detach();
}

void Window::UnregisterClasses() {
  for (int i = 0; i < registeredCount; ++i)
    UnregisterClassA(MAKEINTATOM(registeredClasses[i]), Module::Instance());
  registeredCount = 0;
}

bool Window::Subclass(HWND window) {
  if (hwnd || !window || !::IsWindow(window)) return false;
  SubclassEntry entry;
  if (Subclasses().Find(window, entry)) {
    if (entry.owner) return false;  // someone else's object holds it
    entry.owner = this;             // our procedure is still in the chain
  } else {
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    if (!previous) return false;
    entry = {this, previous};
  }
  Subclasses().Set(window, entry);
  originalProc = entry.original;
  hwnd = window;
  attachment = Attachment::Subclassed;
  return true;
}

void Window::Unsubclass() {
  if (attachment == Attachment::Subclassed) Detach();
}

HWND Window::Create(const WindowClass& windowClass, HWND parent, const RECT& rect, LPCSTR name,
                    DWORD style, DWORD exStyle, UINT_PTR id) {
  if (hwnd) return nullptr;
  LPCSTR className = ClassNameFor(windowClass, OwnClassProc);
  if (!className) return nullptr;
  HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(id) : nullptr;
  return CreateWindowExA(exStyle, className, name, style, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId,
                         Module::Instance(), this);
}

bool Window::ProcessMessage(const Message&, LRESULT&) {
  return false;
}

LRESULT Window::DefaultProcessing(const Message& m) {
  switch (attachment) {
    case Attachment::Subclassed:
      return CallWindowProcW(originalProc, m.window, m.message, m.wParam, m.lParam);
    case Attachment::OwnClass:
      return DefWindowProcA(m.window, m.message, m.wParam, m.lParam);
    default:
      return 0;  // dialogs: the dialog manager does the default work
  }
}

void Window::AttachAs(HWND window, Attachment kind) {
  hwnd = window;
  attachment = kind;
  if (kind == Attachment::OwnClass)
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  else if (kind == Attachment::Dialog)
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

void Window::Detach() {
  if (!hwnd) return;
  switch (attachment) {
    case Attachment::Subclassed:
      // Put the original procedure back unless another one has been put on
      // top of ours meanwhile; then ours stays and only passes messages on.
      if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == SubclassProc) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc));
        Subclasses().Erase(hwnd);
      } else {
        Subclasses().Set(hwnd, {nullptr, originalProc});
      }
      originalProc = nullptr;
      break;
    case Attachment::OwnClass:
      if (::IsWindow(hwnd)) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    case Attachment::Dialog:
      if (::IsWindow(hwnd)) SetWindowLongPtrA(hwnd, DWLP_USER, 0);
      break;
    case Attachment::None:
      break;
  }
  hwnd = nullptr;
  attachment = Attachment::None;
}

bool Window::Route(const Message& m, LRESULT& result) {
  // Every message is a call into the module: whatever its handling lets go
  // of stays whole until the outermost call returns.
  CallScope call;
  ++nesting;
  result = 0;
  bool handled = ProcessMessage(m, result);
  if (!handled) result = DefaultProcessing(m);
  --nesting;
  if (m.message == WM_NCDESTROY && m.window == hwnd) {
    // The window has gone: the object lets go of it at once, so that it
    // can serve a new one even before the outermost message returns (a
    // control deactivated and activated again from inside its own handler).
    Detach();
    finalPending = true;
  }
  if (finalPending && nesting == 0) {
    finalPending = false;
    if (!hwnd) OnFinalMessage();  // may delete this object
  }
  return handled;
}

LRESULT CALLBACK Window::OwnClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self && message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (self) self->AttachAs(window, Attachment::OwnClass);
  }
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  LRESULT result = 0;
  self->Route({window, message, wParam, lParam}, result);
  return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SubclassEntry entry;
  if (!Subclasses().Find(window, entry)) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  if (entry.owner)
    entry.owner->Route({window, message, wParam, lParam}, result);
  else
    result = CallWindowProcW(entry.original, window, message, wParam, lParam);
  if (message == WM_NCDESTROY) Subclasses().Erase(window);
  return result;
}

}  // namespace fw
