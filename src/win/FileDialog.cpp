#include "win/FileDialog.h"

#include "win/Error.h"
#include "win/UniqueHandle.h"
#include "win/Window.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace win {

namespace {

// The longest path Windows allows, and its terminating NUL.
constexpr size_t kPathBuffer = 32768;

const wchar_t kFileNotFound[] = L"\r\nFile not found.\r\nCheck the file name and try again.";
const wchar_t kPathNotFound[] = L"\r\nPath does not exist.\r\nCheck the path and try again.";
const wchar_t kReplaceQuestion[] = L" already exists.\r\nDo you want to replace it?";
const wchar_t kOpen[] = L"Open";
const wchar_t kSaveAs[] = L"Save As";
const wchar_t kNoDialog[] = L"The file dialog could not be opened: ";

// The filter's pairs as the dialog takes them, pointing into the caller's text.
std::vector<COMDLG_FILTERSPEC> FileTypes(const wchar_t* filter) {
  std::vector<COMDLG_FILTERSPEC> types;
  for (const wchar_t* name = filter; name && *name;) {
    const wchar_t* spec = name + wcslen(name) + 1;
    if (!*spec) break;
    types.push_back({name, spec});
    name = spec + wcslen(spec) + 1;
  }
  return types;
}

FILEOPENDIALOGOPTIONS DialogFlags(DWORD flags, bool save) {
  // The process's current folder stays where it was: on Windows a current folder cannot be
  // deleted, and the folder of a chosen program is the one the assisted uninstall removes.
  FILEOPENDIALOGOPTIONS result = FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
  if (flags & OFN_FILEMUSTEXIST) result |= FOS_FILEMUSTEXIST;
  if (flags & OFN_PATHMUSTEXIST) result |= FOS_PATHMUSTEXIST;
  if (flags & OFN_NOREADONLYRETURN) result |= FOS_NOREADONLYRETURN;
  if (save && (flags & OFN_OVERWRITEPROMPT)) result |= FOS_OVERWRITEPROMPT;
  return result;
}

std::optional<std::wstring> FileSystemPath(IShellItem* item) {
  UniqueCoTaskMemory text;
  if (!item || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH,
                                           reinterpret_cast<wchar_t**>(text.Put()))))
    return std::nullopt;
  return std::wstring(static_cast<const wchar_t*>(text.Get()));
}

std::wstring FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(kPathBuffer);
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(),
                                   nullptr);
  return n > 0 && n < buffer.size() ? std::wstring(buffer.data(), n) : path;
}

bool EndsWith(const std::wstring& text, const std::wstring& end, bool ignoreCase) {
  return text.size() >= end.size() &&
         CompareStringOrdinal(text.c_str() + text.size() - end.size(), static_cast<int>(end.size()),
                              end.c_str(), static_cast<int>(end.size()), ignoreCase) == CSTR_EQUAL;
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A warning over the dialog, under its title; whether the user answered "Yes".
bool Warn(HWND dialog, const std::wstring& text, UINT buttons = MB_OK) {
  const std::wstring title = WindowText(dialog);
  return MessageBoxW(dialog, text.c_str(), title.c_str(), buttons | MB_ICONWARNING) == IDYES;
}

// "No" is the answer Enter gives: a slip of the key replaces nothing.
bool MayReplace(HWND dialog, const std::wstring& file) {
  return Warn(dialog, file + kReplaceQuestion, MB_YESNO | MB_DEFBUTTON2);
}

void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw TError(kNoDialog + SystemErrorText(static_cast<DWORD>(hr)) + L".");
}

// Follows one dialog as it is shown: the caller's check before it closes, the replace question,
// and the names too long for it. Lives on the stack of the call that shows the dialog.
class TDialogSession final : public IFileDialogEvents {
public:
  TDialogSession(const TFileDialogOptions& options, bool save, IFileDialog& dialog)
      : options_(options), save_(save), dialog_(dialog) {
    // Room for the extension the dialog may add to a name before it checks it.
    size_t longest = options.DefaultExtension ? wcslen(options.DefaultExtension) : 0;
    for (const COMDLG_FILTERSPEC& type : FileTypes(options.Filter))
      longest = std::max(longest, wcslen(type.pszSpec));
    reserve_ = save ? longest + 1 : 0;
  }
  TDialogSession(const TDialogSession&) = delete;
  TDialogSession& operator=(const TDialogSession&) = delete;

