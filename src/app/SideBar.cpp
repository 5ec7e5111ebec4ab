#include "app/SideBar.h"

#include "app/CommandIds.h"
#include "widgets/SideBarHeader.h"
#include "widgets/SideBarLabel.h"
#include "win/Gdi.h"
#include "win/Subclass.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const wchar_t kClassName[] = L"TSideBar";
// The surface behind the panels.
constexpr COLORREF kSideBarColor = RGB(238, 243, 250);
constexpr int kMargin = 10;      // around and between the panels
constexpr int kInset = 12;       // of the contents inside a panel
constexpr int kActionsHeight = 110;
constexpr int kInfoHeight = 180;
constexpr int kInfoHeight9x = 80;
constexpr int kFindHeight = 70;
constexpr int kImageId1 = 201, kImageId2 = 202, kFindButtonId = 203, kImageId3 = 204;

void SetControlFont(HWND hwnd, HFONT font) {
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace

TSideBar::TSideBar() = default;
TSideBar::~TSideBar() = default;

int TSideBar::S(int pixels) const { return win::Scale(Handle(), pixels); }

void TSideBar::Create(HWND parent, int width) {
  background_.Reset(CreateSolidBrush(kSideBarColor));
  RegisterClass(kClassName, 0, LoadCursorW(nullptr, IDC_ARROW), nullptr);
  CreateWindowObject(WS_EX_CONTROLPARENT, kClassName, L"",
                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL, 0, 0,
                     width, 400, parent, nullptr);
  font_.Reset(win::CreateMessageFont(Handle()));
  boldFont_.Reset(win::CreateMessageFont(Handle(), true));

  auto makePanel = [this](std::unique_ptr<TSideBarElement>& panel, const wchar_t* caption,
                          int height) {
    panel = std::make_unique<TSideBarElement>();
    panel->Create(Handle(), 0, 0, S(100), S(height));
    panel->SetHeaderCaption(caption);
    panel->SetSuportColor(kSideBarColor);
    panel->OnHeightChanged = [this](TSideBarElement&) { Restack(); };
  };
  makePanel(sideBarActions_, L"Actions", kActionsHeight);
  makePanel(sideBarInfo_, L"Info", kInfoHeight);
  makePanel(sideBarFind_, L"Find", kFindHeight);

  // Actions: three links, each with a picture that does the same.
  HWND actions = sideBarActions_->Handle();
  imgSideUninstall_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON |
                                      SS_NOTIFY | SS_REALSIZECONTROL, 0, 0, 0, 0, actions,
                                      reinterpret_cast<HMENU>(kImageId1), nullptr, nullptr);
  imgSideDelete_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON |
                                   SS_NOTIFY | SS_REALSIZECONTROL, 0, 0, 0, 0, actions,
                                   reinterpret_cast<HMENU>(kImageId2), nullptr, nullptr);
  imgSideLeftovers_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON |
                                      SS_NOTIFY | SS_REALSIZECONTROL, 0, 0, 0, 0, actions,
                                      reinterpret_cast<HMENU>(kImageId3), nullptr, nullptr);
  auto makeLink = [this](std::unique_ptr<TSideBarLabel>& link, HWND parent, const wchar_t* caption,
                         int command) {
    link = std::make_unique<TSideBarLabel>();
    link->Create(parent, caption, 0, 0, S(70), S(18));
    SetControlFont(link->Handle(), font_.Get());
    link->OnClick = [this, command] {
      if (OnCommand) OnCommand(command);
    };
  };
  makeLink(SideBarLabel2_, actions, L"Uninstall program", cmUninstall);
  makeLink(SideBarLabel3_, actions, L"Delete program from list", cmDelete);
  makeLink(leftoversLink_, actions, L"Find leftovers...", cmFindLeftovers);

  // Info: the program's name and usage facts.
  HWND info = sideBarInfo_->Handle();
  lSidePrgName_ = MakeLabel(info, L"", SS_EDITCONTROL | SS_NOPREFIX);
  SetControlFont(lSidePrgName_, boldFont_.Get());
  Label4_ = MakeLabel(info, L"Size: ");
  Label5_ = MakeLabel(info, L"Frequency:");
  Label6_ = MakeLabel(info, L"Last Used On: ");
  lSideSize_ = MakeLabel(info, L"", SS_NOPREFIX);
  lSideUsed_ = MakeLabel(info, L"", SS_NOPREFIX);
  lSideLastUsed_ = MakeLabel(info, L"", SS_NOPREFIX);
  Label7_ = MakeLabel(info, L"Folder:");
  lSideFolder_ = MakeLabel(info, L"", SS_NOPREFIX | SS_PATHELLIPSIS);
  makeLink(SideBarLabel4_, info, L"More details", cmDetails);

  // Find: the text and its button.
  HWND find = sideBarFind_->Handle();
  edFind_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, find,
                            nullptr, nullptr, nullptr);
  SetControlFont(edFind_, font_.Get());
  SendMessageW(edFind_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Program name"));
  win::SetSubclass(edFind_, FindEditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  spbuFind_ = CreateWindowExW(0, L"BUTTON", L"Go  ", WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                              BS_PUSHBUTTON, 0, 0, 0, 0, find,
                              reinterpret_cast<HMENU>(kFindButtonId), nullptr, nullptr);
  SetControlFont(spbuFind_, font_.Get());
  LayoutPanels();
  Restack();
}

HWND TSideBar::MakeLabel(HWND parent, const wchar_t* text, DWORD style) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                               parent, nullptr, nullptr, nullptr);
  SetControlFont(label, font_.Get());
  return label;
}

