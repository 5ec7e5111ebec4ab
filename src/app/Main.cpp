#include "app/Main.h"

#include "app/SideBar.h"
#include "help/SPHTMLHelp.h"
#include "help/Splash.h"
#include "inventory/ProgramFinder.h"
#include "inventory/UninstallItem.h"
#include "leftovers/FolderSizes.h"
#include "uninstall/Logging.h"
#include "widgets/UPClickSplitter.h"
#include "widgets/XPMenu.h"
#include "win/Gdi.h"
#include "win/Text.h"

#include "resource.h"

#include <shellapi.h>
#include <windowsx.h>

#include <utility>

TfMain* fMain = nullptr;

const wchar_t kMainCaption[] = L"Tarvenholt Purgalot! 2006";

namespace {

const wchar_t kClassName[] = L"TfMain";
const wchar_t kStatusSuffix[] = L" program(s) available for uninstall";
const wchar_t kShownSuffix[] = L" programs shown";
const wchar_t kNotFoundOnActivate[] = L"There program you are looking for (";
const wchar_t kHelpFile[] = L"purgalot.chm";


}  // namespace

TNewProgramRequest ProgramFromShortcut(const TShortcutInfo& shortcut) {
  TNewProgramRequest request;
  std::wstring file = shortcut.FileName.substr(shortcut.FileName.find_last_of(L"\\/:") + 1);
  request.KeyName = file.size() >= 4 ? file.substr(0, file.size() - 4) : file;
  request.DisplayName = request.KeyName;
  request.UninstallCommand = shortcut.Target;
  request.DisplayIcon = shortcut.IconLocation.empty() ? shortcut.Target : shortcut.IconLocation;
  return request;
}

TfMain::TfMain(TWinSettings& settings, TCommandLine commandLine,
               std::vector<TUninstallSource> sources)
    : settings_(settings),
      commandLine_(std::move(commandLine)),
      list_(programs_),
      sources_(std::move(sources)) {}

TfMain::~TfMain() {
  if (Handle()) DestroyWindow(Handle());
  if (fMain == this) fMain = nullptr;
}

void TfMain::Create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, 0, 0,
                                             LR_DEFAULTSIZE | LR_SHARED));
  RegisterClass(kClassName, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW),
                reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon, icon);
  fMain = this;
  createError_ = nullptr;
  try {
    // The designed size; the stored settings replace it while the window is created.
    CreateWindowObject(0, kClassName, kMainCaption,
                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                       win::Scale(nullptr, 900), win::Scale(nullptr, 600), nullptr, nullptr);
  } catch (...) {
    if (fMain == this) fMain = nullptr;
    // What failed inside creation tells more than "cannot create a window".
    if (createError_) std::rethrow_exception(std::exchange(createError_, nullptr));
    throw;
  }
}

