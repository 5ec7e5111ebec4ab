#include "uninstall/Logging.h"

#include "inventory/Utils.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shellapi.h>

const wchar_t TLogging::kHeader[] =
    L"Tarvenholt Purgalot! Uninstall Log \r\n"
    L"Contains information about programs you have uninstalled from your computer\r\n\r\n";

std::wstring TLogging::LogPath() { return TUtils::ExeFolder() + L"ULog.txt"; }

void TLogging::WriteToFile(const std::wstring& text, const std::wstring& fileName, bool append) {
  win::UniqueFile file(CreateFileW(fileName.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                                   FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string bytes = win::ToUtf8(text);
  DWORD written = 0;
  if (!bytes.empty())
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  FlushFileBuffers(file.Get());
}

void TLogging::ClearLog(const std::wstring& fileName) {
  if (memo_) {
    memo_->clear();
    memo_->push_back(L"Tarvenholt Purgalot! Uninstall Log ");
    memo_->push_back(L"Contains information about programs you have uninstalled from your computer");
  }
  DeleteFileW(fileName.c_str());
}

void TLogging::ShowLog(const std::wstring& fileName) {
  std::vector<std::wstring> lines;
  if (memo_ && ReadLines(fileName, lines)) *memo_ = std::move(lines);
}

void TLogging::EditLog(const std::wstring& fileName) {
  ShellExecuteW(nullptr, L"open", fileName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool TLogging::ReadLines(const std::wstring& fileName, std::vector<std::wstring>& lines) {
  win::UniqueFile file(CreateFileW(fileName.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 256 * 1024 * 1024) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return false;
  bytes.resize(read);
  // A byte-order mark written by an editor is no part of the text.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);

  lines.clear();
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::wstring text;
    if (!win::TryFromUtf8(line, text)) text = win::FromAnsi(line);
    lines.push_back(std::move(text));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}

namespace ulog {

void AppendTimestamp(const std::wstring& fileName) {
  TDateTimeText now = TUtils::GetDateTimeText();
  TLogging().WriteToFile(L"\r\n" + now.Date + L" " + now.Time + L"\r\n", fileName, true);
}

void AppendLine(const std::wstring& fileName, const std::wstring& text) {
  TLogging().WriteToFile(win::SingleLine(text) + L"\r\n", fileName, true);
}

}  // namespace ulog
