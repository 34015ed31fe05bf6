#include "imaging/preview_window.h"

#include <algorithm>
#include <utility>

namespace {

const fw::WindowClass kPreviewClass = {CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), IDC_ARROW};

// The scroll bar parts this view sets; a bar that is not needed stays
// visible but disabled.
constexpr UINT kScrollMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;

const COLORREF kWhite = RGB(255, 255, 255);

// BeginPaint ... EndPaint for the lifetime of the object.
class PaintScope {
 public:
  explicit PaintScope(HWND w) : window(w), dc(BeginPaint(w, &paint)) {}
  ~PaintScope() { EndPaint(window, &paint); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Get() const { return dc; }

 private:
  HWND window;
  PAINTSTRUCT paint = {};
  HDC dc;
};

void FillWhite(HDC dc, const RECT& rect) {
  fw::UniqueBrush white(CreateSolidBrush(kWhite));
  if (white) FillRect(dc, &rect, white.Get());
}

}  // namespace

CPreviewWnd::~CPreviewWnd() {
  ReleasePictureBitmap();
  memoryDC.Reset();
}

HWND CPreviewWnd::Create(HWND parent, const RECT& rect, LPCSTR name, DWORD style, DWORD exStyle,
                         UINT_PTR id) {
  return fw::Window::Create(kPreviewClass, parent, rect, name, style, exStyle, id);
}

void CPreviewWnd::ReleasePictureBitmap() {
  if (!previousBitmap || !memoryDC) return;
  SelectObject(memoryDC.Get(), previousBitmap);
  previousBitmap = nullptr;
  pictureBitmap.Reset();
}

void CPreviewWnd::ResetView() {
  // Positions and sizes first: hiding the bars resizes the client area, and
  // the WM_SIZE that follows must not set them up again for the old picture.
  scrollX = maxScrollX = scrollY = maxScrollY = 0;
  imageWidth = imageHeight = 0;
  ShowScrollBar(Hwnd(), SB_BOTH, FALSE);
  fw::WindowDC dc(Hwnd());
  if (dc) {
    RECT client = {};
    GetClientRect(Hwnd(), &client);
    FillWhite(dc.Get(), client);
  }
  ReleasePictureBitmap();
  memoryDC.Reset(CreateCompatibleDC(dc.Get()));
}

void CPreviewWnd::ShowImage() {
  if (!image) return;
  ResetView();
  if (!image->GetDimensions(&imageWidth, &imageHeight)) {
    imageWidth = imageHeight = 0;  // nothing to show: the view stays white
    return;
  }
  UpdateHorzScrollBar();
  UpdateVertScrollBar();

  HBITMAP created = nullptr;
  if (!image->CreateBitmap(&created)) {
    ResetView();
    return;
  }
  fw::UniqueBitmap bitmap(created);
  HGDIOBJ previous = memoryDC ? SelectObject(memoryDC.Get(), bitmap.Get()) : nullptr;
  if (!previous || previous == HGDI_ERROR) {
    ResetView();  // the bitmap could not be selected: it is deleted here
    return;
  }
  previousBitmap = static_cast<HBITMAP>(previous);
  pictureBitmap = std::move(bitmap);
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

int32_t CPreviewWnd::ClientWidth() const {
  RECT client = {};
  GetClientRect(Hwnd(), &client);
  return client.right;
}

int32_t CPreviewWnd::ClientHeight() const {
  RECT client = {};
  GetClientRect(Hwnd(), &client);
  return client.bottom;
}

void CPreviewWnd::UpdateScrollBar(int bar, int32_t imageExtent, int32_t clientExtent,
                                  int32_t& position, int32_t& maximum) {
  maximum = std::max(imageExtent - clientExtent, 0);
  position = std::min(position, maximum);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = kScrollMask;
  info.nMin = 0;
  info.nMax = imageExtent - 1;
  info.nPage = static_cast<UINT>(std::max(clientExtent, 0));
  info.nPos = position;
  // Showing a bar changes the client size: the WM_SIZE that follows sets
  // both bars again for the new size.
  SetScrollInfo(Hwnd(), bar, &info, TRUE);
}

void CPreviewWnd::UpdateHorzScrollBar() {
  UpdateScrollBar(SB_HORZ, imageWidth, ClientWidth(), scrollX, maxScrollX);
}

void CPreviewWnd::UpdateVertScrollBar() {
  UpdateScrollBar(SB_VERT, imageHeight, ClientHeight(), scrollY, maxScrollY);
}

int32_t CPreviewWnd::ScrollTo(WPARAM request, int32_t position, int32_t page, int32_t maximum) {
  switch (LOWORD(request)) {
    case SB_LINEUP:  // SB_LINELEFT: a line is one pixel
      position -= 1;
      break;
    case SB_LINEDOWN:
      position += 1;
      break;
    case SB_PAGEUP:
      position -= page;
      break;
    case SB_PAGEDOWN:
      position += page;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = HIWORD(request);
      break;
    default:
      break;
  }
  return std::clamp(position, 0, maximum);
}

LRESULT CPreviewWnd::OnCreate(const fw::Message&, bool&) {
  ResetView();
  image = nullptr;
  return 0;
}

LRESULT CPreviewWnd::OnSize(const fw::Message&, bool&) {
  UpdateHorzScrollBar();
  UpdateVertScrollBar();
  return 0;
}

LRESULT CPreviewWnd::OnHScroll(const fw::Message& m, bool&) {
  scrollX = ScrollTo(m.wParam, scrollX, ClientWidth(), maxScrollX);
  UpdateHorzScrollBar();
  InvalidateRect(Hwnd(), nullptr, TRUE);
  return 0;
}

LRESULT CPreviewWnd::OnVScroll(const fw::Message& m, bool&) {
  scrollY = ScrollTo(m.wParam, scrollY, ClientHeight(), maxScrollY);
  UpdateVertScrollBar();
  InvalidateRect(Hwnd(), nullptr, TRUE);
  return 0;
}

LRESULT CPreviewWnd::OnEraseBackground(const fw::Message& m, bool& handled) {
  if (imageWidth == 0 && imageHeight == 0) {
    handled = false;  // nothing shown: the class background
    return 0;
  }
  // White only where the picture does not reach, so that the picture
  // itself does not flicker while it scrolls.
  auto dc = reinterpret_cast<HDC>(m.wParam);
  RECT client = {};
  GetClientRect(Hwnd(), &client);
  if (imageWidth < client.right) FillWhite(dc, {imageWidth, 0, client.right, client.bottom});
  if (imageHeight < client.bottom) FillWhite(dc, {0, imageHeight, client.right, client.bottom});
  return 1;
}

LRESULT CPreviewWnd::OnPaint(const fw::Message&, bool&) {
  PaintScope paint(Hwnd());
  if (memoryDC && image) {
    RECT client = {};
    GetClientRect(Hwnd(), &client);
    // The visible block only, at its natural size.
    const int32_t width = std::min<int32_t>(client.right, imageWidth);
    const int32_t height = std::min<int32_t>(client.bottom, imageHeight);
    const int32_t fromX = client.right < imageWidth ? scrollX : 0;
    const int32_t fromY = client.bottom < imageHeight ? scrollY : 0;
    BitBlt(paint.Get(), 0, 0, width, height, memoryDC.Get(), fromX, fromY, SRCCOPY);
  }
  return 0;
}
