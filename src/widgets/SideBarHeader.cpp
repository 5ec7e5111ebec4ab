#include "widgets/SideBarHeader.h"

#include "win/Gdi.h"

#include <utility>

namespace {

const wchar_t kHeaderClass[] = L"TSideBarHeader";
const wchar_t kElementClass[] = L"TSideBarElement";
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kCaptionLeft = 10;
constexpr int kPictureFromRight = 23;
constexpr int kPictureTop = 3;
constexpr int kCaptionPoints = 8;

bool HasTahoma() {
  static const bool found = [] {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(query.lfFaceName, L"Tahoma", LF_FACESIZE);
    win::WindowDc screen(nullptr);
    bool any = false;
    EnumFontFamiliesExW(
        screen.Get(), &query,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM flag) -> int {
          *reinterpret_cast<bool*>(flag) = true;
          return 0;
        },
        reinterpret_cast<LPARAM>(&any), 0);
    return any;
  }();
  return found;
}

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

COLOR16 Channel(int value) { return static_cast<COLOR16>(value << 8); }

}  // namespace

// --- TSideBarHeader ---------------------------------------------------------------------------

void TSideBarHeader::Create(HWND parent, int x, int y, int width, int height) {
  RegisterClass(kHeaderClass, CS_HREDRAW | CS_VREDRAW, LoadCursorW(nullptr, IDC_HAND), nullptr);
  CreateWindowObject(0, kHeaderClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width,
                     height, parent, nullptr);
  dpi_ = win::WindowDpi(Handle());
  UpdateFont();
}

void TSideBarHeader::SetText(const std::wstring& text) {
  text_ = text;
  DrawNow(kWhite);
}

void TSideBarHeader::SetImageList(HIMAGELIST list) {
  imageList_ = list;
  Repaint();
}

void TSideBarHeader::SetGradientHeader(bool value) {
  gradient_ = value;
  Repaint();
}

void TSideBarHeader::SetColor(COLORREF color) {
  color_ = color;
  Repaint();
}

int TSideBarHeader::Scale(int value) const noexcept { return win::ScaleForDpi(value, dpi_); }

void TSideBarHeader::UpdateFont() {
  LOGFONTW font{};
  if (HasTahoma()) {
    font.lfHeight = -MulDiv(kCaptionPoints, static_cast<int>(dpi_), 72);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
  } else {
    font = win::MessageFontFor(dpi_);
  }
  font.lfWeight = FW_BOLD;
  font_.Reset(CreateFontIndirectW(&font));
}

// Draws straight to the screen without a paint cycle: hover changes and a new caption show at
// once, and the next full repaint brings back the resting caption colour.
void TSideBarHeader::DrawNow(COLORREF captionColor) {
  captionColor_ = captionColor;
  if (!Handle()) return;
  RECT rc;
  GetClientRect(Handle(), &rc);
  win::WindowDc screen(Handle());
  win::BufferedDc buffer(screen.Get(), rc.right, rc.bottom);
  Render(buffer.Get(), captionColor);
  buffer.Present();
}

COLORREF TSideBarHeader::RestingCaptionColor() const noexcept {
  return owner_ ? owner_->HeaderFontOff() : TSideBarElement::kDefaultHeaderFontOff;
}

void TSideBarHeader::Clicked() {
  if (OnClick) OnClick();
  if (owner_) owner_->SetState(!owner_->State());
  DrawNow(captionColor_);
}

void TSideBarHeader::HoverStarted() {
  DrawNow(owner_ ? owner_->HeaderFontOn() : TSideBarElement::kDefaultHeaderFontOn);
}

void TSideBarHeader::HoverEnded() { DrawNow(RestingCaptionColor()); }

void TSideBarHeader::Render(HDC dc) const { Render(dc, RestingCaptionColor()); }

void TSideBarHeader::Render(HDC dc, COLORREF captionColor) const {
  RECT rc;
  GetClientRect(Handle(), &rc);
  win::FillSolid(dc, rc, color_);
  if (gradient_) DrawGradient(dc, rc.right, rc.bottom);
  if (imageList_ && owner_)
    ImageList_Draw(imageList_, owner_->State() ? 0 : 1, dc, rc.right - Scale(kPictureFromRight),
                   Scale(kPictureTop), ILD_NORMAL);
  if (owner_) DrawCorners(dc, rc.right);
  DrawCaption(dc, rc.bottom, captionColor);
}

// GradientFill is looked up for each drawing, so a system without it just shows the solid colour.
void TSideBarHeader::DrawGradient(HDC dc, int width, int height) const {
  win::UniqueHModule library(LoadLibraryW(L"msimg32.dll"));
  if (!library) return;
  auto gradientFill = reinterpret_cast<GradientFillProc>(
      reinterpret_cast<void*>(GetProcAddress(library.Get(), "GradientFill")));
  if (!gradientFill) return;
  TRIVERTEX corners[2] = {
      {0, 0, Channel(254), Channel(254), Channel(254), 0},
      {width, height, Channel(201), Channel(213), Channel(247), 0},
  };
  GRADIENT_RECT rect{0, 1};
  SetBkMode(dc, TRANSPARENT);
  gradientFill(dc, corners, 2, &rect, 1, GRADIENT_FILL_RECT_H);
}

