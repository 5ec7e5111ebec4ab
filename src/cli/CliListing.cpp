#include "cli/CliListing.h"

#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "leftovers/FolderSizes.h"
#include "win/Text.h"

#include <map>

namespace {

std::wstring KeyName(const std::wstring& keyPath) {
  size_t slash = keyPath.find_last_of(L'\\');
  return slash == std::wstring::npos ? keyPath : keyPath.substr(slash + 1);
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  return win::ToLower(text).find(win::ToLower(part)) != std::wstring::npos;
}

bool NameMatches(const std::wstring& name, const TCliTarget& target) {
  return target.Exact ? name == target.Text : Contains(name, target.Text);
}

bool Matches(const TProgramRow& row, const TCliTarget& target) {
  return target.ById ? win::EqualsNoCase(EntryId(*row.Entry), target.Text)
                     : NameMatches(row.Caption, target);
}

// Columns a character takes on a console: East Asian wide and full-width letters take two.
size_t CharColumns(char32_t c) {
  bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
              (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
              (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
              (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
              (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

// The text's characters, a surrogate pair as one, with the columns each takes.
template <class F>
void ForEachChar(const std::wstring& text, F f) {
  for (size_t i = 0; i < text.size();) {
    char32_t c = text[i];
    size_t units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    if (!f(i, units, CharColumns(c))) return;
    i += units;
  }
}

size_t Columns(const std::wstring& text) {
  size_t columns = 0;
  ForEachChar(text, [&](size_t, size_t, size_t n) { return columns += n, true; });
  return columns;
}

// The text cut to fit the columns, "…" marking the cut.
std::wstring Fit(const std::wstring& text, size_t width) {
  if (Columns(text) <= width) return text;
  if (width == 0) return {};
  size_t used = 0, end = 0;
  ForEachChar(text, [&](size_t at, size_t units, size_t n) {
    if (used + n > width - 1) return false;
    used += n;
    end = at + units;
    return true;
  });
  return text.substr(0, end) + L"\u2026";
}

std::wstring Padded(const std::wstring& text, size_t width) {
  size_t columns = Columns(text);
  return columns >= width ? text : text + std::wstring(width - columns, L' ');
}

std::wstring JsonOrNull(const std::optional<std::wstring>& text) {
  return text ? JsonString(*text) : L"null";
}

}  // namespace

std::wstring EntryId(const TUninstListItem& entry) {
  std::wstring name = KeyName(entry.RegistryKey());
  if (entry.RootKey() == HKEY_CURRENT_USER) return L"HKCU\\" + name;
  return (entry.View() & KEY_WOW64_32KEY ? L"HKLM\\x86\\" : L"HKLM\\x64\\") + name;
}

std::optional<int64_t> SizeKB(const TProgramRow& row) {
  if (row.SizeBytes <= 0) return std::nullopt;
  return (row.SizeBytes + 1023) / 1024;
}

std::optional<std::wstring> IsoDate(const std::wstring& text) {
  if (text.size() != 8) return std::nullopt;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return std::nullopt;
  int year = std::stoi(text.substr(0, 4)), month = std::stoi(text.substr(4, 2)),
      day = std::stoi(text.substr(6, 2));
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1980 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1])
    return std::nullopt;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return std::nullopt;
  return text.substr(0, 4) + L"-" + text.substr(4, 2) + L"-" + text.substr(6, 2);
}

TListRecord ListRecordOf(const TProgramRow& row) {
  TListRecord record;
  record.Id = EntryId(*row.Entry);
  record.Name = row.Caption;
  record.Version = row.Facts.Version;
  record.Publisher = row.Facts.Publisher;
  record.InstallDate = IsoDate(row.Facts.InstallDate);
  record.SizeKB = SizeKB(row);
  record.InstallLocation = row.Facts.InstallLocation;
  record.UninstallCommand = row.Entry->UninstallCommand();
  if (!row.Facts.QuietUninstallCommand.empty())
    record.QuietUninstallCommand = row.Facts.QuietUninstallCommand;
  record.UninstallerMissing = row.StateIndex() == kWarningStateImage;
  return record;
}

void AddMeasuredSizes(const TProgramList& list, const std::vector<const TProgramRow*>& rows,
                      std::vector<TListRecord>& records) {
  if (!TUtils::IsNTPlatform()) return;
  std::map<std::wstring, size_t> wanted;  // record by its id
  for (size_t i = 0; i < rows.size() && i < records.size(); ++i)
    if (!records[i].SizeKB) wanted[records[i].Id] = i;
  if (wanted.empty()) return;
  std::vector<TFolderSizeRequest> requests;
  requests.reserve(list.Count());
  for (size_t i = 0; i < list.Count(); ++i) {
    const TProgramRow& row = list.Row(i);
    if (!row.Entry) continue;
    std::wstring id = EntryId(*row.Entry);
    bool needs = wanted.count(id) > 0;
    requests.push_back({std::move(id), row.Facts.InstallLocation, row.Entry->ExecutableCommand(),
                        row.IconSources().IconSource, needs});
  }
  TFolderSizeCache cache(TFolderSizeCache::DefaultFile());
  MeasureFolders(requests, cache, [&](const TFolderSizeAnswer& answer) {
    if (answer.Bytes < 0) return;
    if (auto found = wanted.find(answer.Key); found != wanted.end())
      records[found->second].SizeKB = (answer.Bytes + 1023) / 1024;
  });
  cache.Save();
}

std::vector<const TProgramRow*> SelectRows(const TProgramList& list, const TCliOptions& options) {
  std::vector<const TProgramRow*> rows;
  for (size_t i = 0; i < list.Count(); ++i) {
    const TProgramRow& row = list.Row(i);
    bool user = row.Entry->RootKey() == HKEY_CURRENT_USER;
    if ((options.Scope == TCliScope::User && !user) || (options.Scope == TCliScope::Machine && user))
      continue;
    if (!options.Publisher.empty() && !Contains(row.Facts.Publisher, options.Publisher)) continue;
    bool all = true;
    for (const auto& target : options.Targets) all = all && Matches(row, target);
    if (all) rows.push_back(&row);
  }
  return rows;
}

const TProgramRow& ResolveTarget(const TProgramList& list, const TCliTarget& target) {
  std::vector<const TProgramRow*> found;
  for (size_t i = 0; i < list.Count(); ++i)
    if (Matches(list.Row(i), target)) found.push_back(&list.Row(i));
  if (found.size() == 1) return *found.front();
  if (found.empty())
    throw TCliLookupError(kExitNoMatch, (target.ById ? L"No entry has the id \""
                                                     : L"No installed program matches \"") +
                                            win::SingleLine(target.Text) + L"\".");
  std::wstring ids;
  for (const TProgramRow* row : found) ids += (ids.empty() ? L"" : L", ") + EntryId(*row->Entry);
  throw TCliLookupError(kExitAmbiguous, L"\"" + win::SingleLine(target.Text) + L"\" matches " +
                                            std::to_wstring(found.size()) + L" entries (" + ids +
                                            L"); name one with --id.");
}

std::wstring FormatTable(const std::vector<std::wstring>& header,
                         const std::vector<std::vector<std::wstring>>& rows, size_t width) {
  const size_t n = header.size();
  std::vector<size_t> widths(n);
  for (size_t c = 0; c < n; ++c) {
    widths[c] = Columns(header[c]);
    for (const auto& row : rows) widths[c] = std::max(widths[c], Columns(win::SingleLine(row[c])));
  }
  size_t total = 2 * (n - 1);
  for (size_t w : widths) total += w;
  // The first columns give up room: down to ten letters (or their header's width), then to their
  // header's width, then to a single letter. The last column (the id) never does.
  for (int pass = 0; pass < 3; ++pass) {
    for (size_t c = 0; c + 1 < n && total > width; ++c) {
      size_t keep = pass == 0   ? std::max<size_t>(Columns(header[c]), 10)
                    : pass == 1 ? Columns(header[c])
                                : 1;
      size_t give = widths[c] > keep ? std::min(widths[c] - keep, total - width) : 0;
      widths[c] -= give;
      total -= give;
    }
  }
  const auto line = [&](const std::vector<std::wstring>& fields) {
    std::wstring text;
    for (size_t c = 0; c < n; ++c) {
      std::wstring field = Fit(win::SingleLine(fields[c]), widths[c]);
      text += c + 1 < n ? Padded(field, widths[c]) + L"  " : field;
    }
    while (!text.empty() && text.back() == L' ') text.pop_back();
    return text + L"\r\n";
  };
  std::wstring out = line(header);
  std::vector<std::wstring> rule;
  for (size_t w : widths) rule.push_back(std::wstring(w, L'-'));
  out += line(rule);
  for (const auto& row : rows) out += line(row);
  return out;
}

std::wstring CsvField(const std::wstring& text) {
  bool quote = text.find_first_of(L",\"\r\n") != std::wstring::npos ||
               (!text.empty() && (text.front() == L' ' || text.back() == L' '));
  if (!quote) return text;
  std::wstring out = L"\"";
  for (wchar_t c : text) out += c == L'"' ? L"\"\"" : std::wstring(1, c);
  return out + L"\"";
}

std::wstring JsonString(const std::wstring& text) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  const auto escaped = [](unsigned c) {
    std::wstring out = L"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    return out;
  };
  std::wstring out = L"\"";
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    switch (c) {
      case L'"': out += L"\\\""; continue;
      case L'\\': out += L"\\\\"; continue;
      case L'\n': out += L"\\n"; continue;
      case L'\r': out += L"\\r"; continue;
      case L'\t': out += L"\\t"; continue;
      default: break;
    }
    bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += c;
      out += text[++i];
    } else if (c < 0x20 || high || low) {
      out += escaped(c);
    } else {
      out += c;
    }
  }
  return out + L"\"";
}