LRESULT TfMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      // A half-built window must not be shown: creation fails, and Create() throws the cause.
      try {
        FormCreate();
      } catch (...) {
        createError_ = std::current_exception();
        return -1;
      }
      return 0;
    case WM_ACTIVATE:
      OnActivate(wp);
      return 0;
    case WM_APP:  // after the activation has finished, so a modal window can open over it
      FormActivate();
      return 0;
    case WM_SIZE:
      // Minimised, the client area is empty: a layout then would squeeze the side bar to nothing.
      if (wp != SIZE_MINIMIZED) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      const SIZE least = MinimumSize();
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {least.cx, least.cy};
      return 0;
    }
    case WM_COMMAND:
      if (lp && reinterpret_cast<HWND>(lp) == filter_) {
        if (HIWORD(wp) == EN_CHANGE) FilterChanged();
        if (HIWORD(wp) == EN_SETFOCUS) list_.PrepareFilter();
        return 0;
      }
      OnCommand(LOWORD(wp));
      return 0;
    case kFolderSizesMessage:
      TakeFolderSizes();
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lp));
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wp) == list_.Handle()) {
        OnContextMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
      }
      if (reinterpret_cast<HWND>(wp) == ListView_GetHeader(list_.Handle())) {
        HeaderMenu(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
      }
      break;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wp) == GetSubMenu(menu_, mpView)) View1Click();
      if (reinterpret_cast<HMENU>(wp) == GetSubMenu(menu_, mpUninstall))
        EnableModifyAndRepair(reinterpret_cast<HMENU>(wp));
      if (GetMenuItemID(reinterpret_cast<HMENU>(wp), 0) == cmColumnFirst)
        UpdateColumnMenu(reinterpret_cast<HMENU>(wp));
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_HELP:  // F1 here or in a window the main window owns
      OnHelp(*reinterpret_cast<const HELPINFO*>(lp));
      return TRUE;
    case WM_DPICHANGED: {
      // The pictures are made for one DPI: the toolbar and the menus get them again.
      SetToolbarImages();
      SetMenuImages();
      SetFilterFont();
      auto* r = reinterpret_cast<RECT*>(lp);
      SetWindowPos(Handle(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DESTROY:
      FormDestroy();
      PostQuitMessage(0);
      return 0;
  }
  return DefaultProc(msg, wp, lp);
}

// Creation, in the order start-up relies on.
void TfMain::FormCreate() {
  uninstallOnActivate_ = false;
  // The picture shows while the window is built and the programs are read; closed on every way
  // out of creation.
  std::unique_ptr<TfSplash> splash;
  if (SplashSettings.Show && !IsUnattended(commandLine_.Switch())) {
    splash = std::make_unique<TfSplash>();
    splash->Show(Handle());
  }
  ActivateMenuPainter();
  CreateMenus();
  CreateToolbar();
  CreateControls();
  bool nt = TUtils::IsNTPlatform();
  if (!nt) sideBar_->HideUsageLabels();

  settings_.SetForm(this);
  settings_.SetListView(&list_);
  // A bad stored value must not keep the program from starting: what came before it is applied,
  // the error is shown and start-up goes on.
  win::Guarded([this] { settings_.LoadSettings(); });
  ApplySettings();

  // Outside the NT family there are no usage records: "Name" and "Uninstall Command" remain.
  if (!nt)
    for (int column : {3, 2, 1}) list_.DeleteColumn(column);

  list_.SetImageLists(TUtils::GetSystemImageList(false), TUtils::GetSystemImageList(true),
                      stateImages_.Get(), checkBoxImages_.Get());
  list_.SetIconResolver(&icons_);
  programs_.SetOnChanged([this] {
    list_.Reload();
    lvProgramsChange();
  });
  scanner_ = std::make_unique<TNormalUninstall>(sources_);
  TStartup startup(programs_, *scanner_, commandLine_, TLogging::LogPath());
  startup.Scan();
  if (list_.Filter().Count() > 0) list_.Select(0, false);
  SetApplicationHelpFile(TUtils::ExeFolder() + kHelpFile);

  // Both the toolbar button and the menu item are captioned "Updates".
  TBBUTTONINFOW button{};
  button.cbSize = sizeof button;
  button.dwMask = TBIF_TEXT;
  button.pszText = const_cast<wchar_t*>(L"Updates");
  SendMessageW(toolbar_, TB_SETBUTTONINFOW, cmUpdates, reinterpret_cast<LPARAM>(&button));
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STRING;  // the text only: the item keeps its picture
  item.dwTypeData = const_cast<wchar_t*>(L"Updates");
  SetMenuItemInfoW(menu_, cmUpdates, FALSE, &item);

  splash.reset();
  DragAcceptFiles(Handle(), TRUE);

  TStartupResult next = startup.TestCommandLine();
  switch (next.Next) {
    case TStartupNext::Exit:
      terminated_ = true;
      exitCode_ = next.ExitCode;
      return;
    case TStartupNext::UninstallOnActivate:
      uninstallOnActivate_ = true;
      break;
    case TStartupNext::PrintFailed:
      win::ShowApplicationError(next.Error);
      PrintFailed();
      break;
    case TStartupNext::ShowWindow:
      break;
  }
  saveOnDestroy_ = true;
}

void TfMain::FormActivate() {
  if (!uninstallOnActivate_) return;
  uninstallOnActivate_ = false;
  std::wstring name = commandLine_.Parameter(2);
  int row = FindProgram(programs_, name);
  if (row < 0) {
    std::wstring text = kNotFoundOnActivate + name + kNotFoundSuffix;
    MessageBoxW(Handle(), text.c_str(), kMainCaption, MB_OK | MB_ICONERROR);
    return;
  }
  // The program named on the command line is uninstalled even when the filter hides it.
  TProgramRow& program = programs_.Row(static_cast<size_t>(row));
  list_.SelectRow(&program, true);
  UninstallOne(*program.Entry);
}

void TfMain::FormDestroy() {
  sizer_.reset();
  scanner_.reset();
  if (saveOnDestroy_) win::Guarded([this] { settings_.SaveSettings(); });
}

// Windows leaves the keyboard focus on the frame when it activates a window: the control that had
// it goes back to it, so keys work at once after a dialog or a switch to another program.
void TfMain::OnActivate(WPARAM wp) {
  if (LOWORD(wp) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) focus_ = focus;
    return;
  }
  if (!HIWORD(wp)) {  // not while minimised
    HWND focus = focus_ && IsWindow(focus_) && IsChild(Handle(), focus_) &&
                         IsWindowVisible(focus_) && IsWindowEnabled(focus_)
                     ? focus_
                     : list_.Handle();
    if (focus) SetFocus(focus);
  }
  PostMessageW(Handle(), WM_APP, 0, 0);
}

void TfMain::Show(int showCommand) {
  if (pendingShowState_ == 1) {
    // Stored minimised: the program starts as a taskbar button.
    ShowWindow(Handle(), SW_SHOWMINIMIZED);
  } else if (pendingShowState_ == 2) {
    // A window manager restores a window to the place where it last saw it in its normal state,
    // and one first shown maximised it places as it likes: it sees the stored place first.
    ShowWindow(Handle(), SW_SHOWNORMAL);
    ShowWindow(Handle(), SW_MAXIMIZE);
  } else {
    ShowWindow(Handle(), showCommand == SW_SHOWDEFAULT ? SW_SHOWNORMAL : showCommand);
  }
  UpdateWindow(Handle());
  // Once the list is on screen: the sizes never hold up the first paint.
  StartFolderSizes();
}

bool TfMain::PreTranslateMessage(MSG& msg) {
  if (!Handle()) return false;
  bool key = msg.message == WM_KEYDOWN || msg.message == WM_CHAR;
  // In an edit box Ctrl+X, Ctrl+A and Ctrl+Del keep their editing meaning.
  wchar_t className[16] = {};
  bool inEdit = GetClassNameW(msg.hwnd, className, 16) && lstrcmpiW(className, L"Edit") == 0;
  bool editingKey = msg.message == WM_KEYDOWN && inEdit && (GetKeyState(VK_CONTROL) & 0x8000) &&
                    (msg.wParam == 'X' || msg.wParam == 'A' || msg.wParam == VK_DELETE);
  if (!editingKey && accelerators_ &&
      ::TranslateAcceleratorW(Handle(), accelerators_.Get(), &msg) != 0)
    return true;
  // Tab moves between the controls; Enter stays with the control that has the focus (the list
  // uninstalls with it, the find box searches).
  if (key && (msg.wParam == VK_RETURN || msg.wParam == L'\r')) return false;
  if (!IsDialogMessageW(Handle(), &msg)) return false;
  // A control reached with Tab may lie below the side bar's visible part.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && sideBar_)
    sideBar_->ScrollIntoView(GetFocus());
  return true;
}

