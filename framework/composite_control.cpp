#include "framework/composite_control.h"

#include "framework/call_scope.h"
#include "framework/module.h"
#include "framework/module_type_info.h"

namespace fw {
namespace {

// Layout of the persisted extent: a format version, then cx and cy.
constexpr DWORD kPersistVersion = 0x0100;
constexpr ULONG kPersistedBytes = 3 * sizeof(DWORD);
const wchar_t kContentsStream[] = L"Contents";

LONG PixelsToHimetric(LONG pixels, int pixelsPerInch) {
  return MulDiv(pixels, 2540, pixelsPerInch);
}

INT_PTR CALLBACK MeasuringDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

bool KeyDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

CompositeControl::CompositeControl(const CLSID& clsid, UINT dialog)
    : classId(clsid), dialogId(dialog) {
  ComputeNaturalExtent();
  extent = naturalExtent;
}

CompositeControl::~CompositeControl() = default;

// The natural extent is the dialog template's size, measured by letting the
// dialog manager lay it out once, hidden, with its own font.
void CompositeControl::ComputeNaturalExtent() {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                Module::Instance(), nullptr);
  HWND dialog = CreateDialogParamA(Module::ResourceInstance(), MAKEINTRESOURCEA(dialogId), parent,
                                   MeasuringDialogProc, 0);
  RECT client = {0, 0, 0, 0};
  if (dialog) {
    GetClientRect(dialog, &client);
    DestroyWindow(dialog);
  }
  if (parent) DestroyWindow(parent);
  WindowDC screen(nullptr);
  int ppiX = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
  int ppiY = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  naturalExtent.cx = PixelsToHimetric(client.right, ppiX);
  naturalExtent.cy = PixelsToHimetric(client.bottom, ppiY);
}

void CompositeControl::FinalRelease() {
  if (Hwnd()) DestroyWindow(Hwnd());
  inPlaceActive = false;
  uiActive = false;
  inPlaceSite.Reset();
  frame.Reset();
  document.Reset();
  viewSink.Reset();
  oleAdviseHolder.Reset();
  dataAdviseHolder.Reset();
  clientSite.Reset();
}

// ---- IOleObject ----

STDMETHODIMP CompositeControl::SetClientSite(IOleClientSite* site) {
  CallScope call;  // calls out: stays whole until it returns
  clientSite = site;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

STDMETHODIMP CompositeControl::Close(DWORD saveOption) {
  CallScope call;  // calls out: stays whole until it returns
  if (dirty && saveOption == OLECLOSE_SAVEIFDIRTY && clientSite) clientSite->SaveObject();
  InPlaceDeactivate();
  if (oleAdviseHolder) oleAdviseHolder->SendOnClose();
  return S_OK;
}

STDMETHODIMP CompositeControl::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  if (!clientSite) return E_UNEXPECTED;
  (void)assign;
  return clientSite->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, which, moniker);
}

STDMETHODIMP CompositeControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CompositeControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
  CallScope call;  // calls out: stays whole until it returns
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
      return InPlaceActivate(verb);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    case OLEIVERB_OPEN:        // no separate window to open in
    case OLEIVERB_PROPERTIES:  // no property pages
      return E_NOTIMPL;
    default:
      if (verb < 0) return E_NOTIMPL;
      // An unknown positive verb runs the primary one, as OLE asks.
      HRESULT hr = InPlaceActivate(OLEIVERB_PRIMARY);
      return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
  }
}

STDMETHODIMP CompositeControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  return OleRegEnumVerbs(classId, verbs);
}

STDMETHODIMP CompositeControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = classId;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetUserType(DWORD form, LPOLESTR* userType) {
  if (!userType) return E_POINTER;
  return OleRegGetUserType(classId, form, userType);
}

STDMETHODIMP CompositeControl::SetExtent(DWORD aspect, SIZEL* size) {
  CallScope call;  // calls out: stays whole until it returns
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  if (size->cx != extent.cx || size->cy != extent.cy) {
    extent = *size;
    dirty = true;
    if (viewSink && (viewAspects & DVASPECT_CONTENT)) viewSink->OnViewChange(DVASPECT_CONTENT, -1);
  }
  return S_OK;
}

STDMETHODIMP CompositeControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent;
  return S_OK;
}

STDMETHODIMP CompositeControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!connection) return E_POINTER;
  *connection = 0;
  if (!oleAdviseHolder) {
    HRESULT hr = CreateOleAdviseHolder(&oleAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return oleAdviseHolder->Advise(sink, connection);
}

STDMETHODIMP CompositeControl::Unadvise(DWORD connection) {
  return oleAdviseHolder ? oleAdviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CompositeControl::EnumAdvise(IEnumSTATDATA** advises) {
  if (!advises) return E_POINTER;
  *advises = nullptr;
  return oleAdviseHolder ? oleAdviseHolder->EnumAdvise(advises) : E_FAIL;
}

STDMETHODIMP CompositeControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
  return S_OK;
}

// ---- In-place activation ----

HRESULT CompositeControl::InPlaceActivate(LONG verb) {
  if (!clientSite) return E_UNEXPECTED;
  deactivationWaiting = false;  // active again before the window went: it stays
  if (deactivating) {
    // The old window is still going: the new one comes once it has gone.
    activationWaiting = true;
    waitingVerb = verb;
    return S_OK;
  }
  if (!inPlaceActive) {
    ComPtr<IOleInPlaceSite> site;
    if (FAILED(clientSite.As(&site))) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceSite = site;
    inPlaceActive = true;
    site->OnInPlaceActivate();

    HWND parent = nullptr;
    site->GetWindow(&parent);
    RECT pos = {0, 0, 0, 0};
    RECT clip = {0, 0, 0, 0};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    site->GetWindowContext(&frame, &document, &pos, &clip, &frameInfo);
    position = pos;

    if (!Hwnd()) {
      if (!CreateControlWindow(parent, pos)) {
        InPlaceDeactivate();
        return E_FAIL;
      }
    } else {
      SetParent(Hwnd(), parent);
      SetObjectRects(&pos, &clip);
    }
    ShowWindow(Hwnd(), SW_SHOW);
  }
  if (verb == OLEIVERB_PRIMARY || verb == OLEIVERB_UIACTIVATE) return UIActivate();
  return S_OK;
}

bool CompositeControl::CreateControlWindow(HWND parent, const RECT& pos) {
  ReadAmbientBackColor();
  HWND window = CreateModeless(dialogId, parent);
  if (!window) return false;
  SetWindowPos(window, nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

HRESULT CompositeControl::UIActivate() {
  if (uiActive) return S_OK;
  uiActive = true;
  if (inPlaceSite) inPlaceSite->OnUIActivate();
  HWND focus = GetFocus();
  if (Hwnd() && focus != Hwnd() && !IsChild(Hwnd(), focus)) SetFocus(Hwnd());
  IOleInPlaceActiveObject* active = this;
  if (frame) {
    frame->SetActiveObject(active, nullptr);
    frame->SetBorderSpace(nullptr);
  }
  if (document) {
    document->SetActiveObject(active, nullptr);
    document->SetBorderSpace(nullptr);
  }
  return S_OK;
}

STDMETHODIMP CompositeControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = Hwnd();
  return *window ? S_OK : E_FAIL;
}

STDMETHODIMP CompositeControl::InPlaceDeactivate() {
  CallScope call;             // calls out: stays whole until it returns
  activationWaiting = false;  // deactivated again after it was asked for
  if (!inPlaceActive) return S_OK;
  if (Hwnd() && WindowInUse()) {
    if (!deactivationWaiting) {
      deactivationWaiting = true;
      CallScope::AtEnd(ControllingUnknown(), [this] {
        if (deactivationWaiting) InPlaceDeactivate();
      });
    }
    return S_OK;
  }
  deactivationWaiting = false;
  deactivating = true;
  UIDeactivate();
  inPlaceActive = false;
  // The control's window lives only while it is active in place.
  if (Hwnd()) DestroyWindow(Hwnd());
  ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite);
  frame.Reset();
  document.Reset();
  if (site) site->OnInPlaceDeactivate();
  deactivating = false;
  if (activationWaiting) {
    activationWaiting = false;
    InPlaceActivate(waitingVerb);
  }
  return S_OK;
}

STDMETHODIMP CompositeControl::UIDeactivate() {
  CallScope call;  // calls out: stays whole until it returns
  if (!uiActive) return S_OK;
  uiActive = false;
  if (frame) frame->SetActiveObject(nullptr, nullptr);
  if (document) document->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite) inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP CompositeControl::SetObjectRects(LPCRECT pos, LPCRECT clip) {
  CallScope call;  // calls out: stays whole until it returns
  if (!pos) return E_POINTER;
  position = *pos;
  if (!Hwnd()) return S_OK;
  SetWindowPos(Hwnd(), nullptr, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // Show only the part of the control inside the clip rectangle.
  RECT visible;
  if (clip && IntersectRect(&visible, pos, clip) && !EqualRect(&visible, pos)) {
    OffsetRect(&visible, -pos->left, -pos->top);
    SetWindowRgn(Hwnd(), CreateRectRgnIndirect(&visible), TRUE);  // the window owns the region
  } else {
    SetWindowRgn(Hwnd(), nullptr, TRUE);
  }
  return S_OK;
}

STDMETHODIMP CompositeControl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                               LRESULT* result) {
  CallScope call;  // calls out: stays whole until it returns
  LRESULT answer = 0;
  bool handled = ProcessMessage({Hwnd(), message, wParam, lParam}, answer);
  if (result) *result = answer;
  return handled ? S_OK : S_FALSE;
}

// ---- Keyboard ----

// The usual dialog keys (Tab, arrows, mnemonics) move inside the control's
// dialog. Return, Escape and a Tab that would leave the first or last item
// belong to the container.
bool CompositeControl::DialogTakesKey(MSG* msg) {
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
  HWND dialog = Hwnd();
  if (!dialog || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))) return false;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_RETURN:
      case VK_ESCAPE:
      case VK_CANCEL:
      case VK_EXECUTE:
        return false;
      case VK_TAB: {
        LRESULT code =
            SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) break;
        HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
        HWND last = first ? GetNextDlgTabItem(dialog, first, TRUE) : nullptr;
        HWND focus = GetFocus();
        bool backwards = KeyDown(VK_SHIFT);
        if ((!backwards && focus == last) || (backwards && focus == first)) return false;
        break;
      }
      default:
        break;
    }
  }
  return IsDialogMessageA(dialog, msg) != FALSE;
}