std::wstring ListAsTable(const std::vector<TListRecord>& records, size_t width) {
  std::vector<std::vector<std::wstring>> rows;
  for (const auto& r : records) rows.push_back({r.Name, r.Version, r.Id});
  return FormatTable({L"Name", L"Version", L"Id"}, rows, width);
}

std::wstring ListAsCsv(const std::vector<TListRecord>& records) {
  std::wstring out =
      L"id,name,version,publisher,installDate,sizeKB,installLocation,uninstallCommand,"
      L"quietUninstallCommand,uninstallerMissing\r\n";
  for (const auto& r : records) {
    for (const std::wstring* field : {&r.Id, &r.Name, &r.Version, &r.Publisher})
      out += CsvField(*field) + L",";
    out += r.InstallDate.value_or(L"") + L",";
    out += (r.SizeKB ? std::to_wstring(*r.SizeKB) : L"") + L",";
    out += CsvField(r.InstallLocation) + L"," + CsvField(r.UninstallCommand) + L",";
    out += CsvField(r.QuietUninstallCommand.value_or(L"")) + L",";
    out += (r.UninstallerMissing ? L"true" : L"false") + std::wstring(L"\r\n");
  }
  return out;
}

std::wstring ListAsJson(const std::vector<TListRecord>& records) {
  std::wstring out = L"[";
  for (size_t i = 0; i < records.size(); ++i) {
    const TListRecord& r = records[i];
    out += i ? L",\r\n  {" : L"\r\n  {";
    out += L"\"id\": " + JsonString(r.Id);
    out += L", \"name\": " + JsonString(r.Name);
    out += L", \"version\": " + JsonString(r.Version);
    out += L", \"publisher\": " + JsonString(r.Publisher);
    out += L", \"installDate\": " + JsonOrNull(r.InstallDate);
    out += L", \"sizeKB\": " + (r.SizeKB ? std::to_wstring(*r.SizeKB) : std::wstring(L"null"));
    out += L", \"installLocation\": " + JsonString(r.InstallLocation);
    out += L", \"uninstallCommand\": " + JsonString(r.UninstallCommand);
    out += L", \"quietUninstallCommand\": " + JsonOrNull(r.QuietUninstallCommand);
    out += L", \"uninstallerMissing\": " + std::wstring(r.UninstallerMissing ? L"true" : L"false");
    out += L"}";
  }
  return out + (records.empty() ? L"]\r\n" : L"\r\n]\r\n");
}
