// Window objects: each owns or subclasses exactly one system window and
// handles its messages through a per-class table of
// {message, control id, notification code → handler}. Messages no table
// handles go to the default processing (the window class's procedure, the
// subclassed procedure, or the dialog manager).
//
//   class CThing : public fw::Window {
//     FW_BEGIN_MESSAGES(CThing)
//       FW_MESSAGE(WM_SIZE, OnSize)
//       FW_COMMAND(IDOK, BN_CLICKED, OnOk)
//       FW_NOTIFY(210, NM_DBLCLK, OnDoubleClick)
//     FW_END_MESSAGES(fw::Window)
//     LRESULT OnSize(const fw::Message& m, bool& handled);
//   };
//
// A handler is entered with `handled` true; it clears it to pass the
// message on (to the base class's table, then the default processing).
// Each dispatch has its own flag, so nested SendMessage calls cannot
// clobber it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

namespace fw {

struct Message {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;

  UINT CommandId() const { return LOWORD(wParam); }
  UINT CommandCode() const { return HIWORD(wParam); }
  HWND CommandControl() const { return reinterpret_cast<HWND>(lParam); }
  NMHDR* Notify() const { return reinterpret_cast<NMHDR*>(lParam); }
};

constexpr UINT_PTR kAnyId = ~static_cast<UINT_PTR>(0);
constexpr UINT kAnyCode = ~0u;

template <class T>
struct MessageEntry {
  UINT message;  // 0 ends the table
  UINT_PTR id;   // WM_COMMAND / WM_NOTIFY: control id, else kAnyId
  UINT code;     // WM_COMMAND / WM_NOTIFY: notification code, else kAnyCode
  LRESULT (T::*handler)(const Message& message, bool& handled);
};

// Runs the first entry of `table` matching the message. True when a
// handler took it; `result` then holds its answer.
template <class T>
bool DispatchMessageTable(T* self, const MessageEntry<T>* table, const Message& m,
                          LRESULT& result) {
  UINT_PTR id = kAnyId;
  UINT code = kAnyCode;
  if (m.message == WM_COMMAND) {
    id = m.CommandId();
    code = m.CommandCode();
  } else if (m.message == WM_NOTIFY && m.lParam) {
    id = m.Notify()->idFrom;
    code = m.Notify()->code;
  }
  for (const MessageEntry<T>* entry = table; entry->message; ++entry) {
    if (entry->message != m.message) continue;
    if (entry->id != kAnyId && entry->id != id) continue;
    if (entry->code != kAnyCode && entry->code != code) continue;
    bool handled = true;
    LRESULT answer = (self->*(entry->handler))(m, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  return false;
}

// A registered window class of our own, registered once per process on
// first use (the class name is generated from the procedure's address).
struct WindowClass {
  UINT style;
  HBRUSH background;  // e.g. (HBRUSH)(COLOR_WINDOW + 1)
  LPCSTR cursor;      // IDC_ARROW
};

// Enables or disables every child of `window`, from the top one in z-order
// to the last.
void EnableChildWindows(HWND window, BOOL enable);

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Hwnd() const { return hwnd; }
  // Whether a message of the window is being handled.
  bool HandlingMessage() const { return nesting > 0; }
  bool IsWindow() const { return hwnd && ::IsWindow(hwnd); }

  // Attaches to an existing window (a control made by a dialog) and routes
  // its messages through this object's table first.
  bool Subclass(HWND window);
  void Unsubclass();

  // Creates a window of a class of our own; WM_CREATE already reaches the
  // table.
  HWND Create(const WindowClass& windowClass, HWND parent, const RECT& rect, LPCSTR name,
              DWORD style, DWORD exStyle, UINT_PTR id);

  // Unregisters the window classes this module registered (module unload).
  static void UnregisterClasses();

 protected:
  // The class's message table (FW_BEGIN_MESSAGES ... FW_END_MESSAGES).
  virtual bool ProcessMessage(const Message& message, LRESULT& result);
  // Called once the window is gone and the outermost message has returned,
  // unless the object serves a new window by then. The object lets go of a
  // window as soon as it is destroyed (Hwnd() is null from then on).
  virtual void OnFinalMessage() {}
  // What an unhandled message gets.
  virtual LRESULT DefaultProcessing(const Message& message);

  // Dialogs attach themselves in their own procedure.
  enum class Attachment { None, OwnClass, Subclassed, Dialog };
  void AttachAs(HWND window, Attachment kind);
  // Runs one message through the table (and, unless this is a dialog, the
  // default processing), tracking nesting so that the final clean-up
  // happens only after the outermost message returns. True when the table
  // handled it. The object may be gone when this returns.
  bool Route(const Message& message, LRESULT& result);

 private:
  static LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  void Detach();

  HWND hwnd = nullptr;
  Attachment attachment = Attachment::None;
  WNDPROC originalProc = nullptr;  // of a subclassed window
  int nesting = 0;
  bool finalPending = false;  // the window went while messages were running
};

}  // namespace fw

#define FW_BEGIN_MESSAGES(Class)                                                  \
 protected:                                                                       \
  bool ProcessMessage(const ::fw::Message& message_, LRESULT& result_) override { \
    using ThisClass = Class;                                                      \
    static const ::fw::MessageEntry<ThisClass> table_[] = {
#define FW_MESSAGE(msg, handler) {msg, ::fw::kAnyId, ::fw::kAnyCode, &ThisClass::handler},
#define FW_COMMAND(id, code, handler) {WM_COMMAND, id, code, &ThisClass::handler},
#define FW_COMMAND_ID(id, handler) {WM_COMMAND, id, ::fw::kAnyCode, &ThisClass::handler},
#define FW_NOTIFY(id, code, handler) {WM_NOTIFY, id, static_cast<UINT>(code), &ThisClass::handler},
#define FW_NOTIFY_CODE(code, handler) \
  {WM_NOTIFY, ::fw::kAnyId, static_cast<UINT>(code), &ThisClass::handler},
#define FW_END_MESSAGES(Base)                                           \
  { 0, 0, 0, nullptr }                                                  \
  }                                                                     \
  ;                                                                     \
  return ::fw::DispatchMessageTable(this, table_, message_, result_) || \
         Base::ProcessMessage(message_, result_);                       \
  }                                                                     \
                                                                        \
 public:
