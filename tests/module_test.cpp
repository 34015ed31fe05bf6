// The module as a host meets it: exports, the class factory, the
// control's interfaces, aggregation, the host context, in-place activation
// in a real container window, persistence and keyboard handling.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <string>

#include "CameraControlFN.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "resources/resource.h"
#include "tests/support/fake_host_context.h"
#include "tests/support/modal.h"
#include "tests/support/product_dll.h"
#include "tests/support/test_container.h"

using fw::ComPtr;

namespace {

TEST(Exports, ClassObjectOnlyForTheControlClass) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_NE(factory.Get(), nullptr);

  void* none = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(test::CallDllGetClassObject(IID_IUnknown, IID_IClassFactory, &none),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_IClassFactory, nullptr),
            E_POINTER);
  ComPtr<IDispatch> notAFactory;
  EXPECT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&notAFactory)),
            E_NOINTERFACE);
}

TEST(Exports, CanUnloadOnlyWhenNothingLives) {
  ASSERT_EQ(test::CallDllCanUnloadNow(), S_OK);

  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_TRUE(control);
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_FALSE);
  control.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_FALSE);  // a held factory keeps the module
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_FALSE);  // so does a lock
  ASSERT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_OK);
}

TEST(ControlInterfaces, AnswersTheEmbeddingAndHostInterfaces) {
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_TRUE(control);
  const IID* expected[] = {
      &IID_ICameraControlUI,
      &IID_IDispatch,
      &IID_IViewObjectEx,
      &IID_IViewObject2,
      &IID_IViewObject,
      &IID_IOleInPlaceObjectWindowless,
      &IID_IOleInPlaceObject,
      &IID_IOleWindow,
      &IID_IOleInPlaceActiveObject,
      &IID_IOleControl,
      &IID_IOleObject,
      &IID_IPersistStreamInit,
      &IID_IPersist,
      &IID_ISpecifyPropertyPages,
      &IID_IQuickActivate,
      &IID_IPersistStorage,
      &IID_IDataObject,
      &IID_IProvideClassInfo,
      &IID_IProvideClassInfo2,
      &IID_IContextMember,
      &IID_IGoClient,
      &IID_ICameraControlFNClient,
  };
  for (const IID* iid : expected) {
    ComPtr<IUnknown> answer;
    EXPECT_EQ(control->QueryInterface(*iid, reinterpret_cast<void**>(answer.GetAddressOf())), S_OK);
    // Every interface leads back to the same identity.
    ComPtr<IUnknown> identity;
    ASSERT_TRUE(answer);
    answer.As(&identity);
    EXPECT_EQ(identity.Get(), control.Get());
  }
  ComPtr<IConnectionPointContainer> points;
  EXPECT_EQ(control.As(&points), E_NOINTERFACE);  // no events of its own
  ComPtr<IPersistPropertyBag> bag;
  EXPECT_EQ(control.As(&bag), E_NOINTERFACE);
}

TEST(ControlInterfaces, ClassInfoAndDispatchComeFromTheTypeLibrary) {
  auto classInfo = test::CreateControlAs<IProvideClassInfo2>();
  ASSERT_TRUE(classInfo);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(classInfo->GetClassInfo(&info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, CLSID_CameraControlUI));
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  info->ReleaseTypeAttr(attributes);
  GUID source = IID_IUnknown;
  EXPECT_TRUE(FAILED(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source)));
  EXPECT_TRUE(IsEqualGUID(source, GUID_NULL));

  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(classInfo.As(&dispatch), S_OK);
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> interfaceInfo;
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &interfaceInfo), S_OK);
  ASSERT_EQ(interfaceInfo->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_ICameraControlUI));
  interfaceInfo->ReleaseTypeAttr(attributes);
  OLECHAR name[] = L"NoSuchMember";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

// An outer object that aggregates the control and passes on everything
// but its own identity.
class Aggregator : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  ULONG refs = 1;
  ComPtr<IUnknown> inner;
};

TEST(ControlInterfaces, CanBeAggregated) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(test::CallDllGetClassObject(CLSID_CameraControlUI, IID_PPV_ARGS(&factory)), S_OK);
  Aggregator outer;
  ComPtr<IOleObject> refused;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_PPV_ARGS(&refused)), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)), S_OK);

  ComPtr<IOleObject> object;
  ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&object)), S_OK);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(object.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));  // delegates to the outer object
  ULONG before = outer.refs;
  object->AddRef();
  EXPECT_EQ(outer.refs, before + 1);
  object->Release();
  identity.Reset();
  object.Reset();
  EXPECT_EQ(outer.refs, 1u);
  outer.inner.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_FALSE);  // the factory is still held
  factory.Reset();
  EXPECT_EQ(test::CallDllCanUnloadNow(), S_OK);
}

