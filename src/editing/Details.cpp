#include "editing/Details.h"

#include "dialogs/DetailsIds.h"
#include "images/ImageIds.h"
#include "inventory/UninstallItem.h"
#include "win/Gdi.h"
#include "win/Window.h"

#include <shellapi.h>

#include <algorithm>
#include <functional>

TfDetails* fDetails = nullptr;

namespace {

const wchar_t kPageClass[] = L"PurgalotDetailsPage";
constexpr int kCaptionX = 20;
constexpr int kValueX = 180;
constexpr int kLabelHeight = 18;
constexpr int kFontPoints = 10;
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

}  // namespace

// The white page that holds the rows. It scrolls when they do not fit, shows links in blue with
// the hand cursor and reports their clicks.
class TDetailsPage : public win::TWindow {
public:
  std::function<void(HWND)> OnLinkClick;

  void Create(HWND dialog, const RECT& place) {
    RegisterClass(kPageClass, 0, LoadCursorW(nullptr, IDC_ARROW), GetSysColorBrush(COLOR_WINDOW));
    CreateWindowObject(WS_EX_CONTROLPARENT, kPageClass, L"",
                       WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPCHILDREN,
                       place.left, place.top, place.right - place.left, place.bottom - place.top,
                       dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DET_PAGE)));
  }

  void MarkLink(HWND label) { links_.push_back(label); }

  // The height of what the page holds; the scroll bar follows it.
  void SetContentHeight(int height) {
    contentHeight_ = height;
    UpdateScrollBar();
  }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CTLCOLORSTATIC: {
        auto dc = reinterpret_cast<HDC>(wp);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        SetTextColor(dc, IsLink(reinterpret_cast<HWND>(lp)) ? kLinkColor
                                                            : GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      case WM_SETCURSOR:
        if (IsLink(reinterpret_cast<HWND>(wp))) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
        break;
      case WM_COMMAND:
        if (HIWORD(wp) == STN_CLICKED && IsLink(reinterpret_cast<HWND>(lp)) && OnLinkClick)
          OnLinkClick(reinterpret_cast<HWND>(lp));
        return 0;
      case WM_SIZE: UpdateScrollBar(); return 0;
      case WM_VSCROLL: Scroll(LOWORD(wp)); return 0;
      case WM_MOUSEWHEEL:
        ScrollTo(position_ - GET_WHEEL_DELTA_WPARAM(wp) * Line() * 3 / WHEEL_DELTA);
        return 0;
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case WM_KEYDOWN:
        switch (wp) {
          case VK_UP: Scroll(SB_LINEUP); return 0;
          case VK_DOWN: Scroll(SB_LINEDOWN); return 0;
          case VK_PRIOR: Scroll(SB_PAGEUP); return 0;
          case VK_NEXT: Scroll(SB_PAGEDOWN); return 0;
          case VK_HOME: Scroll(SB_TOP); return 0;
          case VK_END: Scroll(SB_BOTTOM); return 0;
        }
        break;
      case WM_LBUTTONDOWN: SetFocus(Handle()); return 0;
    }
    return TWindow::HandleMessage(msg, wp, lp);
  }

private:
  bool IsLink(HWND control) const {
    return std::find(links_.begin(), links_.end(), control) != links_.end();
  }
  int Line() const { return win::Scale(Handle(), kDetailRowHeight); }
  int PageHeight() const {
    RECT client{};
    GetClientRect(Handle(), &client);
    return client.bottom;
  }

  void UpdateScrollBar() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nMax = std::max(contentHeight_ - 1, 0);
    info.nPage = static_cast<UINT>(PageHeight());
    SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
    ScrollTo(position_);
  }

  void Scroll(int request) {
    int page = PageHeight();
    switch (request) {
      case SB_LINEUP: ScrollTo(position_ - Line()); break;
      case SB_LINEDOWN: ScrollTo(position_ + Line()); break;
      case SB_PAGEUP: ScrollTo(position_ - page); break;
      case SB_PAGEDOWN: ScrollTo(position_ + page); break;
      case SB_TOP: ScrollTo(0); break;
      case SB_BOTTOM: ScrollTo(contentHeight_); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), SB_VERT, &info);
        ScrollTo(info.nTrackPos);
        break;
      }
    }
  }

  void ScrollTo(int position) {
    position = std::clamp(position, 0, std::max(contentHeight_ - PageHeight(), 0));
    if (position == position_) return;
    ScrollWindowEx(Handle(), 0, position_ - position, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    position_ = position;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    info.nPos = position_;
    SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
  }

  std::vector<HWND> links_;
  int contentHeight_ = 0;
  int position_ = 0;
};

