#include "editing/DetailsRows.h"

#include "inventory/InstallerKind.h"
#include "inventory/ProgramList.h"
#include "inventory/Registry.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Text.h"

#include <cstring>
#include <cwctype>

namespace {

struct TValueRow {
  const wchar_t* Caption;
  const wchar_t* Name;
  TDetailLink Link;
};

const TValueRow kFirstBlock[] = {
    {L"Publisher:", L"Publisher", TDetailLink::None},
    {L"Version:", L"DisplayVersion", TDetailLink::None},
    {L"Contact:", L"Contact", TDetailLink::None},
    {L"Contact Phone:", L"HelpTelephone", TDetailLink::None},
    {L"About:", L"URLInfoAbout", TDetailLink::Open},
    {L"Support Information:", L"HelpLink", TDetailLink::Open},
    {L"Readme:", L"Readme", TDetailLink::Open},
    {L"Product Updates:", L"URLUpdateInfo", TDetailLink::Open},
    {L"Comments:", L"Comments", TDetailLink::None},
};

const TValueRow kSecondBlock[] = {
    {L"Uninstall Command:", L"UninstallString", TDetailLink::Run},
    {L"Modify Command:", L"ModifyPath", TDetailLink::Run},
    {L"Display Icon:", L"DisplayIcon", TDetailLink::None},
    {L"Language:", L"Language", TDetailLink::None},
    {L"Source:", L"InstallSource", TDetailLink::Open},
    {L"Location:", L"InstallLocation", TDetailLink::Open},
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidDate(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  int last = kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  return day <= last;
}

int Digits(const std::wstring& text, size_t at, size_t count) {
  int n = 0;
  for (size_t i = at; i < at + count; ++i) n = n * 10 + (text[i] - L'0');
  return n;
}

// A DWORD in decimal, as the registry's own tools show it: never negative.
std::wstring DwordText(const TRegValue& value) {
  DWORD n = 0;
  if (value.Data.size() >= sizeof n) memcpy(&n, value.Data.data(), sizeof n);
  return std::to_wstring(n);
}

class TRowBuilder {
public:
  void Add(const std::wstring& caption, const std::wstring& value,
           TDetailLink link = TDetailLink::None, bool expand = false) {
    rows_.push_back({caption, value, link, expand, top_});
    top_ += kDetailRowHeight;
  }
  void Gap() { top_ += kDetailRowHeight; }

  // A row for a text value that is not empty or an integer value that is not 0.
  void AddValue(const TRegistry& reg, const TValueRow& row) {
    auto value = reg.ReadValue(row.Name);
    if (!value) return;
    if (value->IsText()) {
      std::wstring text = value->Text();
      if (!text.empty()) Add(row.Caption, text, row.Link, value->RawType == REG_EXPAND_SZ);
    } else if (value->DataType() == TRegDataType::Integer) {
      std::wstring text = DwordText(*value);
      if (text != L"0") Add(row.Caption, text);
    }
  }

  std::vector<TDetailRow> Take() { return std::move(rows_); }

private:
  std::vector<TDetailRow> rows_;
  int top_ = kDetailRowHeight;
};

}  // namespace

std::wstring TDetailRow::Target() const {
  return IsExpandString ? win::ExpandEnvironment(Value) : Value;
}

std::wstring InstallDateText(const std::wstring& stored) {
  if (stored.size() != 8) return stored;
  for (wchar_t c : stored)
    if (c < L'0' || c > L'9') return stored;
  int year = Digits(stored, 0, 4), month = Digits(stored, 4, 2), day = Digits(stored, 6, 2);
  if (!IsValidDate(year, month, day)) return stored;
  std::wstring shown = win::ShortDate(year, month, day);
  return shown.empty() ? stored : shown;
}

std::vector<TDetailRow> ReadDetailRows(const TUninstListItem& entry) {
  TRegistry reg(entry.View());
  reg.SetRootKey(entry.RootKey());
  if (!reg.OpenKeyReadOnly(L"\\" + entry.RegistryKey())) return {};

  TRowBuilder rows;
  auto name = reg.ReadValue(L"DisplayName");
  rows.Add(L"Program Name:", name && name->IsText() ? name->Text() : std::wstring());

  if (TUtils::IsNTPlatform()) {
    const TProgramRow& listed = entry.ListItem();
    if (!listed.Size.empty())
      rows.Add(L"Size:", listed.SizeMeasured ? listed.Size + L" (measured)" : listed.Size);
    if (!listed.Frequency.empty()) rows.Add(L"Used:", listed.Frequency);
    if (!listed.LastUsed.empty()) rows.Add(L"Last Used:", win::ShownRecordedDate(listed.LastUsed));
  }

  auto date = reg.ReadValue(L"InstallDate");
  if (date && date->IsText() && !date->Text().empty())
    rows.Add(L"Install Date:", InstallDateText(date->Text()));
  rows.Gap();

  for (const TValueRow& row : kFirstBlock) rows.AddValue(reg, row);
  rows.Gap();
  for (const TValueRow& row : kSecondBlock) rows.AddValue(reg, row);

  // The folder found for the program, unless the Location row already names it.
  const TProgramRow& listed = entry.ListItem();
  std::wstring location =
      win::ExpandEnvironment(win::Trim(Unquote(win::Trim(listed.Facts.InstallLocation))));
  while (!location.empty() && location.back() == L'\\') location.pop_back();
  if (!listed.InstallFolder.empty() && !win::EqualsNoCase(location, listed.InstallFolder))
    rows.Add(L"Install Folder:", listed.InstallFolder, TDetailLink::Open);
  TInstallerFacts installer =
      ReadInstallerFacts(entry.RootKey(), entry.View(), entry.RegistryKey());
  if (installer.Kind != TInstallerKind::Other)
    rows.Add(L"Install Program:", InstallerKindText(installer.Kind));
  if (!installer.ProductCode.empty()) rows.Add(L"Product Code:", installer.ProductCode);
  return rows.Take();
}
