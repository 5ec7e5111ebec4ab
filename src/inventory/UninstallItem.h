// TUninstListItem: one installed program, bound to one row of the program list and to the
// Uninstall registry entry it was read from.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

struct TProgramRow;

// The text inside a leading pair of double quotes, a doubled quote standing for one; empty when
// the text does not begin with a quote or the section holds nothing.
std::wstring LeadingQuotedSection(std::wstring_view text);
// The leading quoted section when it is non-empty, else the text unchanged.
std::wstring Unquote(std::wstring_view text);

class TUninstListItem {
public:
  explicit TUninstListItem(TProgramRow& row) noexcept;
  TUninstListItem(const TUninstListItem&) = delete;
  TUninstListItem& operator=(const TUninstListItem&) = delete;

  TProgramRow& ListItem() const noexcept { return *row_; }

  void SetName(const std::wstring& name);
  const std::wstring& GetName() const noexcept;
  void SetSize(const std::wstring& text);
  void SetLastUsed(const std::wstring& text);
  void SetFrequency(const std::wstring& text);
  // Stores the command as read; an expand string is judged and run with its variables expanded.
  // Sets the warning marker and the row's command text.
  void SetUninstallCommand(const std::wstring& command, bool isExpandString = false);
  void SetIconIndex(int index);
  void SetRegistryKey(const std::wstring& keyPath, HKEY root = HKEY_LOCAL_MACHINE,
                      REGSAM view = 0);

  const std::wstring& UninstallCommand() const noexcept { return uninstallCommand_; }
  bool CommandIsExpandString() const noexcept { return commandIsExpandString_; }
  // The command line that is tested and started: the stored command, expanded if it is an
  // expand string.
  std::wstring ExecutableCommand() const;
  const std::wstring& RegistryKey() const noexcept { return registryKey_; }
  HKEY RootKey() const noexcept { return rootKey_; }
  REGSAM View() const noexcept { return view_; }

  // Whether the program an uninstall command starts is present on disk.
  static bool UninstallerExists(const std::wstring& command);

  // Runs the uninstall command with a normal window and waits for it; the exit code, or -1 when
  // it could not be started.
  int RunUninstaller() const;
  // Deletes the entry's registry key with all its subkeys; whether that succeeded.
  bool DeleteEntry() const;

private:
  TProgramRow* row_;
  std::wstring uninstallCommand_;
  bool commandIsExpandString_ = false;
  std::wstring registryKey_;
  HKEY rootKey_ = HKEY_LOCAL_MACHINE;
  REGSAM view_ = 0;
};
