// The window layer: message tables, subclassing, own window classes,
// dialog answers and the final clean-up after the outermost message.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/module.h"
#include "framework/window.h"
#include "resources/resource.h"
#include "tests/support/modal.h"
#include "tests/support/product_dll.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kNested = WM_APP + 2;

class Base : public fw::Window {
 public:
  std::vector<std::string> log;

 protected:
  FW_BEGIN_MESSAGES(Base)
  FW_MESSAGE(kPing, OnBasePing)
  FW_END_MESSAGES(fw::Window)

  LRESULT OnBasePing(const fw::Message&, bool&) {
    log.push_back("base ping");
    return 2;
  }
};

class Derived : public Base {
 public:
  bool passPing = false;
  int finalMessages = 0;
  bool destroyInsideNested = false;

 protected:
  FW_BEGIN_MESSAGES(Derived)
  FW_MESSAGE(kPing, OnPing)
  FW_COMMAND(7, BN_CLICKED, OnSevenClicked)
  FW_COMMAND_ID(8, OnEightAnything)
  FW_NOTIFY(9, NM_CLICK, OnNineClick)
  FW_MESSAGE(kNested, OnNested)
  FW_END_MESSAGES(Base)

  LRESULT OnPing(const fw::Message&, bool& handled) {
    log.push_back("derived ping");
    handled = !passPing;
    return 1;
  }
  LRESULT OnSevenClicked(const fw::Message&, bool&) {
    log.push_back("seven clicked");
    return 0;
  }
  LRESULT OnEightAnything(const fw::Message& m, bool&) {
    log.push_back("eight " + std::to_string(m.CommandCode()));
    return 0;
  }
  LRESULT OnNineClick(const fw::Message&, bool&) {
    log.push_back("nine click");
    return 5;
  }
  // A handler that sends another message to the same window and, inside,
  // may destroy it: the object must stay usable until this one returns.
  LRESULT OnNested(const fw::Message& m, bool& handled) {
    LRESULT inner = SendMessageA(m.window, kPing, 0, 0);
    if (destroyInsideNested) DestroyWindow(m.window);
    log.push_back("nested done, window " + std::string(Hwnd() ? "still attached" : "detached"));
    handled = true;
    return inner + 10;
  }
  void OnFinalMessage() override { ++finalMessages; }
};

const fw::WindowClass kPlainClass = {0, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), IDC_ARROW};

HWND CreateOwn(fw::Window& window) {
  RECT rect = {0, 0, 100, 100};
  return window.Create(kPlainClass, nullptr, rect, "own", WS_POPUP, 0, 0);
}

TEST(MessageTable, DerivedFirstThenBaseThenDefault) {
  Derived window;
  HWND hwnd = CreateOwn(window);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(window.Hwnd(), hwnd);

  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 1);
  window.passPing = true;  // a handler may pass the message on
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 2);
  EXPECT_EQ(window.log, (std::vector<std::string>{"derived ping", "derived ping", "base ping"}));

  // Unhandled messages get the class's default processing.
  SetWindowTextA(hwnd, "title");
  char text[16] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  EXPECT_STREQ(text, "title");
  DestroyWindow(hwnd);
  EXPECT_EQ(window.Hwnd(), nullptr);
  EXPECT_EQ(window.finalMessages, 1);
}

TEST(MessageTable, CommandsAndNotificationsMatchIdAndCode) {
  Derived window;
  HWND hwnd = CreateOwn(window);
  SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
  SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_SETFOCUS), 0);  // other code: not taken
  SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(6, BN_CLICKED), 0);   // other id: not taken
  SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(8, EN_CHANGE), 0);    // any code
  NMHDR header = {hwnd, 9, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header)), 5);
  header.code = static_cast<UINT>(NM_DBLCLK);
  EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&header)), 0);
  EXPECT_EQ(window.log, (std::vector<std::string>{
                            "seven clicked", "eight " + std::to_string(EN_CHANGE), "nine click"}));
  DestroyWindow(hwnd);
}

