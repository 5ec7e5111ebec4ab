// TUninstListItem: one installed program, bound to one row of the program list and to the
// Uninstall registry entry it was read from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

struct TProgramRow;

// The text inside a leading pair of double quotes, a doubled quote standing for one; empty when
// the text does not begin with a quote or the section holds nothing.
std::wstring LeadingQuotedSection(std::wstring_view text);
// The leading quoted section when it is non-empty, else the text unchanged.
std::wstring Unquote(std::wstring_view text);

// While one exists, each file (and each name on the search path) is looked for once, and the
// answer is kept: the entries of a machine share many uninstallers, and each probe is a round
// trip under Wine. Made for the span of one pass over many rows, on that pass's thread.
class TFileProbeCache {
public:
  TFileProbeCache();
  ~TFileProbeCache();
  TFileProbeCache(const TFileProbeCache&) = delete;
  TFileProbeCache& operator=(const TFileProbeCache&) = delete;

private:
  std::unordered_map<std::wstring, bool> answers_;
  std::unordered_map<std::wstring, bool>* outer_;
};

// A key's full path as the registry editor shows it: the root's name, and for the 32-bit view of
// the machine's software the WOW6432Node folder where that view keeps it. Leading and trailing
// backslashes of the path are left out; an empty path names the root.
std::wstring RegistryLocationText(HKEY root, REGSAM view, const std::wstring& keyPath);

class TUninstListItem {
public:
  explicit TUninstListItem(TProgramRow& row) noexcept;
  TUninstListItem(const TUninstListItem&) = delete;
  TUninstListItem& operator=(const TUninstListItem&) = delete;

  TProgramRow& ListItem() const noexcept { return *row_; }

  void SetName(const std::wstring& name);
  const std::wstring& GetName() const noexcept;
  // Each text with what it stands for, which orders the rows by that column.
  void SetSize(const std::wstring& text, int64_t bytes = 0);
  void SetLastUsed(const std::wstring& text, uint64_t key = 0);
  void SetFrequency(const std::wstring& text, int32_t count = -1);
  // Stores the command as read; an expand string is judged and run with its variables expanded.
  // Sets the row's command text; the row's warning marker is judged from it when first asked.
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
  // The key as the user finds it in the registry editor, root name first.
  std::wstring RegistryLocation() const;

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