STDMETHODIMP CompositeControl::TranslateAccelerator(LPMSG msg) {
  CallScope call;  // calls out: stays whole until it returns
  if (!msg) return E_POINTER;
  if (DialogTakesKey(msg)) return S_OK;
  ComPtr<IOleControlSite> site;
  if (clientSite && SUCCEEDED(clientSite.As(&site))) {
    DWORD modifiers =
        (KeyDown(VK_SHIFT) ? 1 : 0) | (KeyDown(VK_CONTROL) ? 2 : 0) | (KeyDown(VK_MENU) ? 4 : 0);
    if (site->TranslateAccelerator(msg, modifiers) == S_OK) return S_OK;
  }
  return S_FALSE;
}

// ---- IOleControl and ambient properties ----

STDMETHODIMP CompositeControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;  // no accelerators of its own
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP CompositeControl::OnAmbientPropertyChange(DISPID id) {
  CallScope call;  // calls out: stays whole until it returns
  if (id == DISPID_AMBIENT_BACKCOLOR || id == DISPID_UNKNOWN) {
    ReadAmbientBackColor();
    if (Hwnd())
      RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  return S_OK;
}

void CompositeControl::ReadAmbientBackColor() {
  ComPtr<IDispatch> ambient;
  if (!clientSite || FAILED(clientSite.As(&ambient))) return;
  DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = ambient->Invoke(DISPID_AMBIENT_BACKCOLOR, IID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_PROPERTYGET, &noArguments, &value, nullptr, nullptr);
  if (SUCCEEDED(hr)) hr = VariantChangeType(&value, &value, 0, VT_I4);
  COLORREF color = 0;
  if (SUCCEEDED(hr) &&
      SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(value.lVal), nullptr, &color))) {
    if (!hasBackColor || color != backColor || !backBrush) {
      backBrush.Reset(CreateSolidBrush(color));
      backColor = color;
      hasBackColor = backBrush.Get() != nullptr;
    }
  }
  VariantClear(&value);
}

