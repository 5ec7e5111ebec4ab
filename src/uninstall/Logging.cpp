#include "uninstall/Logging.h"

#include "inventory/Utils.h"
#include "win/Error.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <shellapi.h>

#include <cstdint>
#include <string_view>

const wchar_t TLogging::kHeader[] =
    L"Tarvenholt Purgalot! Uninstall Log \r\n"
    L"Contains information about programs you have uninstalled from your computer\r\n\r\n";

namespace {

// Larger files are refused: far beyond any real log, and their text would take twice their size
// again in memory.
constexpr int64_t kLargestShown = 256 * 1024 * 1024;

enum class TEncoding { Utf8, Utf16Le, Utf16Be };

// The encoding a byte-order mark names (UTF-8 without one), and the mark's length.
TEncoding EncodingOf(std::string_view bytes, size_t& markLength) {
  markLength = 2;
  if (bytes.starts_with("\xFF\xFE")) return TEncoding::Utf16Le;
  if (bytes.starts_with("\xFE\xFF")) return TEncoding::Utf16Be;
  markLength = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  return TEncoding::Utf8;
}

std::string Encode(const std::wstring& text, TEncoding encoding) {
  if (encoding == TEncoding::Utf8) return win::ToUtf8(text);
  const bool big = encoding == TEncoding::Utf16Be;
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i + (big ? 1 : 0)] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + (big ? 0 : 1)] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

std::wstring FromUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    auto low = static_cast<uint8_t>(bytes[2 * i + (bigEndian ? 1 : 0)]);
    auto high = static_cast<uint8_t>(bytes[2 * i + (bigEndian ? 0 : 1)]);
    text[i] = static_cast<wchar_t>(low | high << 8);
  }
  if (bytes.size() % 2) text += L'\uFFFD';  // half a character at the end
  return text;
}

// UTF-8, or the ANSI code page for each line that is not valid UTF-8.
std::wstring From8Bit(std::string_view bytes) {
  std::wstring text;
  if (win::TryFromUtf8(bytes, text)) return text;
  text.reserve(bytes.size());
  for (size_t start = 0;;) {
    size_t end = bytes.find('\n', start);
    std::string_view line = bytes.substr(start, end == std::string_view::npos ? end : end - start);
    std::wstring decoded;
    if (!win::TryFromUtf8(line, decoded)) decoded = win::FromAnsi(line);
    text += decoded;
    if (end == std::string_view::npos) break;
    text += L'\n';
    start = end + 1;
  }
  return text;
}

// Lines separated by CR LF whatever break the file used, a NUL made visible, and no break after
// the last line.
std::wstring ShownText(const std::wstring& decoded) {
  std::wstring text;
  text.reserve(decoded.size() + decoded.size() / 16);
  for (size_t i = 0; i < decoded.size(); ++i) {
    wchar_t c = decoded[i];
    if (c == L'\r' && i + 1 < decoded.size() && decoded[i + 1] == L'\n') continue;
    if (c == L'\n')
      text += L"\r\n";
    else
      text += c == L'\0' ? TLogging::kNulPlaceholder : c;
  }
  if (text.ends_with(L"\r\n")) text.resize(text.size() - 2);
  return text;
}

// The system's text for an error code, without its line break and full stop.
std::wstring SystemMessage(DWORD error) {
  wchar_t buffer[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, buffer, 512, nullptr);
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                           text.back() == L' '))
    text.pop_back();
  return text.empty() ? L"error " + std::to_wstring(error) : text;
}

}  // namespace

namespace {

std::wstring& ChosenLogFile() {
  static std::wstring path;
  return path;
}

}  // namespace

std::wstring TLogging::LogPath() {
  const std::wstring& chosen = ChosenLogFile();
  return chosen.empty() ? TUtils::ExeFolder() + L"ULog.txt" : chosen;
}

void TLogging::SetLogFile(std::wstring path) { ChosenLogFile() = std::move(path); }

void TLogging::WriteToFile(const std::wstring& text, const std::wstring& fileName, bool append) {
  win::UniqueFile file;
  if (append) {
    // Reading the byte-order mark needs read access; without it, UTF-8 is all that can be done.
    for (DWORD access : {DWORD{FILE_APPEND_DATA | FILE_READ_DATA}, DWORD{FILE_APPEND_DATA}}) {
      file.Reset(CreateFileW(fileName.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file) break;
    }
  } else {
    file.Reset(CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!file) return;
  TEncoding encoding = TEncoding::Utf8;
  if (append) {
    char mark[3] = {};
    DWORD read = 0;
    size_t markLength = 0;
    if (ReadFile(file.Get(), mark, sizeof mark, &read, nullptr))
      encoding = EncodingOf(std::string_view(mark, read), markLength);
  }
  std::string bytes = Encode(text, encoding);
  DWORD written = 0;
  if (!bytes.empty())
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  FlushFileBuffers(file.Get());
}

void TLogging::ClearLog(const std::wstring& fileName) {
  if (!DeleteFileW(fileName.c_str())) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      throw win::TError(L"The uninstall log " + fileName + L" cannot be cleared: " +
                        SystemMessage(error));
  }
  if (memo_)
    memo_->Assign(
        L"Tarvenholt Purgalot! Uninstall Log \r\n"
        L"Contains information about programs you have uninstalled from your computer");
}

void TLogging::ShowLog(const std::wstring& fileName) {
  std::wstring text;
  if (memo_ && ReadText(fileName, text)) memo_->Assign(std::move(text));
}

void TLogging::EditLog(const std::wstring& fileName) {
  ShellExecuteW(nullptr, L"open", fileName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool TLogging::ReadText(const std::wstring& fileName, std::wstring& text) {
  auto fail = [&](DWORD error) {
    throw win::TError(L"The log file " + fileName + L" cannot be read: " + SystemMessage(error));
  };
  win::UniqueFile file(CreateFileW(fileName.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    fail(error);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) fail(GetLastError());
  if (size.QuadPart > kLargestShown)
    throw win::TError(L"The log file " + fileName + L" is too large to show (" +
                      std::to_wstring(size.QuadPart >> 20) + L" MB)");
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    fail(GetLastError());
  bytes.resize(read);

  size_t markLength = 0;
  TEncoding encoding = EncodingOf(bytes, markLength);
  std::string_view body = std::string_view(bytes).substr(markLength);
  text = ShownText(encoding == TEncoding::Utf8 ? From8Bit(body)
                                               : FromUtf16(body, encoding == TEncoding::Utf16Be));
  return true;
}

namespace ulog {

namespace {

std::wstring TimestampText() {
  TDateTimeText now = TUtils::GetDateTimeText();
  return L"\r\n" + now.Date + L" " + now.Time + L"\r\n";
}

std::wstring LineText(const std::wstring& text) { return win::SingleLine(text) + L"\r\n"; }

}  // namespace

void AppendTimestamp(const std::wstring& fileName) {
  TLogging().WriteToFile(TimestampText(), fileName, true);
}

void AppendRecord(const std::wstring& fileName, const std::vector<std::wstring>& lines) {
  std::wstring text = TimestampText();
  for (const std::wstring& line : lines) text += LineText(line);
  TLogging().WriteToFile(text, fileName, true);
}

void AppendLine(const std::wstring& fileName, const std::wstring& text) {
  TLogging().WriteToFile(LineText(text), fileName, true);
}

}  // namespace ulog
