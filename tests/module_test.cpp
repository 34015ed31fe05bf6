// The module as a host meets it: exports, aggregation, interfaces, the host
// context, in place with keys, colour, extent.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "framework/handles.h"
#include "framework/type_library.h"
#include "tests/support/fake_host_context.h"
#include "tests/support/product_dll.h"
#include "tests/support/test_container.h"

using fw::ComPtr;

namespace {

// An outer object aggregating the control: its own IUnknown, the rest the control's.
struct Outer : IUnknown {
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    return IsEqualIID(iid, IID_IUnknown) ? (*ppv = this, AddRef(), S_OK)
                                         : inner->QueryInterface(iid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  ULONG refs = 1;
  ComPtr<IUnknown> inner;
};

// Only the control's class is served; each lock and each object keeps the
// module. Aggregated only for IUnknown, the control delegates identity and
// references to the outer object.
TEST(Exports, ClassObjectUnloadingAndAggregation) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(test::CallDllGetClassObject(IID_IUnknown, IID_PPV_ARGS(&factory)),
            CLASS_E_CLASSNOTAVAILABLE);
  for (BOOL lock : {TRUE, FALSE}) {
    ASSERT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(lock), S_OK);
    factory.Reset();
    EXPECT_EQ(test::CallDllCanUnloadNow(), lock ? S_FALSE : S_OK);
  }
  ASSERT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
  Outer outer;
  ComPtr<IOleObject> object;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_PPV_ARGS(&object)), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)), S_OK);
  factory.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&object)), S_OK);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(object.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  identity.Reset();
  object.Reset();
  EXPECT_EQ(outer.refs, 1u);  // references to the inner object counted on the outer
  outer.inner.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_OK);  // the inner object is gone
}

