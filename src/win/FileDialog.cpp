#include "win/FileDialog.h"

#include "win/Window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <vector>

namespace win {

namespace {

// The longest path Windows allows, and its terminating NUL.
constexpr size_t kPathBuffer = 32768;

const wchar_t kFileNotFound[] = L"\r\nFile not found.\r\nCheck the file name and try again.";
const wchar_t kPathNotFound[] = L"\r\nPath does not exist.\r\nCheck the path and try again.";
const wchar_t kReplaceQuestion[] = L" already exists.\r\nDo you want to replace it?";

struct TSession {
  const TFileDialogOptions& Options;
  bool Save;
  // A name too long for the dialog, taken here: the dialog was cancelled after it.
  std::optional<std::wstring> Taken;
};

std::wstring FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(kPathBuffer);
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(),
                                   nullptr);
  return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : path;
}

std::wstring DialogFolder(HWND dialog) {
  std::vector<wchar_t> buffer(kPathBuffer);
  const LRESULT n = SendMessageW(dialog, CDM_GETFOLDERPATH, buffer.size(),
                                 reinterpret_cast<LPARAM>(buffer.data()));
  return n > 0 ? std::wstring(buffer.data()) : std::wstring();
}

// The text of the file name box, without the quotes a name may be typed in.
std::wstring TypedName(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  if (!box) box = GetDlgItem(dialog, edt1);
  std::wstring name = box ? WindowText(box) : std::wstring();
  const size_t first = name.find_first_not_of(L" \"");
  const size_t last = name.find_last_not_of(L" \"");
  return first == std::wstring::npos ? std::wstring() : name.substr(first, last - first + 1);
}

// A warning over the dialog, under its title; whether the user answered "Yes".
bool Warn(HWND dialog, const std::wstring& text, UINT buttons = MB_OK) {
  const std::wstring title = WindowText(dialog);
  return MessageBoxW(dialog, text.c_str(), title.c_str(), buttons | MB_ICONWARNING) == IDYES;
}

// The path a name typed in the dialog stands for, when it is too long for the dialog to build.
std::optional<std::wstring> TooLongForTheDialog(HWND dialog) {
  const std::wstring typed = TypedName(dialog);
  if (typed.empty()) return std::nullopt;
  const bool relative = typed.size() < 2 || (typed[1] != L':' && typed[0] != L'\\');
  const std::wstring folder = DialogFolder(dialog);
  const size_t built = (relative ? folder.size() + 1 : 0) + typed.size();
  if (built < MAX_PATH) return std::nullopt;
  if (!relative) return FullPath(typed);
  return FullPath(folder + (folder.empty() || folder.back() == L'\\' ? L"" : L"\\") + typed);
}

// Checks a path as the dialog checks a chosen name, adding the default extension to a name to
// save that has none; false after telling the user why the name is not taken.
bool Acceptable(HWND dialog, const TSession& session, std::wstring& path) {
  const TFileDialogOptions& options = session.Options;
  const size_t name = path.find_last_of(L'\\') + 1;
  if (session.Save && options.DefaultExtension && path.find(L'.', name) == std::wstring::npos)
    path += std::wstring(L".") + options.DefaultExtension;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool isFile = attributes != INVALID_FILE_ATTRIBUTES &&
                      !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (!session.Save || (options.Flags & OFN_PATHMUSTEXIST)) {
    const DWORD folder = GetFileAttributesW(path.substr(0, name).c_str());
    if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) {
      Warn(dialog, path + kPathNotFound);
      return false;
    }
  }
  if (!session.Save && !isFile) {
    Warn(dialog, path + kFileNotFound);
    return false;
  }
  if (session.Save && isFile && (options.Flags & OFN_OVERWRITEPROMPT) &&
      !Warn(dialog, path + kReplaceQuestion, MB_YESNO))
    return false;
  return !options.Accept || options.Accept(dialog, path);
}

LRESULT CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                            DWORD_PTR data) noexcept {
  auto* session = reinterpret_cast<TSession*>(data);
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
    bool handled = false;
    Guarded([&] {
      std::optional<std::wstring> path = TooLongForTheDialog(dialog);
      if (!path) return;
      handled = true;
      if (!Acceptable(dialog, *session, *path)) return;
      session->Taken = std::move(path);
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    if (handled) return 0;
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(dialog, DialogProc, 1);
  }
  return DefSubclassProc(dialog, msg, wp, lp);
}

// The hook's own dialog is a child of the file dialog: it watches the dialog's OK and asks the
// caller about the names the dialog takes itself.
UINT_PTR CALLBACK HookProc(HWND hook, UINT msg, WPARAM, LPARAM lp) noexcept {
  if (msg == WM_INITDIALOG) {
    const auto& ofn = *reinterpret_cast<const OPENFILENAMEW*>(lp);
    SetWindowSubclass(GetParent(hook), DialogProc, 1, static_cast<DWORD_PTR>(ofn.lCustData));
    return TRUE;
  }
  if (msg != WM_NOTIFY) return 0;
  const auto& notify = *reinterpret_cast<const OFNOTIFYW*>(lp);
  if (notify.hdr.code != CDN_FILEOK) return 0;
  const auto& session = *reinterpret_cast<const TSession*>(notify.lpOFN->lCustData);
  bool keepOpen = false;
  if (session.Options.Accept)
    Guarded([&] { keepOpen = !session.Options.Accept(GetParent(hook), notify.lpOFN->lpstrFile); });
  SetWindowLongPtrW(hook, DWLP_MSGRESULT, keepOpen ? 1 : 0);
  return keepOpen ? 1 : 0;
}

std::optional<std::wstring> Run(const TFileDialogOptions& options, bool save) {
  TSession session{options, save, std::nullopt};
  std::vector<wchar_t> file(kPathBuffer, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = options.Owner;
  dialog.lpstrFilter = options.Filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = options.InitialFolder.empty() ? nullptr : options.InitialFolder.c_str();
  dialog.lpstrTitle = options.Title;
  dialog.lpstrDefExt = options.DefaultExtension;
  // The process's current folder stays where it was: on Windows a current folder cannot be
  // deleted, and the folder of a chosen program is the one the assisted uninstall removes.
  dialog.Flags = options.Flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING |
                 OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  dialog.lpfnHook = HookProc;
  dialog.lCustData = reinterpret_cast<LPARAM>(&session);
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (chosen && file[0]) return std::wstring(file.data());
  return session.Taken;
}

}  // namespace

std::optional<std::wstring> OpenFileName(const TFileDialogOptions& options) {
  return Run(options, false);
}

std::optional<std::wstring> SaveFileName(const TFileDialogOptions& options) {
  return Run(options, true);
}

}  // namespace win
