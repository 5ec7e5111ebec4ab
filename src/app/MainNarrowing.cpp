// The main window's ways of narrowing the list: the filter box above it and View > Show; and the
// Options window, whose choices include the Show choice.
#include "app/Main.h"

#include "app/Options.h"
#include "app/SideBar.h"
#include "uninstall/Logging.h"
#include "win/Gdi.h"
#include "win/Subclass.h"

#include <algorithm>

#include <commctrl.h>

namespace {

const wchar_t kFilterLabel[] = L"F&ilter:";
const wchar_t kFilterCue[] = L"Name, publisher or folder (Ctrl+F)";

constexpr int kFilterId = 103;
// At 96 DPI: the label's width, the strip's margins round the box.
constexpr int kFilterLabelWidth = 40;
constexpr int kFilterMargin = 4;

// Esc empties the box (and leaves it when it is empty); Enter and Down go to the list with a row
// selected, so the keys that act on a row work at once.
LRESULT CALLBACK FilterEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<TfMain*>(data);
  switch (msg) {
    case WM_GETDLGCODE: {
      // The main window's dialog keys would turn Esc into a cancel command before the box saw it.
      LRESULT code = win::DefSubclass(hwnd, msg, wp, lp);
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key && key->message == WM_KEYDOWN &&
          (key->wParam == VK_ESCAPE || key->wParam == VK_RETURN))
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE && GetWindowTextLengthW(hwnd) > 0) {
        SetWindowTextW(hwnd, L"");  // the change notification shows every row again
        return 0;
      }
      if (wp == VK_ESCAPE || wp == VK_RETURN || wp == VK_DOWN) {
        win::Guarded([self] {
          TProgramListView& list = self->lvPrograms();
          if (list.Selected() < 0) list.Select(0, true);
          SetFocus(list.Handle());
        });
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == L'\r' || wp == L'\n' || wp == 27) return 0;  // no beep
      break;
    case WM_NCDESTROY:
      win::RemoveSubclass(hwnd, FilterEditProc, 1);
      break;
  }
  return win::DefSubclass(hwnd, msg, wp, lp);
}

}  // namespace

// The label comes first, so that a screen reader names the box by it and Alt+I reaches the box.
void TfMain::CreateFilterBox() {
  filterLabel_ = CreateWindowExW(0, L"STATIC", kFilterLabel, WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE,
                                 0, 0, 0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  filter_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                            Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFilterId)),
                            GetModuleHandleW(nullptr), nullptr);
  SetFilterFont();
  SendMessageW(filter_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(kFilterCue));
  win::SetSubclass(filter_, FilterEditProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

// The message font at the window's DPI; the strip's height follows it at the next layout.
void TfMain::SetFilterFont() {
  win::UniqueHFont font(win::CreateMessageFont(Handle()));
  for (HWND control : {filterLabel_, filter_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  filterFont_ = std::move(font);  // the old font goes once the controls no longer use it
}

int TfMain::FilterStripHeight() const {
  TEXTMETRICW metrics{};
  win::WindowDc dc(filter_);
  win::SelectGuard font(dc.Get(), filterFont_.Get());
  GetTextMetricsW(dc.Get(), &metrics);
  // The box: the text, its inner margins and its sunken edge.
  return metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE) + 4 +
         2 * win::Scale(Handle(), kFilterMargin);
}

void TfMain::PlaceFilterBox(int left, int top, int width, int height) {
  const int margin = win::Scale(Handle(), kFilterMargin);
  const int label = win::Scale(Handle(), kFilterLabelWidth);
  SetWindowPos(filterLabel_, nullptr, left + margin, top + margin, label, height - 2 * margin,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(filter_, nullptr, left + margin + label, top + margin,
               std::max(0, width - label - 2 * margin), height - 2 * margin,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfMain::FilterChanged() {
  list_.SetFilterText(win::WindowText(filter_));
  lvProgramsChange();
  lvProgramsClick();
}

void TfMain::FocusFilter() {
  SetFocus(filter_);
  SendMessageW(filter_, EM_SETSEL, 0, -1);
}

void TfMain::ChangeNarrowing(const TListNarrowing& narrowing) {
  settings_.SetNarrowing(narrowing);
  list_.SetNarrowing(narrowing);
  CheckShowItems();
  lvProgramsChange();
  lvProgramsClick();
}

void TfMain::CheckShowItems() {
  const TListNarrowing& narrowing = list_.Filter().Narrowing();
  CheckMenuRadioItem(menu_, cmShowAll, cmShowWindowsInstaller,
                     static_cast<UINT>(cmShowAll + static_cast<int>(narrowing.Show)), MF_BYCOMMAND);
  CheckMenuItem(menu_, cmHideSystemEntries,
                MF_BYCOMMAND | (narrowing.HideSystemEntries ? MF_CHECKED : MF_UNCHECKED));
}

void TfMain::OnShowCommand(int id) {
  TListNarrowing narrowing = list_.Filter().Narrowing();
  if (id == cmHideSystemEntries)
    narrowing.HideSystemEntries = !narrowing.HideSystemEntries;
  else
    narrowing.Show = static_cast<TShowKind>(id - cmShowAll);
  ChangeNarrowing(narrowing);
}

void TfMain::ApplySettings() {
  TLogging::SetLogFile(settings_.LogFile());
  list_.SetNarrowing(settings_.Narrowing());
  CheckShowItems();
}

void TfMain::Options1Click() {
  TOptions options;
  options.Narrowing = list_.Filter().Narrowing();
  options.UseRecycleBin = settings_.UseRecycleBin();
  options.SearchLeftoversAfterUninstall = settings_.SearchLeftoversAfterUninstall();
  options.QuietUninstallWherePossible = settings_.QuietUninstallWherePossible();
  options.LogFile = settings_.LogFile();
  TfOptions dialog(options);
  if (dialog.ShowModal(Handle()) != IDOK) return;
  options = dialog.Options;
  settings_.SetUseRecycleBin(options.UseRecycleBin);
  settings_.SetSearchLeftoversAfterUninstall(options.SearchLeftoversAfterUninstall);
  settings_.SetQuietUninstallWherePossible(options.QuietUninstallWherePossible);
  settings_.SetLogFile(options.LogFile);
  TLogging::SetLogFile(options.LogFile);
  ChangeNarrowing(options.Narrowing);
  // Kept at once: a choice made in Options outlives a program that does not end normally.
  settings_.SaveSettings();
}
