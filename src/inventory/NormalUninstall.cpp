#include "inventory/NormalUninstall.h"

#include "inventory/Registry.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Text.h"

#include <cstring>

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const wchar_t kUnknownName[] = L"Unknown";

// "EstimatedSize" counts kilobytes in a REG_DWORD, read unsigned; any other type, or 0, is no size.
int64_t EstimatedSizeBytes(const std::optional<TRegValue>& value) {
  if (!value || value->RawType != REG_DWORD || value->Data.size() != sizeof(DWORD)) return 0;
  DWORD kilobytes = 0;
  memcpy(&kilobytes, value->Data.data(), sizeof kilobytes);
  return static_cast<int64_t>(kilobytes) * 1024;
}

// A DWORD value that is 1; any other type or number is not.
bool IsOne(const std::optional<TRegValue>& value) {
  DWORD number = 0;
  if (!value || value->RawType != REG_DWORD || value->Data.size() != sizeof number) return false;
  memcpy(&number, value->Data.data(), sizeof number);
  return number == 1;
}

std::wstring TextOf(const std::optional<TRegValue>& value) {
  return value && value->IsText() ? value->Text() : std::wstring();
}

TEntryFacts ReadFacts(const TRegistry& reg) {
  TEntryFacts facts;
  facts.Publisher = TextOf(reg.ReadValue(L"Publisher"));
  facts.Version = TextOf(reg.ReadValue(L"DisplayVersion"));
  facts.InstallLocation = TextOf(reg.ReadValue(L"InstallLocation"));
  facts.InstallDate = TextOf(reg.ReadValue(L"InstallDate"));
  facts.QuietUninstallCommand = TextOf(reg.ReadValue(L"QuietUninstallString"));
  facts.ModifyPath = TextOf(reg.ReadValue(L"ModifyPath"));
  facts.WindowsInstaller = IsOne(reg.ReadValue(L"WindowsInstaller"));
  facts.SystemComponent = IsOne(reg.ReadValue(L"SystemComponent"));
  std::wstring releaseType = TextOf(reg.ReadValue(L"ReleaseType"));
  facts.Update = !TextOf(reg.ReadValue(L"ParentKeyName")).empty() ||
                 win::EqualsNoCase(releaseType, L"Update") ||
                 win::EqualsNoCase(releaseType, L"Hotfix") ||
                 win::EqualsNoCase(releaseType, L"Security Update") ||
                 win::EqualsNoCase(releaseType, L"Service Pack");
  return facts;
}

}  // namespace

TUninstallSource TUninstallSource::Machine() {
  return {HKEY_LOCAL_MACHINE, 0, kUninstallKey, kArpCacheKey};
}

TUninstallSource TUninstallSource::Machine32() {
  return {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kUninstallKey, kArpCacheKey};
}

TUninstallSource TUninstallSource::CurrentUser() {
  return {HKEY_CURRENT_USER, 0, kUninstallKey, kArpCacheKey};
}

std::vector<TUninstallSource> TUninstallSource::All() {
  return {Machine(), Machine32(), CurrentUser()};
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
      // Windows stopped writing usage records and Wine never did: an empty or missing record key
      // spares a lookup per entry.
      TRegistry cacheKey(source.View);
      cacheKey.SetRootKey(source.Root);
      TRegKeyInfo info;
      bool noRecords = !cacheKey.OpenKeyReadOnly(L"\\" + source.CacheKey) ||
                       !cacheKey.GetKeyInfo(info) || info.NumSubKeys == 0;
      for (const auto& name : uninstallKey.GetKeyNames())
        AddFrom(source, &uninstallKey, &cacheKey, noRecords, name);
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
  AddFrom(source, nullptr, nullptr, false, name);
}

void TNormalUninstall::AddFrom(const TUninstallSource& source, const TRegistry* uninstallKey,
                               const TRegistry* cacheKey, bool noRecords,
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

  std::wstring displayName = displayValue->IsText() ? displayValue->Text() : kUnknownName;
  std::wstring command = commandValue->IsText() ? commandValue->Text() : std::wstring();
  bool expand = commandValue->RawType == REG_EXPAND_SZ;
  std::wstring iconSource = iconValue && iconValue->IsText() ? iconValue->Text() : std::wstring();
  if (displayName.empty() || command.empty()) return;

  bool nt = TUtils::IsNTPlatform();
  TInfoCache usage(source.Root, source.View, source.CacheKey);
  if (nt && !noRecords) {
    if (cacheKey)
      usage.ReadInfo(*cacheKey, name);
    else
      usage.ReadInfo(name);
  }
  std::wstring sizeText = usage.Size();
  int64_t sizeBytes = usage.SizeBytes();
  // Windows and Wine no longer write usage records; the size the installer estimated stands in
  // where no record gives one.
  if (nt && sizeBytes <= 0) {
    sizeBytes = EstimatedSizeBytes(reg.ReadValue(L"EstimatedSize"));
    sizeText = TInfoCache::FormatSize(sizeBytes);
  }
  TEntryFacts facts = ReadFacts(reg);
  reg.CloseKey();

  TProgramRow& row = list_->Add();
  row.Facts = std::move(facts);
  TUninstListItem& entry = *row.Entry;
  entry.SetName(displayName);
  if (nt) {
    entry.SetSize(sizeText, sizeBytes);
    entry.SetLastUsed(usage.LastUsed(), usage.LastUsedKey());
    entry.SetFrequency(usage.Frequency(), usage.UseCount());
  }
  entry.SetUninstallCommand(command, expand);
  // The icon costs a shell query per file, so it is found only when the row is first shown.
  row.SetIconSources({iconSource, usage.ImagePath(), entry.ExecutableCommand()});
  entry.SetRegistryKey(keyPath, source.Root, source.View);
}
