// A small OLE control container: a real top-level frame window with a
// child site window, and a client site that activates a control in place
// inside it. It records what the control asks of its container (activation
// notifications, active object, accelerators handed on) and answers the
// ambient background colour. The demo host and the tests use it.
//
// Window tree: frame (top-level) → site window → the control's window.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <vector>

#include "framework/com_object.h"
#include "framework/window.h"

namespace host {

using fw::ComPtr;

struct AcceleratorSeen {
  UINT message;
  WPARAM key;
  DWORD modifiers;
};

class ContainerSite;

class ControlContainer {
 public:
  explicit ControlContainer(int width = 700, int height = 480, const char* title = nullptr);
  ~ControlContainer();
  ControlContainer(const ControlContainer&) = delete;
  ControlContainer& operator=(const ControlContainer&) = delete;

  // SetClientSite, then DoVerb with `verb` over the site window's client
  // area.
  HRESULT Activate(IUnknown* control, LONG verb = OLEIVERB_INPLACEACTIVATE);
  // Close (which deactivates) and SetClientSite(nullptr); drops the control.
  HRESULT Deactivate();

  HWND Frame() const { return frame; }
  HWND SiteWindow() const { return siteWindow; }
  // The control's window as IOleWindow reports it, or null.
  HWND ControlWindow() const;
  IOleObject* Control() const { return control.Get(); }

  // The ambient BackColor the site answers; tells an active control. A
  // host may answer any type, not only a colour.
  void SetAmbientBackColor(OLE_COLOR color);
  void SetAmbientBackColor(const VARIANT& value);
  void ClearAmbientBackColor();

  // What the control asked of the container.
  int InPlaceActivations() const;
  int InPlaceDeactivations() const;
  int UIActivations() const;
  int UIDeactivations() const;
  bool HasActiveObject() const;
  const std::vector<AcceleratorSeen>& AcceleratorsSeen() const;
  // Whether the container's IOleControlSite::TranslateAccelerator takes keys.
  void SetContainerTakesKeys(bool takes);
  // Leave IOleControlSite out of the site's interfaces.
  void OmitControlSite(bool omit);
  // WM_CLOSE messages that reached the frame; the frame stays unless an
  // action is set, which then decides.
  int CloseRequests() const { return closeRequests; }
  void OnCloseRequest(std::function<void()> action) { closeAction = std::move(action); }

 private:
  static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);

  HWND frame = nullptr;
  HWND siteWindow = nullptr;
  int closeRequests = 0;
  HWND lastFocus = nullptr;  // inside the frame, when it was last deactivated
  std::function<void()> closeAction;
  ComPtr<fw::ComObject<ContainerSite>> site;
  ComPtr<IOleObject> control;
};

}  // namespace host