// Three pixels in each top corner take the colour behind the panel, which rounds the corners.
void TSideBarHeader::DrawCorners(HDC dc, int width) const {
  const COLORREF color = owner_->SuportColor() & 0xFFFFFF;
  const int p = Scale(1) > 0 ? Scale(1) : 1;
  const RECT pixels[] = {
      {0, 0, p, 2 * p},                  // (0,0) and (0,1)
      {p, 0, 2 * p, p},                  // (1,0)
      {width - p, 0, width, 2 * p},      // (width-1,0) and (width-1,1)
      {width - 2 * p, 0, width - p, p},  // (width-2,0)
  };
  for (const RECT& pixel : pixels) win::FillSolid(dc, pixel, color);
}

void TSideBarHeader::DrawCaption(HDC dc, int height, COLORREF color) const {
  win::SelectGuard font(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text_.c_str(), static_cast<int>(text_.size()), &extent);
  TextOutW(dc, Scale(kCaptionLeft), (height - extent.cy) / 2, text_.c_str(),
           static_cast<int>(text_.size()));
}

LRESULT TSideBarHeader::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      // A full repaint shows the resting caption colour, also under the pointer.
      captionColor_ = RestingCaptionColor();
      break;
    case WM_DPICHANGED_AFTERPARENT:
      dpi_ = win::WindowDpi(Handle());
      UpdateFont();
      Repaint();
      return 0;
  }
  return TPaintedControl::HandleMessage(msg, wp, lp);
}

// --- TSideBarElement --------------------------------------------------------------------------

void TSideBarElement::Create(HWND parent, int x, int y, int width, int height, int id) {
  RegisterClass(kElementClass, CS_HREDRAW | CS_VREDRAW, LoadCursorW(nullptr, IDC_ARROW), nullptr);
  dpi_ = win::WindowDpi(parent);
  if (width == kUseDefault) width = win::ScaleForDpi(kDefaultWidth, dpi_);
  if (height == kUseDefault) height = win::ScaleForDpi(kDefaultHeight, dpi_);
  brush_.Reset(CreateSolidBrush(color_));
  CreateWindowObject(WS_EX_CONTROLPARENT, kElementClass, L"",
                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height,
                     parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  dpi_ = win::WindowDpi(Handle());
  header_.Create(Handle(), 0, 0, width, HeaderHeight());
  lastHeight_ = Height();
}

int TSideBarElement::Height() const noexcept {
  RECT rc{};
  GetWindowRect(Handle(), &rc);
  return rc.bottom - rc.top;
}

int TSideBarElement::HeaderHeight() const noexcept {
  return win::ScaleForDpi(TSideBarHeader::kDefaultHeight, dpi_);
}

void TSideBarElement::SetState(bool unfolded) {
  // Folding twice would remember the folded height, so a repeat changes nothing.
  if (unfolded == state_) return;
  state_ = unfolded;
  if (!Handle()) return;
  if (unfolded) {
    if (savedHeight_ != 0) SetHeight(savedHeight_);
  } else {
    savedHeight_ = Height();
    SetHeight(HeaderHeight());
  }
}

void TSideBarElement::SetColor(COLORREF color) {
  color_ = color;
  brush_.Reset(CreateSolidBrush(color));
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TSideBarElement::SetHeight(int height) {
  RECT rc;
  GetWindowRect(Handle(), &rc);
  SetWindowPos(Handle(), nullptr, 0, 0, rc.right - rc.left, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSideBarElement::OnSize(int width, int height) {
  if (header_.Handle())
    SetWindowPos(header_.Handle(), nullptr, 0, 0, width, HeaderHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int old = std::exchange(lastHeight_, height);
  if (old >= 0 && old != height && OnHeightChanged) OnHeightChanged(*this);
}

void TSideBarElement::Render(HDC dc) const {
  RECT rc;
  GetClientRect(Handle(), &rc);
  win::FillSolid(dc, rc, color_);
  const int frame = win::ScaleForDpi(1, dpi_) > 0 ? win::ScaleForDpi(1, dpi_) : 1;
  for (int i = 0; i < frame; ++i) {
    RECT edge{rc.left + i, rc.top + i, rc.right - i, rc.bottom - i};
    FrameRect(dc, &edge, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
}

// Static texts, check boxes and buttons placed on the panel ask their parent for a background:
// they get the panel colour, so they sit on it without a grey box.
LRESULT TSideBarElement::OnCtlColor(HDC dc) {
  SetBkColor(dc, color_);
  return reinterpret_cast<LRESULT>(brush_.Get());
}

LRESULT TSideBarElement::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      win::PaintBuffered(Handle(), [this](HDC dc) { Render(dc); });
      return 0;
    case WM_PRINTCLIENT:
      Render(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      OnSize(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wp));
    // The owner created the panel's controls, so it hears from them as if they were its own.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      if (HWND owner = GetParent(Handle())) return SendMessageW(owner, msg, wp, lp);
      break;
    case WM_DPICHANGED_AFTERPARENT:
      dpi_ = win::WindowDpi(Handle());
      if (header_.Handle()) {
        RECT rc;
        GetClientRect(Handle(), &rc);
        OnSize(rc.right, rc.bottom);
        if (!state_) SetHeight(HeaderHeight());
      }
      InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
  }
  return DefaultProc(msg, wp, lp);
}
