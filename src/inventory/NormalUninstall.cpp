#include "inventory/NormalUninstall.h"

#include "inventory/Registry.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const wchar_t kUnknownName[] = L"Unknown";

}  // namespace

TUninstallSource TUninstallSource::Machine() {
  return {HKEY_LOCAL_MACHINE, 0, kUninstallKey, kArpCacheKey};
}

TNormalUninstall::TNormalUninstall(std::vector<TUninstallSource> sources)
    : sources_(std::move(sources)) {}

void TNormalUninstall::SetListView(TProgramList* list) { list_ = list; }

void TNormalUninstall::Scan() {
  if (!list_) return;
  list_->Clear();
  list_->BeginUpdate();
  try {
    for (const auto& source : sources_) {
      TRegistry uninstallKey(source.View);
      uninstallKey.SetRootKey(source.Root);
      if (!uninstallKey.OpenKeyReadOnly(L"\\" + source.UninstallKey)) continue;
      for (const auto& name : uninstallKey.GetKeyNames()) AddFrom(source, &uninstallKey, name);
    }
  } catch (...) {
    list_->EndUpdate();
    throw;
  }
  list_->EndUpdate();
}

void TNormalUninstall::AddProgram(const std::wstring& name) {
  if (!sources_.empty()) AddProgram(sources_.front(), name);
}

void TNormalUninstall::AddProgram(const TUninstallSource& source, const std::wstring& name) {
  AddFrom(source, nullptr, name);
}

void TNormalUninstall::AddFrom(const TUninstallSource& source, const TRegistry* uninstallKey,
                               const std::wstring& name) {
  if (!list_) return;
  std::wstring keyPath = source.UninstallKey + L"\\" + name;
  TRegistry reg(source.View);
  reg.SetRootKey(source.Root);
  bool opened = uninstallKey ? reg.OpenSubKeyReadOnly(*uninstallKey, name)
                             : reg.OpenKeyReadOnly(L"\\" + keyPath);
  if (!opened) return;

  // Value names are matched without regard to case, as the registry itself matches them.
  auto displayValue = reg.ReadValue(L"DisplayName");
  if (!displayValue) return;
  auto commandValue = reg.ReadValue(L"UninstallString");
  if (!commandValue) return;
  auto iconValue = reg.ReadValue(L"DisplayIcon");
  reg.CloseKey();

  std::wstring displayName = displayValue->IsText() ? displayValue->Text() : kUnknownName;
  std::wstring command = commandValue->IsText() ? commandValue->Text() : std::wstring();
  bool expand = commandValue->RawType == REG_EXPAND_SZ;
  std::wstring iconSource = iconValue && iconValue->IsText() ? iconValue->Text() : std::wstring();
  if (displayName.empty() || command.empty()) return;

  bool nt = TUtils::IsNTPlatform();
  TInfoCache usage(source.Root, source.View, source.CacheKey);
  if (nt) usage.ReadInfo(name);

  TProgramRow& row = list_->Add();
  TUninstListItem& entry = *row.Entry;
  entry.SetName(displayName);
  if (nt) {
    entry.SetSize(usage.Size());
    entry.SetLastUsed(usage.LastUsed());
    entry.SetFrequency(usage.Frequency());
  }
  entry.SetUninstallCommand(command, expand);
  // The icon costs a shell query per file, so it is found only when the row is first shown.
  row.SetIconSources({iconSource, usage.ImagePath(), entry.ExecutableCommand()});
  entry.SetRegistryKey(keyPath, source.Root, source.View);
}