TEST(HostContext, JoinedControlLeavesOnceWithItsCookie) {
  auto context = fw::Make<test::FakeHostContext>();
  context->SetCookie(42);
  {
    auto member = test::CreateControlAs<IContextMember>();
    ASSERT_TRUE(member);
    EXPECT_EQ(member->JoinContext(nullptr), E_POINTER);
    EXPECT_EQ(member->AttachContext(nullptr), E_POINTER);
    EXPECT_EQ(context->AddCount(), 0u);
    ULONG before = context->RefCount();
    ASSERT_EQ(member->JoinContext(context.Get()), S_OK);
    ASSERT_EQ(context->AddCount(), 1u);
    EXPECT_EQ(context->Members()[0], member.Get());
    EXPECT_GT(context->RefCount(), before);
    EXPECT_EQ(context->RemoveCount(), 0u);
  }
  EXPECT_EQ(context->RemovedCookies(), std::vector<DWORD>{42});
  EXPECT_EQ(context->RefCount(), 1u);
}

TEST(HostContext, AttachedControlKeepsButNeverRemoves) {
  auto context = fw::Make<test::FakeHostContext>();
  {
    auto member = test::CreateControlAs<IContextMember>();
    ASSERT_EQ(member->AttachContext(context.Get()), S_OK);
    EXPECT_EQ(context->AddCount(), 0u);
    EXPECT_EQ(context->RefCount(), 2u);
  }
  EXPECT_EQ(context->RemoveCount(), 0u);
  EXPECT_EQ(context->RefCount(), 1u);

  context->SetAddResult(E_ACCESSDENIED);
  {
    auto member = test::CreateControlAs<IContextMember>();
    EXPECT_EQ(member->JoinContext(context.Get()), E_ACCESSDENIED);
  }
  EXPECT_EQ(context->RemoveCount(), 0u);  // no cookie, nothing to remove
}

// Ids and window classes of the control's dialog.
struct DialogItem {
  int id;
  const char* windowClass;
  const char* text;
  bool visible;
};

TEST(InPlaceActivation, CreatesTheControlDialogInTheContainer) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_EQ(container.Activate(control.Get()), S_OK);
  HWND dialog = container.ControlWindow();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetParent(dialog), container.SiteWindow());
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_CHILD, WS_CHILD);
  EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_EQ(container.InPlaceActivations(), 1);
  EXPECT_EQ(container.UIActivations(), 0);  // in-place only, as asked

  const DialogItem items[] = {
      {IDC_SHEET_PLACEHOLDER, "Static", "", false},
      {IDC_ACTIVATION_GROUP, "Button", "Camera Activation", false},
      {IDC_DEACTIVATE_ALL, "Button", "&Deactivate All", false},
      {IDC_CAMERA_ON, "Button", "Camera &On", false},
      {IDC_VIEWFINDER_ON, "Button", "&ViewFinder On", false},
      {IDOK, "Button", "&Close", true},
      {IDHELP, "Button", "&Help", true},
  };
  for (const DialogItem& item : items) {
    HWND child = GetDlgItem(dialog, item.id);
    ASSERT_NE(child, nullptr) << item.id;
    char className[32];
    GetClassNameA(child, className, sizeof className);
    EXPECT_STREQ(className, item.windowClass) << item.id;
    EXPECT_EQ(test::WindowText(child), item.text) << item.id;
    EXPECT_EQ(IsWindowVisible(child) != FALSE, item.visible) << item.id;
  }
  // Before Go, without a connection: only Close and Help are usable, and
  // "Deactivate All" is the checked one.
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDHELP)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CAMERA_ON)));
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_DEACTIVATE_ALL), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_CAMERA_ON), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // The window lives while the control is active in place.
  ASSERT_EQ(container.Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(container.InPlaceDeactivations(), 1);
}

TEST(InPlaceActivation, UIActivationMakesTheControlTheActiveObject) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
  EXPECT_EQ(container.UIActivations(), 1);
  EXPECT_TRUE(container.HasActiveObject());
  HWND dialog = container.ControlWindow();
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == dialog || IsChild(dialog, focus));

  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(control.As(&inPlace), S_OK);
  EXPECT_EQ(inPlace->UIDeactivate(), S_OK);
  EXPECT_EQ(container.UIDeactivations(), 1);
  EXPECT_FALSE(container.HasActiveObject());
  EXPECT_TRUE(IsWindow(dialog));  // still active in place

  RECT position = {10, 20, 410, 320};
  EXPECT_EQ(inPlace->SetObjectRects(&position, &position), S_OK);
  RECT window;
  GetWindowRect(dialog, &window);
  MapWindowPoints(nullptr, container.SiteWindow(), reinterpret_cast<POINT*>(&window), 2);
  EXPECT_EQ(window.left, 10);
  EXPECT_EQ(window.top, 20);
  EXPECT_EQ(window.right - window.left, 400);
  EXPECT_EQ(window.bottom - window.top, 300);
}

