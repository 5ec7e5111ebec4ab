#include "app/Options.h"

#include "dialogs/OptionsIds.h"
#include "win/Error.h"
#include "win/FileDialog.h"
#include "win/Window.h"

#include <commctrl.h>

const wchar_t* const TfOptions::kShowNames[kShowKindCount] = {
    L"All programs", L"Only programs whose uninstaller is missing", L"Only per-user programs",
    L"Only 32-bit programs", L"Only Windows Installer programs"};

namespace {

const wchar_t kLogFilter[] = L"Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
const wchar_t kLogDialogTitle[] = L"Uninstall Log File";
const wchar_t kDefaultLogName[] = L"ULog.txt";

bool IsFullPath(const std::wstring& path) {
  bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
  return drive || share;
}

}  // namespace

std::wstring LogFileProblem(const std::wstring& path) {
  if (path.empty()) return {};
  if (!IsFullPath(path))
    return L"Give the log file with its full path, such as C:\\Logs\\ULog.txt.";
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return L"\"" + path + L"\" is a folder. Give the name of a file in it, such as " + path +
           (path.back() == L'\\' ? L"" : L"\\") + kDefaultLogName + L".";
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
  DWORD folderAttributes = GetFileAttributesW(folder.c_str());
  if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
      !(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return L"The folder \"" + folder + L"\" does not exist. Choose a log file in an existing folder.";
  return {};
}

TfOptions::TfOptions(TOptions options) : win::TDialog(IDD_OPTIONS), Options(std::move(options)) {}

void TfOptions::OnInitDialog() {
  HWND show = Item(IDC_OPT_SHOW);
  for (const wchar_t* name : kShowNames)
    SendMessageW(show, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageW(show, CB_SETCURSEL, static_cast<WPARAM>(Options.Narrowing.Show), 0);
  auto check = [this](int id, bool on) {
    CheckDlgButton(Handle(), id, on ? BST_CHECKED : BST_UNCHECKED);
  };
  check(IDC_OPT_HIDE_SYSTEM, Options.Narrowing.HideSystemEntries);
  check(IDC_OPT_RECYCLE_BIN, Options.UseRecycleBin);
  check(IDC_OPT_LEFTOVERS, Options.SearchLeftoversAfterUninstall);
  check(IDC_OPT_QUIET, Options.QuietUninstallWherePossible);
  SetItemText(IDC_OPT_LOG_FILE, Options.LogFile);
  SendMessageW(Item(IDC_OPT_LOG_FILE), EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(kDefaultLogName));
  CenterOn(GetWindow(Handle(), GW_OWNER));
}

void TfOptions::OnCommand(int id, int) {
  switch (id) {
    case IDC_OPT_BROWSE: buBrowseClick(); break;
    case IDOK: buOkClick(); break;
    case IDCANCEL: End(IDCANCEL); break;
  }
}

void TfOptions::buBrowseClick() {
  win::TFileDialogOptions dialog;
  dialog.Owner = Handle();
  dialog.Title = kLogDialogTitle;
  dialog.Filter = kLogFilter;
  dialog.DefaultExtension = L"txt";
  // An existing log is written on, not replaced: no question about overwriting it.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
  std::wstring current = ItemText(IDC_OPT_LOG_FILE);
  if (!current.empty()) dialog.InitialFolder = current.substr(0, current.find_last_of(L"\\/"));
  if (auto chosen = win::SaveFileName(dialog)) SetItemText(IDC_OPT_LOG_FILE, *chosen);
  SetFocus(Item(IDC_OPT_LOG_FILE));
}

void TfOptions::buOkClick() {
  std::wstring logFile = ItemText(IDC_OPT_LOG_FILE);
  if (std::wstring problem = LogFileProblem(logFile); !problem.empty()) {
    MessageBoxW(Handle(), problem.c_str(), win::kApplicationTitle, MB_OK | MB_ICONERROR);
    SetFocus(Item(IDC_OPT_LOG_FILE));
    SendMessageW(Item(IDC_OPT_LOG_FILE), EM_SETSEL, 0, -1);
    return;
  }
  auto checked = [this](int id) { return IsDlgButtonChecked(Handle(), id) == BST_CHECKED; };
  LRESULT show = SendMessageW(Item(IDC_OPT_SHOW), CB_GETCURSEL, 0, 0);
  Options.Narrowing.Show =
      show >= 0 && show < kShowKindCount ? static_cast<TShowKind>(show) : TShowKind::All;
  Options.Narrowing.HideSystemEntries = checked(IDC_OPT_HIDE_SYSTEM);
  Options.UseRecycleBin = checked(IDC_OPT_RECYCLE_BIN);
  Options.SearchLeftoversAfterUninstall = checked(IDC_OPT_LEFTOVERS);
  Options.QuietUninstallWherePossible = checked(IDC_OPT_QUIET);
  Options.LogFile = logFile;
  End(IDOK);
}