LRESULT CompositeControl::OnCtlColor(const Message& m, bool& handled) {
  if (!hasBackColor) {
    handled = false;
    return 0;
  }
  if (m.message != WM_CTLCOLORDLG) SetBkColor(reinterpret_cast<HDC>(m.wParam), backColor);
  return reinterpret_cast<LRESULT>(backBrush.Get());
}

LRESULT CompositeControl::OnMouseActivate(const Message&, bool& handled) {
  if (inPlaceActive && !uiActive) UIActivate();
  handled = false;  // the dialog manager still activates as usual
  return 0;
}

// ---- Drawing ----

void CompositeControl::DrawContent(HDC dc, const RECT& bounds) {
  if (Hwnd() && IsWindowVisible(Hwnd())) {
    POINT origin;
    OffsetViewportOrgEx(dc, bounds.left, bounds.top, &origin);
    SendMessageA(Hwnd(), WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND | PRF_NONCLIENT);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    return;
  }
  // Not active: the background with a frame marks the control's place.
  UniqueBrush fill(CreateSolidBrush(hasBackColor ? backColor : GetSysColor(COLOR_BTNFACE)));
  FillRect(dc, &bounds, fill.Get());
  FrameRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

STDMETHODIMP CompositeControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                    LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                    ULONG_PTR) {
  CallScope call;  // calls out: stays whole until it returns
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  RECT rect = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  DrawContent(dc, rect);
  return S_OK;
}

STDMETHODIMP CompositeControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                           LOGPALETTE** colors) {
  if (!colors) return E_POINTER;
  *colors = nullptr;
  return S_FALSE;  // no palette of its own
}

STDMETHODIMP CompositeControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  CallScope call;  // calls out: stays whole until it returns
  viewSink = sink;
  viewAspects = aspects;
  viewFlags = flags;
  if (sink && (flags & ADVF_PRIMEFIRST)) sink->OnViewChange(DVASPECT_CONTENT, -1);
  return S_OK;
}

STDMETHODIMP CompositeControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects;
  if (flags) *flags = viewFlags;
  if (sink) {
    *sink = viewSink.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

STDMETHODIMP CompositeControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP CompositeControl::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
  return S_OK;
}

STDMETHODIMP CompositeControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG,
                                             DWORD* result) {
  if (!bounds || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  *result = PtInRect(bounds, point) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP CompositeControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG,
                                            DWORD* result) {
  if (!bounds || !rect || !result) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  RECT overlap;
  *result = IntersectRect(&overlap, bounds, rect) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC,
                                                DVEXTENTINFO* info, LPSIZEL size) {
  if (!info || !size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT || info->dwExtentMode != DVEXTENT_CONTENT) return E_NOTIMPL;
  *size = naturalExtent;
  return S_OK;
}

// ---- Persistence ----

STDMETHODIMP CompositeControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = classId;
  return S_OK;
}

STDMETHODIMP CompositeControl::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  DWORD data[3] = {0, 0, 0};
  ULONG read = 0;
  HRESULT hr = stream->Read(data, kPersistedBytes, &read);
  if (FAILED(hr)) return hr;
  if (read != kPersistedBytes) return STG_E_READFAULT;
  if (data[0] != kPersistVersion) return E_FAIL;
  extent.cx = static_cast<LONG>(data[1]);
  extent.cy = static_cast<LONG>(data[2]);
  dirty = false;
  return S_OK;
}

STDMETHODIMP CompositeControl::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  DWORD data[3] = {kPersistVersion, static_cast<DWORD>(extent.cx), static_cast<DWORD>(extent.cy)};
  ULONG written = 0;
  HRESULT hr = stream->Write(data, kPersistedBytes, &written);
  if (FAILED(hr)) return hr;
  if (written != kPersistedBytes) return STG_E_WRITEFAULT;
  if (clearDirty) dirty = false;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = kPersistedBytes;
  return S_OK;
}

STDMETHODIMP CompositeControl::InitNew() {
  extent = naturalExtent;
  dirty = false;
  return S_OK;
}

STDMETHODIMP CompositeControl::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr =
      storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  return FAILED(hr) ? hr : Load(stream.Get());
}

STDMETHODIMP CompositeControl::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->CreateStream(
      kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
  return FAILED(hr) ? hr : Save(stream.Get(), TRUE);
}

