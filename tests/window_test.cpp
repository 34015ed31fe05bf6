// The window layer: message tables, dialog answers, subclassing, final clean-up.
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/module.h"
#include "tests/support/product_dll.h"

namespace {

constexpr UINT kPing = WM_APP + 1, kDestroy = WM_APP + 2;

// Logs what its table takes; passes kPing on when told to.
template <class Base>
class Logger : public Base {
 public:
  std::string log;
  bool pass = false;

 protected:
  FW_BEGIN_MESSAGES(Logger)
  FW_MESSAGE(kPing, OnPing)
  FW_COMMAND(7, BN_CLICKED, OnOther)
  FW_NOTIFY(9, NM_CLICK, OnOther)
  FW_MESSAGE(WM_CTLCOLORDLG, OnOther)
  FW_MESSAGE(kDestroy, OnDestroyFromInside)
  FW_END_MESSAGES(Base)
  LRESULT OnPing(const fw::Message&, bool& h) { return h = !pass, log += "ping ", 1; }
  LRESULT OnOther(const fw::Message& m, bool&) { return log += std::to_string(m.message) + " ", 5; }
  LRESULT OnDestroyFromInside(const fw::Message& m, bool&) {
    DestroyWindow(m.window);
    return log += this->Hwnd() ? "attached " : "detached ", 0;
  }
  void OnFinalMessage() override { log += this->Hwnd() ? "final attached" : "final"; }
};

TEST(Dialogs, TablesAnswerThroughTheDialogAndCleanUpAfterTheOutermostMessage) {
  fw::Module::SetResourceInstance(test::ProductModule());
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, 0);
  Logger<fw::Dialog> dialog;
  HWND hwnd = dialog.CreateModeless(201, parent);  // any of the product's dialogs
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 1);
  dialog.pass = true;
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 0);
  for (WPARAM command : {MAKEWPARAM(7, BN_CLICKED), MAKEWPARAM(7, BN_SETFOCUS), MAKEWPARAM(6, 0)})
    SendMessageA(hwnd, WM_COMMAND, command, 0);
  NMHDR header = {hwnd, 9, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 9, LPARAM(&header)), 5);  // through DWLP_MSGRESULT
  EXPECT_EQ(SendMessageA(hwnd, WM_CTLCOLORDLG, 0, 0), 5);           // directly
  SendMessageA(hwnd, kDestroy, 0, 0);
  EXPECT_EQ(dialog.log, "ping ping 273 78 310 detached final");  // command, notify, colour
  DestroyWindow(parent);
}

WNDPROC below = nullptr;
LRESULT CALLBACK Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(below, window, message, wParam, lParam);
}

TEST(Subclassing, RoutesThroughTheTableAndLetsGoEvenUnderAnotherProcedure) {
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, 0);
  Logger<fw::Window> window, other;
  ASSERT_TRUE(window.Subclass(edit));
  EXPECT_FALSE(other.Subclass(edit));  // one object per window
  below = WNDPROC(SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(Forward)));
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 1);
  window.Unsubclass();  // ours stays in the chain and passes messages on
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), LONG_PTR(Forward));
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 0);
  EXPECT_EQ(SendMessageA(edit, WM_SETTEXT, 0, LPARAM("12345")), TRUE);  // still an edit
  ASSERT_TRUE(other.Subclass(edit));
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 1);
  DestroyWindow(edit);
  EXPECT_EQ(other.log, "ping final");
}

}  // namespace