void TfMain::Layout() {
  if (!toolbar_ || !status_ || !list_.Handle() || !filter_ || !sideBar_ || IsIconic(Handle()))
    return;
  RECT client;
  GetClientRect(Handle(), &client);
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  SendMessageW(status_, WM_SIZE, 0, 0);
  // The status bar paints only what a resize uncovers: its size grip would stay behind.
  InvalidateRect(status_, nullptr, TRUE);
  RECT tb, st;
  GetWindowRect(toolbar_, &tb);
  GetWindowRect(status_, &st);
  int top = tb.bottom - tb.top;
  int bottom = client.bottom - (st.bottom - st.top);
  int height = std::max(0, bottom - top);

  // The side bar keeps its width (the splitter sets it) up to half the client width.
  RECT side;
  GetWindowRect(sideBar_->Handle(), &side);
  int sideWidth = side.right - side.left;
  paQuickCanResize(sideWidth);
  int splitWidth = win::Scale(Handle(), kSplitterWidth);
  const int listLeft = sideWidth + splitWidth;
  const int listWidth = std::max(0, static_cast<int>(client.right) - listLeft);
  const int strip = std::min(height, FilterStripHeight());
  PlaceFilterBox(listLeft, top, listWidth, strip);
  HDWP dwp = BeginDeferWindowPos(3);
  dwp = DeferWindowPos(dwp, sideBar_->Handle(), nullptr, 0, top, sideWidth, height,
                       SWP_NOZORDER | SWP_NOCOPYBITS);
  dwp = DeferWindowPos(dwp, splitter_->Handle(), nullptr, sideWidth, top, splitWidth, height,
                       SWP_NOZORDER | SWP_NOCOPYBITS);
  dwp = DeferWindowPos(dwp, list_.Handle(), nullptr, listLeft, top + strip, listWidth,
                       height - strip, SWP_NOZORDER | SWP_NOCOPYBITS);
  EndDeferWindowPos(dwp);
}

// Room for the whole toolbar, the filter box and the status line, and for the side bar at its
// designed width beside a list with a little room of its own.
SIZE TfMain::MinimumSize() const {
  const HWND hwnd = Handle();
  int width = win::Scale(hwnd, kSideBarWidth + kSplitterWidth + kMinListWidth);
  int height = win::Scale(hwnd, kMinListHeight) + (filter_ ? FilterStripHeight() : 0);
  if (toolbar_) {
    const int buttons = static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
    RECT last{};
    if (buttons > 0 &&
        SendMessageW(toolbar_, TB_GETITEMRECT, buttons - 1, reinterpret_cast<LPARAM>(&last)))
      width = std::max(width, static_cast<int>(last.right));
    RECT bar;
    GetWindowRect(toolbar_, &bar);
    height += bar.bottom - bar.top;
  }
  if (status_) {
    RECT bar;
    GetWindowRect(status_, &bar);
    height += bar.bottom - bar.top;
  }
  RECT frame{0, 0, width, height};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&frame, style, menu_ != nullptr, exStyle, win::WindowDpi(hwnd));
  // Never more than the screen holds.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  return {std::min(frame.right - frame.left, monitor.rcWork.right - monitor.rcWork.left),
          std::min(frame.bottom - frame.top, monitor.rcWork.bottom - monitor.rcWork.top)};
}

bool TfMain::paQuickCanResize(int& newWidth) {
  RECT client;
  GetClientRect(Handle(), &client);
  int half = client.right / 2;
  if (newWidth > half) {
    newWidth = half;
    return false;
  }
  return true;
}