TfDetails::TfDetails(TUninstListItem& entry) : win::TDialog(IDD_DETAILS), entry_(entry) {}

TfDetails::~TfDetails() = default;

void TfDetails::OnInitDialog() {
  header_.Attach(Handle(), IDC_DET_BANNER, IDC_DET_TITLE, IDC_DET_PICTURE);
  header_.SetPicture(IDI_CMD_DETAILS);

  // The page takes the place the template keeps for it.
  HWND place = Item(IDC_DET_PAGE);
  RECT rect{};
  GetWindowRect(place, &rect);
  MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&rect), 2);
  DestroyWindow(place);
  sbDetails_ = std::make_unique<TDetailsPage>();
  sbDetails_->Create(Handle(), rect);
  sbDetails_->OnLinkClick = [this](HWND label) {
    LabelClick(static_cast<size_t>(GetDlgCtrlID(label) - IDC_DET_FIRST_LABEL) / 2);
  };

  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfHeight = -MulDiv(kFontPoints, static_cast<int>(win::WindowDpi(Handle())), 72);
  font_.Reset(CreateFontIndirectW(&font));
  font.lfUnderline = TRUE;
  linkFont_.Reset(CreateFontIndirectW(&font));

  FormCreate();
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

void TfDetails::FormCreate() {
  launched_ = false;
  rows_ = ReadDetailRows(entry_);
  int bottom = 0;
  for (const TDetailRow& row : rows_) {
    AddLabel(kCaptionX, row.Top, row.Caption, TDetailLink::None);
    AddLabel(kValueX, row.Top, row.Value, row.Link);
    bottom = row.Top + kDetailRowHeight;
  }
  sbDetails_->SetContentHeight(win::Scale(Handle(), bottom + kDetailRowHeight));
}

HWND TfDetails::AddLabel(int x, int top, const std::wstring& caption, TDetailLink link) {
  HWND page = sbDetails_->Handle();
  RECT client{};
  GetClientRect(page, &client);
  int left = win::Scale(page, x);
  int width = x == kCaptionX ? win::Scale(page, kValueX - kCaptionX - 4)
                             : client.right - left - win::Scale(page, kCaptionX);
  // Labels are numbered in the order they are made, two per row.
  int count = 0;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    ++count;
  DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS;
  if (link != TDetailLink::None) style |= SS_NOTIFY;
  HWND label = CreateWindowExW(0, L"Static", caption.c_str(), style, left, win::Scale(page, top),
                               width, win::Scale(page, kLabelHeight), page,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DET_FIRST_LABEL + count)),
                               GetModuleHandleW(nullptr), nullptr);
  HFONT font = link == TDetailLink::None ? font_.Get() : linkFont_.Get();
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (link != TDetailLink::None) sbDetails_->MarkLink(label);
  return label;
}

void TfDetails::LabelClick(size_t row) {
  if (row >= rows_.size()) return;
  if (rows_[row].Link == TDetailLink::Run)
    LaunchCmd(rows_[row]);
  else if (rows_[row].Link == TDetailLink::Open)
    ExecuteAction(rows_[row]);
}

void TfDetails::ExecuteAction(const TDetailRow& row) {
  ShellExecuteW(Handle(), nullptr, row.Target().c_str(), nullptr, nullptr, SW_SHOW);
}

void TfDetails::LaunchCmd(const TDetailRow& row) {
  // Even a command that does not start may have changed something: the list is scanned again.
  launched_ = true;
  RunCommand(row.Target(), SW_SHOW);
}

bool TfDetails::RunCommand(const std::wstring& commandLine, int showState) {
  // CreateProcessW may write into the line, so it gets a private copy of the whole of it.
  std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &pi))
    return false;
  win::UniqueHandleObj process(pi.hProcess), thread(pi.hThread);
  return true;
}

INT_PTR TfDetails::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC) {
    if (HBRUSH brush = header_.CtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<INT_PTR>(brush);
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

void TfDetails::OnCommand(int id, int) {
  if (id == IDOK || id == IDCANCEL) End(IDOK);
}