  // The file taken, set just before the dialog closes on it.
  const std::optional<std::wstring>& Chosen() const noexcept { return chosen_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IFileDialogEvents) return E_NOINTERFACE;
    *object = static_cast<IFileDialogEvents*>(this);
    AddRef();
    return S_OK;
  }
  // The dialog's references only count: the session lives until the dialog has let it go.
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return --references_; }

  // The dialog has checked the name and asked about replacing it; the name the caller writes may
  // still differ from it.
  HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog* dialog) noexcept override {
    bool take = false;
    Guarded([&] {
      ComPtr<IShellItem> result;
      std::optional<std::wstring> checked;
      if (SUCCEEDED(dialog->GetResult(reinterpret_cast<IShellItem**>(result.PutVoid()))))
        checked = FileSystemPath(result.Get());
      take = !checked;  // nothing to ask about
      if (!checked) return;
      const std::wstring written = Written(save_ ? AsTyped(*checked) : *checked);
      take = Confirmed(Window(), written, written != *checked);
      if (take) chosen_ = written;
    });
    return take ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) noexcept override {
    return S_OK;
  }
  // The first event comes as the dialog opens, before the user can confirm a name.
  HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) noexcept override { return Watch(); }
  HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) noexcept override { return Watch(); }
  HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*,
                                             FDE_SHAREVIOLATION_RESPONSE* response) noexcept
      override {
    *response = FDESVR_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) noexcept override { return Watch(); }
  // The dialog's own question names no file: this one says which.
  HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem* item,
                                        FDE_OVERWRITE_RESPONSE* response) noexcept override {
    bool replace = false;
    Guarded([&] {
      const std::optional<std::wstring> file = FileSystemPath(item);
      replace = file && MayReplace(Window(), *file);
    });
    *response = replace ? FDEOR_ACCEPT : FDEOR_REFUSE;
    return S_OK;
  }

private:
  HWND Window() const {
    ComPtr<IOleWindow> window;
    HWND hwnd = nullptr;
    if (SUCCEEDED(dialog_.QueryInterface(IID_IOleWindow, window.PutVoid())))
      window->GetWindow(&hwnd);
    return hwnd;
  }

  HRESULT Watch() noexcept {
    if (!watched_) {
      HWND window = Window();
      watched_ = window && SetWindowSubclass(window, DialogProc, 1,
                                             reinterpret_cast<DWORD_PTR>(this));
    }
    return S_OK;
  }

  // The text of the file name box, without the quotes a name may be typed in.
  std::wstring TypedName() const {
    UniqueCoTaskMemory text;
    if (FAILED(dialog_.GetFileName(reinterpret_cast<wchar_t**>(text.Put()))) || !text.Get())
      return {};
    const std::wstring name(static_cast<const wchar_t*>(text.Get()));
    const size_t first = name.find_first_not_of(L" \"");
    if (first == std::wstring::npos) return {};
    return name.substr(first, name.find_last_not_of(L" \"") - first + 1);
  }

  // Wine's dialog adds the file type's extension to a name that ends in it in other letters
  // ("Report.TXT" comes back as "Report.TXT.txt"): such a name is written as typed.
  std::wstring AsTyped(const std::wstring& path) const {
    const size_t dot = path.find_last_of(L".\\");
    if (dot == std::wstring::npos || path[dot] != L'.') return path;
    const std::wstring stem = path.substr(0, dot);
    const std::wstring added = path.substr(dot);
    const std::wstring typed = TypedName();
    if (!EndsWith(stem, typed, false) || !EndsWith(typed, added, true) ||
        EndsWith(typed, added, false))
      return path;
    return stem;
  }

  // The name the caller writes: a name to save without an extension gets the default one.
  std::wstring Written(const std::wstring& path) const {
    const size_t name = path.find_last_of(L'\\') + 1;
    if (save_ && options_.DefaultExtension && path.find(L'.', name) == std::wstring::npos)
      return path + L"." + options_.DefaultExtension;
    return path;
  }

  // The replace question when nobody asked it about this name yet, then the caller's check.
  bool Confirmed(HWND window, const std::wstring& file, bool askReplace) const {
    if (save_ && askReplace && (options_.Flags & OFN_OVERWRITEPROMPT) && IsFile(file) &&
        !MayReplace(window, file))
      return false;
    return !options_.Accept || options_.Accept(window, file);
  }

  // The path a name typed in the dialog stands for, when it is too long for the dialog to build.
  std::optional<std::wstring> TooLongForTheDialog() const {
    const std::wstring typed = TypedName();
    if (typed.empty()) return std::nullopt;
    const bool relative = typed.size() < 2 || (typed[1] != L':' && typed[0] != L'\\');
    std::wstring folder;
    if (relative) {
      ComPtr<IShellItem> item;
      if (SUCCEEDED(dialog_.GetFolder(reinterpret_cast<IShellItem**>(item.PutVoid()))))
        folder = FileSystemPath(item.Get()).value_or(L"");
    }
    const size_t built = (relative ? folder.size() + 1 : 0) + typed.size() + reserve_;
    if (built < MAX_PATH) return std::nullopt;
    if (!relative) return FullPath(typed);
    return FullPath(folder + (folder.empty() || folder.back() == L'\\' ? L"" : L"\\") + typed);
  }

  // Checks a path as the dialog checks a chosen name; false after telling the user why the name
  // is not taken.
  bool Acceptable(HWND window, const std::wstring& path) const {
    const size_t name = path.find_last_of(L'\\') + 1;
    if (!save_ || (options_.Flags & OFN_PATHMUSTEXIST)) {
      const DWORD folder = GetFileAttributesW(path.substr(0, name).c_str());
      if (folder == INVALID_FILE_ATTRIBUTES || !(folder & FILE_ATTRIBUTE_DIRECTORY)) {
        Warn(window, path + kPathNotFound);
        return false;
      }
    }
    if (!save_ && !IsFile(path)) {
      Warn(window, path + kFileNotFound);
      return false;
    }
    return Confirmed(window, path, true);
  }

  // A confirmed name too long for the dialog is taken here, and the dialog closed after it.
  bool TakeLongName(HWND window) {
    const std::optional<std::wstring> path = TooLongForTheDialog();
    if (!path) return false;
    const std::wstring written = Written(*path);
    if (Acceptable(window, written)) {
      chosen_ = written;
      dialog_.Close(HRESULT_FROM_WIN32(ERROR_CANCELLED));
    }
    return true;
  }

  static LRESULT CALLBACK DialogProc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                     DWORD_PTR data) noexcept {
    auto* session = reinterpret_cast<TDialogSession*>(data);
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
      bool handled = false;
      Guarded([&] { handled = session->TakeLongName(window); });
      if (handled) return 0;
    } else if (msg == WM_NCDESTROY) {
      RemoveWindowSubclass(window, DialogProc, 1);
    }
    return DefSubclassProc(window, msg, wp, lp);
  }

  const TFileDialogOptions& options_;
  const bool save_;
  IFileDialog& dialog_;
  size_t reserve_ = 0;
  ULONG references_ = 0;
  bool watched_ = false;
  std::optional<std::wstring> chosen_;
};

