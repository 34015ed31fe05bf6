// The COM object base: interface identity and aggregation on a small class.
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

TEST(ComObject, InterfacesShareOneIdentityAndTheLastReleaseFreesTheObject) {
  ComPtr<IPersist> persist;
  ComPtr<IOleWindow> window;
  ComPtr<IUnknown> fromPersist, fromWindow;
  ComPtr<IDispatch> none;
  HWND hwnd = nullptr;
  ASSERT_EQ(fw::CreateComObject<Two>(nullptr, IID_PPV_ARGS(&persist)), S_OK);
  ASSERT_TRUE(SUCCEEDED(persist.As(&window)) && SUCCEEDED(window->GetWindow(&hwnd)));
  EXPECT_EQ(hwnd, HWND_BOTTOM);  // the second table entry leads to its own methods
  EXPECT_EQ(window.As(&none), E_NOINTERFACE);
  ASSERT_TRUE(SUCCEEDED(persist.As(&fromPersist)) && SUCCEEDED(window.As(&fromWindow)));
  EXPECT_EQ(fromPersist.Get(), fromWindow.Get());
  persist = nullptr, window = nullptr, fromWindow = nullptr;
  EXPECT_EQ(fromPersist.Detach()->Release(), 0u);
}

TEST(ComObject, AnAggregatedObjectCountsOnAndAnswersAsItsOuterObject) {
  destroyed = 0;
  auto outer = fw::Make<Two>();
  ComPtr<IUnknown> inner, identity;
  ComPtr<IOleWindow> window;
  EXPECT_EQ(fw::CreateComObject<Two>(outer->InnerUnknown(), IID_PPV_ARGS(&window)),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(fw::CreateComObject<Two>(outer->InnerUnknown(), IID_PPV_ARGS(&inner)), S_OK);
  ASSERT_TRUE(SUCCEEDED(inner.As(&window)) && SUCCEEDED(window.As(&identity)));
  EXPECT_EQ(identity.Get(), outer->InnerUnknown());
  EXPECT_EQ(outer->RefCount(), 3u);
  identity = nullptr, window = nullptr;
  EXPECT_EQ(outer->RefCount(), 1u);
  inner = nullptr;
  EXPECT_EQ(destroyed, 1);  // the inner object only
}

}  // namespace