// ---- IQuickActivate ----

STDMETHODIMP CompositeControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  CallScope call;  // calls out: stays whole until it returns
  if (!container || !control) return E_POINTER;
  if (container->cbSize < offsetof(QACONTAINER, pOleControlSite) ||
      control->cbSize < sizeof(QACONTROL))
    return E_INVALIDARG;
  SetClientSite(container->pClientSite);
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
  COLORREF color = 0;
  if (SUCCEEDED(OleTranslateColor(container->colorBack, nullptr, &color))) {
    backBrush.Reset(CreateSolidBrush(color));
    backColor = color;
    hasBackColor = backBrush.Get() != nullptr;
  }
  control->dwMiscStatus = kMiscStatus;
  GetViewStatus(&control->dwViewStatus);
  control->dwEventCookie = 0;  // no events of its own
  control->dwPropNotifyCookie = 0;
  control->dwPointerActivationPolicy = 0;
  return S_OK;
}

// ---- IDataObject ----

STDMETHODIMP CompositeControl::QueryGetData(FORMATETC* format) {
  if (!format) return E_POINTER;
  if (format->cfFormat != CF_METAFILEPICT) return DV_E_FORMATETC;
  if (!(format->tymed & TYMED_MFPICT)) return DV_E_TYMED;
  if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetData(FORMATETC* format, STGMEDIUM* medium) {
  CallScope call;  // calls out: stays whole until it returns
  if (!medium) return E_POINTER;
  HRESULT hr = QueryGetData(format);
  if (FAILED(hr)) return hr;

  SIZEL pixels = {MulDiv(extent.cx, 96, 2540), MulDiv(extent.cy, 96, 2540)};
  HDC metafileDC = CreateMetaFileA(nullptr);
  if (!metafileDC) return E_OUTOFMEMORY;
  SetWindowOrgEx(metafileDC, 0, 0, nullptr);
  SetWindowExtEx(metafileDC, pixels.cx, pixels.cy, nullptr);
  RECT bounds = {0, 0, pixels.cx, pixels.cy};
  DrawContent(metafileDC, bounds);
  HMETAFILE metafile = CloseMetaFile(metafileDC);
  if (!metafile) return E_OUTOFMEMORY;

  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT)));
  if (!block) {
    DeleteMetaFile(metafile);
    return E_OUTOFMEMORY;
  }
  {
    fw::GlobalLock picture(block.Get());
    auto* pict = static_cast<METAFILEPICT*>(picture.Get());
    if (!pict) {
      DeleteMetaFile(metafile);
      return E_OUTOFMEMORY;
    }
    pict->mm = MM_ANISOTROPIC;
    pict->xExt = extent.cx;
    pict->yExt = extent.cy;
    pict->hMF = metafile;
  }
  medium->tymed = TYMED_MFPICT;
  medium->hMetaFilePict = block.Release();
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

STDMETHODIMP CompositeControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (!out) return E_POINTER;
  out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP CompositeControl::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) {
  if (!formats) return E_POINTER;
  return OleRegEnumFormatEtc(classId, direction, formats);
}

STDMETHODIMP CompositeControl::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                       DWORD* connection) {
  if (!connection) return E_POINTER;
  *connection = 0;
  if (!dataAdviseHolder) {
    HRESULT hr = CreateDataAdviseHolder(&dataAdviseHolder);
    if (FAILED(hr)) return hr;
  }
  return dataAdviseHolder->Advise(this, format, flags, sink, connection);
}

STDMETHODIMP CompositeControl::DUnadvise(DWORD connection) {
  return dataAdviseHolder ? dataAdviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CompositeControl::EnumDAdvise(IEnumSTATDATA** advises) {
  if (!advises) return E_POINTER;
  *advises = nullptr;
  return dataAdviseHolder ? dataAdviseHolder->EnumAdvise(advises) : E_FAIL;
}

// ---- Class information and property pages ----

STDMETHODIMP CompositeControl::GetClassInfo(ITypeInfo** info) {
  return LoadModuleTypeInfo(classId, info);
}

STDMETHODIMP CompositeControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  return E_FAIL;  // the control fires no events of its own
}

STDMETHODIMP CompositeControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

}  // namespace fw
