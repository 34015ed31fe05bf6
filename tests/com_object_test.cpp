// The COM object base on a small class with two interfaces. Identity across
// interfaces and aggregation are checked on the control itself (module_test).
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/com_object.h"

using fw::ComPtr;

namespace {

int destroyed = 0;

class Two : public fw::ComObjectRoot, public IPersist, public IOleWindow {
 public:
  ~Two() override { ++destroyed; }
  FW_BEGIN_INTERFACES(Two)
  FW_INTERFACE(IPersist)
  FW_INTERFACE(IOleWindow)
  FW_END_INTERFACES
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetWindow(HWND* window) override { return *window = HWND_BOTTOM, S_OK; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

TEST(ComObject, EachTableEntryLeadsToItsOwnMethodsAndTheLastReleaseFreesTheObject) {
  ComPtr<IPersist> persist;
  ComPtr<IOleWindow> window;
  ComPtr<IDispatch> none;
  HWND hwnd = nullptr;
  ASSERT_EQ(fw::CreateComObject<Two>(nullptr, IID_PPV_ARGS(&persist)), S_OK);
  ASSERT_TRUE(SUCCEEDED(persist.As(&window)) && SUCCEEDED(window->GetWindow(&hwnd)));
  EXPECT_EQ(hwnd, HWND_BOTTOM);
  EXPECT_EQ(window.As(&none), E_NOINTERFACE);
  persist = nullptr;
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(window.Detach()->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
