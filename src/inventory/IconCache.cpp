#include "inventory/IconCache.h"

#include "inventory/ProgramList.h"
#include "inventory/UninstallItem.h"
#include "inventory/Utils.h"
#include "win/Text.h"

int TIconCache::IndexFor(const std::wstring& file) {
  std::wstring key = win::ToLower(file);
  auto found = indexes_.find(key);
  if (found != indexes_.end()) return found->second;
  ++shellQueries_;
  int index = TUtils::GetSmallIconIndex(file);
  indexes_.emplace(std::move(key), index);
  return index;
}

void TIconCache::ForgetMisses() {
  std::erase_if(indexes_, [](const auto& item) { return item.second == -1; });
}

namespace {

// The cached image path has lost its first character when its colon is not second
// ("?C:\..." rather than "C:\...").
std::wstring CorrectImagePath(const std::wstring& path) {
  if (path.find(L':') != 1 && !path.empty()) return path.substr(1);
  return path;
}

}  // namespace

int TIconResolver::ImageIndex(TProgramRow& row) {
  if (!row.IconResolved()) row.SetImageIndex(FindIconIndex(row.IconSources()));
  return row.ImageIndex();
}

int TIconResolver::FindIconIndex(const TIconSources& sources) {
  return FindIconIndex(sources.IconSource, sources.ImagePath, sources.Command);
}

int TIconResolver::FindIconIndex(const std::wstring& iconSource, const std::wstring& imagePath,
                                 const std::wstring& command) {
  int index = IconIndexForSource(iconSource);
  if (index != -1) return index;
  index = IconIndexForSource(CorrectImagePath(imagePath));
  if (index != -1) return index;
  index = IconIndexForSource(command);
  if (index != -1) return index;
  return IconIndexForSource(TUtils::ExePath());
}

int TIconResolver::IconIndexForSource(const std::wstring& text) {
  std::wstring file = IconFileFromSource(Unquote(text));
  if (file.empty() || TUtils::IsNetworkPath(file)) return -1;
  return cache_.IndexFor(file);
}

std::wstring TIconResolver::IconFileFromSource(const std::wstring& text) {
  size_t delimiter = text.find_last_of(L"\\:");
  size_t nameStart = delimiter == std::wstring::npos ? 0 : delimiter + 1;
  std::wstring folder = text.substr(0, nameStart);
  std::wstring name = text.substr(nameStart);
  size_t lastDot = name.rfind(L'.');
  if (lastDot == std::wstring::npos) return {};
  std::wstring extension = name.substr(lastDot);
  static const wchar_t* const kIconExtensions[] = {L"exe", L"ico", L"EXE", L"DLL",
                                                   L"dll", L"scr", L"SCR"};
  bool known = false;
  for (const wchar_t* candidate : kIconExtensions)
    if (extension.find(candidate) != std::wstring::npos) known = true;
  if (!known) return {};
  size_t firstDot = name.find(L'.');
  return win::Trim(folder + win::Trim(name.substr(0, firstDot + 4)));
}
