#include "tools/container/control_container.h"

namespace host {

// The client site, in-place site, frame, control site and ambient
// properties of one test container.
class ContainerSite : public fw::ComObjectRoot,
                      public IOleClientSite,
                      public IOleInPlaceSite,
                      public IOleInPlaceFrame,
                      public IOleControlSite,
                      public IDispatch {
 public:
  ~ContainerSite() override { VariantClear(&backColor); }

  FW_BEGIN_INTERFACES(ContainerSite)
  FW_INTERFACE(IOleClientSite)
  FW_INTERFACE(IOleInPlaceSite)
  FW_INTERFACE_VIA(IOleWindow, IOleInPlaceSite)
  FW_INTERFACE(IOleInPlaceFrame)
  FW_INTERFACE_VIA(IOleInPlaceUIWindow, IOleInPlaceFrame)
  FW_INTERFACE(IDispatch)
  FW_END_INTERFACES

  HRESULT QueryInterfaceFallback(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IOleControlSite) && !omitControlSite) {
      *ppv = static_cast<IOleControlSite*>(this);
      ControllingUnknown()->AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = siteWindow;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override {
    ++inPlaceActivations;
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override {
    ++uiActivations;
    return S_OK;
  }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = this;
    ControllingUnknown()->AddRef();
    *document = nullptr;
    GetClientRect(siteWindow, position);
    GetClientRect(siteWindow, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = GetParent(siteWindow);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override {
    ++uiDeactivations;
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivate() override {
    ++inPlaceDeactivations;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    activeObject = object;
    return S_OK;
  }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
  STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
  STDMETHODIMP GetExtendedControl(IDispatch** extended) override {
    *extended = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) override {
    accelerators.push_back({msg->message, msg->wParam, modifiers});
    return containerTakesKeys ? S_OK : S_FALSE;
  }
  STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
  STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: ambient properties
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id == DISPID_AMBIENT_BACKCOLOR && backColor.vt != VT_EMPTY && result) {
      VariantInit(result);
      return VariantCopy(result, &backColor);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  HWND siteWindow = nullptr;
  int inPlaceActivations = 0;
  int inPlaceDeactivations = 0;
  int uiActivations = 0;
  int uiDeactivations = 0;
  ComPtr<IOleInPlaceActiveObject> activeObject;
  std::vector<AcceleratorSeen> accelerators;
  bool containerTakesKeys = false;
  bool omitControlSite = false;
  VARIANT backColor = {};  // VT_EMPTY: the site has none
};

namespace {

const char kFrameClass[] = "KvrControlContainerFrame";

void RegisterFrameClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA cls = {};
  cls.lpfnWndProc = DefWindowProcA;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  cls.lpszClassName = kFrameClass;
  RegisterClassA(&cls);
  registered = true;
}

}  // namespace

LRESULT CALLBACK ControlContainer::FrameProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  auto* self = reinterpret_cast<ControlContainer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && message == WM_CLOSE) {
    ++self->closeRequests;
    if (self->closeAction) self->closeAction();
    return 0;
  }
  // The keyboard focus comes back to where it was inside the frame when the
  // frame is activated again (after a modal dialog or message box, which
  // leaves the focus on the frame itself), as a dialog's does.
  if (self && message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE &&
      IsChild(window, GetFocus()))
    self->lastFocus = GetFocus();
  if (self && message == WM_SETFOCUS && IsChild(window, self->lastFocus)) {
    SetFocus(self->lastFocus);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

ControlContainer::ControlContainer(int width, int height, const char* title) {
  RegisterFrameClass();
  frame = CreateWindowExA(0, kFrameClass, title ? title : "Control container",
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, width, height, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc));
  RECT client;
  GetClientRect(frame, &client);
  siteWindow = CreateWindowExA(0, kFrameClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               client.right, client.bottom, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  site = fw::Make<ContainerSite>();
  site->siteWindow = siteWindow;
}

ControlContainer::~ControlContainer() {
  Deactivate();
  if (frame) DestroyWindow(frame);
}

// [guide: site]
HRESULT ControlContainer::Activate(IUnknown* object, LONG verb) {
  control.Reset();
  HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&control));
  if (FAILED(hr)) return hr;
  hr = control->SetClientSite(site.Get());
  if (FAILED(hr)) return hr;
  RECT client;
  GetClientRect(siteWindow, &client);
  return control->DoVerb(verb, nullptr, site.Get(), 0, siteWindow, &client);
}
// [guide end]

HRESULT ControlContainer::Deactivate() {
  if (!control) return S_FALSE;
  HRESULT hr = control->Close(OLECLOSE_NOSAVE);
  control->SetClientSite(nullptr);
  control.Reset();
  site->activeObject.Reset();
  return hr;
}

HWND ControlContainer::ControlWindow() const {
  ComPtr<IOleWindow> window;
  HWND hwnd = nullptr;
  if (control && SUCCEEDED(control.As(&window))) window->GetWindow(&hwnd);
  return hwnd;
}

void ControlContainer::SetAmbientBackColor(OLE_COLOR color) {
  VARIANT value;
  value.vt = VT_I4;
  value.lVal = static_cast<LONG>(color);
  SetAmbientBackColor(value);
}

void ControlContainer::SetAmbientBackColor(const VARIANT& value) {
  VariantCopy(&site->backColor, const_cast<VARIANT*>(&value));  // only read
  ComPtr<IOleControl> oleControl;
  if (control && SUCCEEDED(control.As(&oleControl)))
    oleControl->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR);
}

void ControlContainer::ClearAmbientBackColor() {
  VariantClear(&site->backColor);
}

int ControlContainer::InPlaceActivations() const {
  return site->inPlaceActivations;
}
int ControlContainer::InPlaceDeactivations() const {
  return site->inPlaceDeactivations;
}
int ControlContainer::UIActivations() const {
  return site->uiActivations;
}
int ControlContainer::UIDeactivations() const {
  return site->uiDeactivations;
}
bool ControlContainer::HasActiveObject() const {
  return site->activeObject != nullptr;
}
const std::vector<AcceleratorSeen>& ControlContainer::AcceleratorsSeen() const {
  return site->accelerators;
}
void ControlContainer::SetContainerTakesKeys(bool takes) {
  site->containerTakesKeys = takes;
}
void ControlContainer::OmitControlSite(bool omit) {
  site->omitControlSite = omit;
}

}  // namespace host