// Places the contents inside each panel for the current width.
void TSideBar::LayoutPanels() {
  // The window is sized while it is created, before its panels and controls exist.
  if (!spbuFind_) return;
  RECT client;
  GetClientRect(Handle(), &client);
  int width = std::max<int>(S(60), client.right - 2 * S(kMargin));
  for (auto* panel : {sideBarActions_.get(), sideBarInfo_.get(), sideBarFind_.get()}) {
    RECT r;
    GetWindowRect(panel->Handle(), &r);
    SetWindowPos(panel->Handle(), nullptr, 0, 0, width, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  int x = S(kInset), inner = width - 2 * S(kInset), icon = S(16), row = S(22);
  int top = S(24) + S(8);
  auto place = [](HWND hwnd, int x, int y, int w, int h) {
    SetWindowPos(hwnd, nullptr, x, y, std::max(0, w), h, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(imgSideUninstall_, x, top + S(1), icon, icon);
  place(SideBarLabel2_->Handle(), x + icon + S(6), top, inner - icon - S(6), S(18));
  place(imgSideDelete_, x, top + row + S(1), icon, icon);
  place(SideBarLabel3_->Handle(), x + icon + S(6), top + row, inner - icon - S(6), S(18));
  place(imgSideLeftovers_, x, top + 2 * row + S(1), icon, icon);
  place(leftoversLink_->Handle(), x + icon + S(6), top + 2 * row, inner - icon - S(6), S(18));

  place(lSidePrgName_, x, top, inner, S(34));
  int captionWidth = S(86);
  int y = top + S(38);
  for (auto [caption, value] :
       {std::pair{Label4_, lSideSize_}, std::pair{Label5_, lSideUsed_},
        std::pair{Label6_, lSideLastUsed_}, std::pair{Label7_, lSideFolder_}}) {
    place(caption, x, y, captionWidth, S(18));
    place(value, x + captionWidth, y, inner - captionWidth, S(18));
    y += S(20);
  }
  RECT info;
  GetClientRect(sideBarInfo_->Handle(), &info);
  if (sideBarInfo_->State() || sideBarInfo_->SavedHeight() == 0)
    place(SideBarLabel4_->Handle(), x, (usageShown_ ? S(kInfoHeight) : S(kInfoHeight9x)) - S(26),
          inner, S(18));

  int buttonWidth = S(56);
  place(edFind_, x, top + S(2), inner - buttonWidth - S(6), S(24));
  place(spbuFind_, x + inner - buttonWidth, top + S(1), buttonWidth, S(26));
}

// Stacks the panels from the top; a folded or unfolded panel moves the ones below it. When they
// do not fit, a scroll bar shows and they move up by the scroll position.
void TSideBar::Restack() {
  const auto panels = {sideBarActions_.get(), sideBarInfo_.get(), sideBarFind_.get()};
  auto shown = [](TSideBarElement* panel) {
    // The style bit, not IsWindowVisible: during start-up the main window is not shown yet.
    return panel && panel->Handle() &&
           (GetWindowLongPtrW(panel->Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
  };
  int content = S(kMargin);
  for (auto* panel : panels)
    if (shown(panel)) content += panel->Height() + S(kMargin);
  RECT client;
  GetClientRect(Handle(), &client);
  scrollY_ = std::clamp(scrollY_, 0, std::max(0, content - static_cast<int>(client.bottom)));

  int y = S(kMargin) - scrollY_;
  for (auto* panel : panels) {
    if (!shown(panel)) continue;
    SetWindowPos(panel->Handle(), nullptr, S(kMargin), y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    y += panel->Height() + S(kMargin);
  }
  InvalidateRect(Handle(), nullptr, TRUE);

  // Showing or hiding the bar resizes the client area, which lays the panels out again.
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, content - 1,
                  static_cast<UINT>(std::max<LONG>(client.bottom, 0)), scrollY_, 0};
  SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void TSideBar::ScrollTo(int y) {
  if (y == scrollY_) return;
  scrollY_ = y;
  Restack();  // keeps the position within the range
}

void TSideBar::OnVScroll(int request) {
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(Handle(), SB_VERT, &info);
  const int line = S(20), page = static_cast<int>(info.nPage);
  switch (request) {
    case SB_LINEUP: ScrollTo(scrollY_ - line); break;
    case SB_LINEDOWN: ScrollTo(scrollY_ + line); break;
    case SB_PAGEUP: ScrollTo(scrollY_ - page); break;
    case SB_PAGEDOWN: ScrollTo(scrollY_ + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(info.nTrackPos); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(info.nMax); break;
  }
}

void TSideBar::ScrollIntoView(HWND control) {
  if (!control || !IsChild(Handle(), control)) return;
  RECT client, r;
  GetClientRect(Handle(), &client);
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
  const int margin = S(kMargin);
  if (r.bottom + margin > client.bottom) ScrollTo(scrollY_ + r.bottom + margin - client.bottom);
  if (r.top - margin < 0) ScrollTo(scrollY_ + r.top - margin);
}

void TSideBar::ShowProgram(const std::wstring& name, const std::wstring& size,
                           const std::wstring& used, const std::wstring& lastUsed,
                           const std::wstring& folder) {
  SetWindowTextW(lSidePrgName_, name.c_str());
  if (!usageShown_) return;
  SetWindowTextW(lSideFolder_, folder.c_str());
  SetWindowTextW(lSideSize_, size.c_str());
  SetWindowTextW(lSideUsed_, used.c_str());
  SetWindowTextW(lSideLastUsed_, lastUsed.c_str());
}

void TSideBar::ShowProgramPanels(bool show) {
  for (auto* panel : {sideBarActions_.get(), sideBarInfo_.get()}) {
    bool visible = (GetWindowLongPtrW(panel->Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != show) ShowWindow(panel->Handle(), show ? SW_SHOWNA : SW_HIDE);
  }
  Restack();
}

void TSideBar::HideUsageLabels() {
  usageShown_ = false;
  for (HWND label : {Label4_, Label5_, Label6_, Label7_, lSideSize_, lSideUsed_, lSideLastUsed_,
                     lSideFolder_})
    ShowWindow(label, SW_HIDE);
  RECT r;
  GetWindowRect(sideBarInfo_->Handle(), &r);
  SetWindowPos(sideBarInfo_->Handle(), nullptr, 0, 0, r.right - r.left, S(kInfoHeight9x),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutPanels();
  Restack();
}

void TSideBar::SetFoldImages(HIMAGELIST images) {
  for (auto* panel : {sideBarActions_.get(), sideBarInfo_.get(), sideBarFind_.get()})
    panel->SetImageList(images);
}

void TSideBar::SetLinkIcons(HICON uninstall, HICON remove, HICON find) {
  SendMessageW(imgSideUninstall_, STM_SETICON, reinterpret_cast<WPARAM>(uninstall), 0);
  SendMessageW(imgSideDelete_, STM_SETICON, reinterpret_cast<WPARAM>(remove), 0);
  SendMessageW(imgSideLeftovers_, STM_SETICON, reinterpret_cast<WPARAM>(find), 0);
  SendMessageW(spbuFind_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(find));
  LayoutPanels();
}

std::wstring TSideBar::FindText() const { return win::WindowText(edFind_); }

LRESULT TSideBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      LayoutPanels();
      Restack();
      return 0;
    case WM_VSCROLL:
      OnVScroll(LOWORD(wp));
      return 0;
    case WM_MOUSEWHEEL: {
      wheelDelta_ += GET_WHEEL_DELTA_WPARAM(wp);
      const int notches = wheelDelta_ / WHEEL_DELTA;
      wheelDelta_ -= notches * WHEEL_DELTA;
      ScrollTo(scrollY_ - notches * 3 * S(20));
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(Handle(), &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, background_.Get());
      return 1;
    }
    case WM_COMMAND: {
      int id = LOWORD(wp), code = HIWORD(wp);
      if (!OnCommand) break;
      if (id == kImageId1 && code == STN_CLICKED) OnCommand(cmUninstall);
      if (id == kImageId2 && code == STN_CLICKED) OnCommand(cmDelete);
      if (id == kImageId3 && code == STN_CLICKED) OnCommand(cmFindLeftovers);
      if (id == kFindButtonId && code == BN_CLICKED) OnCommand(cmFind);
      return 0;
    }
  }
  return DefaultProc(msg, wp, lp);
}

LRESULT CALLBACK TSideBar::FindEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<TSideBar*>(data);
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    win::Guarded([self] {
      if (self->OnCommand) self->OnCommand(cmFind);
    });
    return 0;
  }
  if (msg == WM_CHAR && (wp == L'\r' || wp == L'\n')) return 0;  // no beep for Enter
  if (msg == WM_GETDLGCODE) {
    // Enter searches; Tab and Shift+Tab move on as they do from any other control.
    LRESULT code = win::DefSubclass(hwnd, msg, wp, lp);
    const auto* key = reinterpret_cast<const MSG*>(lp);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
    return code;
  }
  if (msg == WM_NCDESTROY) win::RemoveSubclass(hwnd, FindEditProc, 1);
  return win::DefSubclass(hwnd, msg, wp, lp);
}