TEST(InPlaceActivation, WithoutASiteThereIsNothingToActivateIn) {
  auto object = test::CreateControlAs<IOleObject>();
  RECT rect = {0, 0, 100, 100};
  EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, &rect),
            E_UNEXPECTED);
  ComPtr<IOleWindow> window;
  ASSERT_EQ(object.As(&window), S_OK);
  HWND hwnd = reinterpret_cast<HWND>(1);
  EXPECT_EQ(window->GetWindow(&hwnd), E_FAIL);
  EXPECT_EQ(hwnd, nullptr);
}

TEST(Extent, NaturalSizeIsTheDialogTemplateAndIsPersisted) {
  auto object = test::CreateControlAs<IOleObject>();
  SIZEL extent = {0, 0};
  ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  // 389 x 206 dialog units of "MS Sans Serif" 8 at 96 dpi, in HIMETRIC.
  test::TestContainer container;
  ASSERT_EQ(container.Activate(object.Get()), S_OK);
  RECT dialogUnits = {0, 0, 389, 206};
  MapDialogRect(container.ControlWindow(), &dialogUnits);
  EXPECT_EQ(extent.cx, MulDiv(dialogUnits.right, 2540, 96));
  EXPECT_EQ(extent.cy, MulDiv(dialogUnits.bottom, 2540, 96));
  container.Deactivate();

  SIZEL changed = {5000, 4000};
  EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, &changed), S_OK);
  EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &changed), DV_E_DVASPECT);
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(object.As(&persist), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  // A new control loads the extent back, through a stream and a storage.
  auto other = test::CreateControlAs<IPersistStreamInit>();
  LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(other->Load(stream.Get()), S_OK);
  ComPtr<IOleObject> otherObject;
  other.As(&otherObject);
  SIZEL loaded = {0, 0};
  otherObject->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 5000);
  EXPECT_EQ(loaded.cy, 4000);

  ComPtr<ILockBytes> bytes;
  ComPtr<IStorage> storage;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  ASSERT_EQ(StgCreateDocfileOnILockBytes(
                bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage),
            S_OK);
  ComPtr<IPersistStorage> persistStorage;
  ASSERT_EQ(object.As(&persistStorage), S_OK);
  ASSERT_EQ(persistStorage->Save(storage.Get(), TRUE), S_OK);
  auto third = test::CreateControlAs<IPersistStorage>();
  ASSERT_EQ(third->Load(storage.Get()), S_OK);
  ComPtr<IOleObject> thirdObject;
  third.As(&thirdObject);
  thirdObject->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 5000);

  // A short stream is refused and changes nothing.
  ComPtr<IStream> shortStream;
  CreateStreamOnHGlobal(nullptr, TRUE, &shortStream);
  DWORD version = 0x0100;
  shortStream->Write(&version, sizeof version, nullptr);
  shortStream->Seek(start, STREAM_SEEK_SET, nullptr);
  EXPECT_TRUE(FAILED(other->Load(shortStream.Get())));
  otherObject->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 5000);
}

TEST(Keyboard, DialogKeysStayInsideOthersGoToTheContainer) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(control.As(&active), S_OK);
  HWND dialog = container.ControlWindow();
  HWND help = GetDlgItem(dialog, IDHELP);
  HWND close = GetDlgItem(dialog, IDOK);
  SetFocus(close);

  // Tab from Close moves to Help inside the dialog; the container sees
  // nothing.
  MSG tab = {close, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_EQ(active->TranslateAccelerator(&tab), S_OK);
  EXPECT_EQ(GetFocus(), help);
  EXPECT_TRUE(container.AcceleratorsSeen().empty());

  // Return belongs to the container, with the modifiers held: none.
  MSG enter = {help, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  EXPECT_EQ(active->TranslateAccelerator(&enter), S_FALSE);
  ASSERT_EQ(container.AcceleratorsSeen().size(), 1u);
  EXPECT_EQ(container.AcceleratorsSeen()[0].key, static_cast<WPARAM>(VK_RETURN));
  EXPECT_EQ(container.AcceleratorsSeen()[0].modifiers, 0u);

  // A container that uses the key makes the control report it used.
  container.SetContainerTakesKeys(true);
  EXPECT_EQ(active->TranslateAccelerator(&enter), S_OK);

  // Shift and Ctrl held at that moment are reported as 1 and 2.
  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE saved[256];
  memcpy(saved, keys, sizeof keys);
  keys[VK_SHIFT] = 0x80;
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG escape = {help, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
  active->TranslateAccelerator(&escape);
  SetKeyboardState(saved);
  EXPECT_EQ(container.AcceleratorsSeen().back().modifiers, 3u);

  // Without IOleControlSite the key is simply not used.
  container.OmitControlSite(true);
  size_t seen = container.AcceleratorsSeen().size();
  EXPECT_EQ(active->TranslateAccelerator(&enter), S_FALSE);
  EXPECT_EQ(container.AcceleratorsSeen().size(), seen);
  EXPECT_EQ(active->TranslateAccelerator(nullptr), E_POINTER);
}

TEST(Ambient, BackgroundColourComesFromTheContainer) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_EQ(container.Activate(control.Get()), S_OK);
  HWND dialog = container.ControlWindow();
  HWND close = GetDlgItem(dialog, IDOK);
  HDC dc = GetDC(close);
  // Without an ambient colour the dialog keeps the system's.
  EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(dialog)),
            DefDlgProcA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(dialog)));

  container.SetAmbientBackColor(RGB(10, 120, 200));
  auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
      dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(close)));
  ASSERT_NE(brush, nullptr);
  LOGBRUSH description = {};
  GetObjectA(brush, sizeof description, &description);
  EXPECT_EQ(description.lbColor, RGB(10, 120, 200));
  EXPECT_EQ(GetBkColor(dc), RGB(10, 120, 200));
  ReleaseDC(close, dc);

  // Painted: a pixel of the dialog's background shows the colour.
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC windowDC = GetDC(dialog);
  EXPECT_EQ(GetPixel(windowDC, 2, 2), RGB(10, 120, 200));
  ReleaseDC(dialog, windowDC);
}

