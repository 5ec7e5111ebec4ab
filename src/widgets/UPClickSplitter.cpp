#include "widgets/UPClickSplitter.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

const wchar_t kSplitterClass[] = L"TUPClickSplitter";
const char kClassName[] = "TUPClickSplitter";
// GetDCEx flags for drawing over the parent's children: cached, sibling-clipped, usable while
// window updates are locked.
constexpr DWORD kLineDcFlags = DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE;

// The arrow pictures, 4 x 5 pixels for a vertical bar and 5 x 4 for a horizontal one.
const char* const kArrowLeft[] = {"..#.", ".##.", "###.", ".##.", "..#."};
const char* const kArrowRight[] = {".#..", ".##.", ".###", ".##.", ".#.."};
const char* const kArrowUp[] = {"..#..", ".###.", "#####", "....."};
const char* const kArrowDown[] = {".....", "#####", ".###.", "..#.."};

TArrowDirection TowardControlledSide(TAlign align) {
  switch (align) {
    case TAlign::alTop: return TArrowDirection::adUp;
    case TAlign::alBottom: return TArrowDirection::adDown;
    case TAlign::alRight: return TArrowDirection::adRight;
    default: return TArrowDirection::adLeft;
  }
}

TArrowDirection Reversed(TArrowDirection direction) {
  switch (direction) {
    case TArrowDirection::adLeft: return TArrowDirection::adRight;
    case TArrowDirection::adRight: return TArrowDirection::adLeft;
    case TArrowDirection::adUp: return TArrowDirection::adDown;
    default: return TArrowDirection::adUp;
  }
}

POINT PointOf(LPARAM lp) {
  return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

}  // namespace

