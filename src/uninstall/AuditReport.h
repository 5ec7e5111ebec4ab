// TAuditReport: the software audit report's text, apart from its window: the header naming the
// computer, the user and the time, and the program list appended in one of three formats just
// before the report is saved or printed.
#pragma once

#include "inventory/ProgramList.h"
#include "inventory/Utils.h"

#include <windows.h>

#include <string>
#include <vector>

enum class TReportFormat { Short, Long, Detailed };

// How bytes reach a file: WriteFile, or a stand-in for a disk that fills up.
using TFileWrite = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

// Puts the text, as UTF-8, in place of the file. It is written to a new file in the same folder
// first, which then replaces the old one, so a failure leaves an earlier file as it was. Throws
// win::TError naming the file when it cannot be written in full; the new file is removed then.
void WriteWholeFile(const std::wstring& file, const std::wstring& text,
                    TFileWrite write = ::WriteFile);

class TAuditReport {
public:
  // A separator line: a single carriage return (CR CR LF in the saved file).
  static const wchar_t kSeparator[];

  TAuditReport(const TProgramList& programs, const std::wstring& computerName,
               const std::wstring& userName, const TDateTimeText& now);
  // The report of this computer, its user and the current time.
  static TAuditReport ForThisMachine(const TProgramList& programs);

  // The report's lines: the header until BuildProgramList appends the programs.
  const std::vector<std::wstring>& Lines() const noexcept { return lines_; }
  // The header as the user edited it; the programs are appended to it again at the next output.
  void SetHeader(std::vector<std::wstring> lines);
  // The lines as one text, each ended by CR LF.
  std::wstring Text() const;
  // The text of an edit control split back into lines (CR LF only; a lone CR stays a separator).
  static std::vector<std::wstring> LinesOf(const std::wstring& text);

  // Appends a separator and the programs of the list, in list order, in the format. Every field
  // is written as one line: its line breaks and other control characters become blanks.
  void BuildProgramList(TReportFormat format);
  // The name a report is saved under: "Report.txt" for none; ".txt" appended unless the name
  // already ends in exactly ".txt".
  static std::wstring ReportFileName(const std::wstring& name);
  // Appends the programs and writes the whole report to the file, replacing it (WriteWholeFile).
  // Returns the file name used. Throws win::TError naming the file when it cannot be written in
  // full; an earlier file of that name is then left as it was.
  std::wstring SaveReport(const std::wstring& name, TReportFormat format);
  // Appends the programs and prints the report. Throws when printing fails.
  void PrintReport(HDC printer, const LOGFONTW& font, TReportFormat format);
  // The font the audit window's memo shows the report in, at the system's DPI.
  static LOGFONTW MemoFont();

private:
  const TProgramList& programs_;
  std::vector<std::wstring> lines_;
  bool built_ = false;
};
