// What the console program says about installed programs: the entries picked by the command
// line's filters and targets, each as one record with a stable id, and that record written as a
// table, CSV or JSON. Windowless; the writers return text, the caller puts it on the console.
#pragma once

#include "cli/CliOptions.h"
#include "inventory/ProgramList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TUninstListItem;

// Where the entry is recorded: "HKLM\x64\<key name>", "HKLM\x86\<key name>" or "HKCU\<key name>".
std::wstring EntryId(const TUninstListItem& entry);

// The size the list shows for the row, in kilobytes; none when it shows none.
std::optional<int64_t> SizeKB(const TProgramRow& row);

// One entry as the console program writes it.
struct TListRecord {
  std::wstring Id;
  std::wstring Name;
  std::wstring Version;
  std::wstring Publisher;
  std::optional<std::wstring> InstallDate;  // yyyy-mm-dd, when the entry's date is a real one
  std::optional<int64_t> SizeKB;
  std::wstring InstallLocation;
  std::wstring UninstallCommand;
  std::optional<std::wstring> QuietUninstallCommand;
  bool UninstallerMissing = false;
};
TListRecord ListRecordOf(const TProgramRow& row);
// Gives the records that have no size the size of their install folder, as the main window
// measures it and from the same cache: every row of the list is weighed, so a folder two entries
// share is never summed. Records and rows go in pairs.
void AddMeasuredSizes(const TProgramList& list, const std::vector<const TProgramRow*>& rows,
                      std::vector<TListRecord>& records);

// "20240131" as "2024-01-31"; none for anything that is no such date.
std::optional<std::wstring> IsoDate(const std::wstring& yyyymmdd);

// The rows the list verb shows: those matching every filter given (name, id, publisher, scope).
std::vector<const TProgramRow*> SelectRows(const TProgramList& list, const TCliOptions& options);

// The one row a target names. Throws TCliLookupError when none or more than one matches.
const TProgramRow& ResolveTarget(const TProgramList& list, const TCliTarget& target);
class TCliLookupError : public std::runtime_error {
public:
  TCliLookupError(TCliExit code, std::wstring message)
      : std::runtime_error("lookup"), code_(code), message_(std::move(message)) {}
  TCliExit Code() const noexcept { return code_; }
  const std::wstring& Message() const noexcept { return message_; }

private:
  TCliExit code_;
  std::wstring message_;
};

// One table of rows of texts in columns, each field already a text. The table fits `width`
// columns: the first column gives up room (its texts cut with "…"), the last is never cut.
std::wstring FormatTable(const std::vector<std::wstring>& header,
                         const std::vector<std::vector<std::wstring>>& rows, size_t width = 80);
// A field of CSV (RFC 4180): quoted when it holds a comma, a quote, a line break or outer blanks.
std::wstring CsvField(const std::wstring& text);
// A JSON string literal, quotes included. Characters outside ASCII stay as they are; a lone
// surrogate is written as \uXXXX so that nothing is lost.
std::wstring JsonString(const std::wstring& text);

std::wstring ListAsTable(const std::vector<TListRecord>& records, size_t width = 80);
std::wstring ListAsCsv(const std::vector<TListRecord>& records);
std::wstring ListAsJson(const std::vector<TListRecord>& records);
