#include "assisted/AssistedLogic.h"

#include "assisted/ProtectedPlaces.h"
#include "uninstall/Logging.h"
#include "win/Text.h"

std::vector<std::wstring> CollectSelectedFiles(const std::vector<TChosenFile>& rows) {
  std::vector<std::wstring> files;
  for (const TChosenFile& row : rows)
    if (row.Checked) files.push_back(row.Path);
  return files;
}

std::wstring FolderOfFile(const std::wstring& path) {
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FolderToTick(const std::wstring& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  std::wstring folder = FolderOfFile(file);
  // Drive roots and known folders are protected places too.
  return folder.empty() || IsProtectedPath(folder) ? std::wstring() : folder;
}

std::vector<std::wstring> BuildStartMenuNames(const std::vector<std::wstring>& files,
                                              const std::vector<TChosenFile>& desktopRows) {
  std::vector<std::wstring> names;
  for (const std::wstring& file : files) {
    std::wstring folder = FolderOfFile(file);
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    std::size_t slash = folder.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? std::wstring() : folder.substr(slash + 1);
    // A file in a drive's root has no folder name to look for ("C:" is not one).
    if (!name.empty() && name.back() != L':') names.push_back(name);
  }
  for (const TChosenFile& row : desktopRows)
    if (row.Checked && !row.Name.empty()) names.push_back(row.Name);
  return names;
}

std::wstring SelectedApplicationNames(const std::vector<TChosenFile>& chosenRows) {
  std::wstring text;
  for (const TChosenFile& row : chosenRows)
    if (row.Checked) text += L"\r\n" + win::SingleLine(row.Name);
  return text;
}

void AppendAssistedLogStart(const std::wstring& logFile, const std::wstring& applicationNames) {
  ulog::AppendTimestamp(logFile);
  TLogging().WriteToFile(ulog::kUninstalling + applicationNames + L"\r\n", logFile, true);
}

void AppendAssistedLogResult(const std::wstring& logFile, bool allDeleted) {
  TLogging().WriteToFile(
      std::wstring(allDeleted ? ulog::kUninstallOk : ulog::kUninstallFailed) + L"\r\n", logFile,
      true);
}

std::wstring AssistedLogText(const std::wstring& applicationNames, const TDeleteRows& rows) {
  std::wstring text = L"Assisted uninstall log for " + applicationNames + L"\r\n\r\n";
  for (const TDeleteRow& row : rows)
    if (row.Checked)
      text += row.Kind + L"....." + win::SingleLine(row.Path()) + L"....." + row.Status() + L"\r\n";
  return text;
}
