// TLogging: the text-file writer of the uninstall log (ULog.txt beside the executable), and the
// lines of the memo it serves. Files are written as UTF-8 without a byte-order mark, so that no
// program name is lost; lines that are not valid UTF-8 (a log written by an older program) are
// read in the ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TLogging {
public:
  // The header "Clear Log" writes.
  static const wchar_t kHeader[];
  // ULog.txt in the folder of the running executable.
  static std::wstring LogPath();

  // memo: the lines of the text box this writer serves, or none.
  explicit TLogging(std::vector<std::wstring>* memo = nullptr) noexcept : memo_(memo) {}

  // Writes text to the file, creating it first when missing; appended, or replacing the file's
  // content. Failures are silent: whoever logs goes on as if the write had succeeded.
  void WriteToFile(const std::wstring& text, const std::wstring& fileName, bool append);
  // Empties the memo, puts the header's two lines in it, and deletes the file.
  void ClearLog(const std::wstring& fileName);
  // Replaces the memo's lines by the file's, when the file exists.
  void ShowLog(const std::wstring& fileName);
  // Opens the file with the user's editor for text files; does not wait.
  void EditLog(const std::wstring& fileName);

  // Reads a text file's lines; false when it cannot be read.
  static bool ReadLines(const std::wstring& fileName, std::vector<std::wstring>& lines);

private:
  std::vector<std::wstring>* memo_;
};

// The parts of an uninstall log record, each written by an append of its own.
namespace ulog {
// "\r\n" + date + " " + time + "\r\n"
void AppendTimestamp(const std::wstring& fileName);
// text + "\r\n", the text made one line: a line break or other control character in a name
// becomes a space, so that no name can add lines of its own to a record.
void AppendLine(const std::wstring& fileName, const std::wstring& text);

inline const wchar_t kUninstalling[] = L"Uninstalling ";
inline const wchar_t kDeletingEntry[] = L"Deleting entry ";
inline const wchar_t kUninstallOk[] = L"Uninstall OK. Uninstaller removed program from list.";
inline const wchar_t kUninstallFailed[] =
    L"Uninstaller did not complete the uninstall process or did not remove program from list.";
inline const wchar_t kDeletedOk[] = L"Deleted OK.";
inline const wchar_t kDeleteFailed[] = L"Failed to delete entry.";
}  // namespace ulog
