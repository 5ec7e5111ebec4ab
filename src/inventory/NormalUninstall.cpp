#include "inventory/NormalUninstall.h"

#include "inventory/Registry.h"
#include "inventory/SlowInfoCache.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Text.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

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

// The values a row is made of, read together; the order of kEntryValues.
enum TEntryValue {
  kDisplayName, kUninstallString, kDisplayIcon, kEstimatedSize, kPublisher, kDisplayVersion,
  kInstallLocation, kInstallDate, kQuietUninstallString, kModifyPath, kWindowsInstaller,
  kSystemComponent, kReleaseType, kParentKeyName
};
const std::vector<const wchar_t*> kEntryValues = {
    L"DisplayName",      L"UninstallString",  L"DisplayIcon",          L"EstimatedSize",
    L"Publisher",        L"DisplayVersion",   L"InstallLocation",      L"InstallDate",
    L"QuietUninstallString",                  L"ModifyPath",           L"WindowsInstaller",
    L"SystemComponent",  L"ReleaseType",      L"ParentKeyName"};

TEntryFacts FactsOf(const std::vector<std::optional<TRegValue>>& values) {
  TEntryFacts facts;
  facts.Publisher = TextOf(values[kPublisher]);
  facts.Version = TextOf(values[kDisplayVersion]);
  facts.InstallLocation = TextOf(values[kInstallLocation]);
  facts.InstallDate = TextOf(values[kInstallDate]);
  facts.QuietUninstallCommand = TextOf(values[kQuietUninstallString]);
  facts.ModifyPath = TextOf(values[kModifyPath]);
  facts.WindowsInstaller = IsOne(values[kWindowsInstaller]);
  facts.SystemComponent = IsOne(values[kSystemComponent]);
  std::wstring releaseType = TextOf(values[kReleaseType]);
  facts.Update = !TextOf(values[kParentKeyName]).empty() ||
                 win::EqualsNoCase(releaseType, L"Update") ||
                 win::EqualsNoCase(releaseType, L"Hotfix") ||
                 win::EqualsNoCase(releaseType, L"Security Update") ||
                 win::EqualsNoCase(releaseType, L"Service Pack");
  return facts;
}

}  // namespace

// What one subkey says, read apart from the list so that subkeys can be read side by side.
struct TEntryRead {
  std::wstring DisplayName;
  std::wstring Command;
  bool Expand = false;
  std::wstring IconSource;
  std::unique_ptr<TInfoCache> Usage;
  std::wstring SizeText;
  int64_t SizeBytes = 0;
  TEntryFacts Facts;
};

