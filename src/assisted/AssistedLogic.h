// The assisted uninstall's own logic, apart from its pages: which files stand for the chosen
// applications, which Start-menu names and folders are looked for, the record it adds to the
// uninstall log and the log file the user can save.
#pragma once

#include "assisted/DeleteItem.h"

#include <string>
#include <vector>

// A row of the desktop or executable list as the wizard reads it.
struct TChosenFile {
  std::wstring Name;      // the row's caption
  std::wstring Path;      // the "Path" column: a shortcut's target or an added executable
  std::wstring LinkPath;  // the desktop entry itself (empty for executables)
  bool Checked = false;
};

// The "Path" texts of the checked rows, in order.
std::vector<std::wstring> CollectSelectedFiles(const std::vector<TChosenFile>& rows);

// A path's folder with a trailing backslash (C:\Program Files\Foo\foo.exe gives
// C:\Program Files\Foo\); empty when the path names no folder.
std::wstring FolderOfFile(const std::wstring& path);

// The folder the folder page ticks for a chosen file: the file's folder (with a trailing
// backslash), or empty where that would choose more than the application: for a folder (a
// shortcut to a folder would tick the folder's parent), and for a file in a drive's root, a
// protected place or a known folder.
std::wstring FolderToTick(const std::wstring& file);

// The names Start-menu folders are looked for by: the name of each selected file's folder, then
// the caption of each checked desktop row (whichever list was chosen). Empty names are left out.
std::vector<std::wstring> BuildStartMenuNames(const std::vector<std::wstring>& files,
                                              const std::vector<TChosenFile>& desktopRows);

// "\r\n" + caption for each checked row of the chosen list, each caption made one line.
std::wstring SelectedApplicationNames(const std::vector<TChosenFile>& chosenRows);

// The wizard's record in the uninstall log, in two halves: the timestamp line and "Uninstalling "
// with one line per application name go before the deletion, the result line after it. Failures
// to write are silent.
void AppendAssistedLogStart(const std::wstring& logFile, const std::wstring& applicationNames);
void AppendAssistedLogResult(const std::wstring& logFile, bool allDeleted);

// The text of a saved assisted uninstall log: the heading with the application names, an empty
// line, then Type....Path....Status for each checked row.
std::wstring AssistedLogText(const std::wstring& applicationNames, const TDeleteRows& rows);
