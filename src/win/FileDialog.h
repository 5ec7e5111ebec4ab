// The system's open and save dialogs in their modern form (the shell's item dialogs, followed
// through their events: a hook would bring back the old form). A typed name that makes a longer
// path than the dialog can build (it joins its folder, the name and the extension it adds in a
// buffer of MAX_PATH characters; Wine's then writes past its end and the process dies, or cuts
// the extension short) is never passed on to it: it is checked here as the dialog checks a name
// and returned from here.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>

namespace win {

struct TFileDialogOptions {
  HWND Owner = nullptr;
  const wchar_t* Title = nullptr;  // null: the dialog's own ("Open", "Save As")
  // Pairs of texts, each ending in a NUL, the list ending in an empty one; null for none.
  const wchar_t* Filter = nullptr;
  const wchar_t* DefaultExtension = nullptr;  // added to a saved name without one; no dot
  std::wstring InitialFolder;
  // OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST, OFN_OVERWRITEPROMPT and OFN_NOREADONLYRETURN; the
  // others have no meaning in this form of the dialog.
  DWORD Flags = 0;
  // Asked about the chosen file before the dialog closes on it; false keeps the dialog open (the
  // callback has told the user why).
  std::function<bool(HWND dialog, const std::wstring& file)> Accept;
};

// The file chosen, or nothing when the user cancelled. The keyboard goes back to the control that
// had it.
std::optional<std::wstring> OpenFileName(const TFileDialogOptions& options);
std::optional<std::wstring> SaveFileName(const TFileDialogOptions& options);

}  // namespace win
