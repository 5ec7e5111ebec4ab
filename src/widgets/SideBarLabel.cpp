#include "widgets/SideBarLabel.h"

#include "win/Gdi.h"


namespace {

const wchar_t kLabelClass[] = L"TSideBarLabel";
constexpr UINT kTextFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

}  // namespace

TSideBarLabel::TSideBarLabel() noexcept : fontColor_(GetSysColor(COLOR_WINDOWTEXT)) {}

void TSideBarLabel::Create(HWND parent, const std::wstring& caption, int x, int y, int width,
                           int height, int id) {
  RegisterClass(kLabelClass, CS_HREDRAW | CS_VREDRAW, LoadCursorW(nullptr, IDC_HAND), nullptr);
  const UINT dpi = win::WindowDpi(parent);
  if (width == kUseDefault) width = win::ScaleForDpi(kDefaultWidth, dpi);
  if (height == kUseDefault) height = win::ScaleForDpi(kDefaultHeight, dpi);
  CreateWindowObject(0, kLabelClass, caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y,
                     width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  if (!customFont_) font_ = win::MessageFontFor(win::WindowDpi(Handle()));
  ApplyFont();
}

std::wstring TSideBarLabel::Caption() const { return win::WindowText(Handle()); }

void TSideBarLabel::SetCaption(const std::wstring& caption) {
  SetWindowTextW(Handle(), caption.c_str());
}

void TSideBarLabel::SetFontColor(COLORREF color) {
  fontColor_ = color;
  Repaint();
}

void TSideBarLabel::SetFont(const LOGFONTW& font) {
  font_ = font;
  customFont_ = true;
  ApplyFont();
}

void TSideBarLabel::ApplyFont() {
  hfont_.Reset(CreateFontIndirectW(&font_));
  Repaint();
}

// Under the pointer the style is underlined only; afterwards it is plain.
void TSideBarLabel::SetStyle(bool underlined) {
  font_.lfWeight = FW_NORMAL;
  font_.lfItalic = FALSE;
  font_.lfStrikeOut = FALSE;
  font_.lfUnderline = underlined;
  ApplyFont();
}

bool TSideBarLabel::CanHover() const { return IsWindowEnabled(Handle()) != FALSE; }

void TSideBarLabel::HoverStarted() {
  fontColor_ = highlightColor_;
  SetStyle(true);
}

void TSideBarLabel::HoverEnded() {
  fontColor_ = normalColor_;
  SetStyle(false);
}

void TSideBarLabel::Clicked() {
  if (OnClick) OnClick();
}

// Around the text, as a link's focus is drawn, and never outside the label.
RECT TSideBarLabel::FocusRect(HDC dc) const {
  RECT client;
  GetClientRect(Handle(), &client);
  const std::wstring text = Caption();
  RECT extent{0, 0, client.right, client.bottom};
  DrawTextW(dc, text.c_str(), -1, &extent, kTextFormat | DT_CALCRECT);
  const int top = (client.bottom - extent.bottom) / 2;
  RECT focus{0, top - 1, extent.right + 2, top + extent.bottom + 1};
  IntersectRect(&focus, &focus, &client);
  return focus;
}

void TSideBarLabel::Render(HDC dc) const {
  RECT rc;
  GetClientRect(Handle(), &rc);
  // The parent hands out its background brush as it does to static texts.
  HBRUSH background = nullptr;
  if (HWND parent = GetParent(Handle()))
    background = reinterpret_cast<HBRUSH>(SendMessageW(
        parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Handle())));
  FillRect(dc, &rc, background ? background : GetSysColorBrush(COLOR_BTNFACE));

  win::SelectGuard font(dc, hfont_.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(Handle()) ? fontColor_ : GetSysColor(COLOR_GRAYTEXT));
  const std::wstring text = Caption();
  DrawTextW(dc, text.c_str(), -1, &rc, kTextFormat);

  const auto uiState = static_cast<UINT>(SendMessageW(Handle(), WM_QUERYUISTATE, 0, 0));
  if (GetFocus() == Handle() && !(uiState & UISF_HIDEFOCUS)) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    RECT focus = FocusRect(dc);
    DrawFocusRect(dc, &focus);
  }
}

LRESULT TSideBarLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // Enter activates the link instead of the dialog's default button.
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
      return 0;
    }
    case WM_KEYDOWN:
      if ((wp == VK_RETURN || wp == VK_SPACE) && !(lp & (1 << 30))) Clicked();
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    case WM_ENABLE:
    case WM_SETTEXT: {
      const LRESULT result = DefaultProc(msg, wp, lp);
      Repaint();
      return result;
    }
    case WM_SETFONT: {
      LOGFONTW font{};
      if (wp && GetObjectW(reinterpret_cast<HFONT>(wp), sizeof font, &font)) SetFont(font);
      return 0;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(hfont_.Get());
    case WM_DPICHANGED_AFTERPARENT:
      if (!customFont_) {
        const BYTE underlined = font_.lfUnderline;
        font_ = win::MessageFontFor(win::WindowDpi(Handle()));
        font_.lfUnderline = underlined;
        ApplyFont();
      }
      return 0;
  }
  return TPaintedControl::HandleMessage(msg, wp, lp);
}