namespace {

// The subkey's program, or nothing when it names no program or no uninstall command. The subkey
// is opened below the already open Uninstall key when one is given. The usage record is looked
// for below cacheKey when one is given, else by its path; with noRecords there is none to look for.
std::optional<TEntryRead> ReadEntry(const TUninstallSource& source, const TRegistry* uninstallKey,
                                    const TRegistry* cacheKey, bool noRecords,
                                    const std::wstring& name) {
  TRegistry reg(source.View);
  reg.SetRootKey(source.Root);
  bool opened = uninstallKey ? reg.OpenSubKeyReadOnly(*uninstallKey, name)
                             : reg.OpenKeyReadOnly(L"\\" + source.UninstallKey + L"\\" + name);
  if (!opened) return std::nullopt;
  // Value names are matched without regard to case, as the registry itself matches them.
  const std::vector<std::optional<TRegValue>> values = reg.ReadValues(kEntryValues);
  reg.CloseKey();
  const auto& displayValue = values[kDisplayName];
  const auto& commandValue = values[kUninstallString];
  const auto& iconValue = values[kDisplayIcon];
  if (!displayValue || !commandValue) return std::nullopt;

  TEntryRead read;
  read.DisplayName = displayValue->IsText() ? displayValue->Text() : kUnknownName;
  read.Command = commandValue->IsText() ? commandValue->Text() : std::wstring();
  read.Expand = commandValue->RawType == REG_EXPAND_SZ;
  read.IconSource = iconValue && iconValue->IsText() ? iconValue->Text() : std::wstring();
  if (read.DisplayName.empty() || read.Command.empty()) return std::nullopt;

  const bool nt = TUtils::IsNTPlatform();
  read.Usage = std::make_unique<TInfoCache>(source.Root, source.View, source.CacheKey);
  if (nt && !noRecords) {
    if (cacheKey)
      read.Usage->ReadInfo(*cacheKey, name);
    else
      read.Usage->ReadInfo(name);
  }
  read.SizeText = read.Usage->Size();
  read.SizeBytes = read.Usage->SizeBytes();
  // Windows and Wine no longer write usage records; the size the installer estimated stands in
  // where no record gives one.
  if (nt && read.SizeBytes <= 0) {
    read.SizeBytes = EstimatedSizeBytes(values[kEstimatedSize]);
    read.SizeText = TInfoCache::FormatSize(read.SizeBytes);
  }
  read.Facts = FactsOf(values);
  return read;
}

// Every subkey of an Uninstall key, read by several threads at once. A thread spends most of a
// registry call waiting for the answer (from Wine's server, or the kernel): twice as many threads
// as processors keep them busy. Too few subkeys do not pay for starting a thread.
std::vector<std::optional<TEntryRead>> ReadEntries(const TUninstallSource& source,
                                                   const TRegistry& uninstallKey,
                                                   const TRegistry& cacheKey, bool noRecords,
                                                   const std::vector<std::wstring>& names) {
  constexpr size_t kNamesPerThread = 32, kMaxThreads = 8;
  std::vector<std::optional<TEntryRead>> reads(names.size());
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::atomic<bool> failed{false};
  auto work = [&]() noexcept {
    try {
      for (size_t i; !failed && (i = next.fetch_add(1)) < names.size();)
        reads[i] = ReadEntry(source, &uninstallKey, &cacheKey, noRecords, names[i]);
    } catch (...) {
      if (!failed.exchange(true)) failure = std::current_exception();
    }
  };
  const size_t threads = std::clamp<size_t>(
      std::min<size_t>(2 * std::thread::hardware_concurrency(), names.size() / kNamesPerThread),
      1, kMaxThreads);
  TUtils::IsNTPlatform();  // detected once, before any thread asks
  {
    std::vector<std::jthread> helpers;
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
  }
  if (failure) std::rethrow_exception(failure);
  return reads;
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
      const std::vector<std::wstring> names = uninstallKey.GetKeyNames();
      std::vector<std::optional<TEntryRead>> reads =
          ReadEntries(source, uninstallKey, cacheKey, noRecords, names);
      for (size_t i = 0; i < names.size(); ++i)
        if (reads[i]) AddRow(source, names[i], std::move(*reads[i]));
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
  if (!list_) return;
  if (std::optional<TEntryRead> read = ReadEntry(source, nullptr, nullptr, false, name))
    AddRow(source, name, std::move(*read));
}

void TNormalUninstall::AddRow(const TUninstallSource& source, const std::wstring& name,
                             TEntryRead&& read) {
  TProgramRow& row = list_->Add();
  row.Facts = std::move(read.Facts);
  TUninstListItem& entry = *row.Entry;
  entry.SetName(read.DisplayName);
  if (TUtils::IsNTPlatform()) {
    entry.SetSize(read.SizeText, read.SizeBytes);
    entry.SetLastUsed(read.Usage->LastUsed(), read.Usage->LastUsedKey());
    entry.SetFrequency(read.Usage->Frequency(), read.Usage->UseCount());
  }
  entry.SetUninstallCommand(read.Command, read.Expand);
  // The icon costs a shell query per file, so it is found only when the row is first shown.
  row.SetIconSources({read.IconSource, read.Usage->ImagePath(), entry.ExecutableCommand()});
  entry.SetRegistryKey(source.UninstallKey + L"\\" + name, source.Root, source.View);
}