// Every interface a host may ask for, with one identity; no connection
// points; the class id; no data advise to enumerate (the host is told so).
// That the last Release frees the control: stress_test's leak check.
TEST(Interfaces, EveryListedOneWithOneIdentityAndNoConnectionPoints) {
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_TRUE(control);
  // clang-format off
  for (const IID& iid : {
      IID_ICameraControlUI, IID_IDispatch, IID_IProvideClassInfo, IID_IProvideClassInfo2,
      IID_IViewObjectEx, IID_IViewObject2, IID_IViewObject, IID_IDataObject, IID_IOleObject,
      IID_IOleInPlaceObjectWindowless, IID_IOleInPlaceObject, IID_IOleWindow, IID_IOleControl,
      IID_IOleInPlaceActiveObject, IID_IQuickActivate, IID_ISpecifyPropertyPages, IID_IPersist,
      IID_IPersistStreamInit, IID_IPersistStorage, IID_IContextMember, IID_IGoClient,
      IID_ICameraControlFNClient}) {  // clang-format on
    ComPtr<IUnknown> answer, identity;
    EXPECT_EQ(control->QueryInterface(iid, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
    EXPECT_TRUE(answer && SUCCEEDED(answer.As(&identity)) && identity == control);
  }
  ComPtr<IConnectionPointContainer> points;
  EXPECT_EQ(control.As(&points), E_NOINTERFACE);
  ComPtr<IPersist> persist;
  ComPtr<IDataObject> data;
  ASSERT_TRUE(SUCCEEDED(control.As(&persist)) && SUCCEEDED(control.As(&data)));
  CLSID id = {};
  EXPECT_TRUE(SUCCEEDED(persist->GetClassID(&id)) && IsEqualCLSID(id, CLSID_CameraControlUI));
  IEnumSTATDATA* advises = reinterpret_cast<IEnumSTATDATA*>(1);
  EXPECT_TRUE(FAILED(data->EnumDAdvise(&advises)));
}

// A joined control leaves its context once, with its cookie, and lets it go.
TEST(HostContext, JoinedControlLeavesOnceWithItsCookie) {
  auto context = fw::Make<test::FakeHostContext>();
  context->SetCookie(42);
  {
    auto member = test::CreateControlAs<IContextMember>();
    ASSERT_TRUE(member);
    ASSERT_EQ(member->JoinContext(context.Get()), S_OK);
    EXPECT_EQ(context->Members(), std::vector<IContextMember*>{member.Get()});
    EXPECT_EQ(context->RemoveCount(), 0u);
  }
  EXPECT_EQ(context->RemovedCookies(), std::vector<DWORD>{42});
  EXPECT_EQ(context->RefCount(), 1u);
}

// Return goes to the container with its modifiers (Shift 1, Ctrl 2); the
// ambient colour paints the dialog and the face a host prints, active or not;
// no activation in a site whose window has gone; the extent is persisted.
TEST(InPlace, DialogKeysColourAndExtent) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ComPtr<IOleInPlaceActiveObject> active;
  ComPtr<IViewObject> view;
  ComPtr<IOleObject> object;
  ComPtr<IPersistStreamInit> saver;
  ASSERT_TRUE(SUCCEEDED(control.As(&active)) && SUCCEEDED(control.As(&view)) &&
              SUCCEEDED(control.As(&object)) && SUCCEEDED(control.As(&saver)));
  ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
  HWND dialog = container.ControlWindow();
  EXPECT_EQ(GetParent(dialog), container.SiteWindow());
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG enter = {GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  EXPECT_EQ(active->TranslateAccelerator(&enter), S_FALSE);
  keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  const auto& seen = container.AcceleratorsSeen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(std::make_pair(seen[0].key, seen[0].modifiers), std::make_pair(WPARAM(VK_RETURN), 3ul));

  container.SetAmbientBackColor(RGB(10, 120, 200));
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(GetPixel(fw::WindowDC(dialog).Get(), 2, 2), RGB(10, 120, 200));
  ComPtr<IStream> stream;  // also a colour the host answers as an object
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  VARIANT value;
  value.vt = VT_UNKNOWN;
  value.punkVal = stream.Get();
  container.SetAmbientBackColor(value);
  stream->AddRef();
  EXPECT_EQ(stream->Release(), 2u);  // ours and the container's
  container.ClearAmbientBackColor();
  fw::UniqueBitmap bitmap(CreateBitmap(40, 30, 1, 32, nullptr));  // freed after the DC
  fw::UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
  SelectObject(memory.Get(), bitmap.Get());
  const RECTL bounds = {5, 5, 40, 30};
  for (bool inPlace : {true, false}) {
    ASSERT_EQ(inPlace ? S_OK : container.Deactivate(), S_OK);
    SetPixel(memory.Get(), 6, 6, RGB(1, 2, 3));
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds,
                         nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(GetPixel(memory.Get(), 6, 6), RGB(10, 120, 200)) << inPlace;
  }
  EXPECT_FALSE(IsWindow(dialog));
  DestroyWindow(container.SiteWindow());
  EXPECT_EQ(container.Activate(control.Get()), E_FAIL);
  EXPECT_EQ(container.ControlWindow(), nullptr);

  SIZEL extent = {5000, 4000};
  ASSERT_EQ(object->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  ASSERT_EQ(saver->Save(stream.Get(), TRUE), S_OK);
  auto loader = test::CreateControlAs<IPersistStreamInit>();
  stream->Seek({}, STREAM_SEEK_SET, nullptr);
  ASSERT_TRUE(SUCCEEDED(loader->Load(stream.Get())) && SUCCEEDED(loader.As(&object)));
  extent = {};
  ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(std::make_pair(extent.cx, extent.cy), std::make_pair(5000L, 4000L));
}

// The type library loads whatever error an earlier call of the thread left
// behind (a host registering the control right after a failed call of its own).
TEST(TypeLibrary, LoadsWhateverTheThreadsLastErrorSays) {
  char path[MAX_PATH];
  ASSERT_TRUE(GetFullPathNameA(KVR_PRODUCT_DLL, MAX_PATH, path, nullptr));
  ComPtr<ITypeLib> library;
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(fw::LoadTypeLibraryOf(path, &library), S_OK);
}

}  // namespace
