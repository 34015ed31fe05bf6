// The COM object base: interface tables, identity, reference counting,
// aggregation and two-phase construction, checked on small local classes.
#include <windows.h>
#include <ocidl.h>
#include <gtest/gtest.h>

#include "framework/class_factory.h"
#include "framework/com_object.h"
#include "framework/module.h"

using fw::ComPtr;

namespace {

int destroyed = 0;
HRESULT finalConstructResult = S_OK;

// Two interfaces, IPersist reached through IPersistStreamInit only, plus a
// second path to IPersist that the table must not confuse.
class TwoInterfaces : public fw::ComObjectRoot, public IPersistStreamInit, public IOleWindow {
 public:
  ~TwoInterfaces() override { ++destroyed; }
  HRESULT FinalConstruct() override { return finalConstructResult; }

  FW_BEGIN_INTERFACES(TwoInterfaces)
  FW_INTERFACE(IPersistStreamInit)
  FW_INTERFACE_VIA(IPersist, IPersistStreamInit)
  FW_INTERFACE(IOleWindow)
  FW_END_INTERFACES

  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = IID_IOleWindow;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = reinterpret_cast<HWND>(0x1234);
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

// An outer object that aggregates a TwoInterfaces and exposes its
// IOleWindow as its own.
class Outer : public IUnknown {
 public:
  HRESULT Create() {
    return fw::CreateComObject<TwoInterfaces>(this, IID_IUnknown, reinterpret_cast<void**>(&inner));
  }
  ~Outer() {
    if (inner) inner->Release();
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    if (IsEqualIID(iid, IID_IOleWindow)) return inner->QueryInterface(iid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

class ComObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    destroyed = 0;
    finalConstructResult = S_OK;
    objectsBefore = fw::Module::ObjectCount();
  }
  LONG objectsBefore = 0;
};

TEST_F(ComObjectTest, AnswersItsTableWithOneIdentity) {
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(fw::CreateComObject<TwoInterfaces>(nullptr, IID_PPV_ARGS(&persist)), S_OK);
  EXPECT_EQ(fw::Module::ObjectCount(), objectsBefore + 1);

  ComPtr<IOleWindow> window;
  ASSERT_EQ(persist.As(&window), S_OK);
  HWND hwnd = nullptr;
  EXPECT_EQ(window->GetWindow(&hwnd), S_OK);
  EXPECT_EQ(hwnd, reinterpret_cast<HWND>(0x1234));

  ComPtr<IPersist> base;
  ASSERT_EQ(window.As(&base), S_OK);
  CLSID id{};
  EXPECT_EQ(base->GetClassID(&id), S_OK);  // lands in the right vtable
  EXPECT_TRUE(IsEqualGUID(id, IID_IOleWindow));

  ComPtr<IUnknown> unknown1, unknown2;
  persist.As(&unknown1);
  window.As(&unknown2);
  EXPECT_EQ(unknown1.Get(), unknown2.Get());

  ComPtr<IDispatch> none;
  EXPECT_EQ(persist.As(&none), E_NOINTERFACE);
  EXPECT_EQ(none.Get(), nullptr);
  EXPECT_EQ(persist->QueryInterface(IID_IOleWindow, nullptr), E_POINTER);

  persist.Reset();
  window.Reset();
  base.Reset();
  unknown1.Reset();
  EXPECT_EQ(destroyed, 0);
  unknown2.Reset();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(fw::Module::ObjectCount(), objectsBefore);
}

TEST_F(ComObjectTest, LastReleaseReturnsZero) {
  IOleWindow* window = nullptr;
  ASSERT_EQ(fw::CreateComObject<TwoInterfaces>(nullptr, IID_PPV_ARGS(&window)), S_OK);
  EXPECT_EQ(window->AddRef(), 2u);
  EXPECT_EQ(window->Release(), 1u);
  EXPECT_EQ(window->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(ComObjectTest, FailedFinalConstructDestroysAndReports) {
  finalConstructResult = E_OUTOFMEMORY;
  IOleWindow* window = reinterpret_cast<IOleWindow*>(0xdeadbeef);
  EXPECT_EQ(fw::CreateComObject<TwoInterfaces>(nullptr, IID_PPV_ARGS(&window)), E_OUTOFMEMORY);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(fw::Module::ObjectCount(), objectsBefore);
}

TEST_F(ComObjectTest, AggregationDelegatesToTheOuterObject) {
  Outer outer;
  ASSERT_EQ(outer.Create(), S_OK);
  ASSERT_NE(outer.inner, nullptr);

  // Interfaces got from the inner object report the outer identity and
  // count references on the outer object.
  ComPtr<IOleWindow> window;
  ASSERT_EQ(outer.inner->QueryInterface(IID_PPV_ARGS(&window)), S_OK);
  ULONG before = outer.refs;
  window->AddRef();
  EXPECT_EQ(outer.refs, before + 1);
  window->Release();
  ComPtr<IUnknown> identity;
  ASSERT_EQ(window.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  identity.Reset();
  window.Reset();

  // Only IUnknown may be asked for when aggregating.
  ComPtr<IOleWindow> refused;
  EXPECT_EQ(fw::CreateComObject<TwoInterfaces>(&outer, IID_PPV_ARGS(&refused)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(destroyed, 0);
  outer.inner->Release();
  outer.inner = nullptr;
  EXPECT_EQ(destroyed, 1);
}

TEST_F(ComObjectTest, FactoryReferencesLockTheModule) {
  auto& factory = fw::ClassFactory<TwoInterfaces>::Instance();
  LONG locks = fw::Module::LockCount();
  ComPtr<IClassFactory> held;
  ASSERT_EQ(factory.QueryInterface(IID_PPV_ARGS(&held)), S_OK);
  EXPECT_EQ(fw::Module::LockCount(), locks + 1);
  EXPECT_FALSE(fw::Module::CanUnload());
  EXPECT_EQ(held->LockServer(TRUE), S_OK);
  held.Reset();
  EXPECT_EQ(fw::Module::LockCount(), locks + 1);
  EXPECT_EQ(factory.LockServer(FALSE), S_OK);
  EXPECT_EQ(fw::Module::LockCount(), locks);

  ComPtr<IPersist> made;
  EXPECT_EQ(factory.CreateInstance(nullptr, IID_PPV_ARGS(&made)), S_OK);
  EXPECT_NE(made.Get(), nullptr);
}

TEST_F(ComObjectTest, MakeGivesTheConcreteObject) {
  auto object = fw::Make<TwoInterfaces>();
  ASSERT_TRUE(object);
  EXPECT_EQ(object->RefCount(), 1u);
  ComPtr<IOleWindow> window;
  EXPECT_EQ(object.As(&window), S_OK);
  window.Reset();
  object.Reset();
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
