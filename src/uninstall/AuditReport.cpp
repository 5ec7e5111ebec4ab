#include "uninstall/AuditReport.h"

#include "inventory/UninstallItem.h"
#include "uninstall/Logging.h"
#include "uninstall/Printing.h"

const wchar_t TAuditReport::kSeparator[] = L"\r";

namespace {

const wchar_t kMissingUninstaller[] =
    L"It seems that the uninstall program for this product (or one of its components) is "
    L"missing. It is possible that you have already removed this program from your computer.";
// The credit: one entry holding a line break, so two lines of the report.
const wchar_t kCredit[] =
    L" By Tarvenholt Purgalot! \r\n"
    L" Tarvenholt Purgalot! lists, uninstalls and cleans up the programs on your computer.";

}  // namespace

TAuditReport::TAuditReport(const TProgramList& programs, const std::wstring& computerName,
                           const std::wstring& userName, const TDateTimeText& now)
    : programs_(programs) {
  lines_ = {L" Software Audit Report for: " + computerName,
            L" Generated on  " + now.Date + L" " + now.Time,
            kSeparator,
            kCredit,
            kSeparator,
            L" Computer Name: " + computerName,
            L" User Name: " + userName,
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
  for (size_t i = 0; i < programs_.Count(); ++i) {
    const TProgramRow& row = programs_.Row(i);
    lines_.push_back(row.Caption);
    if (format == TReportFormat::Short) continue;
    if (format == TReportFormat::Detailed) {
      lines_.push_back(L"Size: " + row.Size);
      lines_.push_back(L"Last Used On: " + row.LastUsed);
      lines_.push_back(L"Frequency: " + row.Frequency);
    }
    lines_.push_back(L"Uninstall Command: " + row.UninstallCommand);
    if (row.StateIndex == kWarningStateImage) lines_.push_back(kMissingUninstaller);
    lines_.push_back(kSeparator);
  }
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
  TLogging().WriteToFile(Text(), file, false);
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