TEST(Drawing, ViewObjectDrawsTheActiveDialog) {
  test::TestContainer container;
  ComPtr<IUnknown> control = test::CreateControl();
  ASSERT_EQ(container.Activate(control.Get()), S_OK);
  container.SetAmbientBackColor(RGB(0, 128, 0));
  ComPtr<IViewObjectEx> view;
  ASSERT_EQ(control.As(&view), S_OK);
  DWORD status = 0;
  EXPECT_EQ(view->GetViewStatus(&status), S_OK);
  EXPECT_EQ(status, static_cast<DWORD>(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND));

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT white = {0, 0, 200, 100};
  FillRect(memory, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECTL bounds = {0, 0, 200, 100};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr,
                       nullptr, 0),
            S_OK);
  EXPECT_EQ(GetPixel(memory, 3, 3), RGB(0, 128, 0));
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr,
                       nullptr, 0),
            DV_E_DVASPECT);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  DWORD hit = 0;
  RECT area = {0, 0, 100, 100};
  EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &area, {50, 50}, 0, &hit), S_OK);
  EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
  EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &area, {150, 50}, 0, &hit), S_OK);
  EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
}

TEST(DataObject, GivesTheControlAsAMetafilePicture) {
  auto data = test::CreateControlAs<IDataObject>();
  ASSERT_TRUE(data);
  FORMATETC format = {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
  EXPECT_EQ(data->QueryGetData(&format), S_OK);
  STGMEDIUM medium = {};
  ASSERT_EQ(data->GetData(&format, &medium), S_OK);
  ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_MFPICT));
  auto* picture = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
  ASSERT_NE(picture, nullptr);
  SIZEL extent = {};
  ComPtr<IOleObject> object;
  data.As(&object);
  object->GetExtent(DVASPECT_CONTENT, &extent);
  EXPECT_EQ(picture->mm, MM_ANISOTROPIC);
  EXPECT_EQ(picture->xExt, extent.cx);
  EXPECT_EQ(picture->yExt, extent.cy);
  EXPECT_NE(picture->hMF, nullptr);
  GlobalUnlock(medium.hMetaFilePict);
  ReleaseStgMedium(&medium);

  FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(data->QueryGetData(&text), DV_E_FORMATETC);
  EXPECT_EQ(data->GetData(&text, &medium), DV_E_FORMATETC);
}

TEST(QuickActivation, TakesTheSiteAndReportsTheControl) {
  auto quick = test::CreateControlAs<IQuickActivate>();
  ASSERT_TRUE(quick);
  QACONTAINER container = {};
  container.cbSize = sizeof container;
  container.colorBack = RGB(1, 2, 3);
  QACONTROL answer = {};
  answer.cbSize = sizeof answer;
  EXPECT_EQ(quick->QuickActivate(&container, &answer), S_OK);
  EXPECT_EQ(answer.dwMiscStatus, 0x20191u);
  EXPECT_EQ(answer.dwEventCookie, 0u);
  EXPECT_EQ(quick->QuickActivate(nullptr, &answer), E_POINTER);
  ComPtr<IOleObject> object;
  ASSERT_EQ(quick.As(&object), S_OK);
  DWORD misc = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
  EXPECT_EQ(misc, 0x20191u);
}

}  // namespace
