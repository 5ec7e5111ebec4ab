// TWinSettings: the main window's place, size and state, the program list's column widths, view
// style and Show choice, and the choices of the Options window, kept per user under
// HKEY_CURRENT_USER\Software\Tarvenholt\<subkey>.
#pragma once

#include "inventory/ProgramFilter.h"
#include "inventory/Registry.h"

#include <windows.h>

#include <string>

// What the settings need of the main window.
class TSettingsWindow {
public:
  virtual ~TSettingsWindow() = default;
  // The normal (restored) rectangle, in the coordinates of GetWindowPlacement.
  virtual RECT NormalBounds() const = 0;
  virtual void SetNormalBounds(const RECT& bounds) = 0;
  // 0 normal, 1 minimised, 2 maximised.
  virtual int WindowState() const = 0;
  virtual void SetWindowState(int state) = 0;
  virtual bool ApplicationMinimised() const = 0;
};

// What the settings need of the program list.
class TSettingsList {
public:
  virtual ~TSettingsList() = default;
  virtual int ColumnCount() const = 0;
  virtual int ColumnWidth(int column) const = 0;
  virtual void SetColumnWidth(int column, int width) = 0;
  // 0 large icons, 1 small icons, 2 list, 3 details.
  virtual int ViewStyle() const = 0;
  virtual void SetViewStyle(int style) = 0;
  // The column the rows are ordered by, as the field it shows (0 name, 1 size, 2 last used,
  // 3 frequency, 4 uninstall command), and whether the order is descending.
  virtual int SortColumn() const { return 0; }
  virtual bool SortDescending() const { return false; }
  virtual void SetSort(int /*column*/, bool /*descending*/) {}
  // Whether the rows show check boxes.
  virtual bool CheckBoxes() const { return false; }
  virtual void SetCheckBoxes(bool /*show*/) {}
  // The columns hidden until the user shows them (0 Publisher, 1 Install Folder): whether each is
  // shown and its width.
  virtual bool OptionalColumnShown(int /*which*/) const { return false; }
  virtual int OptionalColumnWidth(int /*which*/) const { return 0; }
  virtual void SetOptionalColumn(int /*which*/, bool /*shown*/, int /*width*/) {}
};

class TWinSettings {
public:
  // The narrowest a stored column width makes a column, in pixels like the widths themselves:
  // enough to see the column and take hold of its edge.
  static constexpr int kMinColumnWidth = 20;

  // The key is base + subKey under root; only tests choose another base.
  explicit TWinSettings(std::wstring subKey, HKEY root = HKEY_CURRENT_USER,
                        std::wstring base = L"Software\\Tarvenholt\\");

  void SetForm(TSettingsWindow* window) noexcept { window_ = window; }
  void SetListView(TSettingsList* list) noexcept { list_ = list; }

  // Applies the stored values one by one. A value that is no decimal number, or not text, is
  // skipped; once every other value is applied, the first such value's error is raised. Column
  // widths below kMinColumnWidth are raised to it.
  void LoadSettings();
  void SaveSettings();

  // Whether deleted folders and files go to the Recycle Bin ("UseRecycleBin", on unless the
  // user turned it off). LoadSettings reads it, SaveSettings stores it.
  bool UseRecycleBin() const noexcept { return useRecycleBin_; }
  void SetUseRecycleBin(bool use) noexcept { useRecycleBin_ = use; }

  // The kinds of programs the list hides ("ShowPrograms", "HideSystemEntries"): none by default.
  const TListNarrowing& Narrowing() const noexcept { return narrowing_; }
  void SetNarrowing(const TListNarrowing& narrowing) noexcept { narrowing_ = narrowing; }
  // Whether the leftovers of a program are looked for after each uninstall
  // ("SearchLeftoversAfterUninstall", on by default).
  bool SearchLeftoversAfterUninstall() const noexcept { return searchLeftovers_; }
  void SetSearchLeftoversAfterUninstall(bool search) noexcept { searchLeftovers_ = search; }
  // Whether the bulk uninstall runs an entry's quiet uninstall command where it has one
  // ("QuietUninstallWherePossible", on by default).
  bool QuietUninstallWherePossible() const noexcept { return quietUninstall_; }
  void SetQuietUninstallWherePossible(bool quiet) noexcept { quietUninstall_ = quiet; }
  // The uninstall log file chosen by the user ("LogFile"); empty for ULog.txt beside the program.
  const std::wstring& LogFile() const noexcept { return logFile_; }
  void SetLogFile(std::wstring path) { logFile_ = std::move(path); }

  // The settings key, from the root.
  std::wstring KeyPath() const { return base_ + subKey_; }

private:
  int ReadInt(const std::wstring& name, int defaultValue);
  void WriteInt(const std::wstring& name, int value);

  TRegistry reg_;
  std::wstring subKey_;
  std::wstring base_;
  TSettingsWindow* window_ = nullptr;
  TSettingsList* list_ = nullptr;
  bool useRecycleBin_ = true;
  TListNarrowing narrowing_;
  bool searchLeftovers_ = true;
  bool quietUninstall_ = true;
  std::wstring logFile_;
};

// Parses a decimal integer with an optional sign; raises "'%s' is not a valid integer value".
int ParseSettingInteger(const std::wstring& text);
