#include "framework/window.h"

#include <cstdio>
#include <cstring>

#include "framework/module.h"

namespace fw {
namespace {

constexpr UINT_PTR kSubclassId = 1;
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

Window::~Window() {
  Detach();
}

void Window::UnregisterClasses() {
  for (int i = 0; i < registeredCount; ++i)
    UnregisterClassA(MAKEINTATOM(registeredClasses[i]), Module::Instance());
  registeredCount = 0;
}

bool Window::Subclass(HWND window) {
  if (hwnd || !window) return false;
  if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
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
      return DefSubclassProc(m.window, m.message, m.wParam, m.lParam);
    case Attachment::OwnClass:
      return DefWindowProcA(m.window, m.message, m.wParam, m.lParam);
    default:
      return 0;  // dialogs: the dialog manager does the default work
  }
}

void Window::AttachAs(HWND window, Attachment kind) {
  hwnd = window;
  attachment = kind;
  windowGone = false;
  if (kind == Attachment::OwnClass)
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  else if (kind == Attachment::Dialog)
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

void Window::Detach() {
  if (!hwnd) return;
  switch (attachment) {
    case Attachment::Subclassed:
      RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
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
  ++nesting;
  result = 0;
  bool handled = ProcessMessage(m, result);
  if (!handled) result = DefaultProcessing(m);
  --nesting;
  if (m.message == WM_NCDESTROY) windowGone = true;
  if (windowGone && nesting == 0) {
    Detach();
    OnFinalMessage();  // may delete this object
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

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR refData) {
  auto* self = reinterpret_cast<Window*>(refData);
  LRESULT result = 0;
  self->Route({window, message, wParam, lParam}, result);
  return result;
}

}  // namespace fw
