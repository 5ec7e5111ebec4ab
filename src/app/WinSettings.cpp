#include "app/WinSettings.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace {

struct TColumnValue {
  const wchar_t* Name;
  int Default;
};
const TColumnValue kColumns[] = {{L"NameLength", 150},
                                 {L"SizeLength", 70},
                                 {L"LastUsedLength", 90},
                                 {L"FreqLength", 70},
                                 {L"UnCommLength", 270}};

// The optional columns: whether shown, and width.
struct TOptionalColumnValue {
  const wchar_t* Shown;
  const wchar_t* Width;
  int DefaultWidth;
};
const TOptionalColumnValue kOptionalColumns[] = {{L"ShowPublisher", L"PublisherLength", 140},
                                                 {L"ShowInstallFolder", L"FolderLength", 220}};
// The highest field a stored order may name (the install folder).
constexpr int kLastSortColumn = 6;

// Closes the settings key on every way out of a load or save.
struct TKeyCloser {
  TRegistry& Reg;
  ~TKeyCloser() { Reg.CloseKey(); }
};

}  // namespace

int ParseSettingInteger(const std::wstring& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long long value = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    digits = true;
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (!digits || i != text.size() || value > INT_MAX || value < INT_MIN)
    throw ERegistryException(L"'" + text + L"' is not a valid integer value");
  return static_cast<int>(value);
}

TWinSettings::TWinSettings(std::wstring subKey, HKEY root, std::wstring base)
    : subKey_(std::move(subKey)), base_(std::move(base)) {
  reg_.SetRootKey(root);
}

int TWinSettings::ReadInt(const std::wstring& name, int defaultValue) {
  if (!reg_.ValueExists(name)) return defaultValue;
  return ParseSettingInteger(reg_.ReadString(name));
}

void TWinSettings::WriteInt(const std::wstring& name, int value) {
  reg_.WriteString(name, std::to_wstring(value));
}

void TWinSettings::LoadSettings() {
  // Reading needs no more than read access.
  if (!reg_.OpenKeyReadOnly(L"\\" + KeyPath())) return;
  std::optional<ERegistryException> firstError;
  {
    TKeyCloser closer{reg_};
    // A bad value is skipped and keeps what it stands for as it is; every other value still
    // applies, so that saving at exit does not put the designed values over the user's.
    auto read = [this, &firstError](const wchar_t* name, int defaultValue) {
      try {
        return ReadInt(name, defaultValue);
      } catch (const ERegistryException& e) {
        if (!firstError) firstError = e;
        return defaultValue;
      }
    };
    if (window_) {
      RECT b = window_->NormalBounds();
      int width = read(L"Width", b.right - b.left);
      b.right = b.left + width;
      window_->SetNormalBounds(b);
      int height = read(L"Height", b.bottom - b.top);
      b.bottom = b.top + height;
      window_->SetNormalBounds(b);
      int left = read(L"Left", b.left);
      OffsetRect(&b, left - b.left, 0);
      window_->SetNormalBounds(b);
      int top = read(L"Top", b.top);
      OffsetRect(&b, 0, top - b.top);
      window_->SetNormalBounds(b);
      int state = read(L"WindowState", 0);
      // A state outside the three known ones is taken as normal.
      window_->SetWindowState(state == 1 || state == 2 ? state : 0);
    }
    if (list_) {
      for (int column = 0; column < 5; ++column) {
        int width = read(kColumns[column].Name, kColumns[column].Default);
        if (column < list_->ColumnCount())
          list_->SetColumnWidth(column, std::max(width, kMinColumnWidth));
      }
      int style = read(L"MainViewStyle", 0);
      if (style >= 0 && style <= 3) list_->SetViewStyle(style);
      int sortColumn = read(L"SortColumn", 0);
      int sortOrder = read(L"SortOrder", 0);
      for (int i = 0; i < static_cast<int>(std::size(kOptionalColumns)); ++i) {
        const TOptionalColumnValue& c = kOptionalColumns[i];
        int width = read(c.Width, c.DefaultWidth);
        list_->SetOptionalColumn(i, read(c.Shown, 0) == 1, std::max(width, kMinColumnWidth));
      }
      if (sortColumn >= 0 && sortColumn <= kLastSortColumn && (sortOrder == 0 || sortOrder == 1))
        list_->SetSort(sortColumn, sortOrder == 1);
      list_->SetCheckBoxes(read(L"CheckBoxes", 0) == 1);
    }
    // Only an explicit 0 turns the bin off: an unreadable value keeps the safer way.
    useRecycleBin_ = read(L"UseRecycleBin", 1) != 0;
    // A kind this program does not know shows every program.
    int show = read(L"ShowPrograms", 0);
    narrowing_.Show = show >= 0 && show < kShowKindCount ? static_cast<TShowKind>(show)
                                                         : TShowKind::All;
    narrowing_.HideSystemEntries = read(L"HideSystemEntries", 0) == 1;
    searchLeftovers_ = read(L"SearchLeftoversAfterUninstall", 1) != 0;
    quietUninstall_ = read(L"QuietUninstallWherePossible", 1) != 0;
    try {
      logFile_ = reg_.ValueExists(L"LogFile") ? reg_.ReadString(L"LogFile") : std::wstring();
    } catch (const ERegistryException& e) {
      if (!firstError) firstError = e;
      logFile_.clear();
    }
  }
  // Told once, after everything valid is in place.
  if (firstError) throw *firstError;
}

