#include "uninstall/UninstallLogic.h"

#include "inventory/ProgramFinder.h"
#include "inventory/Registry.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "uninstall/Logging.h"

bool ProgramRemoved(const std::wstring& keyPath, HKEY root, REGSAM view) {
  TRegistry reg(view);
  reg.SetRootKey(root);
  return !reg.KeyExists(L"\\" + keyPath);
}

bool EntryStillRegistered(const std::wstring& valueName, const std::wstring& keyPath, HKEY root,
                          REGSAM view) {
  TRegistry reg(view);
  reg.SetRootKey(root);
  return reg.OpenKeyReadOnly(L"\\" + keyPath) && reg.ValueExists(valueName);
}

bool JudgeUninstall(const TUninstListItem& entry, const std::wstring& logPath) {
  ulog::AppendTimestamp(logPath);
  ulog::AppendLine(logPath, ulog::kUninstalling + entry.GetName());
  bool removed = ProgramRemoved(entry.RegistryKey(), entry.RootKey(), entry.View());
  ulog::AppendLine(logPath, removed ? ulog::kUninstallOk : ulog::kUninstallFailed);
  return removed;
}

bool DeleteEntryLogged(const TUninstListItem& entry, const std::wstring& logPath) {
  ulog::AppendTimestamp(logPath);
  ulog::AppendLine(logPath, ulog::kDeletingEntry + entry.GetName());
  bool deleted = entry.DeleteEntry();
  ulog::AppendLine(logPath, deleted ? ulog::kDeletedOk : ulog::kDeleteFailed);
  return deleted;
}

void QuietUninstall(const TProgramList& programs, const std::vector<std::wstring>& names,
                    const std::wstring& logPath) {
  for (const auto& name : names) {
    int index = FindProgram(programs, name);
    if (index < 0) continue;
    const TUninstListItem& entry = *programs.Row(static_cast<size_t>(index)).Entry;
    // Whole, as the wizard runs it: a quoted program without its arguments may be the installer
    // rather than the uninstaller.
    entry.RunUninstaller();
    ulog::AppendTimestamp(logPath);
    ulog::AppendLine(logPath, ulog::kUninstalling + name);
    bool still = EntryStillRegistered(L"DisplayName", entry.RegistryKey(), entry.RootKey(),
                                      entry.View());
    ulog::AppendLine(logPath, still ? ulog::kUninstallFailed : ulog::kUninstallOk);
  }
}