void TUPClickSplitter::Create(HWND parent, TAlign align, int x, int y, int width, int height,
                              int id) {
  RegisterClass(kSplitterClass, CS_HREDRAW | CS_VREDRAW, nullptr, nullptr);
  SetAlign(align);
  dpi_ = win::WindowDpi(parent);
  // Without a window yet, these only check the thickness.
  if (Vertical())
    SetWidth(width);
  else
    SetHeight(height);
  handleSize_ = Scale(kDefaultHandleSize);
  minSize_ = Scale(kDefaultMinSize);
  CreateWindowObject(0, kSplitterClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
                     height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  dpi_ = win::WindowDpi(Handle());
}

// --- Properties --------------------------------------------------------------------------------

void TUPClickSplitter::SetAlign(TAlign align) {
  if (align == TAlign::alNone || align == TAlign::alClient)
    throw std::invalid_argument(std::string("Value not allowed for ") + kClassName + " component.");
  align_ = align;
  arrow_ = TowardControlledSide(align);
  neighboursFound_ = false;
  Repaint();
}

int TUPClickSplitter::Width() const noexcept {
  RECT rc{};
  GetWindowRect(Handle(), &rc);
  return rc.right - rc.left;
}

int TUPClickSplitter::Height() const noexcept {
  RECT rc{};
  GetWindowRect(Handle(), &rc);
  return rc.bottom - rc.top;
}

void TUPClickSplitter::SetWidth(int width) {
  if (handled_ && Vertical() && width < MinThickness())
    throw std::invalid_argument(std::string("Min. width for a handled ") + kClassName +
                                " component is " + std::to_string(MinThickness()));
  if (Handle())
    SetWindowPos(Handle(), nullptr, 0, 0, width, Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TUPClickSplitter::SetHeight(int height) {
  if (handled_ && !Vertical() && height < MinThickness())
    throw std::invalid_argument(std::string("Min. height for a handled ") + kClassName +
                                " component is " + std::to_string(MinThickness()));
  if (Handle())
    SetWindowPos(Handle(), nullptr, 0, 0, Width(), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TUPClickSplitter::SetHandled(bool value) {
  handled_ = value;
  if (value && Handle()) {
    if (Vertical() && Width() < MinThickness()) SetWidth(MinThickness());
    if (!Vertical() && Height() < MinThickness()) SetHeight(MinThickness());
  }
  Repaint();
}

void TUPClickSplitter::SetHandleSize(int size) {
  handleSize_ = size;
  Repaint();
}

void TUPClickSplitter::SetHandleAlign(THandleAlign align) {
  handleAlign_ = align;
  Repaint();
}

void TUPClickSplitter::SetColor(COLORREF color) {
  color_ = color;
  Repaint();
}

HCURSOR TUPClickSplitter::Cursor() const noexcept {
  if (cursor_) return cursor_;
  return LoadCursorW(nullptr, Vertical() ? IDC_SIZEWE : IDC_SIZENS);
}

void TUPClickSplitter::Repaint() {
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

RECT TUPClickSplitter::HandleRect() const noexcept {
  RECT rc{};
  GetClientRect(Handle(), &rc);
  const int length = Vertical() ? rc.bottom : rc.right;
  int start = length / 2 - handleSize_ / 2;
  if (handleAlign_ == THandleAlign::haLeft) start = Scale(2);
  if (handleAlign_ == THandleAlign::haRight) start = length - handleSize_ - Scale(2);
  const int end = start + handleSize_;
  return Vertical() ? RECT{0, start, rc.right, end} : RECT{start, 0, end, rc.bottom};
}

bool TUPClickSplitter::OverHandle(POINT pt) const noexcept {
  const RECT handle = HandleRect();
  return handled_ && PtInRect(&handle, pt);
}

// --- Neighbours --------------------------------------------------------------------------------

RECT TUPClickSplitter::RectInParent(HWND hwnd) const noexcept {
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(Handle()), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

int TUPClickSplitter::Extent(HWND hwnd) const noexcept {
  const RECT rc = RectInParent(hwnd);
  return Vertical() ? rc.right - rc.left : rc.bottom - rc.top;
}

// The first visible, enabled sibling in creation order whose rectangle holds the point. A
// collapsed window counts as one pixel wide (or high), so that it can be found again.
HWND TUPClickSplitter::FindNeighbour(POINT probe) const {
  const bool towardStart = align_ == TAlign::alTop || align_ == TAlign::alLeft;
  for (HWND w = GetWindow(GetParent(Handle()), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    if (w == Handle() || !(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
    RECT rc = RectInParent(w);
    if (rc.right == rc.left) {
      if (towardStart) --rc.left; else ++rc.right;
    }
    if (rc.bottom == rc.top) {
      if (towardStart) --rc.top; else ++rc.bottom;
    }
    if (PtInRect(&rc, probe)) return w;
  }
  return nullptr;
}

void TUPClickSplitter::Loaded() {
  const RECT bar = RectInParent(Handle());
  if (Vertical()) {
    before_ = FindNeighbour({bar.left - 1, bar.top});
    after_ = FindNeighbour({bar.right, bar.top});
  } else {
    before_ = FindNeighbour({bar.left, bar.top - 1});
    after_ = FindNeighbour({bar.left, bar.bottom});
  }
  neighboursFound_ = true;
}

HWND TUPClickSplitter::ControlledWindow() {
  if (!neighboursFound_) Loaded();
  return GrowsWithOffset() ? before_ : after_;
}

bool TUPClickSplitter::GrowsWithOffset() const noexcept {
  return align_ == TAlign::alLeft || align_ == TAlign::alTop;
}

// --- Sizing ------------------------------------------------------------------------------------

void TUPClickSplitter::MouseDown(POINT pt) {
  lastPos_ = pt;
  if (control_) return;
  control_ = ControlledWindow();
  if (!control_) return;
  downPos_ = pt;
  RECT parentRect;
  GetClientRect(GetParent(Handle()), &parentRect);
  const int parentExtent = Vertical() ? parentRect.right : parentRect.bottom;
  const int controlExtent = Extent(control_);
  const int alignedExtent = Extent(Handle()) + controlExtent + otherAlignedExtent_;
  maxSize_ = parentExtent - minSize_ - alignedExtent + controlExtent;
  CalcSplitSize(pt, newSize_, splitOffset_);

  // Esc has to reach the bar whichever control has the keyboard; other keys are passed on.
  focusBefore_ = GetFocus();
  SetFocus(Handle());
  SetCapture(Handle());
  // Repaints due now would land on top of the outline and break the inversion.
  RedrawWindow(GetParent(Handle()), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  lineDc_.emplace(GetParent(Handle()), kLineDcFlags);
  DrawLine();
}

void TUPClickSplitter::CalcSplitSize(POINT pt, int& size, int& offset) const {
  const int moved = Vertical() ? pt.x - downPos_.x : pt.y - downPos_.y;
  const int extent = Extent(control_);
  const int raw = GrowsWithOffset() ? extent + moved : extent - moved;
  size = raw < minSize_ ? minSize_ : raw > maxSize_ ? maxSize_ : raw;
  offset = GrowsWithOffset() ? size - extent : extent - size;
}

bool TUPClickSplitter::CanResize(int& size) {
  const bool accept = OnCanResize ? OnCanResize(*this, size) : true;
  if (accept && size <= minSize_) size = minSize_;
  return accept;
}

void TUPClickSplitter::MouseMove(WPARAM keys, POINT pt) {
  ::SetCursor(OverHandle(pt) ? LoadCursorW(nullptr, IDC_ARROW) : Cursor());
  lastPos_ = pt;
  if (!(keys & MK_LBUTTON) || !control_) return;
  int size = 0;
  int offset = 0;
  CalcSplitSize(pt, size, offset);
  if (!CanResize(size)) return;
  // The outline shows the size that will be applied, also when OnCanResize changed it.
  const int extent = Extent(control_);
  offset = GrowsWithOffset() ? size - extent : extent - size;
  if (lineVisible_) DrawLine();
  newSize_ = size;
  splitOffset_ = offset;
  DrawLine();
}

void TUPClickSplitter::MouseUp(POINT pt) {
  if (!control_) return;
  lastPos_ = pt;
  if (lineVisible_) DrawLine();
  if (OverHandle(pt)) {
    if (lastSize_ == -1) {
      newSize_ = 0;
      savedSize_ = Extent(control_);
    } else if (lastSize_ == 0) {
      newSize_ = savedSize_;
    } else {
      newSize_ = 0;
      savedSize_ = lastSize_;
    }
    arrow_ = Reversed(arrow_);
    Repaint();
  }
  ApplySize(newSize_);
  StopSizing();
}

bool TUPClickSplitter::OnKey(UINT msg, WPARAM wp, LPARAM lp) {
  if (!control_) return false;
  if ((msg == WM_KEYDOWN && wp == VK_ESCAPE) || (msg == WM_CHAR && wp == 27)) {
    StopSizing();
  } else if (focusBefore_ && IsWindow(focusBefore_)) {
    SendMessageW(focusBefore_, msg, wp, lp);
  }
  return true;
}

// Inverts a band the size of the bar at the bar's place moved by the drag offset; a second
// call restores what was there.
void TUPClickSplitter::DrawLine() {
  if (!lineDc_ || !*lineDc_) return;
  RECT band = RectInParent(Handle());
  OffsetRect(&band, Vertical() ? splitOffset_ : 0, Vertical() ? 0 : splitOffset_);
  PatBlt(lineDc_->Get(), band.left, band.top, band.right - band.left, band.bottom - band.top,
         PATINVERT);
  lineVisible_ = !lineVisible_;
}

void TUPClickSplitter::ApplySize(int size) {
  if (size == lastSize_) return;
  const RECT control = RectInParent(control_);
  const RECT bar = RectInParent(Handle());
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  switch (align_) {
    case TAlign::alLeft:
      SetWindowPos(control_, nullptr, 0, 0, size, control.bottom - control.top, flags | SWP_NOMOVE);
      SetWindowPos(Handle(), nullptr, control.left + size, bar.top, 0, 0, flags | SWP_NOSIZE);
      break;
    case TAlign::alTop:
      SetWindowPos(control_, nullptr, 0, 0, control.right - control.left, size, flags | SWP_NOMOVE);
      SetWindowPos(Handle(), nullptr, bar.left, control.top + size, 0, 0, flags | SWP_NOSIZE);
      break;
    case TAlign::alRight: {
      const int left = control.right - size;
      SetWindowPos(control_, nullptr, left, control.top, size, control.bottom - control.top, flags);
      SetWindowPos(Handle(), nullptr, left - (bar.right - bar.left), bar.top, 0, 0, flags | SWP_NOSIZE);
      break;
    }
    default: {
      const int top = control.bottom - size;
      SetWindowPos(control_, nullptr, control.left, top, control.right - control.left, size, flags);
      SetWindowPos(Handle(), nullptr, bar.left, top - (bar.bottom - bar.top), 0, 0, flags | SWP_NOSIZE);
      break;
    }
  }
  // Back from collapsed: the arrows point toward the controlled side again.
  if (lastSize_ == 0) arrow_ = TowardControlledSide(align_);
  lastSize_ = size;
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  if (OnMoved) OnMoved(*this);
}

void TUPClickSplitter::StopSizing() {
  if (control_) {
    if (lineVisible_) DrawLine();
    control_ = nullptr;
    lineDc_.reset();
    const HWND focus = std::exchange(focusBefore_, nullptr);
    if (GetFocus() == Handle() && focus && IsWindow(focus)) SetFocus(focus);
    if (GetCapture() == Handle()) ReleaseCapture();
  }
  if (OnMoved) OnMoved(*this);
}

// --- Painting ----------------------------------------------------------------------------------

void TUPClickSplitter::Render(HDC dc) {
  RECT rc;
  GetClientRect(Handle(), &rc);
  win::FillSolid(dc, rc, color_);
  if (handled_) DrawHandle(dc, HandleRect());
  if (OnPaint) OnPaint(*this, dc);
}

void TUPClickSplitter::DrawHandle(HDC dc, const RECT& h) const {
  const int t = Scale(1) > 0 ? Scale(1) : 1;  // one pixel at 96 DPI
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  // Shadow outline all round, highlight along the top and left inside it: a raised button.
  win::FillSolid(dc, {h.left, h.top, h.right, h.top + t}, shadow);
  win::FillSolid(dc, {h.left, h.bottom - t, h.right, h.bottom}, shadow);
  win::FillSolid(dc, {h.left, h.top, h.left + t, h.bottom}, shadow);
  win::FillSolid(dc, {h.right - t, h.top, h.right, h.bottom}, shadow);
  win::FillSolid(dc, {h.left + t, h.top + t, h.right - t, h.top + 2 * t}, highlight);
  win::FillSolid(dc, {h.left + t, h.top + t, h.left + 2 * t, h.bottom - t}, highlight);
  const int arrowLength = 5 * t;
  if (Vertical()) {
    DrawArrow(dc, Scale(2), h.top + Scale(4));
    DrawArrow(dc, Scale(2), h.bottom - arrowLength - Scale(4));
  } else {
    DrawArrow(dc, h.left + Scale(4), Scale(2));
    DrawArrow(dc, h.right - arrowLength - Scale(4), Scale(2));
  }
}

void TUPClickSplitter::DrawArrow(HDC dc, int x, int y) const {
  const char* const* rows = kArrowLeft;
  int count = 5;
  switch (arrow_) {
    case TArrowDirection::adLeft: break;
    case TArrowDirection::adRight: rows = kArrowRight; break;
    case TArrowDirection::adUp: rows = kArrowUp; count = 4; break;
    case TArrowDirection::adDown: rows = kArrowDown; count = 4; break;
  }
  const int p = Scale(1) > 0 ? Scale(1) : 1;
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  for (int row = 0; row < count; ++row)
    for (int col = 0; rows[row][col]; ++col)
      if (rows[row][col] == '#')
        win::FillSolid(dc, {x + col * p, y + row * p, x + (col + 1) * p, y + (row + 1) * p}, ink);
}

// --- Messages ----------------------------------------------------------------------------------

LRESULT TUPClickSplitter::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      win::PaintBuffered(Handle(), [this](HDC dc) { Render(dc); });
      return 0;
    case WM_PRINTCLIENT:
      Render(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      MouseDown(PointOf(lp));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(wp, PointOf(lp));
      return 0;
    case WM_LBUTTONUP:
      MouseUp(PointOf(lp));
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        const DWORD pos = GetMessagePos();
        POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
        ScreenToClient(Handle(), &pt);
        ::SetCursor(OverHandle(pt) ? LoadCursorW(nullptr, IDC_ARROW) : Cursor());
        return TRUE;
      }
      break;
    case WM_GETDLGCODE:
      // A dialog-style message loop would turn Esc into a cancel command before the bar saw it.
      if (control_) return DLGC_WANTALLKEYS;
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (OnKey(msg, wp, lp)) return 0;
      break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      // Another window took the mouse (or a dialog came up): the drag is over.
      if (control_ && reinterpret_cast<HWND>(lp) != Handle()) StopSizing();
      break;
    case WM_DPICHANGED_AFTERPARENT:
      dpi_ = win::WindowDpi(Handle());
      Repaint();
      return 0;
  }
  return DefaultProc(msg, wp, lp);
}