std::wstring TfMain::StatusText() const {
  wchar_t buffer[256] = {};
  SendMessageW(status_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

void TfMain::lvProgramsChange() {
  const TProgramFilter& shown = list_.Filter();
  std::wstring text = shown.Narrowed() ? std::to_wstring(shown.Count()) + L" of " +
                                             std::to_wstring(programs_.Count()) + kShownSuffix
                                       : std::to_wstring(programs_.Count()) + kStatusSuffix;
  SendMessageW(status_, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
}

void TfMain::lvProgramsSelectItem(bool selected) {
  if (!selected) return;  // the panel keeps its texts
  TProgramRow* row = list_.SelectedRow();
  if (!row) return;
  if (TUtils::IsNTPlatform())
    sideBar_->ShowProgram(row->Caption, row->Size, row->Frequency,
                          win::ShownRecordedDate(row->LastUsed), row->InstallFolder);
  else
    sideBar_->ShowProgram(row->Caption, L"", L"", L"");
}

void TfMain::lvProgramsClick() { sideBar_->ShowProgramPanels(list_.Selected() >= 0); }

LRESULT TfMain::OnNotify(NMHDR& header) {
  LRESULT result = 0;
  if (list_.OnNotify(header, result)) return result;
  if (header.hwndFrom == list_.Handle()) {
    switch (header.code) {
      case LVN_ITEMCHANGED: {
        auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        lvProgramsChange();
        if ((change.uChanged & LVIF_STATE) &&
            ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
          lvProgramsSelectItem((change.uNewState & LVIS_SELECTED) != 0);
        return 0;
      }
      case LVN_ODSTATECHANGED:
        lvProgramsChange();
        return 0;
      case NM_CLICK:
      case NM_RCLICK:
        lvProgramsClick();
        return 0;
      case NM_DBLCLK:
        // A quick second click on a check box only checks it again.
        if (list_.Selected() >= 0 &&
            !list_.OnCheckBox(reinterpret_cast<NMITEMACTIVATE&>(header).ptAction))
          tbUninstallClick();
        return 0;
      case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_RETURN && list_.Selected() >= 0)
          tbUninstallClick();
        return 0;
    }
  }
  return 0;
}

void TfMain::OnContextMenu(int x, int y) {
  if (x == -1 && y == -1) {  // from the keyboard: at the selected row
    RECT r{};
    int sel = list_.Selected();
    if (sel >= 0 && ListView_GetItemRect(list_.Handle(), sel, &r, LVIR_LABEL)) {
      POINT p{r.left, r.bottom};
      ClientToScreen(list_.Handle(), &p);
      x = p.x;
      y = p.y;
    } else {
      POINT p{0, 0};
      ClientToScreen(list_.Handle(), &p);
      x = p.x;
      y = p.y;
    }
  }
  popmenuActionPopup();
  TrackPopupMenu(popup_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, Handle(), nullptr);
}

void TfMain::popmenuActionPopup() {
  UINT state = list_.Selected() >= 0 ? MF_ENABLED : MF_GRAYED;
  for (int i = 0, n = GetMenuItemCount(popup_.Get()); i < n; ++i)
    EnableMenuItem(popup_.Get(), static_cast<UINT>(i), MF_BYPOSITION | state);
  if (state == MF_ENABLED) EnableModifyAndRepair(popup_.Get());
}

void TfMain::View1Click() {
  HMENU view = GetSubMenu(menu_, mpView);
  CheckMenuRadioItem(view, cmLargeIcons, cmDetailsView,
                     static_cast<UINT>(cmLargeIcons + list_.ViewStyle()), MF_BYCOMMAND);
  CheckMenuItem(view, cmCheckBoxes,
                MF_BYCOMMAND | (list_.CheckBoxes() ? MF_CHECKED : MF_UNCHECKED));
}

void TfMain::OnDropFiles(HDROP drop) {
  std::vector<std::wstring> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(length);
    paths.push_back(std::move(path));
  }
  DragFinish(drop);

  // One dialog after another, each shortcut read when its turn comes.
  for (const auto& file : ShortcutFiles(paths)) {
    TShortcutInfo shortcut;
    shortcut.FileName = file;
    TUtils::ReadShortcut(shortcut);
    TNewProgramRequest request = ProgramFromShortcut(shortcut);
    NewProgram1Click(&request);
  }
}

// The window settings see the window through these.
RECT TfMain::NormalBounds() const {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(Handle(), &wp);
  return wp.rcNormalPosition;
}

void TfMain::SetNormalBounds(const RECT& bounds) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(Handle(), &wp);
  wp.rcNormalPosition = bounds;
  // The window is not shown yet: keep it hidden while it moves.
  wp.showCmd = IsWindowVisible(Handle()) ? wp.showCmd : SW_HIDE;
  SetWindowPlacement(Handle(), &wp);
}

int TfMain::WindowState() const {
  if (IsIconic(Handle())) return 1;
  if (IsZoomed(Handle())) return 2;
  return 0;
}

void TfMain::SetWindowState(int state) {
  if (IsWindowVisible(Handle())) {
    ShowWindow(Handle(), state == 1 ? SW_MINIMIZE : state == 2 ? SW_MAXIMIZE : SW_RESTORE);
    return;
  }
  pendingShowState_ = state;  // applied when the window is first shown
}

bool TfMain::ApplicationMinimised() const { return IsIconic(Handle()) != FALSE; }
