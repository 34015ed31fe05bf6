// An ActiveX control whose window is a dialog from a template: the OLE
// embedding interfaces implemented once. In-place activation creates the
// dialog as a child of the container's window; keys go first to the dialog
// and then to the container's IOleControlSite; the ambient background colour
// becomes the dialog's background; the control's extent is persisted.
//
// A derived control lists FW_COMPOSITE_CONTROL_INTERFACES() in its
// interface table, handles its dialog's messages in its message table
// (chained to fw::CompositeControl) and, being window-only, never draws
// windowless.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "framework/com_object.h"
#include "framework/dialog.h"
#include "framework/handles.h"

namespace fw {

class CompositeControl : public ComObjectRoot,
                         public Dialog,
                         public IOleObject,
                         public IOleInPlaceObjectWindowless,
                         public IOleInPlaceActiveObject,
                         public IOleControl,
                         public IViewObjectEx,
                         public IPersistStreamInit,
                         public IPersistStorage,
                         public IQuickActivate,
                         public IDataObject,
                         public IProvideClassInfo2,
                         public ISpecifyPropertyPages {
 public:
  // OLEMISC flags of the control, as registered under MiscStatus\1.
  static constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                       OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                       OLEMISC_SETCLIENTSITEFIRST;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* userType) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
  STDMETHODIMP Unadvise(DWORD connection) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* result) override;
  // The control is never windowless, so it offers no drop target of its own.
  STDMETHODIMP GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG message) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
  STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject, IViewObject2, IViewObjectEx
  STDMETHODIMP Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                    LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) override;
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE*, LPSIZEL size) override;
  STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
  STDMETHODIMP GetViewStatus(DWORD* status) override;
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG,
                             DWORD* result) override;
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG,
                            DWORD* result) override;
  STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO* info,
                                LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistStorage: the extent "_cx", "_cy"
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override { return dirty ? S_OK : S_FALSE; }
  STDMETHODIMP Load(IStream* stream) override;
  STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP InitNew(IStorage*) override { return InitNew(); }
  STDMETHODIMP Load(IStorage* storage) override;
  STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
  STDMETHODIMP SaveCompleted(IStorage*) override { return S_OK; }
  STDMETHODIMP HandsOffStorage() override { return S_OK; }

  // IQuickActivate
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  STDMETHODIMP SetContentExtent(LPSIZEL size) override { return SetExtent(DVASPECT_CONTENT, size); }
  STDMETHODIMP GetContentExtent(LPSIZEL size) override { return GetExtent(DVASPECT_CONTENT, size); }

  // IDataObject: the control's picture as a metafile
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                       DWORD* connection) override;
  STDMETHODIMP DUnadvise(DWORD connection) override;
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

  // IProvideClassInfo, IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // ISpecifyPropertyPages: none
  STDMETHODIMP GetPages(CAUUID* pages) override;

  SIZEL Extent() const { return extent; }

 protected:
  CompositeControl(const CLSID& clsid, UINT dialogId);
  ~CompositeControl() override;

  void FinalRelease() override;

  // Whether system code working on the control's window is on the stack
  // (a property sheet creating a page): the window must not be destroyed
  // under it, so a deactivation waits until the outermost call returns.
  virtual bool WindowInUse() const { return false; }

  IOleClientSite* ClientSite() const { return clientSite.Get(); }
  bool IsInPlaceActive() const { return inPlaceActive; }
  bool IsUIActive() const { return uiActive; }

  FW_BEGIN_MESSAGES(CompositeControl)
  FW_MESSAGE(WM_CTLCOLORDLG, OnCtlColor)
  FW_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColor)
  FW_MESSAGE(WM_CTLCOLORBTN, OnCtlColor)
  FW_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate)
  FW_END_MESSAGES(Dialog)

  LRESULT OnCtlColor(const Message& m, bool& handled);
  LRESULT OnMouseActivate(const Message& m, bool& handled);

 private:
  HRESULT InPlaceActivate(LONG verb);
  HRESULT UIActivate();
  bool CreateControlWindow(HWND parent, const RECT& position);
  bool DialogTakesKey(MSG* message);
  void ReadAmbientBackColor();
  void DrawContent(HDC dc, const RECT& bounds);
  void ComputeNaturalExtent();

  CLSID classId;
  UINT dialogId;
  SIZEL extent = {0, 0};         // HIMETRIC
  SIZEL naturalExtent = {0, 0};  // HIMETRIC, from the dialog template
  bool dirty = false;
  bool inPlaceActive = false;
  bool uiActive = false;
  bool deactivationWaiting = false;
  // While the window goes in InPlaceDeactivate: an activation asked for
  // meanwhile (from inside the window's own destruction) waits for it.
  bool deactivating = false;
  bool activationWaiting = false;
  LONG waitingVerb = 0;
  RECT position = {0, 0, 0, 0};

  ComPtr<IOleClientSite> clientSite;
  ComPtr<IOleInPlaceSite> inPlaceSite;
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> document;
  ComPtr<IOleAdviseHolder> oleAdviseHolder;
  ComPtr<IDataAdviseHolder> dataAdviseHolder;
  ComPtr<IAdviseSink> viewSink;
  DWORD viewAspects = 0;
  DWORD viewFlags = 0;

  bool hasBackColor = false;
  COLORREF backColor = 0;
  UniqueBrush backBrush;
};

}  // namespace fw

// The embedding interfaces, for the derived control's interface table.
#define FW_COMPOSITE_CONTROL_INTERFACES()                          \
  FW_INTERFACE(IViewObjectEx)                                      \
  FW_INTERFACE_VIA(IViewObject2, IViewObjectEx)                    \
  FW_INTERFACE_VIA(IViewObject, IViewObjectEx)                     \
  FW_INTERFACE(IOleInPlaceObjectWindowless)                        \
  FW_INTERFACE_VIA(IOleInPlaceObject, IOleInPlaceObjectWindowless) \
  FW_INTERFACE_VIA(IOleWindow, IOleInPlaceObjectWindowless)        \
  FW_INTERFACE(IOleInPlaceActiveObject)                            \
  FW_INTERFACE(IOleControl)                                        \
  FW_INTERFACE(IOleObject)                                         \
  FW_INTERFACE(IPersistStreamInit)                                 \
  FW_INTERFACE_VIA(IPersist, IPersistStreamInit)                   \
  FW_INTERFACE(ISpecifyPropertyPages)                              \
  FW_INTERFACE(IQuickActivate)                                     \
  FW_INTERFACE(IPersistStorage)                                    \
  FW_INTERFACE(IDataObject)                                        \
  FW_INTERFACE(IProvideClassInfo2)                                 \
  FW_INTERFACE_VIA(IProvideClassInfo, IProvideClassInfo2)