TEST(MessageTable, FinalCleanUpWaitsForTheOutermostMessage) {
  Derived window;
  HWND hwnd = CreateOwn(window);
  window.destroyInsideNested = true;
  EXPECT_EQ(SendMessageA(hwnd, kNested, 0, 0), 11);
  EXPECT_FALSE(IsWindow(hwnd));
  // While the outer handler ran the object was still attached; the final
  // clean-up came once, afterwards.
  EXPECT_EQ(window.log.back(), "nested done, window still attached");
  EXPECT_EQ(window.finalMessages, 1);
  EXPECT_EQ(window.Hwnd(), nullptr);
}

TEST(Subclassing, RoutesThroughTheTableAndRestoresTheWindow) {
  HWND edit =
      CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  Derived window;
  ASSERT_TRUE(window.Subclass(edit));
  EXPECT_FALSE(window.Subclass(edit));  // one window per object
  Derived second;
  EXPECT_FALSE(second.Subclass(edit));  // and one object per window
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 1);
  // The control's own behaviour still works underneath.
  SetWindowTextA(edit, "12345");
  EXPECT_EQ(test::WindowText(edit), "12345");
  EXPECT_EQ(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0), 5);

  window.Unsubclass();
  EXPECT_EQ(window.Hwnd(), nullptr);
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 0);
  EXPECT_TRUE(second.Subclass(edit));  // free again
  second.Unsubclass();
  DestroyWindow(edit);
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC belowCounting = nullptr;
int countingSeen = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) ++countingSeen;
  return CallWindowProcW(belowCounting, window, message, wParam, lParam);
}

TEST(Subclassing, AnotherProcedureOnTopKeepsTheChainWhole) {
  HWND edit =
      CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  Derived window;
  ASSERT_TRUE(window.Subclass(edit));
  belowCounting = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
  countingSeen = 0;
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 1);
  window.Unsubclass();                            // cannot unhook from under the other procedure
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 0);  // passes through to the edit
  EXPECT_EQ(countingSeen, 2);
  SetWindowTextA(edit, "still an edit");
  EXPECT_EQ(test::WindowText(edit), "still an edit");
  // The object can take the window again; the chain is reused.
  ASSERT_TRUE(window.Subclass(edit));
  EXPECT_EQ(SendMessageA(edit, kPing, 0, 0), 1);
  DestroyWindow(edit);
  EXPECT_EQ(window.Hwnd(), nullptr);
  EXPECT_EQ(window.finalMessages, 1);
}

// A dialog whose handlers answer through DWLP_MSGRESULT or directly.
class AnswerDialog : public fw::Dialog {
 public:
  bool initialised = false;

 protected:
  FW_BEGIN_MESSAGES(AnswerDialog)
  FW_MESSAGE(WM_INITDIALOG, OnInitDialog)
  FW_MESSAGE(kPing, OnPing)
  FW_MESSAGE(WM_CTLCOLORDLG, OnColor)
  FW_END_MESSAGES(fw::Dialog)

  LRESULT OnInitDialog(const fw::Message&, bool&) {
    initialised = true;
    return FALSE;
  }
  LRESULT OnPing(const fw::Message&, bool&) { return 1234; }
  LRESULT OnColor(const fw::Message&, bool&) {
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
  }
};

TEST(Dialogs, AnswersReachTheSenderAndUnhandledGoToTheDialogManager) {
  fw::Module::SetResourceInstance(test::ProductModule());
  AnswerDialog dialog;
  HWND parent =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND hwnd = dialog.CreateModeless(IDD_CAMERA_TEST, parent);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(dialog.initialised);
  EXPECT_EQ(dialog.Hwnd(), hwnd);
  EXPECT_EQ(SendMessageA(hwnd, kPing, 0, 0), 1234);
  EXPECT_EQ(SendMessageA(hwnd, WM_CTLCOLORDLG, 0, 0),
            reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(dialog.Item(IDC_TEST), nullptr);
  EXPECT_EQ(dialog.CreateModeless(IDD_CAMERA_TEST, parent), nullptr);  // one window per object
  DestroyWindow(parent);
  EXPECT_EQ(dialog.Hwnd(), nullptr);
}

}  // namespace
