#include "backup/BackupStore.h"

#include "backup/RegFile.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Error.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>

namespace {

const wchar_t kManifest[] = L"manifest.txt";
const char kManifestHeading[] = "Tarvenholt Purgalot! backup";

std::wstring TwoDigits(int value) {
  return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

std::wstring FailureText(const std::wstring& what, DWORD error) {
  std::wstring reason = win::SystemErrorText(error);
  return what + (reason.empty() ? L"." : L": " + reason + L".");
}

void WriteWholeFile(const std::wstring& file, const std::string& bytes) {
  win::UniqueFile out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!out || !WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
      written != bytes.size())
    throw win::TError(FailureText(L"The backup manifest " + file + L" cannot be written",
                                  GetLastError()));
}

bool ReadWholeFile(const std::wstring& file, std::string& bytes) {
  win::UniqueFile in(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!in || !GetFileSizeEx(in.Get(), &size) || size.QuadPart > (16 << 20)) return false;
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  return bytes.empty() ||
         (ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
          read == bytes.size());
}

}  // namespace

std::wstring DefaultBackupRoot() { return TUtils::ExeFolder() + L"Backups\\"; }

std::wstring BackupRootBeside(const std::wstring& logPath) {
  std::size_t slash = logPath.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : logPath.substr(0, slash + 1)) +
         L"Backups\\";
}

TBackup::TBackup(const std::wstring& root, const std::wstring& action, const std::wstring& subject) {
  std::wstring base = root;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  if (!CreateDirectoryW(base.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw win::TError(FailureText(L"The backup folder " + base + L" cannot be made",
                                  GetLastError()));
  DWORD attributes = GetFileAttributesW(base.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw win::TError(L"The backup folder " + base + L" cannot be made: a file of that name is "
                      L"in its place.");
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::wstring date = std::to_wstring(now.wYear) + L"-" + TwoDigits(now.wMonth) + L"-" +
                      TwoDigits(now.wDay);
  action_.Time = date + L" " + TwoDigits(now.wHour) + L":" + TwoDigits(now.wMinute) + L":" +
                 TwoDigits(now.wSecond);
  // File names hold no colons; two actions in one second get numbered folders.
  std::wstring name = date + L" " + TwoDigits(now.wHour) + L"." + TwoDigits(now.wMinute) + L"." +
                      TwoDigits(now.wSecond);
  for (int n = 1;; ++n) {
    std::wstring folder = base + name + (n > 1 ? L" (" + std::to_wstring(n) + L")" : L"") + L"\\";
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      action_.Folder = folder;
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || n > 999)
      throw win::TError(FailureText(L"The backup folder " + folder + L" cannot be made",
                                    GetLastError()));
  }
  action_.Action = action;
  action_.Subject = subject;
  WriteManifest();
}

void TBackup::SaveKey(HKEY root, REGSAM view, const std::wstring& path) {
  int number = 1;
  for (const TBackupItem& item : action_.Items)
    if (item.Kind == kBackupRegistry) ++number;
  std::wstring file = L"key " + std::to_wstring(number) + L".reg";
  ExportRegistryKey(root, view, path, action_.Folder + file);
  action_.Items.push_back({kBackupRegistry, RegistryLocationText(root, view, path), file});
  WriteManifest();
}

void TBackup::NoteFile(const std::wstring& kind, const std::wstring& path) {
  action_.Items.push_back({kind, path, {}});
  WriteManifest();
}

void TBackup::NoteFiles(const std::wstring& kind, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  for (const std::wstring& path : paths) action_.Items.push_back({kind, path, {}});
  WriteManifest();
}

void TBackup::Discard() noexcept {
  if (action_.Folder.empty()) return;
  for (const TBackupItem& item : action_.Items)
    if (!item.File.empty()) DeleteFileW((action_.Folder + item.File).c_str());
  DeleteFileW((action_.Folder + kManifest).c_str());
  RemoveDirectoryW(action_.Folder.c_str());
  action_.Items.clear();
}

void TBackup::WriteManifest() const {
  std::wstring text = L"Action=" + win::SingleLine(action_.Action) + L"\r\nSubject=" +
                      win::SingleLine(action_.Subject) + L"\r\nTime=" + action_.Time + L"\r\n";
  for (const TBackupItem& item : action_.Items) {
    text += item.Kind + L"=" + win::SingleLine(item.Path);
    if (!item.File.empty()) text += L"|" + item.File;
    text += L"\r\n";
  }
  WriteWholeFile(action_.Folder + kManifest, kManifestHeading + std::string("\r\n") + win::ToUtf8(text));
}

bool ReadBackup(const std::wstring& folder, TBackupAction& action) {
  std::string bytes;
  std::wstring text;
  if (!ReadWholeFile(folder + kManifest, bytes) || !win::TryFromUtf8(bytes, text)) return false;
  action = {};
  action.Folder = folder;
  bool heading = false;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 2;
    if (!heading) {
      if (win::ToUtf8(line) != kManifestHeading) return false;
      heading = true;
      continue;
    }
    std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    std::wstring key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == L"Action") {
      action.Action = value;
    } else if (key == L"Subject") {
      action.Subject = value;
    } else if (key == L"Time") {
      action.Time = value;
    } else if (key == kBackupRegistry) {
      // A key name holds no "|"; the file's name follows the last one.
      std::size_t bar = value.rfind(L'|');
      if (bar != std::wstring::npos)
        action.Items.push_back({key, value.substr(0, bar), value.substr(bar + 1)});
    } else if (key == kBackupRecycled || key == kBackupDeleted) {
      action.Items.push_back({key, value, {}});
    }
  }
  return heading;
}

std::vector<TBackupAction> ListBackups(const std::wstring& root) {
  std::wstring base = root;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  std::vector<TBackupAction> actions;
  WIN32_FIND_DATAW found;
  win::UniqueFind find(FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &found,
                                        FindExSearchLimitToDirectories, nullptr, 0));
  if (!find) return actions;
  do {
    std::wstring name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
      continue;
    TBackupAction action;
    if (ReadBackup(base + name + L"\\", action)) actions.push_back(std::move(action));
  } while (FindNextFileW(find.Get(), &found));
  // Newest first; folders of one second keep the order they were made in, the later first.
  std::sort(actions.begin(), actions.end(), [](const TBackupAction& a, const TBackupAction& b) {
    if (a.Time != b.Time) return a.Time > b.Time;
    if (a.Folder.size() != b.Folder.size()) return a.Folder.size() > b.Folder.size();
    return a.Folder > b.Folder;
  });
  return actions;
}

void RestoreRegistry(const TBackupAction& action) {
  for (const TBackupItem& item : action.Items)
    if (item.Kind == kBackupRegistry) {
      if (item.File.find_first_of(L"\\/:") != std::wstring::npos)
        throw win::TError(L"The backup names a file outside its folder: " + item.File + L".");
      ImportRegFile(action.Folder + item.File);
    }
}