// The session's events reach it while this lives.
class TAdvice {
public:
  TAdvice(IFileDialog& dialog, IFileDialogEvents& events) : dialog_(dialog) {
    ThrowIfFailed(dialog.Advise(&events, &cookie_));
  }
  ~TAdvice() {
    if (cookie_) dialog_.Unadvise(cookie_);
  }
  TAdvice(const TAdvice&) = delete;
  TAdvice& operator=(const TAdvice&) = delete;

private:
  IFileDialog& dialog_;
  DWORD cookie_ = 0;
};

std::optional<std::wstring> Run(const TFileDialogOptions& options, bool save) {
  ComInit com;
  ComPtr<IFileDialog> dialog;
  ThrowIfFailed(CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                 CLSCTX_INPROC_SERVER, IID_IFileDialog, dialog.PutVoid()));
  const std::vector<COMDLG_FILTERSPEC> types = FileTypes(options.Filter);
  if (!types.empty()) {
    ThrowIfFailed(dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data()));
    dialog->SetFileTypeIndex(1);
  }
  if (options.DefaultExtension)
    ThrowIfFailed(dialog->SetDefaultExtension(options.DefaultExtension));
  // Wine's save dialog says "Save", Windows' "Save As".
  ThrowIfFailed(dialog->SetTitle(options.Title ? options.Title : save ? kSaveAs : kOpen));
  ThrowIfFailed(dialog->SetOptions(DialogFlags(options.Flags, save)));
  if (!options.InitialFolder.empty()) {
    // A folder that is gone leaves the dialog where it would open anyway.
    ComPtr<IShellItem> folder;
    if (SUCCEEDED(SHCreateItemFromParsingName(options.InitialFolder.c_str(), nullptr,
                                              IID_IShellItem, folder.PutVoid())))
      dialog->SetFolder(folder.Get());
  }
  TDialogSession session(options, save, *dialog.Get());
  const TAdvice advice(*dialog.Get(), session);
  const HWND focus = GetFocus();
  dialog->Show(options.Owner);
  // The keyboard goes back to the control that had it, whether a file was chosen or not.
  if (focus && IsWindowVisible(focus)) SetFocus(focus);
  return session.Chosen();
}

}  // namespace

std::optional<std::wstring> OpenFileName(const TFileDialogOptions& options) {
  return Run(options, false);
}

std::optional<std::wstring> SaveFileName(const TFileDialogOptions& options) {
  return Run(options, true);
}

}  // namespace win
