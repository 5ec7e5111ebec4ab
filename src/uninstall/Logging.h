// TLogging: the text-file writer of the uninstall log (ULog.txt beside the executable, or the file
// the user chose in Options), and the text of the memo it serves. New files are written as UTF-8
// without a byte-order mark, so that no program name is lost; text appended to a file that begins
// with a byte-order mark keeps that file's encoding (an editor may have saved the log as UTF-16).
// Reading honours the byte-order mark; without one, lines that are not valid UTF-8 (a log written
// by an older program) are read in the ANSI code page.
#pragma once

#include "uninstall/TextLines.h"

#include <windows.h>

#include <string>
#include <vector>

class TLogging {
public:
  // The header "Clear Log" writes.
  static const wchar_t kHeader[];
  // The log file every window writes and reads: the one chosen with SetLogFile, else ULog.txt in
  // the folder of the running executable.
  static std::wstring LogPath();
  // The user's choice of log file; empty for the one beside the executable.
  static void SetLogFile(std::wstring path);

  // A NUL in a file is shown as this visible placeholder (SYMBOL FOR NULL), so that nothing
  // after it is lost from view.
  static constexpr wchar_t kNulPlaceholder = L'\u2400';

  // memo: the text of the text box this writer serves, or none.
  explicit TLogging(TTextLines* memo = nullptr) noexcept : memo_(memo) {}

  // Writes text to the file, creating it first when missing; appended (in the encoding the file's
  // byte-order mark names), or replacing the file's content. Failures are silent: whoever logs
  // goes on as if the write had succeeded.
  void WriteToFile(const std::wstring& text, const std::wstring& fileName, bool append);
  // Deletes the file, then puts the header's two lines in the memo. Throws win::TError when the
  // file exists but cannot be deleted; the memo is then left as it is.
  void ClearLog(const std::wstring& fileName);
  // Replaces the memo's text by the file's, when the file exists. Throws win::TError when it
  // exists but cannot be read.
  void ShowLog(const std::wstring& fileName);
  // Opens the file with the user's editor for text files; does not wait.
  void EditLog(const std::wstring& fileName);

  // Reads a text file whole: every byte shown as text, lines separated by CR LF, no line break
  // after the last line. False when the file does not exist; throws win::TError when it exists
  // but cannot be read.
  static bool ReadText(const std::wstring& fileName, std::wstring& text);

private:
  TTextLines* memo_;
};

// The parts of an uninstall log record, each written by an append of its own, or a whole record.
namespace ulog {
// "\r\n" + date + " " + time + "\r\n"
void AppendTimestamp(const std::wstring& fileName);
// text + "\r\n", the text made one line: a line break or other control character in a name
// becomes a space, so that no name can add lines of its own to a record.
void AppendLine(const std::wstring& fileName, const std::wstring& text);
// A whole record in one append: the timestamp, then each line as AppendLine writes it. The log is
// flushed to the disk after each append; a record known at once pays that once.
void AppendRecord(const std::wstring& fileName, const std::vector<std::wstring>& lines);

inline const wchar_t kUninstalling[] = L"Uninstalling ";
inline const wchar_t kDeletingEntry[] = L"Deleting entry ";
inline const wchar_t kUninstallOk[] = L"Uninstall OK. Uninstaller removed program from list.";
inline const wchar_t kUninstallFailed[] =
    L"Uninstaller did not complete the uninstall process or did not remove program from list.";
inline const wchar_t kDeletedOk[] = L"Deleted OK.";
inline const wchar_t kDeleteFailed[] = L"Failed to delete entry.";
}  // namespace ulog
