// TProgramList: the rows of the program list as plain data, kept in caption order. The main
// window's list view shows this model; the inventory fills it without knowing about the control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TUninstListItem;

// Where a row's icon may come from, tried in order when the icon is first needed.
struct TIconSources {
  std::wstring IconSource;  // "DisplayIcon" as stored
  std::wstring ImagePath;   // executable named by the usage record
  std::wstring Command;     // uninstall command as it is run
};

constexpr int kNoStateImage = -1;
constexpr int kWarningStateImage = 0;

// The texts a row shows; the list view decides which column shows which.
enum class TRowField { Name, Size, LastUsed, Frequency, UninstallCommand, Publisher, InstallFolder };

// How the rows are ordered: by one field, ascending or not. Sizes, dates and frequencies order by
// what they stand for, texts as the platform compares them; rows that tie keep the name order.
struct TSortOrder {
  TRowField Field = TRowField::Name;
  bool Descending = false;
  bool operator==(const TSortOrder&) const = default;
};

class TProgramList;

// What else the entry says about its program, read with the row: for the filter, the optional
// columns, the details and the bulk uninstall.
struct TEntryFacts {
  std::wstring Publisher;
  std::wstring Version;          // DisplayVersion
  std::wstring InstallLocation;  // as stored
  std::wstring InstallDate;      // as stored (yyyymmdd when well formed)
  std::wstring QuietUninstallCommand;
  std::wstring ModifyPath;
  bool WindowsInstaller = false;  // WindowsInstaller = 1
  bool SystemComponent = false;   // SystemComponent = 1
  // An update of another program: it names a ParentKeyName, or its ReleaseType says so.
  bool Update = false;
};

struct TProgramRow {
  std::wstring Caption;  // the display name
  std::wstring Size;
  std::wstring LastUsed;
  std::wstring Frequency;
  std::wstring UninstallCommand;  // as stored, not expanded
  // What the Size, Last Used On and Frequency columns are ordered by: bytes (0 when no size is
  // shown), a key growing with the time of last use (0 none, 1 unknown), the use count (-1 none).
  int64_t SizeBytes = 0;
  uint64_t LastUsedKey = 0;
  int32_t UseCount = -1;
  std::unique_ptr<TUninstListItem> Entry;  // the entry dies with its row
  TEntryFacts Facts;
  bool Checked = false;  // its check box in the list, when the list shows check boxes
  // Derived from the entry's values in the background after the list is shown; empty until then
  // and when none can be told.
  std::wstring InstallFolder;
  // The size is the install folder's, summed on this machine, not one the entry gives.
  bool SizeMeasured = false;
  // Another row has the same name (read from another place): the list marks where each is from.
  bool SharesName = false;

  const std::wstring& Text(TRowField field) const noexcept;

  // kWarningStateImage when the entry's uninstaller is missing, else kNoStateImage. Judged when
  // first asked, like the icon: a scan probes no files for rows nobody looks at.
  int StateIndex() const;
  // The uninstall command changed: the marker is judged again when next asked.
  void JudgeStateLater() noexcept { stateJudged_ = false; }

  // The icon's index in the system image lists, or -1 until it has been resolved from the
  // sources (by whoever shows the row first).
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int index) noexcept {
    imageIndex_ = index;
    iconResolved_ = true;
  }
  const TIconSources& IconSources() const noexcept { return iconSources_; }
  void SetIconSources(TIconSources sources) {
    iconSources_ = std::move(sources);
    iconResolved_ = false;
  }
  bool IconResolved() const noexcept { return iconResolved_; }

  TProgramList* Owner = nullptr;

private:
  TIconSources iconSources_;
  int imageIndex_ = -1;
  bool iconResolved_ = true;
  mutable int stateIndex_ = kNoStateImage;
  mutable bool stateJudged_ = true;
};

class TProgramList {
public:
  TProgramList();
  ~TProgramList();
  TProgramList(const TProgramList&) = delete;
  TProgramList& operator=(const TProgramList&) = delete;

  size_t Count() const noexcept { return rows_.size(); }
  TProgramRow& Row(size_t index) { return *rows_[index]; }
  const TProgramRow& Row(size_t index) const { return *rows_[index]; }
  // Position of a row, or -1 when it is not in the list.
  int IndexOf(const TProgramRow* row) const noexcept;

  // Appends a row with its program entry bound to it.
  TProgramRow& Add();
  void Clear();

  // While updates are suspended the order is left alone; EndUpdate sorts once and notifies.
  void BeginUpdate() noexcept { ++updateDepth_; }
  void EndUpdate();
  bool Updating() const noexcept { return updateDepth_ > 0; }

  // Called by a row whose caption changed; re-sorts unless updates are suspended.
  void CaptionChanged();

  // The name order until another is chosen; a new order applies at once and to every later fill.
  const TSortOrder& SortOrder() const noexcept { return order_; }
  void SetSortOrder(const TSortOrder& order);

  // Told after every change of rows or order (a list view re-reads its item count).
  void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

private:
  void Sort();
  void Changed();

  std::vector<std::unique_ptr<TProgramRow>> rows_;
  TSortOrder order_;
  int updateDepth_ = 0;
  std::function<void()> onChanged_;
};
