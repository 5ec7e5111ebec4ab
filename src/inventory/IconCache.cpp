#include "inventory/IconCache.h"

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