void TWinSettings::SaveSettings() {
  if (!window_ || !list_) return;
  RECT b = window_->NormalBounds();
  // Without the key the first write fails with the registry layer's error.
  reg_.OpenKey(L"\\" + KeyPath(), true);
  TKeyCloser closer{reg_};
  WriteInt(L"Width", b.right - b.left);
  WriteInt(L"Height", b.bottom - b.top);
  WriteInt(L"Left", b.left);
  WriteInt(L"Top", b.top);
  WriteInt(L"WindowState", window_->ApplicationMinimised() ? 1 : window_->WindowState());
  WriteInt(L"NameLength", list_->ColumnWidth(0));
  if (list_->ColumnCount() == 2) {
    WriteInt(L"UnCommLength", list_->ColumnWidth(1));
  } else {
    WriteInt(L"SizeLength", list_->ColumnWidth(1));
    WriteInt(L"LastUsedLength", list_->ColumnWidth(2));
    WriteInt(L"FreqLength", list_->ColumnWidth(3));
    WriteInt(L"UnCommLength", list_->ColumnWidth(4));
  }
  for (int i = 0; i < static_cast<int>(std::size(kOptionalColumns)); ++i) {
    WriteInt(kOptionalColumns[i].Shown, list_->OptionalColumnShown(i) ? 1 : 0);
    WriteInt(kOptionalColumns[i].Width, list_->OptionalColumnWidth(i));
  }
  WriteInt(L"MainViewStyle", list_->ViewStyle());
  WriteInt(L"SortColumn", list_->SortColumn());
  WriteInt(L"SortOrder", list_->SortDescending() ? 1 : 0);
  WriteInt(L"CheckBoxes", list_->CheckBoxes() ? 1 : 0);
  WriteInt(L"UseRecycleBin", useRecycleBin_ ? 1 : 0);
  WriteInt(L"ShowPrograms", static_cast<int>(narrowing_.Show));
  WriteInt(L"HideSystemEntries", narrowing_.HideSystemEntries ? 1 : 0);
  WriteInt(L"SearchLeftoversAfterUninstall", searchLeftovers_ ? 1 : 0);
  WriteInt(L"QuietUninstallWherePossible", quietUninstall_ ? 1 : 0);
  reg_.WriteString(L"LogFile", logFile_);
}
