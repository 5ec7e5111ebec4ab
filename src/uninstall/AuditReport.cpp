#include "uninstall/AuditReport.h"

#include "inventory/UninstallItem.h"
#include "uninstall/Printing.h"
#include "win/Error.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

#include <algorithm>

const wchar_t TAuditReport::kSeparator[] = L"\r";

namespace {

const wchar_t kMissingUninstaller[] =
    L"It seems that the uninstall program for this product (or one of its components) is "
    L"missing. It is possible that you have already removed this program from your computer.";
// The credit: one entry holding a line break, so two lines of the report.
const wchar_t kCredit[] =
    L" By Tarvenholt Purgalot! \r\n"
    L" Tarvenholt Purgalot! lists, uninstalls and cleans up the programs on your computer.";

[[noreturn]] void CannotSave(const std::wstring& file, DWORD error) {
  std::wstring reason = win::SystemErrorText(error);
  throw win::TError(L"The report could not be saved as \"" + file + L"\"" +
                    (reason.empty() ? L"" : L": " + reason));
}

// The folder a file name points into, with a trailing backslash; the current folder for a bare
// name.
std::wstring FolderOf(const std::wstring& file) {
  DWORD size = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  wchar_t* namePart = nullptr;
  DWORD length = size ? GetFullPathNameW(file.c_str(), size, full.data(), &namePart) : 0;
  if (length == 0 || length >= size) CannotSave(file, GetLastError());
  full.resize(namePart ? static_cast<size_t>(namePart - full.data()) : length);
  return full;
}

// Writes every byte; a write that takes nothing more ends it as a full disk.
bool WriteAll(HANDLE file, const std::string& bytes, TFileWrite write, DWORD& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!write(file, bytes.data() + done, chunk, &written, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (written == 0) {
      error = ERROR_DISK_FULL;
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

void WriteWholeFile(const std::wstring& file, const std::wstring& text, TFileWrite write) {
  // Wine lets a rename replace a read-only file, Windows does not: refused here on both, as a
  // write into it would be.
  DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    CannotSave(file, ERROR_ACCESS_DENIED);
  std::wstring folder = FolderOf(file);
  wchar_t temporary[MAX_PATH] = {};
  if (!GetTempFileNameW(folder.c_str(), L"rpt", 0, temporary)) CannotSave(file, GetLastError());
  // Made here, so removed here on every way out but the last.
  struct TRemoveUnlessKept {
    const wchar_t* path;
    bool keep = false;
    ~TRemoveUnlessKept() {
      if (!keep) DeleteFileW(path);
    }
  } temporaryFile{temporary};

  DWORD error = ERROR_SUCCESS;
  {
    win::UniqueFile out(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) CannotSave(file, GetLastError());
    if (!WriteAll(out.Get(), win::ToUtf8(text), write, error)) CannotSave(file, error);
    if (!FlushFileBuffers(out.Get())) CannotSave(file, GetLastError());
  }
  if (!MoveFileExW(temporary, file.c_str(), MOVEFILE_REPLACE_EXISTING))
    CannotSave(file, GetLastError());
  temporaryFile.keep = true;
}

TAuditReport::TAuditReport(const TProgramList& programs, const std::wstring& computerName,
                           const std::wstring& userName, const TDateTimeText& now)
    : programs_(programs) {
  const std::wstring computer = win::SingleLine(computerName), user = win::SingleLine(userName);
  lines_ = {L" Software Audit Report for: " + computer,
            L" Generated on  " + now.Date + L" " + now.Time,
            kSeparator,
            kCredit,
            kSeparator,
            L" Computer Name: " + computer,
            L" User Name: " + user,
            kSeparator,
            L" INSTALLED PROGRAMS:",
            kSeparator};
}

TAuditReport TAuditReport::ForThisMachine(const TProgramList& programs) {
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD computerSize = MAX_COMPUTERNAME_LENGTH + 1;
  GetComputerNameW(computer, &computerSize);
  wchar_t user[200] = {};
  DWORD userSize = 200;
  GetUserNameW(user, &userSize);
  return TAuditReport(programs, computer, user, TUtils::GetDateTimeText());
}

std::wstring TAuditReport::Text() const {
  std::wstring text;
  for (const auto& line : lines_) text += line + L"\r\n";
  return text;
}

std::vector<std::wstring> TAuditReport::LinesOf(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

void TAuditReport::BuildProgramList(TReportFormat format) {
  // Once per report, just before output, so that an edited header stays above the list.
  if (built_) return;
  built_ = true;
  lines_.push_back(kSeparator);
  // A line break in a field would start a line of its own, so a name could forge a record (or,
  // being a bare CR, pass for a separator): every field is written single-line.
  using win::SingleLine;
  // The long formats judge every row's uninstaller, and many rows share one.
  TFileProbeCache probes;
  for (size_t i = 0; i < programs_.Count(); ++i) {
    const TProgramRow& row = programs_.Row(i);
    lines_.push_back(SingleLine(row.Caption));
    if (format == TReportFormat::Short) continue;
    if (format == TReportFormat::Detailed) {
      lines_.push_back(L"Size: " + SingleLine(row.Size));
      lines_.push_back(L"Last Used On: " + SingleLine(row.LastUsed));
      lines_.push_back(L"Frequency: " + SingleLine(row.Frequency));
    }
    lines_.push_back(L"Uninstall Command: " + SingleLine(row.UninstallCommand));
    if (row.StateIndex() == kWarningStateImage) lines_.push_back(kMissingUninstaller);
    lines_.push_back(kSeparator);
  }
}

void TAuditReport::SetHeader(std::vector<std::wstring> lines) {
  lines_ = std::move(lines);
  built_ = false;
}

std::wstring TAuditReport::ReportFileName(const std::wstring& name) {
  if (name.empty()) return L"Report.txt";
  size_t component = name.find_last_of(L"\\/:");
  size_t dot = name.rfind(L'.');
  bool hasExtension = dot != std::wstring::npos && (component == std::wstring::npos || dot > component);
  if (hasExtension && name.compare(dot, std::wstring::npos, L".txt") == 0) return name;
  return name + L".txt";
}

std::wstring TAuditReport::SaveReport(const std::wstring& name, TReportFormat format) {
  std::wstring file = ReportFileName(name);
  BuildProgramList(format);
  WriteWholeFile(file, Text());
  return file;
}

LOGFONTW TAuditReport::MemoFont() {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, static_cast<int>(GetDpiForSystem()), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpyW(font.lfFaceName, L"MS Shell Dlg 2");
  return font;
}

void TAuditReport::PrintReport(HDC printer, const LOGFONTW& font, TReportFormat format) {
  BuildProgramList(format);
  // A separator prints as an empty line, the credit as its two lines.
  std::vector<std::wstring> printed;
  for (const auto& line : LinesOf(Text())) printed.push_back(line == kSeparator ? L"" : line);
  PrintLines(printer, printed, font, L"Software Audit Report");
}
