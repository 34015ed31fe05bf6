// The window layer's own rules: a dialog answers through DWLP_MSGRESULT, a
// handler may pass a message on, the final clean-up waits for the outermost
// message. Routing by command, notify code and control id, and colour answers
// are used by every page (the page tests, keyboard_test, module_test's colour).
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/module.h"
#include "tests/support/product_dll.h"

namespace {

constexpr UINT kPing = WM_APP + 1, kDestroy = WM_APP + 2;

// Logs what its table takes; passes kPing on when told to.
class Logger : public fw::Dialog {
 public:
  std::string log;
  bool pass = false;

 protected:
  FW_BEGIN_MESSAGES(Logger)
  FW_MESSAGE(kPing, OnPing)
  FW_MESSAGE(kDestroy, OnDestroyFromInside)
  FW_END_MESSAGES(fw::Dialog)
  LRESULT OnPing(const fw::Message&, bool& h) { return h = !pass, log += "ping ", 1; }
  LRESULT OnDestroyFromInside(const fw::Message& m, bool&) {
    DestroyWindow(m.window);
    return log += Hwnd() ? "attached " : "detached ", 0;
  }
  void OnFinalMessage() override { log += Hwnd() ? "final attached" : "final"; }
};

TEST(Dialogs, HandlersPassMessagesOnAndCleanUpAfterTheOutermostMessage) {
  fw::Module::SetResourceInstance(test::ProductModule());
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, 0);
  Logger dialog;
  HWND hwnd = dialog.CreateModeless(201, parent);  // any of the product's dialogs
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 1);
  dialog.pass = true;
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 0);
  SendMessageA(hwnd, kDestroy, 0, 0);
  EXPECT_EQ(dialog.log, "ping ping detached final");
  DestroyWindow(parent);
}

}  // namespace
